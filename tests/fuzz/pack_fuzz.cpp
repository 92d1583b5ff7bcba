// Feeds arbitrary bytes to the pack reader, then makes every lookup on whatever
// loaded: each entry by its type and id (names in swapped letter case, numbers as
// numbers or as "#n"), by its bytes, and as a string or an image where its type
// says so. A lookup that does not find the entry it came from is a fault.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/drawing/drawing.h"
#include "platform/internal/resources_internal.h"
#include "platform/resources/resources.h"

namespace {

std::string SwapCase(std::string text) {
    for (char& c : text) {
        if (std::isalpha(static_cast<unsigned char>(c))) c ^= 0x20;  // ASCII letters only
    }
    return text;
}

bool IsNumber(const std::string& text) {
    return text.find_first_not_of("0123456789") == std::string::npos;
}

std::uint32_t PredefinedType(const std::string& name) {
    const struct {
        const char* name;
        std::uint32_t number;
    } TYPES[] = {{"BITMAP", RT_BITMAP},  {"ICON", RT_ICON},     {"MENU", RT_MENU},
                 {"DIALOG", RT_DIALOG},  {"STRING", RT_STRING}, {"RCDATA", RT_RCDATA},
                 {"MENUBAR", RT_MENUBAR}};
    for (const auto& type : TYPES) {
        if (name == type.name) return type.number;
    }
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ModuleHandle module = LoadModuleFromMemory(data, size);
    if (module == nullptr) return -1;
    for (const ModuleEntry& entry : ListModuleEntries(module)) {
        const std::uint32_t predefined = PredefinedType(entry.type);
        const std::string typeName = SwapCase(entry.type);
        const ResourceName type = predefined ? ResourceName(predefined) : typeName.c_str();
        const std::string idName = IsNumber(entry.id) ? "#" + entry.id : SwapCase(entry.id);
        const ResourceData found = FindResource(module, idName.c_str(), type);
        if (found.bytes != entry.data.bytes || found.size != entry.data.size) std::abort();
        if (ResourceEntryName(entry.data.bytes) != entry.type + '/' + entry.id) std::abort();
        if (!IsNumber(entry.id)) continue;
        const auto id = static_cast<std::uint32_t>(std::stoul(entry.id));
        if (FindResource(module, id, type).bytes != entry.data.bytes) std::abort();
        if (predefined == RT_STRING) {
            char16_t buffer[8];
            const std::int32_t length = LoadString(module, id, buffer, 8);
            if (length < 0 || length > 7 || buffer[length] != 0) std::abort();
        } else if (predefined == RT_BITMAP || entry.type == "PNG") {
            if (BitmapHandle bitmap = LoadImageResource(module, id)) DeleteBitmap(bitmap);
        }
    }
    if (!FreeModule(module)) std::abort();
    return 0;
}
