// The web build's probe: the layer and its libraries, built for WebAssembly, in
// a browser. It draws text with the page's faces and shows it, reads a string
// from a pack (a zip), then waits for a key by yielding to the browser
// (emscripten_sleep), as the layer's waits will. Each finding is a line on the
// console for the browser test (probe.test.mjs).
#include <SDL.h>
#include <emscripten.h>

#include <cstdint>
#include <cstdio>

#include "platform/drawing/drawing.h"
#include "platform/internal/drawing_internal.h"
#include "platform/internal/drawing_sdl.h"
#include "platform/resources/resources.h"
#include "platform/text/text.h"

namespace {

constexpr std::int32_t WIDTH = 240;
constexpr std::int32_t HEIGHT = 48;

// FNV-1a over the bitmap's pixels, row by row.
std::uint32_t HashOf(BitmapHandle bitmap) {
    const PixelRows rows = BitmapPixels(bitmap);
    std::uint32_t hash = 2166136261u;
    for (std::int32_t y = 0; y < rows.height; ++y) {
        for (std::int32_t x = 0; x < rows.width; ++x) {
            hash = (hash ^ (rows.pixels[y * rows.pitch + x] & 0xFFFFFF)) * 16777619u;
        }
    }
    return hash;
}

// Two lines, regular and bold, black on white, as the desktop edition draws them.
BitmapHandle DrawTextLines() {
    SetFontFolder(QUARVEL_FONT_FOLDER);
    SurfaceHandle surface = CreateMemorySurface(nullptr);
    BitmapHandle bitmap = CreateBitmap(surface, WIDTH, HEIGHT);
    SelectBitmap(surface, bitmap);
    FillRect(surface, {0, 0, WIDTH, HEIGHT}, GetStockBrush(StockBrush::White));
    FontHandle regular = CreateFontByName(u"Tahoma", 14, FONT_WEIGHT_NORMAL);
    FontHandle bold = CreateFontByName(u"Tahoma", 14, FONT_WEIGHT_BOLD);
    std::int32_t widths[2] = {0, 0};
    std::int32_t height = 0;
    const char16_t* line = u"AVATAR Turn left, Level 12";
    SelectFont(surface, regular);
    MeasureText(surface, line, -1, widths[0], height);
    DrawText(surface, line, -1, {4, 4, WIDTH, 24}, 0);
    SelectFont(surface, bold);
    MeasureText(surface, line, -1, widths[1], height);
    DrawText(surface, line, -1, {4, 24, WIDTH, HEIGHT}, 0);
    DeleteSurface(surface);
    std::printf("text %s regular %d bold %d hash %08x\n", regular && bold ? "drawn" : "missing",
                widths[0], widths[1], HashOf(bitmap));
    return bitmap;
}

}  // namespace

int main() {
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) {
        std::printf("sdl failed %s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window = SDL_CreateWindow("probe", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                          WIDTH, HEIGHT, 0);
    SDL_Surface* screen = window ? SDL_GetWindowSurface(window) : nullptr;
    BitmapHandle text = DrawTextLines();
    if (screen && SDL_BlitSurface(SdlSurfaceOf(text), nullptr, screen, nullptr) == 0 &&
        SDL_UpdateWindowSurface(window) == 0) {
        std::printf("shown\n");
    }

    SetModuleFolder("/packs");
    ModuleHandle pack = LoadModule(u"pack.dll");
    char16_t string[64] = {};
    LoadString(pack, PROBE_STRING_ID, string, 64);
    std::printf("zip %s\n", pack ? Utf16ToUtf8(string).c_str() : "missing");

    std::printf("waiting for a key\n");
    const std::uint64_t start = SDL_GetTicks64();
    for (int sleeps = 0;; ++sleeps) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_KEYDOWN) {
                std::printf("key %s after %d sleeps, %d ms\n", SDL_GetKeyName(event.key.keysym.sym),
                            sleeps, static_cast<int>(SDL_GetTicks64() - start));
                return 0;
            }
        }
        emscripten_sleep(10);
    }
}
