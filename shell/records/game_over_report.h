// The game-over report: the message the game posts to the main window when the
// player acknowledges the end of a game, wParam the level reached and lParam the
// score. The rules post it and the main window reads it, so it lies below both.
#pragma once

#include <cstdint>

#include "platform/runtime/messages.h"

constexpr std::uint32_t WM_GAME_OVER_REPORT = WM_USER + 284;
