// Pack entry names and resource lookup keys. Kept free of libzip and SDL so the
// pack compiler can share them.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/internal/resources_internal.h"

namespace {

struct PredefinedType {
    const char* name;
    std::uint32_t number;
};
constexpr std::array<PredefinedType, 7> PREDEFINED_TYPES{{
    {"BITMAP", RT_BITMAP},
    {"ICON", RT_ICON},
    {"MENU", RT_MENU},
    {"DIALOG", RT_DIALOG},
    {"STRING", RT_STRING},
    {"RCDATA", RT_RCDATA},
    {"MENUBAR", RT_MENUBAR},
}};

constexpr std::uint32_t MAX_RESOURCE_NUMBER = 65535;
constexpr std::size_t MAX_NAME_LENGTH = 255;

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = UpperAscii(c);
    return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    }
    return true;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool AllDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (!IsDigit(c)) return false;
    }
    return true;
}

// A resource number as written in an entry name: 1 to 65535, no leading zeros.
bool ReadEntryNumber(std::string_view text, std::uint32_t& number) {
    if (!AllDigits(text) || text[0] == '0' || text.size() > 5) return false;
    number = 0;
    for (char c : text)
        number = number * 10 + static_cast<std::uint32_t>(c - '0');
    return number <= MAX_RESOURCE_NUMBER;
}

bool IsName(std::string_view text) {
    if (text.empty() || text.size() > MAX_NAME_LENGTH || AllDigits(text)) return false;
    for (char c : text) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!letter && !IsDigit(c) && c != '_' && c != '-') return false;
    }
    return true;
}

std::string NumberKey(std::uint32_t number) {
    return "#" + std::to_string(number);
}

bool Fail(std::string* why, const char* reason) {
    if (why) *why = reason;
    return false;
}

}  // namespace

bool ParseEntryName(std::string_view entryName, EntryName& parsed, std::string* why) {
    const std::size_t slash = entryName.find('/');
    if (slash == std::string_view::npos) return Fail(why, "no '/' between type and id");
    const std::string_view type = entryName.substr(0, slash);
    std::string_view id = entryName.substr(slash + 1);
    if (id.find('/') != std::string_view::npos) return Fail(why, "more than one '/'");
    if (const std::size_t dot = id.rfind('.'); dot != std::string_view::npos)
        id = id.substr(0, dot);

    EntryName out;
    std::uint32_t number = 0;
    if (type.starts_with('#')) {
        if (!ReadEntryNumber(type.substr(1), number)) {
            return Fail(why, "numeric type must be '#' and a number from 1 to 65535");
        }
        out.type = NumberKey(number);
        out.key = out.type;
        for (const PredefinedType& predefined : PREDEFINED_TYPES) {
            if (predefined.number == number) out.type = predefined.name;
        }
    } else {
        bool known = false;
        for (const PredefinedType& predefined : PREDEFINED_TYPES) {
            if (EqualNoCase(type, predefined.name)) {
                out.type = predefined.name;
                out.key = NumberKey(predefined.number);
                known = true;
            }
        }
        if (!known) {
            if (AllDigits(type)) return Fail(why, "numeric type must be written '#<number>'");
            if (!IsName(type)) {
                return Fail(why, "type name must be letters, digits, '_' or '-' (at most 255)");
            }
            out.type = type;
            out.key = Upper(type);
        }
    }

    out.key += '/';
    if (AllDigits(id)) {
        if (!ReadEntryNumber(id, number)) {
            return Fail(why, "numeric id must be a number from 1 to 65535 without leading zeros");
        }
        out.id = std::to_string(number);
        out.key += NumberKey(number);
    } else {
        if (!IsName(id)) {
            return Fail(why, "id must be a number or a name of letters, digits, '_' or '-'");
        }
        out.id = id;
        out.key += Upper(id);
    }
    parsed = std::move(out);
    return true;
}

namespace {

std::string LookupKeyPart(ResourceName part) {
    if (part.isNumber()) return NumberKey(part.number());
    const std::string_view name = part.name();
    if (name.starts_with('#') && AllDigits(name.substr(1))) {
        std::uint64_t number = 0;
        for (char c : name.substr(1)) {
            number = number * 10 + static_cast<std::uint64_t>(c - '0');
            if (number > MAX_RESOURCE_NUMBER) return "#?";  // never a stored key
        }
        return NumberKey(static_cast<std::uint32_t>(number));
    }
    return Upper(name);
}

}  // namespace

std::string ResourceLookupKey(ResourceName id, ResourceName type) {
    return LookupKeyPart(type) + '/' + LookupKeyPart(id);
}

std::string_view StringResourceText(ResourceData data) {
    if (data.bytes == nullptr) return {};
    std::string_view text(reinterpret_cast<const char*>(data.bytes), data.size);
    if (text.ends_with('\n')) text.remove_suffix(1);
    if (text.ends_with('\r') && text.size() + 1 == data.size) text.remove_suffix(1);
    return text;
}
