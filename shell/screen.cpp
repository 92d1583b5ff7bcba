#include "shell/screen.h"

ScreenSurface::ScreenSurface(WindowHandle window, SurfaceHandle given)
    : window_(window), surface_(given) {
    if (surface_ == nullptr && window_ != nullptr) {
        surface_ = GetWindowSurface(window_);
        own_ = surface_ != nullptr;
    }
}

ScreenSurface::~ScreenSurface() {
    if (own_) ReleaseWindowSurface(window_, surface_);
}
