// A stand-in program for the `quarvel` executable until the game's own start-up,
// main window and title screen exist: it loads the resource pack for the screen,
// opens a window with the pack's soft-key bar and plays games on the game
// screen, one after another. The menu's new-game commands start the presets and
// Exit (or closing) ends it; Sound, About and the clear-high-scores question
// work too. As a test entry, the keys 1 to 7 start the seven
// presets and D lets the automatic player take over (or hands back).
#include <cstdint>

#include "front/about_dialog.h"
#include "game_screen/game_wnd.h"
#include "platform/dialogs.h"
#include "platform/phone_shell.h"
#include "platform/program.h"
#include "platform/windows.h"
#include "shell/back_buffer.h"
#include "shell/layout_text.h"
#include "shell/options.h"
#include "shell/resource_pack.h"
#include "tools/autoplayer.h"

namespace {

CQuarvelGameWnd gameScreen;
CQuarvelAutoPlayer autoPlayer;
bool automatic = false;

struct Preset {
    std::uint16_t command;
    std::int32_t junkRows;
    std::int32_t startLevel;
};
constexpr Preset PRESETS[] = {{40007, 0, 1},  {40008, 3, 3},  {40009, 6, 4},   {40010, 8, 6},
                              {40011, 10, 8}, {40012, 5, 14}, {40013, 10, 16}, {40019, 0, 1},
                              {40020, 0, 5},  {40021, 0, 10}, {40022, 0, 15},  {40023, 0, 20}};

void PlaceWindow(WindowHandle window) {
    bool fullScreen = GetLayoutInt("full_screen", 0) != 0;
    SetFullScreenMode(window, fullScreen ? SHFS_HIDETASKBAR | SHFS_HIDESTARTICON
                                         : SHFS_SHOWTASKBAR | SHFS_SHOWSTARTICON);
    Rect area = fullScreen ? Rect{0, 0, GetScreenWidth(), GetScreenHeight()} : GetWorkArea();
    MoveWindow(window, area.left, area.top, area.right - area.left, area.bottom - area.top, true);
}

LResult StandInProcedure(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    if (message == WM_CREATE) {
        SurfaceHandle surface = GetWindowSurface(window);
        CreateBackBuffer(surface);
        ReleaseWindowSurface(window, surface);
        MenuBarCreateInfo bar;
        bar.size = MENU_BAR_CREATE_SIZE;
        bar.parent = window;
        bar.resourceId = 102;
        bar.module = resourcePack;
        if (!CreateMenuBar(bar)) PostQuitMessage(0);
        return 0;
    }
    if (message == WM_TIMER && automatic) autoPlayer.act(gameScreen);
    gameScreen.onMessage(message, wParam, lParam);
    switch (message) {
        case WM_KEYDOWN:
            if (wParam >= '1' && wParam <= '7') {
                const Preset& preset = PRESETS[wParam - '1'];
                gameScreen.beginGame(window, backDC, preset.junkRows, preset.startLevel);
                InvalidateRect(window, nullptr, false);
            } else if (wParam == 'D') {
                automatic = !automatic;
            }
            return 0;
        case WM_DESTROY:
            gameScreen.onLeave();
            DeleteBackBuffer();
            PostQuitMessage(0);
            return 0;
        case WM_GAME_OVER_REPORT:
            gameScreen.beginGame(window, backDC, 0, 1);
            InvalidateRect(window, nullptr, false);
            return 0;
        case WM_COMMAND:
            for (const Preset& preset : PRESETS) {
                if (LowWord(wParam) == preset.command) {
                    gameScreen.beginGame(window, backDC, preset.junkRows, preset.startLevel);
                    InvalidateRect(window, nullptr, false);
                    return 0;
                }
            }
            switch (LowWord(wParam)) {
                case 40001:
                    options.sound_on = options.sound_on ? 0 : 1;
                    break;
                case 40003:
                    RunDialog(ProgramModule(), 103, window, AboutDialogProc, 0);
                    break;
                case 40016: {
                    char16_t question[100];
                    LoadString(resourcePack, 40024, question, 100);
                    MessageBox(window, question, u"Quarvel", MB_YESNO | MB_ICONQUESTION);
                    break;
                }
                case 40005:
                    DestroyWindow(window);
                    break;
                default:
                    break;
            }
            return 0;
        case WM_INITMENUPOPUP:
            CheckMenuItem(reinterpret_cast<MenuHandle>(wParam), 40001,
                          options.sound_on ? MF_CHECKED : MF_UNCHECKED);
            return 0;
        default:
            return DefaultWindowProcedure(window, message, wParam, lParam);
    }
}

}  // namespace

std::int32_t ProgramMain(ModuleHandle instance, ModuleHandle, const char16_t*, std::int32_t) {
    programInstance = instance;
    if (!LoadResourcePack(GetScreenWidth(), GetScreenHeight())) return -1;
    WindowClass windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.procedure = StandInProcedure;
    windowClass.instance = instance;
    windowClass.background = GetStockBrush(StockBrush::White);
    windowClass.name = u"Quarvel";
    if (RegisterWindowClass(windowClass) == 0) return 0;
    WindowHandle window = CreateWindow(u"Quarvel", u"Quarvel", WS_VISIBLE, USE_DEFAULT, USE_DEFAULT,
                                       USE_DEFAULT, USE_DEFAULT, nullptr, instance, nullptr);
    if (window == nullptr) return 0;
    PlaceWindow(window);
    gameScreen.beginGame(window, backDC, 0, 1);
    UpdateWindow(window);
    Message message;
    std::int32_t got;
    while ((got = GetMessage(message)) == 1) {
        TranslateMessage(message);
        DispatchMessage(message);
    }
    FreeModule(resourcePack);
    return got == 0 ? static_cast<std::int32_t>(message.wParam) : 0;
}
