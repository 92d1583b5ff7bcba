// Feeds arbitrary bytes to the layout text reader, as a pack's TEXT 101 would
// hold them, then asks for every key it stored and for keys it did not store.
// Every stored key must be one the grammar allows and no value may hold a line
// break; a number must read the same through both lookups.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shell/layout_text.h"

namespace {

bool KeyChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    LayoutMap.clear();
    LoadLayoutText(reinterpret_cast<const char*>(data), size);
    for (const auto& [key, value] : LayoutMap) {
        if (key.empty()) std::abort();
        for (char c : key) {
            if (!KeyChar(c)) std::abort();
        }
        if (value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) std::abort();
        const std::int32_t number = GetLayoutInt(key.c_str(), 7);
        const Rect rect = GetLayoutRect(key.c_str());
        // The first field of a rectangle is the number read the same way.
        if (rect.left != 0 && rect.left != number) std::abort();
    }
    // The reader knows no key by name: one it did not store reads as the default.
    if (LayoutMap.count("game_width") == 0 && GetLayoutInt("game_width", 7) != 7) std::abort();
    if (LayoutMap.count("score_rect") == 0 && GetLayoutRect("score_rect") != Rect{}) std::abort();
    return 0;
}
