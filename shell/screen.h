// The base of the program's three screens (title, game, key assignment). The
// main window hands each message first to the active screen.
#pragma once

#include <cstdint>

#include "platform/drawing/drawing.h"
#include "platform/runtime/types.h"
#include "platform/windows/windows.h"

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

// The surface a screen's drawing goes to: the one it was given, or else the
// window's own, held for as long as this lives. Null when there is none.
class ScreenSurface {
  public:
    ScreenSurface(WindowHandle window, SurfaceHandle given);
    ~ScreenSurface();
    ScreenSurface(const ScreenSurface&) = delete;
    ScreenSurface& operator=(const ScreenSurface&) = delete;
    SurfaceHandle get() const { return surface_; }

  private:
    WindowHandle window_ = nullptr;
    SurfaceHandle surface_ = nullptr;
    bool own_ = false;
};

// Answers WM_PAINT: `draw` into the paint surface between BeginPaint and EndPaint.
template <typename Draw>
void PaintScreen(WindowHandle window, Draw draw);

template <typename Draw>
void PaintScreen(WindowHandle window, Draw draw) {
    PaintInfo paint;
    SurfaceHandle surface = BeginPaint(window, paint);
    if (surface != nullptr) draw(surface);
    EndPaint(window, paint);
}
