// Inspects resource packs.
//
//   quarvel-pack list PACK    every entry: type, id, size, and a string's text
//   quarvel-pack check PACK   every resource the program asks for, one line per
//                             missing or broken one
//
// Exit code: 0 when all is well, 1 when check finds anything missing or broken,
// 2 on bad usage or a file that is not a readable pack.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drawing/drawing.h"
#include "platform/internal/resources_internal.h"
#include "platform/resources/resources.h"
#include "platform/text/text.h"
#include "shell/layout_text.h"
#include "tools/pack_requirements.h"

namespace {

constexpr int PROBLEMS = 1;
constexpr int FAILURE = 2;

// A string's text in double quotes, with quotes, backslashes and control bytes
// escaped so that one entry stays on one line.
std::string Quoted(std::string_view bytes) {
    const std::string text = Utf16ToUtf8(Utf8ToUtf16(bytes));  // bad UTF-8 shows as U+FFFD
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + '"';
}

int List(ModuleHandle pack) {
    for (const ModuleEntry& entry : ListModuleEntries(pack)) {
        std::string line = entry.type;
        line.resize(std::max<std::size_t>(line.size(), 8), ' ');
        line += ' ' + entry.id;
        line.resize(std::max<std::size_t>(line.size(), 21), ' ');
        char size[32];
        std::snprintf(size, sizeof size, " %9zu", entry.data.size);
        line += size;
        if (entry.type == "STRING") line += "  " + Quoted(StringResourceText(entry.data));
        std::printf("%s\n", line.c_str());
    }
    return 0;
}

const char* TypeName(PackResourceKind kind) {
    switch (kind) {
        case PackResourceKind::LayoutText:
            return "TEXT";
        case PackResourceKind::MenuBar:
            return "MENUBAR";
        case PackResourceKind::Dialog:
            return "DIALOG";
        case PackResourceKind::Bitmap:
        case PackResourceKind::Image:
            return "BITMAP";
        case PackResourceKind::Wave:
            return "WAVE";
        case PackResourceKind::String:
            return "STRING";
    }
    return "?";
}

ResourceName TypeOf(PackResourceKind kind) {
    switch (kind) {
        case PackResourceKind::LayoutText:
            return "TEXT";
        case PackResourceKind::MenuBar:
            return RT_MENUBAR;
        case PackResourceKind::Dialog:
            return RT_DIALOG;
        case PackResourceKind::Bitmap:
        case PackResourceKind::Image:
            return RT_BITMAP;
        case PackResourceKind::Wave:
            return "WAVE";
        case PackResourceKind::String:
            return RT_STRING;
    }
    return "?";
}

// What is wrong with a layout text; empty when it reads to the end and has
// every required key as a positive number.
std::string LayoutProblem(ResourceData data) {
    // The layout reader stops at a NUL byte, as it does in the program.
    const std::string text(reinterpret_cast<const char*>(data.bytes), data.size);
    const char* cursor = text.c_str();
    std::string key, value;
    while (*cursor != '\0' && ReadLayoutEntry(cursor, key, value)) {
    }
    const char* stop = cursor + std::strspn(cursor, " \t\n\v\f\r");
    if (*stop != '\0') {
        const long line = 1 + std::count(text.c_str(), stop, '\n');
        return "reading stops at line " + std::to_string(line) + ", which is not \"key: value\"";
    }
    LayoutMap.clear();
    LoadLayoutText(text.c_str());
    for (const char* required : PACK_REQUIRED_LAYOUT_KEYS) {
        if (!LayoutMap.contains(required)) return std::string("no ") + required;
        if (GetLayoutInt(required, 0) <= 0) return std::string(required) + " is not above 0";
    }
    return {};
}

bool IsWave(ResourceData data) {
    return data.size >= 12 && std::memcmp(data.bytes, "RIFF", 4) == 0 &&
           std::memcmp(data.bytes + 8, "WAVE", 4) == 0;
}

bool IsReadableImage(BitmapHandle bitmap) {
    if (bitmap == nullptr) return false;
    DeleteBitmap(bitmap);
    return true;
}

// One resource: empty when it is there and sound, else the reason.
std::string Problem(ModuleHandle pack, PackResourceKind kind, ResourceName id) {
    ResourceData data = FindResource(pack, id, TypeOf(kind));
    if (kind == PackResourceKind::Image && data.bytes == nullptr) {
        data = FindResource(pack, id, "PNG");
    }
    if (data.bytes == nullptr) return "missing";
    switch (kind) {
        case PackResourceKind::LayoutText:
            return LayoutProblem(data);
        case PackResourceKind::MenuBar:
        case PackResourceKind::Dialog:
            return data.size == 0 ? "empty" : "";
        case PackResourceKind::Bitmap:
            return IsReadableImage(LoadBitmapResource(pack, id.number())) ? ""
                                                                          : "not a readable image";
        case PackResourceKind::Image:
            return IsReadableImage(LoadImageResource(pack, id.number())) ? ""
                                                                         : "not a readable image";
        case PackResourceKind::Wave:
            return IsWave(data) ? "" : "no RIFF/WAVE header";
        case PackResourceKind::String:
            return "";
    }
    return {};
}

int Check(ModuleHandle pack, const char* path) {
    int checked = 0;
    int problems = 0;
    auto report = [&](PackResourceKind kind, const std::string& id, const char* use,
                      const std::string& problem) {
        ++checked;
        if (problem.empty()) return;
        ++problems;
        if (problem == "missing") {
            std::printf("%s: missing %s %s (%s)\n", path, TypeName(kind), id.c_str(), use);
        } else {
            std::printf("%s: broken %s %s (%s): %s\n", path, TypeName(kind), id.c_str(), use,
                        problem.c_str());
        }
    };
    for (const PackRequirement& requirement : PACK_REQUIREMENTS) {
        if (requirement.name != nullptr) {
            report(requirement.kind, requirement.name, requirement.use,
                   Problem(pack, requirement.kind, requirement.name));
            continue;
        }
        for (std::uint32_t id = requirement.firstId; id <= requirement.lastId; ++id) {
            report(requirement.kind, std::to_string(id), requirement.use,
                   Problem(pack, requirement.kind, id));
        }
    }
    if (problems > 0) {
        std::printf("%s: %d of %d resources missing or broken\n", path, problems, checked);
        return PROBLEMS;
    }
    std::printf("%s: all %d resources present\n", path, checked);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc == 3 ? argv[1] : "";
    if (command != "list" && command != "check") {
        std::fprintf(stderr, "usage: quarvel-pack list PACK | quarvel-pack check PACK\n");
        return FAILURE;
    }
    const char* path = argv[2];
    ModuleHandle pack = LoadModuleFromFile(path);
    if (pack == nullptr) {
        std::fprintf(stderr, "quarvel-pack: %s: not a readable pack\n", path);
        return FAILURE;
    }
    const int result = command == "list" ? List(pack) : Check(pack, path);
    FreeModule(pack);
    return result;
}
