#include "platform/runtime/app_keys.h"

#include <array>

#include "platform/runtime/keys.h"

namespace {
std::array<WindowHandle, VK_APP6 - VK_APP1 + 1> owners{};

bool IsAppKey(std::uint32_t code) {
    return code >= VK_APP1 && code <= VK_APP6;
}
}  // namespace

bool AssociateAppKey(std::uint32_t code, WindowHandle window) {
    if (!IsAppKey(code)) return false;
    owners[code - VK_APP1] = window;
    return true;
}

WindowHandle AppKeyWindow(std::uint32_t code) {
    return IsAppKey(code) ? owners[code - VK_APP1] : nullptr;
}
