// The game screen's drawing with the 240x320 pack, per timer tick: a falling
// tick (playfield redraw and present), a full redraw, a row-clear frame and a
// game-over frame.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "game_screen/game_wnd.h"
#include "platform/internal/drawing_internal.h"
#include "platform/internal/host_interface.h"
#include "platform/internal/resources_internal.h"
#include "platform/runtime/clock.h"
#include "platform/windows/windows.h"
#include "shell/back_buffer.h"
#include "shell/layout_text.h"
#include "shell/records/options.h"
#include "shell/resource_pack.h"

namespace {

CQuarvelGameWnd* screen = nullptr;

LResult Procedure(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    if (screen != nullptr && message != WM_CREATE) screen->onMessage(message, wParam, lParam);
    return DefaultWindowProcedure(window, message, wParam, lParam);
}

// A check that faster drawing draws the same: a hash of the frame's pixels (the
// back buffer and the composed screen), shown as the benchmark's label. Builds
// before and after a change must show the same labels.
std::string FrameLabel() {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (BitmapHandle bitmap : {backBitmap, ComposeScreen()}) {
        const PixelRows rows = BitmapPixels(bitmap);
        for (std::int32_t y = 0; y < rows.height; ++y) {
            for (std::int32_t x = 0; x < rows.width; ++x) {
                hash = (hash ^ (rows.pixels[std::size_t(y) * rows.pitch + x] & 0xFFFFFF)) *
                       1099511628211ull;
            }
        }
    }
    char label[40];
    std::snprintf(label, sizeof label, "pixels %016llx", static_cast<unsigned long long>(hash));
    return label;
}

// A game screen on a window with the real pack, a game under way with a stack
// of tiles on the board.
struct Fixture {
    Fixture() {
        ResetWindowManager();
        SetScreenSize(240, 320);
        resourcePack = LoadModuleFromFile(PACK_240X320);
        ResourceData text = FindResource(resourcePack, 101, "TEXT");
        LoadLayoutText(reinterpret_cast<const char*>(text.bytes), text.size);
        gameWidth = GetLayoutInt("game_width", 0);
        gameHeight = GetLayoutInt("game_height", 0);
        CreateBackBuffer(nullptr);
        WindowClass benchClass;
        benchClass.procedure = Procedure;
        benchClass.name = u"Bench";
        RegisterWindowClass(benchClass);
        window = CreateWindow(u"Bench", u"", WS_VISIBLE, 0, 0, gameWidth, gameHeight, nullptr,
                              nullptr, nullptr);
        screen = &game;
        options.fixed_seed = 1;
        options.rising_junk = 0;
        game.beginGame(window, backDC, 6, 4);
        game.tick();
        game.frameDelay = 0;
        for (int r = 8; r < 20; ++r) {
            for (int c = 0; c < 10; ++c) {
                if ((r + c) % 7 != 0)
                    game.setBoardCell(c, r, static_cast<std::uint8_t>((r + c) % 9));
            }
        }
    }
    ~Fixture() {
        screen = nullptr;
        game.onLeave();
        DeleteBackBuffer();
        FreeModule(resourcePack);
        resourcePack = nullptr;
        LayoutMap.clear();
        ResetWindowManager();
    }
    CQuarvelGameWnd game;
    WindowHandle window = nullptr;
};

void BM_FallingTickPlayfieldRedraw(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        f.game.frameCount++;
        f.game.redraw(nullptr, RedrawArea::Playfield, -1);  // what a falling tick draws
    }
    f.game.frameCount = 1000;  // glints at known places
    f.game.redraw(nullptr, RedrawArea::Playfield, -1);
    state.SetLabel(FrameLabel());
}
BENCHMARK(BM_FallingTickPlayfieldRedraw)->Unit(benchmark::kMicrosecond);

// The same tick with the screen composed after it, as a host shows it: what
// the window was given is compared with what the screen shows. With the
// argument 1 the caches are cold, as on a desktop, where 33 ms and other
// programs pass between two ticks: what a tick's drawing costs there is mostly
// the memory it reads.
void BM_FallingTickComposed(benchmark::State& state) {
    Fixture f;
    ComposeScreen();
    std::vector<char> other(state.range(0) != 0 ? 32 << 20 : 0);
    for (auto _ : state) {
        if (!other.empty()) {
            state.PauseTiming();
            for (std::size_t i = 0; i < other.size(); i += 64)
                other[i]++;
            state.ResumeTiming();
        }
        f.game.frameCount++;
        f.game.redraw(nullptr, RedrawArea::Playfield, -1);
        benchmark::DoNotOptimize(ComposeScreen());
    }
    f.game.frameCount = 1000;
    f.game.redraw(nullptr, RedrawArea::Playfield, -1);
    state.SetLabel(FrameLabel());
}
BENCHMARK(BM_FallingTickComposed)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_FullRedraw(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        f.game.frameCount++;
        f.game.redraw(nullptr, RedrawArea::Whole, -1);
    }
    f.game.frameCount = 1000;
    f.game.redraw(nullptr, RedrawArea::Whole, -1);
    state.SetLabel(FrameLabel());
}
BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMicrosecond);

void BM_PausedFullRedraw(benchmark::State& state) {
    Fixture f;
    f.game.pause();
    for (auto _ : state)
        f.game.redraw(nullptr, RedrawArea::Whole, -1);
    state.SetLabel(FrameLabel());
}
BENCHMARK(BM_PausedFullRedraw)->Unit(benchmark::kMicrosecond);

void BM_RowClearFrame(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        CQuarvelEmptyRowAnim anim(19, 100, 20, true);
        f.game.compose(nullptr, RedrawArea::Whole, 19);
        anim.drawFrame(f.game);
        f.game.present(nullptr, RedrawArea::Whole);
    }
    state.SetLabel(FrameLabel());
}
BENCHMARK(BM_RowClearFrame)->Unit(benchmark::kMicrosecond);

void BM_GameOverFrame(benchmark::State& state) {
    Fixture f;
    f.game.state = GameState::GameOver;
    f.game.explodingAnim.reset(25);
    for (int i = 0; i < 20; ++i)
        f.game.explodingAnim.step(f.game);  // ten rows exploding
    std::uint8_t board[BOARD_CELLS];
    std::copy(std::begin(f.game.board), std::end(f.game.board), board);
    CQuarvelExplodingTilesGameOverAnim start = f.game.explodingAnim;
    for (auto _ : state) {
        state.PauseTiming();
        f.game.explodingAnim = start;
        std::copy(board, board + BOARD_CELLS, f.game.board);
        state.ResumeTiming();
        SurfaceHandle surface = GetWindowSurface(f.window);
        f.game.compose(surface, RedrawArea::Whole, -1);
        f.game.explodingAnim.step(f.game);
        f.game.present(surface, RedrawArea::Whole);
        ReleaseWindowSurface(f.window, surface);
    }
    state.SetLabel(FrameLabel());
}
BENCHMARK(BM_GameOverFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
