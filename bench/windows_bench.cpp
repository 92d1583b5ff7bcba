// The message loop and the headless host: what a virtual second of an idle
// program with the game's 33 ms timer costs, and a game-like frame through the
// window manager (200 tile copies and a full copy to the window).
#include <benchmark/benchmark.h>

#include <vector>

#include "host/headless_host.h"
#include "platform/internal/host_interface.h"
#include "platform/runtime/clock.h"
#include "platform/windows/windows.h"

namespace {

LResult TimerProcedure(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    if (message == WM_CREATE) SetTimer(window, 247, 33);
    if (message == WM_CLOSE) {
        DestroyWindow(window);
        PostQuitMessage(0);
        return 0;
    }
    return DefaultWindowProcedure(window, message, wParam, lParam);
}

void BM_HeadlessIdleVirtualSecond(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        ResetWindowManager();
        SetClock(0);
        ScriptCommand wait;
        wait.kind = ScriptCommand::Kind::Wait;
        wait.ms = 1000;
        HeadlessHost host({wait});
        SetHostDriver(&host);
        WindowClass c;
        c.procedure = TimerProcedure;
        c.name = u"Bench";
        RegisterWindowClass(c);
        CreateWindow(u"Bench", u"", WS_VISIBLE, USE_DEFAULT, USE_DEFAULT, USE_DEFAULT, USE_DEFAULT,
                     nullptr, nullptr, nullptr);
        state.ResumeTiming();
        Message m;
        while (GetMessage(m) == 1)
            DispatchMessage(m);
    }
    SetHostDriver(nullptr);
    ResetWindowManager();
}
BENCHMARK(BM_HeadlessIdleVirtualSecond)->Unit(benchmark::kMicrosecond);

// A game frame: 200 tile copies from a sprite surface into a back buffer, then
// the back buffer to the window's surface.
void BM_GameLikeFrameToWindow(benchmark::State& state) {
    ResetWindowManager();
    SetScreenSize(240, 320);
    WindowClass c;
    c.procedure = DefaultWindowProcedure;
    c.name = u"Frame";
    RegisterWindowClass(c);
    WindowHandle window =
        CreateWindow(u"Frame", u"", WS_VISIBLE, 0, 26, 240, 268, nullptr, nullptr, nullptr);
    SurfaceHandle sprite = CreateMemorySurface(nullptr);
    BitmapHandle spriteBitmap = CreateBitmap(nullptr, 480, 268);
    BitmapHandle oldSprite = SelectBitmap(sprite, spriteBitmap);
    SurfaceHandle back = CreateMemorySurface(nullptr);
    BitmapHandle backBitmap = CreateBitmap(nullptr, 240, 268);
    BitmapHandle oldBack = SelectBitmap(back, backBitmap);
    for (auto _ : state) {
        for (int i = 0; i < 200; ++i) {
            BlockCopy(back, (i % 10) * 14, (i / 10) * 13, 14, 14, sprite, (i % 9) * 14, 0);
        }
        SurfaceHandle target = GetWindowSurface(window);
        BlockCopy(target, 0, 0, 240, 268, back, 0, 0);
        ReleaseWindowSurface(window, target);
        benchmark::DoNotOptimize(ComposeScreen());
    }
    SelectBitmap(sprite, oldSprite);
    SelectBitmap(back, oldBack);
    DeleteSurface(sprite);
    DeleteSurface(back);
    DeleteBitmap(spriteBitmap);
    DeleteBitmap(backBitmap);
    ResetWindowManager();
}
BENCHMARK(BM_GameLikeFrameToWindow)->Unit(benchmark::kMicrosecond);

// A dialog of 15 controls over the main window, made, painted and destroyed,
// after as many dialogs before it as the argument says: windows destroyed long
// ago must cost nothing.
void BM_DialogAfterManyDialogs(benchmark::State& state) {
    ResetWindowManager();
    WindowClass c;
    c.procedure = DefaultWindowProcedure;
    c.name = u"Dialog";
    RegisterWindowClass(c);
    WindowHandle main = CreateWindow(u"Dialog", u"", WS_VISIBLE, USE_DEFAULT, USE_DEFAULT,
                                     USE_DEFAULT, USE_DEFAULT, nullptr, nullptr, nullptr);
    auto dialog = [main] {
        WindowHandle d =
            CreateWindow(u"Dialog", u"", WS_VISIBLE, 10, 40, 220, 200, main, nullptr, nullptr);
        for (int i = 0; i < 15; ++i) {
            CreateWindow(u"Dialog", u"", WS_CHILD | WS_VISIBLE, 5, 5 + 12 * i, 200, 12, d, nullptr,
                         nullptr);
        }
        UpdateWindow(d);
        DestroyWindow(d);
    };
    for (std::int64_t i = 0; i < state.range(0); ++i)
        dialog();
    for (auto _ : state)
        dialog();
    ResetWindowManager();
}
BENCHMARK(BM_DialogAfterManyDialogs)->Arg(0)->Arg(3000)->Unit(benchmark::kMicrosecond);

}  // namespace
