// Drawing costs of one game frame: the screen-sized copies, the tile copies, the
// stretched and transparent picture copies, and one line of text.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/drawing/drawing.h"

namespace {

constexpr int WIDTH = 240;
constexpr int HEIGHT = 320;
constexpr int TILE = 14;

struct Surface {
    SurfaceHandle surface = CreateMemorySurface(nullptr);
    BitmapHandle bitmap;
    BitmapHandle stock;
    Surface(int w, int h, bool picture = false) {
        std::vector<Colour> pixels(static_cast<std::size_t>(w) * h);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            // A picture with a magenta hole in every eighth pixel.
            pixels[i] = picture && i % 8 == 0 ? MAGENTA : static_cast<Colour>(i * 2654435761u);
        }
        bitmap = CreateBitmapFromPixels(w, h, pixels.data());
        stock = SelectBitmap(surface, bitmap);
    }
    ~Surface() {
        SelectBitmap(surface, stock);
        DeleteSurface(surface);
        DeleteBitmap(bitmap);
    }
};

void TileCopies(SurfaceHandle back, SurfaceHandle sprites) {
    for (int i = 0; i < 200; ++i) {
        BlockCopy(back, 50 + (i % 10) * TILE, 10 + (i / 10) * TILE, TILE, TILE, sprites,
                  (i % 9) * TILE, 0);
    }
}

void BM_FullSurfaceBlockCopy(benchmark::State& state) {
    Surface back(WIDTH, 294), screen(WIDTH, 294);
    for (auto _ : state)
        BlockCopy(screen.surface, 0, 0, WIDTH, 294, back.surface, 0, 0);
}
BENCHMARK(BM_FullSurfaceBlockCopy);

void BM_TwoHundredTileCopies(benchmark::State& state) {
    Surface back(WIDTH, HEIGHT), sprites(2 * WIDTH, HEIGHT);
    for (auto _ : state)
        TileCopies(back.surface, sprites.surface);
}
BENCHMARK(BM_TwoHundredTileCopies);

void BM_Frame(benchmark::State& state) {
    Surface back(WIDTH, HEIGHT), sprites(2 * WIDTH, HEIGHT), screen(WIDTH, HEIGHT);
    for (auto _ : state) {
        TileCopies(back.surface, sprites.surface);
        BlockCopy(screen.surface, 0, 0, WIDTH, HEIGHT, back.surface, 0, 0);
    }
}
BENCHMARK(BM_Frame);

void BM_StretchCopy(benchmark::State& state) {
    Surface back(WIDTH, HEIGHT), picture(176, 220);
    for (auto _ : state) {
        StretchCopy(back.surface, 0, 0, WIDTH, HEIGHT, picture.surface, 0, 0, 176, 220);
    }
}
BENCHMARK(BM_StretchCopy);

void BM_TransparentCopy(benchmark::State& state) {
    Surface back(WIDTH, HEIGHT), picture(WIDTH, HEIGHT, true);
    for (auto _ : state) {
        TransparentCopy(back.surface, 0, 0, WIDTH, HEIGHT, picture.surface, 0, 0, WIDTH, HEIGHT,
                        MAGENTA);
    }
}
BENCHMARK(BM_TransparentCopy);

void BM_DrawTextLine(benchmark::State& state) {
    Surface back(WIDTH, HEIGHT);
    FontHandle font = CreateFontByName(u"Tahoma", 14, FONT_WEIGHT_BOLD);
    if (!font) {
        state.SkipWithError("no font installed");
        return;
    }
    SelectFont(back.surface, font);
    SetBackgroundMode(back.surface, BackgroundMode::Transparent);
    SetTextColour(back.surface, Rgb(255, 255, 0));
    for (auto _ : state) {
        DrawText(back.surface, u"Score 123456", -1, {160, 100, 236, 120}, DT_CENTER | DT_VCENTER);
    }
    SelectFont(back.surface, nullptr);
    DeleteFont(font);
}
BENCHMARK(BM_DrawTextLine);

}  // namespace
