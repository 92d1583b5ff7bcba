// A tiny program for the hosts' tests: one window with a 33 ms timer that moves a
// square, keys that move it and beep, taps that stamp a dot, and a counter kept
// in the settings store. Every step it takes is logged, so two runs compare line
// by line.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/drawing/drawing.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/event_log.h"
#include "platform/runtime/program.h"
#include "platform/runtime/random.h"
#include "platform/sound/sound.h"
#include "platform/store/registry.h"
#include "platform/windows/windows.h"
#include "tests/support/wave_image.h"

namespace {

constexpr std::uintptr_t TIMER_ID = 7;
constexpr char16_t STORE_KEY[] = u"Software\\QuarvelTest";

std::int32_t squareX = 10, squareY = 10, ticks = 0, presses = 0;
std::vector<std::uint8_t> beep;

void LoadPresses() {
    RegistryKey key;
    if (!OpenRegistryKey(STORE_KEY, KEY_READ, key)) return;
    std::uint32_t type = 0;
    std::uint8_t bytes[4] = {};
    std::size_t size = sizeof bytes;
    if (QueryRegistryValue(key, u"Presses", type, bytes, size) && type == REG_DWORD) {
        std::memcpy(&presses, bytes, 4);
    }
    CloseRegistryKey(key);
}

void SavePresses() {
    RegistryKey key;
    if (!CreateRegistryKey(STORE_KEY, KEY_WRITE, key)) return;
    std::uint8_t bytes[4];
    std::memcpy(bytes, &presses, 4);
    SetRegistryValue(key, u"Presses", REG_DWORD, bytes, 4);
    CloseRegistryKey(key);
}

void Draw(WindowHandle window, SurfaceHandle surface) {
    Rect client = GetClientRect(window);
    FillRect(surface, client, GetStockBrush(StockBrush::LightGrey));
    BrushHandle brush = CreateSolidBrush(presses % 2 ? Rgb(200, 0, 0) : Rgb(0, 0, 200));
    FillRect(surface, Rect{squareX, squareY, squareX + 20, squareY + 20}, brush);
    DeleteBrush(brush);
}

void Log(const std::string& what) {
    LogEvent("test " + what + " x=" + std::to_string(squareX) + " y=" + std::to_string(squareY) +
             " ticks=" + std::to_string(ticks) + " presses=" + std::to_string(presses));
}

LResult TestWindowProcedure(WindowHandle window, std::uint32_t message, WParam wParam,
                            LParam lParam) {
    switch (message) {
        case WM_CREATE:
            LoadPresses();
            SetTimer(window, TIMER_ID, 33);
            SeedRandom(GetTickCount());
            return 0;
        case WM_TIMER:
            ++ticks;
            squareX = (squareX + 1) % 200;
            if (ticks % 10 == 0 || ticks == 13) Log("tick");
            if (ticks == 12) PlaySound(beep.data(), SND_MEMORY | SND_NODEFAULT);  // inside a wait
            InvalidateRect(window, nullptr, false);
            return 0;
        case WM_KEYDOWN:
            if (wParam == 37) squareX -= 5;
            if (wParam == 39) squareX += 5;
            if (wParam == 13) {
                ++presses;
                PlaySound(beep.data(), SND_MEMORY | SND_NODEFAULT);
            }
            Log("key " + std::to_string(wParam));
            return 0;
        case WM_CHAR:
            Log("char " + std::to_string(wParam));
            return 0;
        case WM_ACTIVATE:
            Log("activate " + std::to_string(LowWord(wParam)));
            return 0;
        case WM_LBUTTONDOWN:
            squareX = LowWord(static_cast<std::uintptr_t>(lParam));
            squareY = HighWord(static_cast<std::uintptr_t>(lParam));
            Log("pen");
            return 0;
        case WM_PAINT: {
            PaintInfo paint;
            SurfaceHandle surface = BeginPaint(window, paint);
            Draw(window, surface);
            EndPaint(window, paint);
            return 0;
        }
        case WM_DESTROY:
            SavePresses();
            Log("destroy");
            PostQuitMessage(0);
            return 0;
        default:
            return DefaultWindowProcedure(window, message, wParam, lParam);
    }
}

}  // namespace

std::int32_t ProgramMain(ModuleHandle instance, ModuleHandle, const char16_t*, std::int32_t) {
    squareX = squareY = 10;
    ticks = presses = 0;
    beep = WaveImage(960);  // 120 ms
    WindowClass windowClass;
    windowClass.procedure = TestWindowProcedure;
    windowClass.instance = instance;
    windowClass.background = GetStockBrush(StockBrush::White);
    windowClass.name = u"QuarvelTest";
    RegisterWindowClass(windowClass);
    WindowHandle window =
        CreateWindow(u"QuarvelTest", u"Test", WS_VISIBLE, USE_DEFAULT, USE_DEFAULT, USE_DEFAULT,
                     USE_DEFAULT, nullptr, instance, nullptr);
    if (window == nullptr) return 3;
    Message message;
    while (GetMessage(message) == 1) {
        TranslateMessage(message);
        DispatchMessage(message);
    }
    return message.message == WM_QUIT ? static_cast<std::int32_t>(message.wParam) : 4;
}

const char* ProgramVersion() {
    return "Quarvel test program";
}
