// The window tree: window classes, creating and destroying windows, showing,
// enabling and raising them, focus and activation, and placement.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/internal/window_manager.h"
#include "platform/runtime/event_log.h"
#include "platform/text/text.h"
#include "platform/windows/windows.h"

namespace window_manager {

WindowManager& Manager() {
    static WindowManager manager;
    return manager;
}

WindowObject* Live(WindowHandle window) {
    return window != nullptr && Manager().alive.count(window) ? window : nullptr;
}

Rect Intersect(const Rect& a, const Rect& b) {
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.right <= r.left || r.bottom <= r.top) return Rect{};
    return r;
}

bool IsEmpty(const Rect& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

Rect Union(const Rect& a, const Rect& b) {
    if (IsEmpty(a)) return b;
    if (IsEmpty(b)) return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

WindowObject* TopLevelOf(WindowObject* w) {
    while (w != nullptr && w->isChild())
        w = w->parent;
    return w;
}

Point OffsetInTopLevel(WindowObject* w) {
    Point p;
    while (w != nullptr && w->isChild()) {
        p.x += w->rect.left;
        p.y += w->rect.top;
        w = w->parent;
    }
    return p;
}

bool Shown(WindowObject* w) {
    for (; w != nullptr; w = w->isChild() ? w->parent : nullptr) {
        if (!w->visible) return false;
    }
    return true;
}

bool Reachable(WindowObject* w) {
    for (; w != nullptr; w = w->isChild() ? w->parent : nullptr) {
        if (!w->enabled) return false;
    }
    return true;
}

void MarkScreenDirty(const Rect& area) {
    Manager().screenDamage.add(area);
}

bool IsAncestor(WindowObject* ancestor, WindowObject* w) {
    for (; w != nullptr; w = w->parent) {
        if (w == ancestor) return true;
    }
    return false;
}

namespace {

void SendActivate(WindowHandle window, std::uint32_t state, WindowHandle other) {
    if (Live(window)) SendMessage(window, WM_ACTIVATE, state, reinterpret_cast<LParam>(other));
}

}  // namespace

void Activate(WindowHandle window) {
    WindowManager& m = Manager();
    if (window == m.active) return;
    WindowHandle previous = m.active;
    m.active = window;
    SendActivate(previous, WA_INACTIVE, window);
    SendActivate(window, WA_ACTIVE, previous);
    if (Live(window) && m.active == window) SetFocus(window);
}

}  // namespace window_manager

using namespace window_manager;

namespace {

void ResizeBitmap(WindowObject* w) {
    if (w->isChild()) return;
    BitmapHandle old = w->bitmap;
    w->bitmap = CreateBitmap(nullptr, std::max(w->width(), 1), std::max(w->height(), 1));
    if (old != nullptr) {
        SurfaceHandle from = CreateMemorySurface(nullptr);
        SurfaceHandle to = CreateMemorySurface(nullptr);
        BitmapHandle oldFrom = SelectBitmap(from, old);
        BitmapHandle oldTo = SelectBitmap(to, w->bitmap);
        BlockCopy(to, 0, 0, w->width(), w->height(), from, 0, 0);
        SelectBitmap(from, oldFrom);
        SelectBitmap(to, oldTo);
        DeleteSurface(from);
        DeleteSurface(to);
        DeleteBitmap(old);
    }
}

// After the active window went away: the topmost remaining activatable window.
void ActivateNext(WindowHandle preferred) {
    WindowManager& m = Manager();
    WindowHandle next = nullptr;
    if (Live(preferred) && preferred->visible && !(preferred->style & WS_NOACTIVATE)) {
        next = preferred;
    } else {
        for (auto it = m.zOrder.rbegin(); it != m.zOrder.rend(); ++it) {
            if ((*it)->visible && !((*it)->style & WS_NOACTIVATE)) {
                next = *it;
                break;
            }
        }
    }
    m.active = nullptr;
    if (next != nullptr) Activate(next);
}

}  // namespace

namespace window_manager {

void SetInBackground(bool background) {
    WindowManager& m = Manager();
    if (background == m.inBackground) return;
    m.inBackground = background;
    if (background) {
        // As when another program comes to the front: the active window is told
        // it lost activation, and the focus leaves it.
        WindowHandle previous = Live(m.active);
        m.activeBeforeBackground = previous;
        m.active = nullptr;
        SendActivate(previous, WA_INACTIVE, nullptr);
        SetFocus(nullptr);
        return;
    }
    // Back to the front: the window that was active is again (or, when the
    // program has activated another meanwhile, that one).
    WindowHandle back = Live(m.active) != nullptr ? m.active : m.activeBeforeBackground;
    m.activeBeforeBackground = nullptr;
    ActivateNext(back);
}

}  // namespace window_manager

namespace {

void DestroyTree(WindowObject* w) {
    WindowManager& m = Manager();
    if (!Live(w)) return;
    SendMessage(w, WM_DESTROY, 0, 0);
    LogEvent("window destroyed " + Utf16ToUtf8(w->className) + " \"" + Utf16ToUtf8(w->title) +
             "\"");
    // Children and owned windows go with it.
    for (std::size_t i = 0; i < m.objects.size(); ++i) {
        WindowObject* other = m.objects[i].get();
        if (Live(other) && other->parent == w) DestroyTree(other);
    }
    m.alive.erase(w);
    m.zOrder.erase(std::remove(m.zOrder.begin(), m.zOrder.end(), w), m.zOrder.end());
    m.timers.erase(std::remove_if(m.timers.begin(), m.timers.end(),
                                  [w](const Timer& t) { return t.window == w; }),
                   m.timers.end());
    if (w->bitmap != nullptr) {
        DeleteBitmap(w->bitmap);
        w->bitmap = nullptr;
    }
    if (m.penCapture == w) m.penCapture = nullptr;
}

}  // namespace

// ---- Classes and windows ----

std::uint16_t RegisterWindowClass(const WindowClass& windowClass) {
    WindowManager& m = Manager();
    if (windowClass.name == nullptr || windowClass.procedure == nullptr) return 0;
    std::u16string name(windowClass.name);
    for (const ClassEntry& c : m.classes) {
        if (c.name == name) return 0;
    }
    m.classes.push_back(ClassEntry{name, windowClass});
    return static_cast<std::uint16_t>(0xC000 + m.classes.size());
}

WindowHandle CreateWindow(const char16_t* className, const char16_t* title, std::uint32_t style,
                          std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                          WindowHandle parent, ModuleHandle /*instance*/, void* param) {
    WindowManager& m = Manager();
    if (className == nullptr) return nullptr;
    const ClassEntry* entry = nullptr;
    for (const ClassEntry& c : m.classes) {
        if (c.name == className) entry = &c;
    }
    if (entry == nullptr) return nullptr;
    if ((style & WS_CHILD) && !Live(parent)) return nullptr;

    auto object = std::make_unique<WindowObject>();
    WindowObject* w = object.get();
    w->className = className;
    w->title = title != nullptr ? title : u"";
    w->procedure = entry->info.procedure;
    w->classStyle = entry->info.style;
    w->background = entry->info.background;
    w->style = style;
    w->parent = Live(parent);
    w->enabled = !(style & WS_DISABLED);
    w->serial = m.nextSerial++;
    Rect area = (style & WS_CHILD) ? Rect{} : m.workArea;
    if (x == USE_DEFAULT) {
        x = area.left;
        y = area.top;
    }
    if (width == USE_DEFAULT) {
        width = area.right - area.left;
        height = area.bottom - area.top;
    }
    w->rect = Rect{x, y, x + std::max(width, 0), y + std::max(height, 0)};
    m.objects.push_back(std::move(object));
    m.alive.insert(w);
    if (!w->isChild()) {
        m.zOrder.push_back(w);
        ResizeBitmap(w);
    }

    CreateParams params{param, parent, className, title, style};
    if (SendMessage(w, WM_CREATE, 0, reinterpret_cast<LParam>(&params)) == -1) {
        DestroyWindow(w);
        return nullptr;
    }
    if (!Live(w)) return nullptr;
    LogEvent("window created " + Utf16ToUtf8(w->className) + " \"" + Utf16ToUtf8(w->title) + "\"");
    if (style & WS_VISIBLE) ShowWindow(w, SW_SHOW);
    return w;
}

bool DestroyWindow(WindowHandle window) {
    WindowManager& m = Manager();
    WindowObject* w = Live(window);
    if (w == nullptr) return false;
    bool hadFocus = Live(m.focus) && IsAncestor(w, m.focus);
    bool wasActive = m.active == w || (Live(m.active) && IsAncestor(w, m.active));
    WindowObject* owner = w->isChild() ? nullptr : w->parent;
    DestroyTree(w);
    if (hadFocus) m.focus = nullptr;
    if (wasActive) ActivateNext(owner);
    if (!w->isChild()) MarkScreenDirty();
    // Windows below show again where it was.
    for (WindowHandle below : m.zOrder)
        InvalidateRect(below, nullptr, true);
    return true;
}

bool IsWindow(WindowHandle window) {
    return Live(window) != nullptr;
}

WindowHandle FindWindow(const char16_t* className, const char16_t* title) {
    for (WindowHandle w : Manager().zOrder) {
        if ((className == nullptr || w->className == className) &&
            (title == nullptr || w->title == title)) {
            return w;
        }
    }
    return nullptr;
}

bool BringWindowToFront(WindowHandle window) {
    WindowManager& m = Manager();
    WindowObject* w = TopLevelOf(Live(window));
    if (w == nullptr) return false;
    // The windows it owns (its soft-key bar, its dialogs and theirs) come along and
    // stay above it, in their order: raised alone, it would cover them.
    std::vector<WindowHandle> raised;
    std::vector<WindowHandle> rest;
    for (WindowHandle other : m.zOrder)
        (IsAncestor(w, other) ? raised : rest).push_back(other);
    rest.insert(rest.end(), raised.begin(), raised.end());
    m.zOrder = std::move(rest);
    ShowWindow(w, SW_SHOW);
    // The topmost of them that takes input is activated: a modal dialog rather
    // than the owner it has disabled.
    WindowObject* target = nullptr;
    for (auto it = m.zOrder.rbegin(); it != m.zOrder.rend() && target == nullptr; ++it) {
        WindowObject* candidate = *it;
        if (IsAncestor(w, candidate) && candidate->visible && candidate->enabled &&
            !(candidate->style & WS_NOACTIVATE)) {
            target = candidate;
        }
    }
    if (target != nullptr) Activate(target);
    MarkScreenDirty();
    return true;
}

bool ShowWindow(WindowHandle window, std::int32_t showState) {
    WindowManager& m = Manager();
    WindowObject* w = Live(window);
    if (w == nullptr) return false;
    bool wasVisible = w->visible;
    bool show = showState != SW_HIDE;
    w->visible = show;
    if (show)
        w->style |= WS_VISIBLE;
    else
        w->style &= ~WS_VISIBLE;
    if (show && !wasVisible) {
        InvalidateRect(w, nullptr, true);
        if (!w->isChild() && !(w->style & WS_NOACTIVATE)) Activate(w);
    } else if (!show && wasVisible) {
        if (m.active == w) ActivateNext(w->parent);
        for (WindowHandle other : m.zOrder)
            InvalidateRect(other, nullptr, true);
    }
    MarkScreenDirty();
    return wasVisible;
}

bool EnableWindow(WindowHandle window, bool enable) {
    WindowObject* w = Live(window);
    if (w == nullptr) return false;
    bool wasDisabled = !w->enabled;
    w->enabled = enable;
    if (enable)
        w->style &= ~WS_DISABLED;
    else
        w->style |= WS_DISABLED;
    return wasDisabled;
}

bool IsWindowEnabled(WindowHandle window) {
    WindowObject* w = Live(window);
    return w != nullptr && w->enabled;
}

bool IsWindowVisible(WindowHandle window) {
    return Shown(Live(window));
}

WindowHandle GetParent(WindowHandle window) {
    WindowObject* w = Live(window);
    return w != nullptr ? Live(w->parent) : nullptr;
}

std::intptr_t GetWindowData(WindowHandle window) {
    WindowObject* w = Live(window);
    return w != nullptr ? w->data : 0;
}

void SetWindowData(WindowHandle window, std::intptr_t data) {
    if (WindowObject* w = Live(window)) w->data = data;
}

LResult DefaultWindowProcedure(WindowHandle window, std::uint32_t message, WParam, LParam) {
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_PAINT: {
            PaintInfo paint;
            BeginPaint(window, paint);
            EndPaint(window, paint);
            return 0;
        }
        default:
            return 0;
    }
}

// ---- Focus and activation ----

WindowHandle SetFocus(WindowHandle window) {
    WindowManager& m = Manager();
    WindowHandle previous = Live(m.focus);
    WindowObject* w = Live(window);
    if (w != nullptr && (w->style & WS_NOACTIVATE)) return previous;
    if (w == previous) return previous;
    m.focus = w;
    if (previous != nullptr) SendMessage(previous, WM_KILLFOCUS, reinterpret_cast<WParam>(w), 0);
    if (w != nullptr && m.focus == w) {
        SendMessage(w, WM_SETFOCUS, reinterpret_cast<WParam>(previous), 0);
    }
    return previous;
}

WindowHandle GetFocus() {
    return Live(Manager().focus);
}

WindowHandle GetActiveWindow() {
    return Live(Manager().active);
}

// ---- Placement ----

bool MoveWindow(WindowHandle window, std::int32_t x, std::int32_t y, std::int32_t width,
                std::int32_t height, bool repaint) {
    WindowObject* w = Live(window);
    if (w == nullptr) return false;
    bool resized = width != w->width() || height != w->height();
    w->rect = Rect{x, y, x + std::max(width, 0), y + std::max(height, 0)};
    if (resized) ResizeBitmap(w);
    if (repaint || (resized && (w->classStyle & (CS_HREDRAW | CS_VREDRAW)))) {
        InvalidateRect(w, nullptr, true);
    }
    for (WindowHandle other : Manager().zOrder) {
        if (other != w) InvalidateRect(other, nullptr, true);
    }
    MarkScreenDirty();
    return true;
}

Rect GetWindowRect(WindowHandle window) {
    WindowObject* w = Live(window);
    if (w == nullptr) return Rect{};
    Rect r = w->rect;
    for (WindowObject* p = w; p->isChild() && p->parent != nullptr; p = p->parent) {
        r.left += p->parent->rect.left;
        r.right += p->parent->rect.left;
        r.top += p->parent->rect.top;
        r.bottom += p->parent->rect.top;
    }
    return r;
}

Rect GetClientRect(WindowHandle window) {
    WindowObject* w = Live(window);
    return w != nullptr ? Rect{0, 0, w->width(), w->height()} : Rect{};
}

std::int32_t GetScreenWidth() {
    return Manager().screenWidth;
}
std::int32_t GetScreenHeight() {
    return Manager().screenHeight;
}
Rect GetWorkArea() {
    return Manager().workArea;
}
void SetWorkArea(const Rect& area) {
    Manager().workArea = area;
}
