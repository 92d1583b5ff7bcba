// The message loop and timers: input routed to its window, the order in which
// messages are retrieved, sending and dispatching, modal loops, and timers.
#include <algorithm>
#include <cstdint>

#include "platform/internal/window_manager.h"
#include "platform/runtime/app_keys.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/keys.h"
#include "platform/windows/windows.h"

using namespace window_manager;

namespace {

WindowObject* ChildAt(WindowObject* w, Point p) {
    // p is in w's client coordinates; the last created child on top.
    WindowObject* found = nullptr;
    for (WindowObject* c : w->children) {
        if (c->isChild() && c->visible && PointInRect(c->rect, p)) found = c;
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
            target = Live(m.penCapture);
        } else {
            for (auto it = m.zOrder.rbegin(); it != m.zOrder.rend(); ++it) {
                if ((*it)->visible && PointInRect((*it)->rect, Point{e.x, e.y})) {
                    target = ChildAt(*it, Point{e.x - (*it)->rect.left, e.y - (*it)->rect.top});
                    break;
                }
            }
        }
        m.penCapture = e.kind == InputEvent::Kind::PenDown ? HandleOf(target) : nullptr;
        if (target == nullptr || !Reachable(target)) return false;
        Rect screenRect = GetWindowRect(target->handle);
        out = Message{target->handle,
                      e.kind == InputEvent::Kind::PenDown ? WM_LBUTTONDOWN : WM_LBUTTONUP,
                      e.kind == InputEvent::Kind::PenDown ? WParam{1} : WParam{0},
                      PackPoint(e.x - screenRect.left, e.y - screenRect.top)};
        return true;
    }
    WindowHandle target = Live(m.focus) ? m.focus : HandleOf(Live(m.active));
    bool appKey = e.code >= VK_APP1 && e.code <= VK_APP6 && e.kind != InputEvent::Kind::Char;
    if (appKey) target = HandleOf(Live(AppKeyWindow(e.code)));
    if (target == nullptr || !Reachable(Live(target))) return false;
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
    for (const auto& [handle, w] : Manager().windows) {
        if (w->invalid && Shown(w.get()) && (found == nullptr || w->serial < found->serial)) {
            found = w.get();
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
            if (e.kind == InputEvent::Kind::Activate || e.kind == InputEvent::Kind::Deactivate) {
                SetInBackground(e.kind == InputEvent::Kind::Deactivate);
                continue;
            }
            if (RouteInput(e, out) && (m.inputFilter == nullptr || !m.inputFilter(out))) return 1;
        }
        if (WindowObject* w = FirstInvalid()) {
            out = Message{w->handle, WM_PAINT, 0, 0};
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

}  // namespace

// ---- Messages ----

LResult SendMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    WindowObject* w = Live(window);
    if (w == nullptr || w->procedure == nullptr) return 0;
    return w->procedure(window, message, wParam, lParam);
}

void PostQuitMessage(std::int32_t exitCode) {
    Manager().quitPending = true;
    Manager().quitCode = exitCode;
}

std::int32_t GetMessage(Message& message) {
    return NextMessage(message);
}

bool TranslateMessage(const Message& message) {
    if (message.message != WM_KEYDOWN || !Manager().charactersFromKeys) return false;
    auto code = static_cast<std::uint32_t>(message.wParam);
    char16_t c = 0;
    bool shift = IsKeyDown(VK_SHIFT);
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
    WindowHandle owner = w->isChild() ? nullptr : HandleOf(w->parent);
    bool ownerWasEnabled = owner != nullptr && w->parent->enabled;
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
