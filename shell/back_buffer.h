// The main window's shared drawing resources: the back buffer every screen draws
// into before copying to the window, and the two fonts.
#pragma once

#include "platform/drawing/drawing.h"

extern SurfaceHandle backDC;
extern BitmapHandle backBitmap;
extern FontHandle normalFont;  // "Tahoma", height 14
extern FontHandle boldFont;    // the same, weight 700

// Creates the back buffer (game_width x game_height, compatible with `surface`)
// and the fonts, once; false when they exist already.
bool CreateBackBuffer(SurfaceHandle surface);
// Deletes the back buffer (the fonts live for the whole run).
void DeleteBackBuffer();
