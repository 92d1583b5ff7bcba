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
    if (window == nullptr) return nullptr;
    auto found = Manager().windows.find(window);
    return found == Manager().windows.end() ? nullptr : found->second.get();
}

WindowHandle HandleOf(const WindowObject* w) {
    return w != nullptr ? w->handle : nullptr;
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
        {
            ScopedSurface from(nullptr, old);
            ScopedSurface to(nullptr, w->bitmap);
            BlockCopy(to.get(), 0, 0, w->width(), w->height(), from.get(), 0, 0);
        }
        DeleteBitmap(old);
    }
}

// After the active window went away: the topmost remaining activatable window.
void ActivateNext(WindowHandle preferred) {
    WindowManager& m = Manager();
    WindowHandle next = nullptr;
    WindowObject* p = Live(preferred);
    if (p != nullptr && p->visible && !(p->style & WS_NOACTIVATE)) {
        next = preferred;
    } else {
        for (auto it = m.zOrder.rbegin(); it != m.zOrder.rend(); ++it) {
            if ((*it)->visible && !((*it)->style & WS_NOACTIVATE)) {
                next = (*it)->handle;
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
        WindowHandle previous = HandleOf(Live(m.active));
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

// Sends WM_DESTROY to the window, then destroys its children and owned windows,
// and unlinks it; it is freed when the outermost DestroyWindow returns.
void DestroyTree(WindowObject* w) {
    WindowManager& m = Manager();
    if (w->destroying) return;
    w->destroying = true;
    const WindowHandle handle = w->handle;
    SendMessage(handle, WM_DESTROY, 0, 0);
    LogEvent("window destroyed " + Utf16ToUtf8(w->className) + " \"" + Utf16ToUtf8(w->title) +
             "\"");
    // Children and owned windows go with it, in the order they were made (the
    // list changes as they go; one already being destroyed finishes by itself).
    for (;;) {
        auto next = std::find_if(w->children.begin(), w->children.end(),
                                 [](const WindowObject* c) { return !c->destroying; });
        if (next == w->children.end()) break;
        DestroyTree(*next);
    }
    if (w->parent != nullptr) {
        std::vector<WindowObject*>& siblings = w->parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
    }
    m.zOrder.erase(std::remove(m.zOrder.begin(), m.zOrder.end(), w), m.zOrder.end());
    m.timers.erase(std::remove_if(m.timers.begin(), m.timers.end(),
                                  [handle](const Timer& t) { return t.window == handle; }),
                   m.timers.end());
    if (w->bitmap != nullptr) {
        DeleteBitmap(w->bitmap);
        w->bitmap = nullptr;
    }
    if (m.penCapture == handle) m.penCapture = nullptr;
    auto found = m.windows.find(handle);
    m.destroyed.push_back(std::move(found->second));
    m.windows.erase(found);
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
    // Handles are numbers, never given twice: past the last one no window is made.
    if (m.nextSerial > UINTPTR_MAX) return nullptr;

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
    w->handle = reinterpret_cast<WindowHandle>(static_cast<std::uintptr_t>(w->serial));
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
    const WindowHandle handle = w->handle;
    m.windows.emplace(handle, std::move(object));
    if (w->parent != nullptr) w->parent->children.push_back(w);
    if (!w->isChild()) {
        m.zOrder.push_back(w);
        ResizeBitmap(w);
    }

    CreateParams params{param, parent, className, title, style};
    if (SendMessage(handle, WM_CREATE, 0, reinterpret_cast<LParam>(&params)) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    w = Live(handle);  // the window may have been destroyed while it was created
    if (w == nullptr) return nullptr;
    LogEvent("window created " + Utf16ToUtf8(w->className) + " \"" + Utf16ToUtf8(w->title) + "\"");
    if (style & WS_VISIBLE) ShowWindow(handle, SW_SHOW);
    return handle;
}

bool DestroyWindow(WindowHandle window) {
    WindowManager& m = Manager();
    WindowObject* w = Live(window);
    if (w == nullptr || w->destroying) return false;
    bool hadFocus = IsAncestor(w, Live(m.focus));
    bool wasActive = IsAncestor(w, Live(m.active));
    WindowHandle owner = w->isChild() ? nullptr : HandleOf(w->parent);
    bool child = w->isChild();
    ++m.destroyDepth;
    DestroyTree(w);
    if (hadFocus) m.focus = nullptr;
    if (wasActive) ActivateNext(owner);
    if (!child) MarkScreenDirty();
    // Windows below show again where it was.
    for (WindowObject* below : m.zOrder)
        InvalidateRect(below->handle, nullptr, true);
    if (--m.destroyDepth == 0) m.destroyed.clear();
    return true;
}

bool IsWindow(WindowHandle window) {
    return Live(window) != nullptr;
}

WindowHandle FindWindow(const char16_t* className, const char16_t* title) {
    for (WindowObject* w : Manager().zOrder) {
        if ((className == nullptr || w->className == className) &&
            (title == nullptr || w->title == title)) {
            return w->handle;
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
    std::vector<WindowObject*> raised;
    std::vector<WindowObject*> rest;
    for (WindowObject* other : m.zOrder)
        (IsAncestor(w, other) ? raised : rest).push_back(other);
    rest.insert(rest.end(), raised.begin(), raised.end());
    m.zOrder = std::move(rest);
    const WindowHandle handle = w->handle;
    ShowWindow(handle, SW_SHOW);
    w = Live(handle);  // activation may have destroyed it
    if (w == nullptr) return true;
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
    if (target != nullptr) Activate(target->handle);
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
        InvalidateRect(window, nullptr, true);
        if (!w->isChild() && !(w->style & WS_NOACTIVATE)) Activate(window);
    } else if (!show && wasVisible) {
        if (m.active == window) ActivateNext(HandleOf(w->parent));
        for (WindowObject* other : m.zOrder)
            InvalidateRect(other->handle, nullptr, true);
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
    return w != nullptr ? HandleOf(w->parent) : nullptr;
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
    WindowHandle previous = HandleOf(Live(m.focus));
    WindowObject* w = Live(window);
    if (w != nullptr && (w->style & WS_NOACTIVATE)) return previous;
    WindowHandle next = HandleOf(w);
    if (next == previous) return previous;
    m.focus = next;
    if (previous != nullptr) {
        SendMessage(previous, WM_KILLFOCUS, reinterpret_cast<WParam>(next), 0);
    }
    if (next != nullptr && m.focus == next) {
        SendMessage(next, WM_SETFOCUS, reinterpret_cast<WParam>(previous), 0);
    }
    return previous;
}

WindowHandle GetFocus() {
    return HandleOf(Live(Manager().focus));
}

WindowHandle GetActiveWindow() {
    return HandleOf(Live(Manager().active));
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
        InvalidateRect(window, nullptr, true);
    }
    for (WindowObject* other : Manager().zOrder) {
        if (other != w) InvalidateRect(other->handle, nullptr, true);
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
