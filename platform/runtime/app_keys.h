// The phone's six application keys (VK_APP1..VK_APP6). A key reaches the program
// only while it is associated with one of its windows; its presses then go to that
// window as key messages.
#pragma once

#include <cstdint>

#include "platform/runtime/types.h"

// Associates an application key with a window, or releases it with a null window.
// Returns false (and changes nothing) for a code that is not an application key.
bool AssociateAppKey(std::uint32_t code, WindowHandle window);

// The window an application key is associated with, or null.
WindowHandle AppKeyWindow(std::uint32_t code);
