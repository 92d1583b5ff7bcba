// Feeds arbitrary bytes to the reader of MENUBAR text. What it takes has one or
// two soft keys with popups no deeper than the limit; what it refuses leaves no
// keys behind.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/internal/phone_shell_internal.h"

namespace {

void CheckMenu(const MenuObject& menu, std::int32_t depth) {
    if (depth > MAX_MENU_DEPTH + 1) std::abort();
    for (const MenuItem& item : menu.items) {
        if ((item.kind == MenuItem::Kind::Submenu) != (item.submenu != nullptr)) std::abort();
        if (item.submenu) CheckMenu(*item.submenu, depth + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<SoftKey> keys;
    if (!ParseMenuBarText(text, keys)) {
        if (!keys.empty()) std::abort();
        return -1;
    }
    if (keys.empty() || keys.size() > 2) std::abort();
    for (const SoftKey& key : keys) {
        if (key.menu) CheckMenu(*key.menu, 0);
    }
    return 0;
}
