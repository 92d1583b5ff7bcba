#include "platform/windows.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/app_keys.h"
#include "platform/clock.h"
#include "platform/drawing_internal.h"
#include "platform/event_log.h"
#include "platform/internal/host_interface.h"
#include "platform/internal/input_filter.h"
#include "platform/keys.h"
#include "platform/text.h"

struct WindowObject {
    std::u16string className;
    std::u16string title;
    WindowProcedure procedure = nullptr;
    std::uint32_t classStyle = 0;
    BrushHandle background = nullptr;
    std::uint32_t style = 0;
    Rect rect;  // top-level: screen coordinates; child: the parent's client coordinates
    WindowObject* parent = nullptr;  // child: its parent; top-level: its owner
    bool enabled = true;
    bool visible = false;
    BitmapHandle bitmap = nullptr;  // top-level windows draw into their own bitmap
    bool invalid = false;
    Rect invalidRect;
    bool erase = false;
    std::intptr_t data = 0;
    std::uint64_t serial = 0;  // creation order

    bool isChild() const { return (style & WS_CHILD) != 0; }
    std::int32_t width() const { return rect.right - rect.left; }
    std::int32_t height() const { return rect.bottom - rect.top; }
};

namespace {

struct ClassEntry {
    std::u16string name;
    WindowClass info;
};

struct Timer {
    WindowHandle window;
    std::uintptr_t id;
    std::uint32_t period;
    std::uint32_t due;
};

struct InputEvent {
    enum class Kind { KeyDown, KeyUp, Char, PenDown, PenUp } kind;
    std::uint32_t code = 0;
    bool wasDown = false;
    std::int32_t x = 0, y = 0;
};

struct WindowManager {
    std::vector<ClassEntry> classes;
    std::vector<std::unique_ptr<WindowObject>> objects;  // never freed before a reset
    std::unordered_set<WindowHandle> alive;
    std::vector<WindowHandle> zOrder;  // top-level windows, bottom first
    std::vector<Timer> timers;
    std::deque<InputEvent> input;
    WindowHandle focus = nullptr;
    WindowHandle active = nullptr;
    WindowHandle penCapture = nullptr;
    bool quitPending = false;
    std::int32_t quitCode = 0;
    std::uint64_t nextSerial = 1;
    std::int32_t screenWidth = 240;
    std::int32_t screenHeight = 320;
    Rect workArea{0, 0, 240, 320};
    BitmapHandle screen = nullptr;
    Rect screenDamage{0, 0, 1 << 16, 1 << 16};  // screen area to compose again
    HostDriver* host = nullptr;
    InputFilter inputFilter = nullptr;
};

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

// The client area's top-left in its top-level window's bitmap.
Point OffsetInTopLevel(WindowObject* w) {
    Point p;
    while (w != nullptr && w->isChild()) {
        p.x += w->rect.left;
        p.y += w->rect.top;
        w = w->parent;
    }
    return p;
}

// Whether the window and all its ancestors are visible.
bool Shown(WindowObject* w) {
    for (; w != nullptr; w = w->isChild() ? w->parent : nullptr) {
        if (!w->visible) return false;
    }
    return true;
}

// Whether input may reach the window: it and every ancestor are enabled.
bool Reachable(WindowObject* w) {
    for (; w != nullptr; w = w->isChild() ? w->parent : nullptr) {
        if (!w->enabled) return false;
    }
    return true;
}

// Marks a screen area for composing again; no argument: the whole screen.
void MarkScreenDirty(const Rect& area = Rect{0, 0, 1 << 16, 1 << 16}) {
    Manager().screenDamage = Union(Manager().screenDamage, area);
}

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

void SendActivate(WindowHandle window, std::uint32_t state, WindowHandle other) {
    if (Live(window)) SendMessage(window, WM_ACTIVATE, state, reinterpret_cast<LParam>(other));
}

void Activate(WindowHandle window) {
    WindowManager& m = Manager();
    if (window == m.active) return;
    WindowHandle previous = m.active;
    m.active = window;
    SendActivate(previous, WA_INACTIVE, window);
    SendActivate(window, WA_ACTIVE, previous);
    if (Live(window) && m.active == window) SetFocus(window);
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

bool IsAncestor(WindowObject* ancestor, WindowObject* w) {
    for (; w != nullptr; w = w->parent) {
        if (w == ancestor) return true;
    }
    return false;
}

WindowObject* ChildAt(WindowObject* w, Point p) {
    // p is in w's client coordinates; the last created child on top.
    WindowManager& m = Manager();
    WindowObject* found = nullptr;
    for (const auto& object : m.objects) {
        WindowObject* c = object.get();
        if (Live(c) && c->isChild() && c->parent == w && c->visible && PointInRect(c->rect, p)) {
            found = c;
        }
    }
    if (found == nullptr) return w;
    return ChildAt(found, Point{p.x - found->rect.left, p.y - found->rect.top});
}

LParam PackPoint(std::int32_t x, std::int32_t y) {
    return static_cast<LParam>((static_cast<std::uint32_t>(y) & 0xFFFF) << 16 |
                               (static_cast<std::uint32_t>(x) & 0xFFFF));
}

// Turns the next input event into a message; false when it goes nowhere.
bool RouteInput(const InputEvent& e, Message& out) {
    WindowManager& m = Manager();
    if (e.kind == InputEvent::Kind::PenDown || e.kind == InputEvent::Kind::PenUp) {
        WindowObject* target = nullptr;
        if (e.kind == InputEvent::Kind::PenUp && Live(m.penCapture)) {
            target = m.penCapture;
        } else {
            for (auto it = m.zOrder.rbegin(); it != m.zOrder.rend(); ++it) {
                if ((*it)->visible && PointInRect((*it)->rect, Point{e.x, e.y})) {
                    target = ChildAt(*it, Point{e.x - (*it)->rect.left, e.y - (*it)->rect.top});
                    break;
                }
            }
        }
        m.penCapture = e.kind == InputEvent::Kind::PenDown ? target : nullptr;
        if (target == nullptr || !Reachable(target)) return false;
        Rect screenRect = GetWindowRect(target);
        out = Message{target, e.kind == InputEvent::Kind::PenDown ? WM_LBUTTONDOWN : WM_LBUTTONUP,
                      e.kind == InputEvent::Kind::PenDown ? WParam{1} : WParam{0},
                      PackPoint(e.x - screenRect.left, e.y - screenRect.top)};
        return true;
    }
    WindowHandle target = Live(m.focus) ? m.focus : Live(m.active);
    bool appKey = e.code >= VK_APP1 && e.code <= VK_APP6 && e.kind != InputEvent::Kind::Char;
    if (appKey) target = Live(AppKeyWindow(e.code));
    if (target == nullptr || !Reachable(target)) return false;
    switch (e.kind) {
        case InputEvent::Kind::KeyDown:
            out = Message{target, WM_KEYDOWN, e.code, 1 | (e.wasDown ? KEY_WAS_DOWN : 0)};
            break;
        case InputEvent::Kind::KeyUp:
            out = Message{target, WM_KEYUP, e.code, 1 | KEY_WAS_DOWN | KEY_RELEASED};
            break;
        default:
            out = Message{target, WM_CHAR, e.code, 1};
            break;
    }
    return true;
}

WindowObject* FirstInvalid() {
    WindowObject* found = nullptr;
    for (const auto& object : Manager().objects) {
        WindowObject* w = object.get();
        if (Live(w) && w->invalid && Shown(w) && (found == nullptr || w->serial < found->serial)) {
            found = w;
        }
    }
    return found;
}

// The timer whose due time came first among those due now, or null.
Timer* DueTimer(bool& anyTimer, std::uint32_t& nextDue) {
    WindowManager& m = Manager();
    std::uint32_t now = GetTickCount();
    Timer* due = nullptr;
    std::int64_t mostOverdue = -1;
    anyTimer = false;
    std::int64_t soonest = INT64_MAX;
    for (Timer& t : m.timers) {
        std::int64_t untilDue = static_cast<std::int32_t>(t.due - now);
        if (untilDue <= 0 && -untilDue > mostOverdue) {
            mostOverdue = -untilDue;
            due = &t;
        }
        if (!anyTimer || untilDue < soonest) {
            soonest = untilDue;
            nextDue = t.due;
            anyTimer = true;
        }
    }
    return due;
}

// Retrieves the next message in the layer's order; 1, 0 for WM_QUIT, -1 when the
// host ended the run.
std::int32_t NextMessage(Message& out) {
    WindowManager& m = Manager();
    for (;;) {
        Message posted;
        while (TakePostedMessage(posted)) {
            if (posted.window == nullptr || Live(posted.window)) {
                out = posted;
                return 1;
            }
        }
        if (m.quitPending) {
            m.quitPending = false;
            out = Message{nullptr, WM_QUIT, static_cast<WParam>(m.quitCode), 0};
            return 0;
        }
        while (!m.input.empty()) {
            InputEvent e = m.input.front();
            m.input.pop_front();
            if (RouteInput(e, out) && (m.inputFilter == nullptr || !m.inputFilter(out))) return 1;
        }
        if (WindowObject* w = FirstInvalid()) {
            out = Message{w, WM_PAINT, 0, 0};
            return 1;
        }
        bool anyTimer = false;
        std::uint32_t nextDue = 0;
        if (Timer* t = DueTimer(anyTimer, nextDue)) {
            out = Message{t->window, WM_TIMER, t->id, 0};
            t->due = GetTickCount() + t->period;
            return 1;
        }
        if (m.host == nullptr || !m.host->idle(anyTimer, nextDue)) return -1;
    }
}

void DestroyTree(WindowObject* w);

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

// ---- Messages ----

LResult SendMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    WindowObject* w = Live(window);
    if (w == nullptr || w->procedure == nullptr) return 0;
    return w->procedure(w, message, wParam, lParam);
}

void PostQuitMessage(std::int32_t exitCode) {
    Manager().quitPending = true;
    Manager().quitCode = exitCode;
}

std::int32_t GetMessage(Message& message) {
    return NextMessage(message);
}

bool TranslateMessage(const Message& message) {
    if (message.message != WM_KEYDOWN) return false;
    auto code = static_cast<std::uint32_t>(message.wParam);
    char16_t c = 0;
    bool shift = IsKeyDown(16);
    if (code >= 'A' && code <= 'Z') {
        c = static_cast<char16_t>(shift ? code : code - 'A' + 'a');
    } else if ((code >= '0' && code <= '9') || code == VK_SPACE) {
        c = static_cast<char16_t>(code);
    } else if (code >= VK_NUMPAD0 && code <= VK_NUMPAD0 + 9) {
        c = static_cast<char16_t>('0' + code - VK_NUMPAD0);
    }
    if (c == 0) return false;
    PostMessage(message.window, WM_CHAR, c, message.lParam);
    return true;
}

LResult DispatchMessage(const Message& message) {
    if (message.window == nullptr) return 0;
    return SendMessage(message.window, message.message, message.wParam, message.lParam);
}

void RunModalLoop(WindowHandle modal, const bool& done) {
    WindowObject* w = Live(modal);
    if (w == nullptr) return;
    WindowHandle owner = w->isChild() ? nullptr : Live(w->parent);
    bool ownerWasEnabled = owner != nullptr && owner->enabled;
    if (owner != nullptr) EnableWindow(owner, false);
    Message message;
    while (!done && Live(modal)) {
        std::int32_t got = NextMessage(message);
        if (got == 0) {
            PostQuitMessage(static_cast<std::int32_t>(message.wParam));  // for the outer loop
            break;
        }
        if (got < 0) break;
        TranslateMessage(message);
        DispatchMessage(message);
    }
    if (owner != nullptr && Live(owner)) {
        EnableWindow(owner, ownerWasEnabled);
        if (Manager().active == nullptr || Manager().active == modal || !Live(Manager().active)) {
            Activate(owner);
        }
    }
}

// ---- Timers ----

bool SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t periodMs) {
    WindowManager& m = Manager();
    if (!Live(window)) return false;
    periodMs = std::max<std::uint32_t>(periodMs, 1);
    for (Timer& t : m.timers) {
        if (t.window == window && t.id == id) {
            t.period = periodMs;
            t.due = GetTickCount() + periodMs;
            return true;
        }
    }
    m.timers.push_back(Timer{window, id, periodMs, GetTickCount() + periodMs});
    return true;
}

bool KillTimer(WindowHandle window, std::uintptr_t id) {
    WindowManager& m = Manager();
    auto it = std::find_if(m.timers.begin(), m.timers.end(),
                           [&](const Timer& t) { return t.window == window && t.id == id; });
    if (it == m.timers.end()) return false;
    m.timers.erase(it);
    return true;
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

// ---- Painting ----

bool InvalidateRect(WindowHandle window, const Rect* rect, bool erase) {
    WindowObject* w = Live(window);
    if (w == nullptr) return false;
    Rect client = GetClientRect(w);
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
    if (w->invalid && Shown(w)) SendMessage(w, WM_PAINT, 0, 0);
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
    Rect damage = TakeSurfaceDamage(surface);
    WindowObject* top = TopLevelOf(w);
    if (top == nullptr || IsEmpty(damage)) return;
    MarkScreenDirty(Rect{top->rect.left + damage.left, top->rect.top + damage.top,
                         top->rect.left + damage.right, top->rect.top + damage.bottom});
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
    return ClientSurface(w, GetClientRect(w));
}

bool ReleaseWindowSurface(WindowHandle window, SurfaceHandle surface) {
    if (surface == nullptr) return false;
    if (WindowObject* w = Live(window)) TakeWindowSurfaceDamage(w, surface);
    return DeleteSurface(surface);
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

// ---- Host side ----

void SetHostDriver(HostDriver* host) {
    Manager().host = host;
}

void SetInputFilter(InputFilter filter) {
    Manager().inputFilter = filter;
}

void SetScreenSize(std::int32_t width, std::int32_t height) {
    WindowManager& m = Manager();
    m.screenWidth = width;
    m.screenHeight = height;
    m.workArea = Rect{0, 0, width, height};
    if (m.screen != nullptr) DeleteBitmap(m.screen);
    m.screen = nullptr;
    MarkScreenDirty();
}

void DeliverKey(std::uint32_t code, bool down) {
    bool wasDown = IsKeyDown(code);
    SetKeyDown(code, down);
    Manager().input.push_back(
        InputEvent{down ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp, code, wasDown});
}

void DeliverChar(char16_t code) {
    Manager().input.push_back(InputEvent{InputEvent::Kind::Char, code});
}

void DeliverPen(PenAction action, std::int32_t x, std::int32_t y) {
    Manager().input.push_back(
        InputEvent{action == PenAction::Down ? InputEvent::Kind::PenDown : InputEvent::Kind::PenUp,
                   0, false, x, y});
}

bool InputPending() {
    return !Manager().input.empty();
}

BitmapHandle ComposeScreen(Rect* changedArea) {
    WindowManager& m = Manager();
    Rect screenRect{0, 0, m.screenWidth, m.screenHeight};
    if (m.screen == nullptr) {
        m.screen = CreateBitmap(nullptr, m.screenWidth, m.screenHeight);
        m.screenDamage = screenRect;
    }
    Rect damage = Intersect(m.screenDamage, screenRect);
    m.screenDamage = Rect{};
    if (changedArea != nullptr) *changedArea = damage;
    if (IsEmpty(damage)) return m.screen;
    // Only the damaged area is composed again: the desktop, then each visible
    // top-level window from the bottom up.
    SurfaceHandle target = CreateMemorySurface(nullptr);
    SurfaceHandle source = CreateMemorySurface(nullptr);
    BitmapHandle oldTarget = SelectBitmap(target, m.screen);
    FillRect(target, damage, GetStockBrush(StockBrush::White));
    for (WindowHandle w : m.zOrder) {
        if (!w->visible || w->bitmap == nullptr) continue;
        Rect part = Intersect(w->rect, damage);
        if (IsEmpty(part)) continue;
        SelectBitmap(source, w->bitmap);
        BlockCopy(target, part.left, part.top, part.right - part.left, part.bottom - part.top,
                  source, part.left - w->rect.left, part.top - w->rect.top);
    }
    SelectBitmap(target, oldTarget);
    DeleteSurface(target);
    DeleteSurface(source);
    return m.screen;
}

WindowHandle ProgramMainWindow() {
    WindowHandle found = nullptr;
    for (WindowHandle w : Manager().zOrder) {
        if (w->parent == nullptr && !(w->style & WS_NOACTIVATE) &&
            (found == nullptr || w->serial < found->serial)) {
            found = w;
        }
    }
    return found;
}

void ResetWindowManager() {
    WindowManager& m = Manager();
    for (const auto& object : m.objects) {
        if (object->bitmap != nullptr) DeleteBitmap(object->bitmap);
    }
    if (m.screen != nullptr) DeleteBitmap(m.screen);
    HostDriver* host = m.host;
    InputFilter filter = m.inputFilter;
    m = WindowManager();
    m.host = host;
    m.inputFilter = filter;
    ClearPostedMessages();
}
