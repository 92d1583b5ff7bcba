// The base of the program's three screens (title, game, key assignment). The
// main window hands each message first to the active screen.
#pragma once

#include <cstdint>

#include "platform/drawing.h"
#include "platform/types.h"

class CQuarvelWnd {
  public:
    // One window message; the main window ignores the result.
    virtual std::int32_t onMessage(std::uint32_t message, WParam wParam, LParam lParam) = 0;
    // The screen is being left: it gives up what it holds while not shown.
    virtual void onLeave() = 0;
    virtual ~CQuarvelWnd() = default;

    WindowHandle window = nullptr;   // the main window; not owned
    SurfaceHandle backDC = nullptr;  // the main window's back buffer; not owned
};
