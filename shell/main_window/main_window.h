// The main window: the program's one top-level window. It owns the three screens
// and switches between them, loads and saves the settings, answers the soft-key
// menu's commands, keeps full-screen mode and takes the game-over report.
#pragma once

#include <cstdint>

#include "platform/phone_shell/phone_shell.h"
#include "platform/runtime/types.h"

extern WindowHandle mainWindow;  // set once creation has returned
extern WindowHandle menuBar;     // the soft-key bar created with the window

LResult MainWndProc(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);

// Places the main window over the whole screen (task bar hidden) or over the work
// area. Nothing before the window exists.
void SetFullScreen(bool on);
// Greys the start-level items whose level no game has reached yet.
void EnableStartLevelItems(MenuHandle menu);
// Runs the name-entry dialog for a score that enters the high-score table.
void ShowNameEntryDialog(WindowHandle window, std::uint32_t score);
