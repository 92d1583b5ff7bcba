// The soft-key menu bars' state and the parts their sources share: the bar
// windows (menu_bar_window.cpp), popup layout and painting (menu_bar_popup.cpp),
// opening, moving in and closing popups (menu_bar_navigation.cpp), and the input
// filter (menu_bar_input.cpp). Not for game code.
//
// Only the topmost visible bar (the most recently created of the visible ones)
// takes the soft keys; a bar whose owner is disabled takes none. A popup menu is
// a stack of popup windows, one per open level, driven by the input filter; no
// nested message loop runs while it is open.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/internal/phone_shell_internal.h"
#include "platform/runtime/messages.h"
#include "platform/windows/windows.h"

namespace menu_bar {

struct Bar {
    WindowHandle window = nullptr;
    WindowHandle owner = nullptr;
    std::uint64_t serial = 0;
    std::vector<SoftKey> keys;
    std::int32_t keyHeld = -1;                         // button held down by its soft key
    std::int32_t penHeld = -1;                         // button held down by the stylus
    std::map<std::uint32_t, std::uint32_t> overrides;  // key code -> SHMBOF_ flags
};

// One open level of a popup menu: its window, the highlighted item and, when
// the items do not all fit, the first one shown.
struct Level {
    MenuObject* menu = nullptr;
    WindowHandle window = nullptr;
    std::int32_t highlight = -1;
    std::int32_t first = 0;
    bool scrolls = false;
};

struct OpenMenu {
    Bar* bar = nullptr;
    std::int32_t key = -1;
    std::vector<Level> levels;
};

struct MenuBars {
    std::vector<std::unique_ptr<Bar>> bars;
    OpenMenu menu;
    std::uint64_t nextSerial = 1;
    std::uint32_t swallowKey = 0;  // a key that closed the menu: its repeats and release
    bool swallowPenUp = false;     // a tap that closed the menu: its release
};

MenuBars& State();

// ---- The bars (menu_bar_window.cpp) ----

bool Alive(const Bar* bar);
// The bar behind a window of ours, or null.
Bar* BarOf(WindowHandle window);
bool Usable(const SoftKey& key);
// Forgets bars whose windows went away without being destroyed (a reset of the
// window manager), and a menu that belonged to one.
void Prune();
Bar* TopBar();
// Whether the handle is a menu of a live bar (a stale handle is refused).
bool KnownMenu(const MenuObject* menu);
MenuItem* FindCommand(MenuObject* menu, std::uint32_t command);
bool Selectable(const MenuItem& item);

// ---- Popup layout and painting (menu_bar_popup.cpp) ----

struct PopupMetrics {
    std::int32_t itemHeight;
    std::int32_t separatorHeight;
    std::int32_t frame;  // border and inner margin
    std::int32_t checkWidth;
    std::int32_t arrowWidth;
    std::int32_t scrollHeight;
};
PopupMetrics Metrics();
// The rectangles of the items shown (client coordinates), by item index.
std::vector<std::pair<std::int32_t, Rect>> ItemRects(const Level& level);
void EnsureVisible(Level& level);
// The size a popup needs for its items, limited to `maxWidth` x `maxHeight`.
Rect PopupSize(const MenuObject& menu, std::int32_t maxWidth, std::int32_t maxHeight,
               bool& scrolls);
void PaintPopup(WindowHandle window);

// ---- Navigation (menu_bar_navigation.cpp) ----

void InvalidateBar(Bar* bar);
void CloseLevel();
void CloseMenu();
void OpenMenuOf(Bar* bar, std::int32_t key);
// A key while the menu is open; every key goes to it.
void MenuKey(std::uint32_t code, bool repeat);
// A stylus message to a popup level.
void MenuPen(std::size_t levelIndex, const Message& m);

// ---- Input (menu_bar_input.cpp) ----

void PressButton(Bar* bar, std::int32_t index);
// After a button changed: drops a hold or an open menu it no longer allows.
void ButtonsChanged(Bar* bar);
bool MenuBarInputFilter(Message& m);

}  // namespace menu_bar
