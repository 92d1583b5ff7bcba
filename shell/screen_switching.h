// Switching between the program's three screens. The main window implements these;
// the screens call them to start a game or to end the key-assignment screen.
#pragma once

#include <cstdint>

#include "platform/runtime/types.h"

// Screen numbers: which screen receives the main window's messages.
constexpr std::int32_t SCREEN_NONE = 0;
constexpr std::int32_t SCREEN_TITLE = 1;
constexpr std::int32_t SCREEN_GAME = 2;
constexpr std::int32_t SCREEN_CONTROLS = 3;

extern std::int32_t activeScreen;    // 0 until the main window is created
extern std::int32_t previousScreen;  // the screen active before the last switch

// Makes the title screen active (nothing when it is).
void ShowTitleScreen(WindowHandle window);
// Makes the key-assignment screen active, pausing a running game.
void ShowControlsScreen(WindowHandle window);
// Back from the key-assignment screen: to the paused game it was opened from, or
// to the title screen.
void LeaveControlsScreen(WindowHandle window);
// Makes the game screen active and begins a new game, replacing a running one.
void StartGame(WindowHandle window, std::int32_t junkRows, std::int32_t startLevel);
