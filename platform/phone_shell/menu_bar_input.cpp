// The phone shell's input filter for the soft-key bars: the soft keys, an open
// popup menu, the stylus on a bar, and keys a bar's owner has overridden.
#include <string>

#include "platform/internal/menu_bar.h"
#include "platform/internal/phone_shell_internal.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/runtime/event_log.h"
#include "platform/runtime/keys.h"
#include "platform/text/text.h"
#include "platform/windows/windows.h"

namespace {

using namespace menu_bar;

bool FilterKey(Message& m) {
    MenuBars& s = State();
    auto code = static_cast<std::uint32_t>(m.wParam);
    bool down = m.message == WM_KEYDOWN;
    bool up = m.message == WM_KEYUP;
    bool repeat = down && (m.lParam & KEY_WAS_DOWN) != 0;
    if (s.swallowKey != 0 && code == s.swallowKey && m.message != WM_CHAR) {
        if (up) s.swallowKey = 0;
        if (up || repeat) return true;
        s.swallowKey = 0;
    }
    if (up && (code == VK_F1 || code == VK_F2)) {
        for (const auto& bar : s.bars) {
            if (bar->keyHeld == (code == VK_F1 ? 0 : 1)) {
                bar->keyHeld = -1;
                InvalidateBar(bar.get());
            }
        }
    }
    if (s.menu.bar != nullptr) {
        if (down) MenuKey(code, repeat);
        return true;
    }
    Bar* top = TopBar();
    if (top == nullptr || !IsWindowEnabled(top->owner) || m.message == WM_CHAR) return false;
    auto found = top->overrides.find(code);
    std::uint32_t flags = found != top->overrides.end() ? found->second : 0;
    if ((flags & SHMBOF_NOTIFY) && down) {
        PostMessage(top->owner, WM_HOTKEY, 0, static_cast<LParam>(code) << 16);
    }
    if (flags & SHMBOF_NODEFAULT) return true;
    if (code != VK_F1 && code != VK_F2) return false;
    if (down && !repeat) {
        std::int32_t index = code == VK_F1 ? 0 : 1;
        if (index < static_cast<std::int32_t>(top->keys.size()) &&
            Usable(top->keys[static_cast<std::size_t>(index)])) {
            top->keyHeld = index;
            InvalidateBar(top);
            PressButton(top, index);
        }
    }
    return true;
}

bool FilterPen(Message& m) {
    MenuBars& s = State();
    bool down = m.message == WM_LBUTTONDOWN;
    if (!down && s.swallowPenUp) {
        s.swallowPenUp = false;
        return true;
    }
    if (s.menu.bar != nullptr) {
        for (std::size_t i = 0; i < s.menu.levels.size(); ++i) {
            if (s.menu.levels[i].window == m.window) {
                MenuPen(i, m);
                return true;
            }
        }
        // Anywhere else, a tap closes the menu and goes no further.
        if (down) {
            CloseMenu();
            s.swallowPenUp = true;
        }
        return true;
    }
    Bar* bar = BarOf(m.window);
    if (bar == nullptr) return false;
    std::int32_t x = static_cast<std::int16_t>(LowWord(static_cast<std::uintptr_t>(m.lParam)));
    std::int32_t index = x < GetClientRect(bar->window).right / 2 ? 0 : 1;
    bool usable = index < static_cast<std::int32_t>(bar->keys.size()) &&
                  Usable(bar->keys[static_cast<std::size_t>(index)]) && IsWindowEnabled(bar->owner);
    if (down) {
        bar->penHeld = usable ? index : -1;
        InvalidateBar(bar);
    } else if (bar->penHeld >= 0) {
        bool same = bar->penHeld == index;
        bar->penHeld = -1;
        InvalidateBar(bar);
        if (same && usable) PressButton(bar, index);
    }
    return true;
}

}  // namespace

namespace menu_bar {

void PressButton(Bar* bar, std::int32_t index) {
    if (index < 0 || index >= static_cast<std::int32_t>(bar->keys.size())) return;
    SoftKey& key = bar->keys[static_cast<std::size_t>(index)];
    if (!Usable(key)) return;
    if (key.menu != nullptr) {
        OpenMenuOf(bar, index);
        return;
    }
    LogEvent("softkey command " + std::to_string(key.command) + " \"" + Utf16ToUtf8(key.label) +
             "\"");
    PostMessage(bar->owner, WM_COMMAND, key.command, 0);
}

// After a button changed: drops a hold or an open menu it no longer allows.
void ButtonsChanged(Bar* bar) {
    MenuBars& s = State();
    auto unusable = [bar](std::int32_t i) {
        return i >= 0 && !Usable(bar->keys[static_cast<std::size_t>(i)]);
    };
    if (unusable(bar->keyHeld)) bar->keyHeld = -1;
    if (unusable(bar->penHeld)) bar->penHeld = -1;
    if (s.menu.bar == bar && unusable(s.menu.key)) CloseMenu();
    InvalidateBar(bar);
}

bool MenuBarInputFilter(Message& m) {
    Prune();
    // A menu whose bar was hidden (a dialog came up) or emptied goes away.
    OpenMenu& menu = State().menu;
    if (menu.bar != nullptr && (!IsWindowVisible(menu.bar->window) || menu.levels.empty())) {
        CloseMenu();
    }
    switch (m.message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CHAR:
            return FilterKey(m);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            return FilterPen(m);
        default:
            return false;
    }
}

}  // namespace menu_bar
