#include "shell/main_window/main_window.h"

#include "front/about_dialog.h"
#include "front/name_entry_dialog.h"
#include "front/options_dialog.h"
#include "front/screens.h"
#include "platform/dialogs/dialogs.h"
#include "platform/resources/resources.h"
#include "platform/runtime/messages.h"
#include "platform/windows/windows.h"
#include "shell/back_buffer.h"
#include "shell/layout_text.h"
#include "shell/records/game_over_report.h"
#include "shell/records/options.h"
#include "shell/resource_ids.h"
#include "shell/resource_pack.h"
#include "shell/screen_switching.h"
#include "shell/settings.h"

WindowHandle mainWindow = nullptr;
WindowHandle menuBar = nullptr;
std::int32_t activeScreen = SCREEN_NONE;
std::int32_t previousScreen = SCREEN_NONE;

namespace {

constexpr std::int32_t CLEAR_QUESTION_SIZE = 100;

bool FullScreenWanted() {
    return GetLayoutInt("full_screen", 0) != 0;
}

// Runs a modal dialog outside full-screen mode, then restores the mode.
void RunDialogWindowed(ModuleHandle module, std::uint32_t templateId, WindowHandle owner,
                       DialogProcedure procedure, LParam param) {
    SetFullScreen(false);
    RunDialog(module, templateId, owner, procedure, param);
    if (FullScreenWanted()) SetFullScreen(true);
}

CQuarvelWnd* ActiveScreenObject() {
    switch (activeScreen) {
        case SCREEN_TITLE:
            return &titleScreen;
        case SCREEN_GAME:
            return &gameScreen;
        case SCREEN_CONTROLS:
            return &controlsScreen;
        default:
            return nullptr;
    }
}

void OnCreate(WindowHandle window) {
    LoadHighScores();
    LoadControls(window);
    LoadOptions();
    SurfaceHandle surface = GetWindowSurface(window);
    CreateBackBuffer(surface);
    ReleaseWindowSurface(window, surface);
    ShowTitleScreen(window);
    menuBar = CreatePackMenuBar(window, IDR_MAIN_MENU_BAR);
    if (menuBar == nullptr) PostQuitMessage(0);
}

void ClearHighScores(WindowHandle window) {
    char16_t question[CLEAR_QUESTION_SIZE];
    LoadString(resourcePack, IDS_CLEAR_QUESTION, question, CLEAR_QUESTION_SIZE);
    if (MessageBox(window, question, u"Quarvel", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    ResetHighScores();
    if (activeScreen == SCREEN_TITLE) {
        titleScreen.draw(nullptr);
        titleScreen.playClickSound();
    }
}

// Answers a menu command; false for ids the main window does not handle.
bool OnCommand(WindowHandle window, std::uint16_t command) {
    for (const NewGameCommand& game : NEW_GAME_COMMANDS) {
        if (command == game.command) {
            StartGame(window, game.junkRows, game.startLevel);
            return true;
        }
    }
    switch (command) {
        case IDM_SOUND:
            options.sound_on = options.sound_on == 0 ? 1 : 0;
            return true;
        case IDM_ABOUT:
            RunDialogWindowed(programInstance, IDD_ABOUT, window, AboutDialogProc, 0);
            return true;
        case IDM_EXIT:
            DestroyWindow(window);
            PostQuitMessage(0);
            return true;
        case IDM_CLEAR_HIGH_SCORES:
            ClearHighScores(window);
            return true;
        case IDM_CONTROLS:
            ShowControlsScreen(window);
            return true;
        case IDM_OPTIONS:
            RunDialogWindowed(resourcePack, IDD_OPTIONS, window, OptionsDialogProc, 0);
            return true;
        default:
            return false;
    }
}

void OnGameOverReport(WindowHandle window, WParam level, LParam score) {
    const auto points = static_cast<std::uint32_t>(score);
    highlightedRow = FindScorePlace(points);
    if (highlightedRow != -1) {
        ShowNameEntryDialog(window, points);
        if (activeScreen == SCREEN_TITLE) titleScreen.draw(nullptr);
    }
    if (static_cast<std::uint32_t>(LoadHighestLevel()) < static_cast<std::uint32_t>(level)) {
        SaveHighestLevel(static_cast<std::int32_t>(level));
    }
    ShowTitleScreen(window);
}

void OnDestroy() {
    SaveControls();
    SaveOptions();
    SaveHighScores();
    DeleteBackBuffer();  // the surface before its bitmap
    PostQuitMessage(0);
}

}  // namespace

LResult MainWndProc(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    if (message == WM_CREATE) {
        OnCreate(window);
        return 0;
    }
    if (CQuarvelWnd* screen = ActiveScreenObject()) screen->onMessage(message, wParam, lParam);
    switch (message) {
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_ACTIVATE:
            if (LowWord(wParam) == WA_INACTIVE) {
                SetFullScreen(false);
            } else if (FullScreenWanted()) {
                SetFullScreen(true);
            }
            return 0;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_COMMAND:
            if (OnCommand(window, LowWord(wParam))) return 0;
            return DefaultWindowProcedure(window, message, wParam, lParam);
        case WM_INITMENUPOPUP: {
            auto menu = reinterpret_cast<MenuHandle>(wParam);
            CheckMenuItem(menu, IDM_SOUND, options.sound_on ? MF_CHECKED : MF_UNCHECKED);
            EnableStartLevelItems(menu);
            return 0;
        }
        case WM_GAME_OVER_REPORT:
            OnGameOverReport(window, wParam, lParam);
            return 0;
        default:
            return DefaultWindowProcedure(window, message, wParam, lParam);
    }
}

void SetFullScreen(bool on) {
    if (mainWindow == nullptr) return;
    Rect target = GetWorkArea();
    if (on) target = Rect{0, 0, GetScreenWidth(), GetScreenHeight()};
    SetFullScreenMode(mainWindow, on ? SHFS_HIDETASKBAR | SHFS_HIDESTARTICON
                                     : SHFS_SHOWTASKBAR | SHFS_SHOWSTARTICON);
    MoveWindow(mainWindow, target.left, target.top, target.right - target.left,
               target.bottom - target.top, true);
}

void EnableStartLevelItems(MenuHandle menu) {
    const std::int32_t highest = LoadHighestLevel();
    for (const StartLevelItem& item : GREYABLE_START_LEVELS) {
        EnableMenuItem(menu, item.command, highest < item.level ? MF_GRAYED : MF_ENABLED);
    }
}

void ShowNameEntryDialog(WindowHandle window, std::uint32_t score) {
    RunDialogWindowed(resourcePack, IDD_NAME_ENTRY, window, NameEntryDialogProc,
                      static_cast<LParam>(score));
}

// ---- Screen switching ----

void ShowTitleScreen(WindowHandle window) {
    if (activeScreen == SCREEN_TITLE) return;
    SetInputPanel(false);
    previousScreen = activeScreen;
    activeScreen = SCREEN_TITLE;
    gameScreen.onLeave();
    controlsScreen.onLeave();
    titleScreen.activate(window, backDC);
    InvalidateRect(window, nullptr, false);
    UpdateWindow(window);
}

void ShowControlsScreen(WindowHandle window) {
    if (activeScreen == SCREEN_CONTROLS) return;
    previousScreen = activeScreen;
    activeScreen = SCREEN_CONTROLS;
    if (previousScreen == SCREEN_GAME) gameScreen.pause();
    controlsScreen.activate(window, backDC);
    InvalidateRect(window, nullptr, true);
}

void LeaveControlsScreen(WindowHandle window) {
    if (previousScreen == SCREEN_GAME) {
        activeScreen = SCREEN_GAME;
        InvalidateRect(window, nullptr, true);
    } else {
        ShowTitleScreen(window);
    }
    controlsScreen.onLeave();
}

void StartGame(WindowHandle window, std::int32_t junkRows, std::int32_t startLevel) {
    if (activeScreen != SCREEN_GAME) {
        previousScreen = activeScreen;
        activeScreen = SCREEN_GAME;
    }
    titleScreen.onLeave();
    controlsScreen.onLeave();
    gameScreen.beginGame(window, backDC, junkRows, startLevel);
    InvalidateRect(window, nullptr, false);
    UpdateWindow(window);
}
