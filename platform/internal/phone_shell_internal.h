// Layer-internal parts of the phone shell: soft-key bars built from MENUBAR text
// held in memory (message boxes use them for their soft keys), scripted menu
// choices, and what the phone shell's own sources share. Not for game code.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drawing/drawing.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/runtime/types.h"

// Creates the soft-key bar of `parent` from MENUBAR text (UTF-8, NUL-terminated,
// the format of phone_shell/menu_bar_format.md), as CreateMenuBar does from a
// resource: it replaces the parent's bar, and fails, creating nothing, when the
// text is malformed. On success `bar` holds the bar's window.
bool CreateMenuBarFromText(WindowHandle parent, const char* text, WindowHandle& bar);

// Chooses a command of the topmost visible soft-key bar as a user would: a
// button's command is sent as its soft key sends it; a menu item's after the
// owner has heard WM_INITMENUPOPUP for each menu level on the way to it. A
// greyed item is refused. For scripted runs; logged like a real choice.
enum class MenuChoice { Chosen, Grayed, NotFound };
MenuChoice ChooseMenuCommand(std::uint32_t command);

// The popup menu of soft key `index` (0 left, 1 right) of a bar, or null: what
// its owner is handed in WM_INITMENUPOPUP. For tests.
MenuHandle SoftKeyMenu(WindowHandle bar, std::int32_t index);

// Where the task bar's clock takes the time of day from, in milliseconds since
// midnight. Null (at start): the layer's clock, reading 12:00 at clock 0, so
// that headless runs and replays draw the same.
void SetTimeOfDaySource(std::uint32_t (*msSinceMidnight)());

// ---- Shared by the phone shell's sources ----

// A popup menu: items, separators and submenus.
struct MenuItem {
    enum class Kind : std::uint8_t { Command, Separator, Submenu };
    Kind kind = Kind::Command;
    std::uint32_t command = 0;
    std::u16string text;
    bool checked = false;
    bool grayed = false;
    std::unique_ptr<MenuObject> submenu;  // Kind::Submenu only
};

struct MenuObject {
    std::vector<MenuItem> items;
};

// Submenus nest at most this deep below a soft key's popup.
constexpr std::int32_t MAX_MENU_DEPTH = 8;

// One soft key of a bar, as read from the text and as changed by the toolbar
// messages since.
struct SoftKey {
    std::uint32_t command = 0;
    std::u16string label;
    std::unique_ptr<MenuObject> menu;  // null for a plain button
    std::uint8_t state = TBSTATE_ENABLED;
};

// Reads MENUBAR text (phone_shell/menu_bar_format.md) into one or two soft keys;
// false (and `keys` empty) when the text is malformed.
bool ParseMenuBarText(std::string_view text, std::vector<SoftKey>& keys);

// Repaints every soft-key bar (the input-panel marker changed).
void RedrawMenuBars();

// The phone shell's look: colours and fonts sized to the strip height.
constexpr Colour PHONE_SHELL_BAR_COLOUR = Rgb(28, 33, 43);
constexpr Colour PHONE_SHELL_BAR_EDGE = Rgb(70, 80, 98);
constexpr Colour PHONE_SHELL_TEXT_COLOUR = Rgb(255, 255, 255);
FontHandle PhoneShellFont(bool bold);
void FillColour(SurfaceHandle surface, const Rect& rect, Colour colour);
// The largest solid triangle pointing that way that fits in `box`, centred.
enum class ArrowDirection { Up, Down, Right };  // scroll marks, submenus
void DrawArrow(SurfaceHandle surface, const Rect& box, ArrowDirection direction, Colour colour);
