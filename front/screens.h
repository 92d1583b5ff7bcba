// The program's three screens, one object each for the whole run, constructed in
// this order (after the layout map and the key layout) and destroyed in reverse.
#pragma once

#include "front/controls_wnd.h"
#include "front/title_wnd.h"
#include "game_screen/game_wnd.h"

extern CQuarvelGameWnd gameScreen;
extern CQuarvelSplashWnd titleScreen;
extern CQuarvelControlsWnd controlsScreen;
