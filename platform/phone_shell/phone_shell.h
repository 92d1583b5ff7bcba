// The phone shell: the task-bar strip at the top of the screen, the soft-key menu
// bar at the bottom with its two buttons and popup menus, full-screen control,
// the text-input panel, and opening links.
#pragma once

#include <cstdint>

#include "platform/resources/resources.h"
#include "platform/runtime/types.h"

// ---- The emulated screen ----

// Strip heights: 26 pixels on screens 240 or more wide, 20 on narrower ones.
std::int32_t PhoneShellStripHeight();

// Creates the task bar (program title and a clock) and sets the work area to the
// screen less the task bar and the soft-key bar strips. The hosts call it once,
// after SetScreenSize.
void StartPhoneShell(const char16_t* title);

// Full-screen control for a window (flags combine).
constexpr std::uint32_t SHFS_SHOWTASKBAR = 0x01;
constexpr std::uint32_t SHFS_HIDETASKBAR = 0x02;
constexpr std::uint32_t SHFS_SHOWSIPBUTTON = 0x04;
constexpr std::uint32_t SHFS_HIDESIPBUTTON = 0x08;
constexpr std::uint32_t SHFS_SHOWSTARTICON = 0x10;
constexpr std::uint32_t SHFS_HIDESTARTICON = 0x20;
// Hides or shows the task bar (and start icon); the work area follows.
bool SetFullScreenMode(WindowHandle window, std::uint32_t flags);

// ---- Soft-key menu bars ----

// The creation record; `size` must be MENU_BAR_CREATE_SIZE. On success `menuBar`
// holds the bar's window.
constexpr std::uint32_t MENU_BAR_CREATE_SIZE = 36;
struct MenuBarCreateInfo {
    std::uint32_t size = 0;
    WindowHandle parent = nullptr;
    std::uint32_t flags = 0;
    std::uint32_t resourceId = 0;
    ModuleHandle module = nullptr;
    WindowHandle menuBar = nullptr;
};
// Creates a window's soft-key bar from the MENUBAR resource; false (nothing
// created) when the resource is missing or malformed or the record is wrong. A
// window has at most one bar: a new one replaces the old. The bar is shown at
// once; `flags` are not used.
bool CreateMenuBar(MenuBarCreateInfo& info);
// The soft-key bar of a window, or null.
WindowHandle FindMenuBar(WindowHandle window);

// Messages the bar answers (SendMessage to the bar's window). Get answers the
// button's index (0 left, 1 right), or -1 for an unknown command or a record of
// the wrong size; set and hide answer 1, or 0 for an unknown command.
constexpr std::uint32_t TB_HIDEBUTTON = 1028;     // wParam command, lParam non-zero: hide
constexpr std::uint32_t TB_GETBUTTONINFO = 1087;  // wParam command, lParam ButtonInfo*
constexpr std::uint32_t TB_SETBUTTONINFO = 1088;  // wParam command, lParam ButtonInfo*
// Asks the bar to hand a key to its owner instead of acting on it: wParam the key
// code, lParam low word the flags to change, high word their new values; answers
// 1 (0 for a code above 255). With SHMBOF_NOTIFY each press of the key is posted
// to the owner as WM_HOTKEY (wParam 0, the key code in the high word of lParam);
// with SHMBOF_NODEFAULT its presses and releases go no further. Applies while
// the bar is the topmost visible one.
constexpr std::uint32_t SHCMBM_OVERRIDEKEY = 1427;
constexpr std::uint32_t SHMBOF_NODEFAULT = 1;
constexpr std::uint32_t SHMBOF_NOTIFY = 2;

constexpr std::uint32_t TBIF_TEXT = 0x02;
constexpr std::uint32_t TBIF_STATE = 0x04;
constexpr std::uint32_t TBIF_COMMAND = 0x20;
constexpr std::uint8_t TBSTATE_ENABLED = 4;
constexpr std::uint8_t TBSTATE_HIDDEN = 8;

// The button-information record; `size` must be BUTTON_INFO_SIZE. Get and set
// act on the fields the mask names: the state, or the text (on get, `text` is
// the caller's buffer of `textLength` code units, filled and terminated; on set,
// at most `textLength` units when it is above 0, up to the terminator, and at
// most 255). TBIF_COMMAND reads the command; a set does not change it.
constexpr std::uint32_t BUTTON_INFO_SIZE = 32;
struct ButtonInfo {
    std::uint32_t size = 0;
    std::uint32_t mask = 0;
    std::int32_t command = 0;
    std::int32_t image = 0;
    std::uint8_t state = 0;
    std::uint8_t style = 0;
    std::uint16_t width = 0;
    std::intptr_t data = 0;
    char16_t* text = nullptr;
    std::int32_t textLength = 0;
};

// ---- Menus ----

// A popup menu of a soft-key bar, as its owner sees it in WM_INITMENUPOPUP
// (wParam) just before it opens.
struct MenuObject;
using MenuHandle = MenuObject*;
constexpr std::uint32_t MF_ENABLED = 0;
constexpr std::uint32_t MF_GRAYED = 1;
constexpr std::uint32_t MF_UNCHECKED = 0;
constexpr std::uint32_t MF_CHECKED = 8;
// By command id, anywhere in the menu and its submenus; returns the previous
// state (MF_CHECKED or MF_GRAYED bit), or -1 when there is no such item.
std::int32_t CheckMenuItem(MenuHandle menu, std::uint32_t command, std::uint32_t flags);
std::int32_t EnableMenuItem(MenuHandle menu, std::uint32_t command, std::uint32_t flags);

// ---- Text-input panel and links ----

// Shows or hides the text-input panel (on the desktop: a small marker).
bool SetInputPanel(bool up);
bool InputPanelUp();

// The phone shell's execute record; `size` must be EXECUTE_INFO_SIZE.
constexpr std::uint32_t EXECUTE_INFO_SIZE = 60;
struct ExecuteInfo {
    std::uint32_t size = 0;
    std::uint32_t mask = 0;
    WindowHandle owner = nullptr;
    const char16_t* verb = nullptr;
    const char16_t* file = nullptr;
    const char16_t* parameters = nullptr;
    const char16_t* directory = nullptr;
    std::int32_t show = 0;
    ModuleHandle instance = nullptr;
};
// Opens a link ("mailto:..." or a web address) with the verb "Open" (any case;
// null means "Open"); logged, and handed to the host's opener (the desktop's
// runs xdg-open). False for another verb, no file, a record of the wrong size or
// an opener that fails.
bool ExecuteLink(ExecuteInfo& info);
// Host side: how links are opened; null: only logged.
void SetLinkOpener(bool (*opener)(const char* utf8Link));
// The folder for temporary files (for the execute record's directory): $TMPDIR,
// else "/tmp". Returns its length, or, when `capacity` is too small, the
// capacity it needs (nothing copied).
std::int32_t GetTempFolder(char16_t* buffer, std::int32_t capacity);
