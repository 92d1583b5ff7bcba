#include "shell/back_buffer.h"

#include "shell/resource_pack.h"

SurfaceHandle backDC = nullptr;
BitmapHandle backBitmap = nullptr;
FontHandle normalFont = nullptr;
FontHandle boldFont = nullptr;

bool CreateBackBuffer(SurfaceHandle surface) {
    if (backDC != nullptr) return false;
    backBitmap = CreateBitmap(surface, gameWidth, gameHeight);
    backDC = CreateMemorySurface(surface);
    SelectBitmap(backDC, backBitmap);
    normalFont = CreateFontByName(u"Tahoma", 14, 0);
    SelectFont(backDC, normalFont);
    boldFont = CreateFontByName(u"Tahoma", 14, FONT_WEIGHT_BOLD);
    return true;
}

void DeleteBackBuffer() {
    // The surface goes first: a bitmap still selected into one cannot be deleted.
    if (backDC != nullptr) DeleteSurface(backDC);
    backDC = nullptr;
    if (backBitmap != nullptr) DeleteBitmap(backBitmap);
    backBitmap = nullptr;
}
