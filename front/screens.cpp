#include "front/screens.h"

// One translation unit, so the three are constructed in this order.
CQuarvelGameWnd gameScreen;
CQuarvelSplashWnd titleScreen;
CQuarvelControlsWnd controlsScreen;
