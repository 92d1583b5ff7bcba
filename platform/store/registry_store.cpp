// The registry's contents in memory and the REGEDIT4 text of its store file.
#include "platform/internal/registry_store.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cstdio>
#include <optional>

#include "platform/store/registry.h"
#include "platform/text/text.h"

namespace registry_store {

// ---- Names ----

namespace {

// Names compare by their code units in upper case, as the registry does.
char16_t Upper(char16_t c) {
    if (c < 0x80) return c >= u'a' && c <= u'z' ? c - (u'a' - u'A') : c;
    static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    if (unicode == locale_t{} || (c >= 0xD800 && c <= 0xDFFF)) return c;
    wint_t upper = towupper_l(c, unicode);
    return upper <= 0xFFFF ? static_cast<char16_t>(upper) : c;
}

}  // namespace

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && Upper(a[i]) != Upper(b[i])) return false;
    }
    return true;
}

bool Storable(std::u16string_view name) {
    return name.find_first_of(u"\r\n") == std::u16string_view::npos &&
           Utf8ToUtf16(Utf16ToUtf8(name)) == name;
}

bool ValidKeyPath(std::u16string_view path) {
    if (path.empty() || path.front() == u'-' || !Storable(path)) return false;
    std::size_t start = 0;
    for (std::size_t end; (end = path.find(u'\\', start)) != std::u16string_view::npos;) {
        if (end == start) return false;
        start = end + 1;
    }
    return start < path.size();
}

// ---- The store in memory ----

namespace {

// A name in the one case that SameName compares by.
std::u16string Folded(std::u16string_view name) {
    std::u16string folded(name);
    for (char16_t& c : folded)
        c = Upper(c);
    return folded;
}

}  // namespace

namespace {

// The end of the path's component that starts at `start`.
std::size_t ComponentEnd(std::u16string_view path, std::size_t start) {
    return std::min(path.find(u'\\', start), path.size());
}

// Walks down from the root as far as the path's keys exist. `found` is the
// deepest existing key (none: the store's size) and `start` the start of the
// first component that is missing, or the path's size when all exist.
void WalkExisting(const Store& store, std::u16string_view path, std::size_t& found,
                  std::size_t& start) {
    found = store.keys.size();
    const NameIndex* level = &store.roots;
    for (start = 0; start < path.size();) {
        std::size_t end = ComponentEnd(path, start);
        auto next = level->find(Folded(path.substr(start, end - start)));
        if (next == level->end()) return;
        found = next->second;
        level = &store.keys[found].subkeys;
        start = end == path.size() ? end : end + 1;
    }
}

}  // namespace

Key* FindKey(Store& store, std::u16string_view path) {
    std::size_t found, missing;
    WalkExisting(store, path, found, missing);
    return missing == path.size() && found < store.keys.size() ? &store.keys[found] : nullptr;
}

// Finds a key, adding it and any missing parents. The paths of the keys it would
// add are measured before any is made, so a path nested thousands deep costs
// one pass over it; a new key keeps its parent's spelling of the path, so each
// key has one case throughout.
Key* EnsureKey(Store& store, std::u16string_view path) {
    std::size_t parent, start;
    WalkExisting(store, path, parent, start);
    if (start == path.size()) return parent < store.keys.size() ? &store.keys[parent] : nullptr;
    const std::size_t room = MAX_STORE_PATH_UNITS - std::min(store.pathUnits, MAX_STORE_PATH_UNITS);
    std::size_t units = 0;
    for (std::size_t at = start;; ++at) {
        at = ComponentEnd(path, at);
        units += at;
        if (units > room) return nullptr;
        if (at == path.size()) break;
    }
    while (start < path.size()) {
        std::size_t end = ComponentEnd(path, start);
        std::u16string_view component = path.substr(start, end - start);
        std::u16string spelled = parent < store.keys.size()
                                     ? store.keys[parent].path + u'\\' + std::u16string(component)
                                     : std::u16string(component);
        NameIndex& level = parent < store.keys.size() ? store.keys[parent].subkeys : store.roots;
        level.emplace(Folded(component), store.keys.size());
        store.pathUnits += spelled.size();
        parent = store.keys.size();
        store.keys.push_back(Key{std::move(spelled), {}, {}, {}});
        start = end == path.size() ? end : end + 1;
    }
    return &store.keys.back();
}

Value* FindValue(Key& key, std::u16string_view name) {
    auto found = key.valueIndex.find(Folded(name));
    return found == key.valueIndex.end() ? nullptr : &key.values[found->second];
}

// Writes a value; an existing value keeps the spelling of its name.
void PutValue(Key& key, std::u16string_view name, std::uint32_t type,
              std::vector<std::uint8_t> data) {
    Value* value = FindValue(key, name);
    if (value == nullptr) {
        key.valueIndex.emplace(Folded(name), key.values.size());
        key.values.push_back(Value{std::u16string(name), 0, {}});
        value = &key.values.back();
    }
    value->type = type;
    value->data = std::move(data);
}

// ---- Reading the store file ----

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A number of one to `maxDigits` hex digits making up all of `text`.
bool ParseHexNumber(std::string_view text, std::size_t maxDigits, std::uint32_t& number) {
    if (text.empty() || text.size() > maxDigits) return false;
    number = 0;
    for (char c : text) {
        if (HexDigit(c) < 0) return false;
        number = number << 4 | static_cast<std::uint32_t>(HexDigit(c));
    }
    return true;
}

// UTF-8 text from the file; nothing when it is not valid UTF-8.
std::optional<std::u16string> DecodeName(std::string_view text) {
    std::u16string name = Utf8ToUtf16(text);
    if (Utf16ToUtf8(name) != text) return std::nullopt;
    return name;
}

// A quoted string starting at line[at], with \\ and \" escaped; `at` ends past
// the closing quote.
std::optional<std::u16string> ParseQuoted(std::string_view line, std::size_t& at) {
    std::string text;
    for (++at; at < line.size(); ++at) {
        char c = line[at];
        if (c == '"') {
            ++at;
            return DecodeName(text);
        }
        if (c == '\\') {
            if (++at == line.size() || (line[at] != '\\' && line[at] != '"')) return std::nullopt;
            c = line[at];
        }
        text += c;
    }
    return std::nullopt;
}

class StoreParser {
  public:
    // The last line may lack its line break: text editors drop it.
    explicit StoreParser(std::string_view text) {
        for (std::size_t start = 0; start < text.size();) {
            std::size_t end = std::min(text.find('\n', start), text.size());
            std::string_view line = text.substr(start, end - start);
            while (!line.empty() &&
                   (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
                line.remove_suffix(1);
            }
            lines_.push_back(line);
            start = end + 1;
        }
    }

    bool parse(Store& store) {
        if (lines_.empty() || lines_[0] != "REGEDIT4") return false;
        Key* key = nullptr;
        for (next_ = 1; next_ < lines_.size();) {
            std::string_view line = lines_[next_++];
            if (line.empty() || line.front() == ';') continue;
            if (line.front() == '[') {
                if (line.back() != ']') return false;
                auto path = DecodeName(line.substr(1, line.size() - 2));
                if (!path || !ValidKeyPath(*path)) return false;
                key = EnsureKey(store, *path);
                if (key == nullptr) return false;
            } else if (key == nullptr || !parseValue(line, *key)) {
                return false;
            }
        }
        return true;
    }

  private:
    // One value line: "name"=data or @=data for the unnamed value.
    bool parseValue(std::string_view line, Key& key) {
        std::size_t at = 1;
        std::optional<std::u16string> name = std::u16string();
        if (line.front() == '"') {
            at = 0;
            name = ParseQuoted(line, at);
        } else if (line.front() != '@') {
            return false;
        }
        if (!name || at >= line.size() || line[at] != '=') return false;
        std::string_view data = line.substr(at + 1);

        std::uint32_t type = REG_BINARY;
        std::vector<std::uint8_t> bytes;
        if (data.starts_with("dword:")) {
            std::uint32_t number;
            if (!ParseHexNumber(data.substr(6), 8, number)) return false;
            type = REG_DWORD;
            for (int i = 0; i < 4; ++i)
                bytes.push_back(static_cast<std::uint8_t>(number >> 8 * i));
        } else if (data.starts_with("hex:")) {
            if (!parseHexList(data.substr(4), bytes)) return false;
        } else if (data.starts_with("hex(")) {
            std::size_t close = data.find("):");
            if (close == std::string_view::npos ||
                !ParseHexNumber(data.substr(4, close - 4), 8, type) ||
                !parseHexList(data.substr(close + 2), bytes)) {
                return false;
            }
        } else if (data.starts_with('"')) {
            at = 0;
            auto text = ParseQuoted(data, at);
            if (!text || at != data.size()) return false;
            type = REG_SZ;
            for (char16_t c : *text + u'\0') {
                bytes.push_back(static_cast<std::uint8_t>(c));
                bytes.push_back(static_cast<std::uint8_t>(c >> 8));
            }
        } else {
            return false;
        }
        PutValue(key, *name, type, std::move(bytes));
        return true;
    }

    // Bytes as comma-separated hex pairs; a line ending in a backslash goes on in
    // the next line.
    bool parseHexList(std::string_view data, std::vector<std::uint8_t>& bytes) {
        for (;;) {
            bool more = !data.empty() && data.back() == '\\';
            if (more) data.remove_suffix(1);
            bool afterComma = false;
            for (std::size_t start = 0; start < data.size();) {
                std::size_t comma = data.find(',', start);
                std::string_view item = data.substr(start, comma - start);
                while (!item.empty() && item.front() == ' ')
                    item.remove_prefix(1);
                while (!item.empty() && item.back() == ' ')
                    item.remove_suffix(1);
                std::uint32_t byte;
                if (!ParseHexNumber(item, 2, byte)) return false;
                bytes.push_back(static_cast<std::uint8_t>(byte));
                afterComma = comma != std::string_view::npos;
                start = afterComma ? comma + 1 : data.size();
            }
            if (!more) return !afterComma;
            if (next_ == lines_.size()) return false;
            data = lines_[next_++];
            while (!data.empty() && (data.front() == ' ' || data.front() == '\t')) {
                data.remove_prefix(1);
            }
        }
    }

    std::vector<std::string_view> lines_;
    std::size_t next_ = 0;
};

}  // namespace

// A header line first, and no NUL bytes.
bool ParseStore(std::string_view text, Store& store) {
    store.clear();
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    if (text.empty() || text.find('\0') != std::string_view::npos) return false;
    return StoreParser(text).parse(store);
}

// ---- Writing the store file ----

namespace {

void AppendQuoted(std::string& out, std::u16string_view name) {
    out += '"';
    for (char c : Utf16ToUtf8(name)) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
}

// A string value's text, when it can be written as a quoted string that reads
// back as the same bytes: UTF-16 ending in its one terminator, on one line.
std::optional<std::u16string> StringText(const Value& value) {
    const std::vector<std::uint8_t>& data = value.data;
    if (value.type != REG_SZ || data.size() < 2 || data.size() % 2 != 0) return std::nullopt;
    std::u16string text;
    for (std::size_t i = 0; i + 2 < data.size(); i += 2)
        text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    if (data[data.size() - 2] != 0 || data.back() != 0 ||
        text.find(u'\0') != std::u16string::npos || !Storable(text)) {
        return std::nullopt;
    }
    return text;
}

void AppendValue(std::string& out, const Value& value) {
    static constexpr char DIGITS[] = "0123456789abcdef";
    std::size_t lineStart = out.size();
    if (value.name.empty()) {
        out += '@';
    } else {
        AppendQuoted(out, value.name);
    }
    // Strings are written as strings, as they are read: as hex they would take
    // six times the room.
    if (auto text = StringText(value)) {
        out += '=';
        AppendQuoted(out, *text);
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        out += "=dword:";
        for (int i = 3; i >= 0; --i) {
            out += DIGITS[value.data[i] >> 4];
            out += DIGITS[value.data[i] & 15];
        }
    } else {
        char type[24];
        std::snprintf(type, sizeof type, "(%x)", value.type);
        out.append("=hex").append(value.type == REG_BINARY ? "" : type).append(":");
        for (std::size_t i = 0; i < value.data.size(); ++i) {
            out += DIGITS[value.data[i] >> 4];
            out += DIGITS[value.data[i] & 15];
            if (i + 1 == value.data.size()) break;
            out += ',';
            // Long lists go on over lines of at most 80 characters, as regedit writes them.
            if (out.size() - lineStart > 75) {
                out += "\\\n  ";
                lineStart = out.size() - 2;
            }
        }
    }
    out += '\n';
}

}  // namespace

// Keys without values are implied by their subkeys, so only the last of a chain
// of empty keys is written.
std::string FormatStore(const Store& store) {
    std::string out = "REGEDIT4\n\n";
    for (const Key& key : store) {
        if (key.values.empty() && !key.subkeys.empty()) continue;
        out.append("[").append(Utf16ToUtf8(key.path)).append("]\n");
        for (const Value& value : key.values)
            AppendValue(out, value);
        out += '\n';
    }
    return out;
}

}  // namespace registry_store
