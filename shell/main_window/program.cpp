// The program's entry: one instance only, the resource pack for the screen, the
// layout, the main window, and the message loop until the window is destroyed.
#include <cstdint>
#include <string>

#include "platform/runtime/program.h"
#include "platform/text/text.h"
#include "platform/windows/windows.h"
#include "shell/layout_text.h"
#include "shell/main_window/main_window.h"
#include "shell/main_window/program.h"
#include "shell/program_version.h"
#include "shell/resource_pack.h"

namespace {

constexpr const char16_t* MAIN_WINDOW_NAME = u"Quarvel";  // class and title

}  // namespace

const char* ProgramVersion() {
    static const std::string text = [] {
        char16_t version[64];
        FormatText(version, 64, PROGRAM_VERSION_FORMAT,
                   {PROGRAM_VERSION_MAJOR, PROGRAM_VERSION_MINOR, PROGRAM_BUILD});
        return Utf16ToUtf8(version);
    }();
    return text.c_str();
}

std::uint16_t RegisterMainWindowClass(ModuleHandle instance) {
    WindowClass windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.procedure = MainWndProc;
    windowClass.instance = instance;
    windowClass.background = GetStockBrush(StockBrush::White);
    windowClass.name = MAIN_WINDOW_NAME;
    return RegisterWindowClass(windowClass);
}

bool CreateMainWindow(ModuleHandle instance, std::int32_t showState) {
    programInstance = instance;
    const bool fullScreen = GetLayoutInt("full_screen", 0) != 0;
    WindowHandle window =
        CreateWindow(MAIN_WINDOW_NAME, MAIN_WINDOW_NAME, WS_VISIBLE, USE_DEFAULT, USE_DEFAULT,
                     USE_DEFAULT, USE_DEFAULT, nullptr, instance, nullptr);
    if (window == nullptr) return false;
    mainWindow = window;
    SetFullScreen(fullScreen);
    ShowWindow(window, showState);
    UpdateWindow(window);
    return true;
}

std::int32_t ProgramMain(ModuleHandle instance, ModuleHandle previous, const char16_t*,
                         std::int32_t showState) {
    if (WindowHandle running = FindWindow(MAIN_WINDOW_NAME, MAIN_WINDOW_NAME)) {
        BringWindowToFront(running);
        return 0;
    }
    screenWidth = GetScreenWidth();
    screenHeight = GetScreenHeight();
    if (!LoadResourcePack(screenWidth, screenHeight)) return -1;
    LoadPlaceNames();
    if (previous == nullptr && RegisterMainWindowClass(instance) == 0) return 0;
    if (!CreateMainWindow(instance, showState)) return 0;

    Message message;
    std::int32_t got = 0;
    while ((got = GetMessage(message)) == 1) {
        TranslateMessage(message);
        DispatchMessage(message);
    }
    FreeModule(resourcePack);
    resourcePack = nullptr;
    return got == 0 ? static_cast<std::int32_t>(message.wParam) : 0;
}
