// Painting: invalid regions, WM_PAINT's surfaces, and window surfaces that draw
// into the top-level window's bitmap and mark what they drew for composing.
#include "platform/internal/drawing_internal.h"
#include "platform/internal/window_manager.h"
#include "platform/windows/windows.h"

using namespace window_manager;

bool InvalidateRect(WindowHandle window, const Rect* rect, bool erase) {
    WindowObject* w = Live(window);
    if (w == nullptr) return false;
    Rect client = GetClientRect(window);
    Rect area = rect != nullptr ? Intersect(*rect, client) : client;
    if (IsEmpty(area)) return true;
    w->invalidRect = w->invalid ? Union(w->invalidRect, area) : area;
    w->invalid = true;
    w->erase = w->erase || erase;
    return true;
}

bool UpdateWindow(WindowHandle window) {
    WindowObject* w = Live(window);
    if (w == nullptr) return false;
    if (w->invalid && Shown(w)) SendMessage(window, WM_PAINT, 0, 0);
    return true;
}

namespace {

// A surface over the window's client area within its top-level bitmap, limited
// to `area` (client coordinates) and to the ancestors' client areas.
SurfaceHandle ClientSurface(WindowObject* w, const Rect& area) {
    WindowObject* top = TopLevelOf(w);
    if (top == nullptr || top->bitmap == nullptr) return nullptr;
    Point origin = OffsetInTopLevel(w);
    Rect bounds{origin.x + area.left, origin.y + area.top, origin.x + area.right,
                origin.y + area.bottom};
    for (WindowObject* a = w; a != nullptr && a->isChild(); a = a->parent) {
        Point o = OffsetInTopLevel(a);
        bounds = Intersect(bounds, Rect{o.x, o.y, o.x + a->width(), o.y + a->height()});
    }
    return CreateViewSurface(top->bitmap, origin, bounds);
}

// Marks what was drawn through a window's surface for composing the screen again.
void TakeWindowSurfaceDamage(WindowObject* w, SurfaceHandle surface) {
    const Bands damage = TakeSurfaceDamage(surface);
    WindowObject* top = TopLevelOf(w);
    if (top == nullptr) return;
    for (const Rect& d : damage) {
        MarkScreenDirty(Rect{top->rect.left + d.left, top->rect.top + d.top,
                             top->rect.left + d.right, top->rect.top + d.bottom});
    }
}

}  // namespace

SurfaceHandle BeginPaint(WindowHandle window, PaintInfo& paint) {
    paint = PaintInfo{};
    WindowObject* w = Live(window);
    if (w == nullptr) return nullptr;
    paint.paintRect = w->invalid ? w->invalidRect : Rect{};
    paint.erase = w->erase;
    w->invalid = false;
    w->erase = false;
    paint.surface = ClientSurface(w, paint.paintRect);
    if (paint.erase && w->background != nullptr && paint.surface != nullptr) {
        FillRect(paint.surface, paint.paintRect, w->background);
    }
    return paint.surface;
}

bool EndPaint(WindowHandle window, const PaintInfo& paint) {
    if (paint.surface == nullptr) return false;
    if (WindowObject* w = Live(window)) TakeWindowSurfaceDamage(w, paint.surface);
    DeleteSurface(paint.surface);
    return true;
}

SurfaceHandle GetWindowSurface(WindowHandle window) {
    WindowObject* w = Live(window);
    if (w == nullptr) return nullptr;
    return ClientSurface(w, GetClientRect(window));
}

bool ReleaseWindowSurface(WindowHandle window, SurfaceHandle surface) {
    if (surface == nullptr) return false;
    if (WindowObject* w = Live(window)) TakeWindowSurfaceDamage(w, surface);
    return DeleteSurface(surface);
}
