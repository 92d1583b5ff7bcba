#include "platform/runtime/program.h"
#include "shell/layout_text.h"
#include "tests/shell/program_support.h"

namespace fs = std::filesystem;

namespace {

constexpr Rect FULL_SCREEN{0, 0, 240, 320};
// A stored key layout with the drop on application key 3.
const std::string DROP_ON_APP3 =
    "\"Controls\"=" +
    HexBytes({0, 0, 0, 0, 37, 0, 0, 0, 39, 0, 0, 0, 13, 0, 0, 0, 38, 0, 0, 0, 195, 0, 0, 0});

// The game height of the pack a screen size loads, or -1 when none loads.
std::int32_t PackFor(std::int32_t width, std::int32_t height) {
    LayoutMap.clear();
    if (!LoadResourcePack(width, height)) return -1;
    FreeModule(resourcePack);
    resourcePack = nullptr;
    return gameHeight;
}

// The check and grey states of a menu item (MF_CHECKED, MF_GRAYED bits) as the
// menu's opening sets them.
std::int32_t ItemState(MenuHandle menu, std::uint16_t command) {
    SendMessage(mainWindow, WM_INITMENUPOPUP, reinterpret_cast<WParam>(menu), 0);
    const std::int32_t checked = CheckMenuItem(menu, command, MF_UNCHECKED);
    CheckMenuItem(menu, command, static_cast<std::uint32_t>(checked));
    const std::int32_t grayed = EnableMenuItem(menu, command, MF_ENABLED);
    EnableMenuItem(menu, command, static_cast<std::uint32_t>(grayed));
    return checked | grayed;
}

using MainWindowTest = ProgramTest;

TEST_F(MainWindowTest, StartsOnTheTitleFullScreenWithSettingsLoaded) {
    WriteStore(StoreWith("\"Options\"=" + HexBytes({1, 1, 1, 1, 7, 0, 0, 0, 0, 0, 0, 0}) + "\n" +
                         DROP_ON_APP3));
    ASSERT_TRUE(Start());
    EXPECT_EQ(activeScreen, SCREEN_TITLE);
    EXPECT_EQ(FindMenuBar(mainWindow), menuBar);
    EXPECT_EQ(GetWindowRect(mainWindow), FULL_SCREEN);
    EXPECT_FALSE(IsSoftKeyVisible(&titleScreen, IDM_SCREEN_KEY));
    EXPECT_TRUE(IsSoftKeyVisible(&titleScreen, IDM_MENU_KEY));
    EXPECT_EQ(options.repeat_speed, 7);
    EXPECT_EQ(options.sound_on, 0);
    EXPECT_EQ(AppKeyWindow(195), mainWindow);  // claimed when the stored layout loaded
    // The title's picture and the default table are on the screen.
    EXPECT_NE(ScreenPixel(120, 40), Rgb(255, 255, 255));
    EXPECT_EQ(highScores[0].score, 50000u);

    // A second start only raises this one: no pack is loaded.
    ModuleHandle pack = resourcePack;
    EXPECT_EQ(ProgramMain(ProgramModule(), nullptr, u"", SW_SHOWNORMAL), 0);
    EXPECT_EQ(resourcePack, pack);
    EXPECT_EQ(GetActiveWindow(), mainWindow);
}

TEST_F(MainWindowTest, PicksThePackBySizeWithExactlyOneFallback) {
    for (const std::vector<std::string>& row : TableRows(TABLES "/pack_sizes.txt")) {
        EXPECT_EQ(PackFor(std::stoi(row[0]), std::stoi(row[1])), std::stoi(row[2]))
            << row[0] << "x" << row[1];
    }

    // Only one fallback: 240x240 is chosen and missing, so 240x320 is not tried.
    UsePackWithout({});
    TakeLog();
    EXPECT_EQ(PackFor(320, 240), -1);
    EXPECT_TRUE(Logged("message box \"Error\" \"Could not load resources\""));
    EXPECT_EQ(PackFor(240, 320), 294);
}

TEST_F(MainWindowTest, ProgramEndsAtOnceWithoutPackOrMenuBar) {
    fs::create_directories(dir / "packs");
    SetModuleFolder((dir / "packs").c_str());
    SetScreenSize(240, 320);
    StartPhoneShell(u"Quarvel");
    EXPECT_EQ(ProgramMain(ProgramModule(), nullptr, u"", SW_SHOWNORMAL), -1);
    EXPECT_TRUE(Logged("\"Could not load resources\""));
    EXPECT_EQ(FindWindow(u"Quarvel", u"Quarvel"), nullptr);

    // Without menu bar 102 the quit message is posted while the window is made.
    UsePackWithout({"MENUBAR/102"});
    host.steps.push_back([] { FAIL() << "the loop waited for input"; });
    EXPECT_EQ(ProgramMain(ProgramModule(), nullptr, u"", SW_SHOWNORMAL), 0);
    host.steps.clear();
    EXPECT_EQ(menuBar, nullptr);
    EXPECT_EQ(activeScreen, SCREEN_TITLE);
}

// Sound toggles (any stored value but 0 counts as on); start levels above the
// highest reached are grey, the presets never, and a grey one cannot be chosen.
TEST_F(MainWindowTest, MenuChecksAndGreyedStartLevels) {
    ASSERT_TRUE(Start());
    MenuHandle menu = SoftKeyMenu(menuBar, 1);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(ItemState(menu, IDM_SOUND) & MF_CHECKED, static_cast<std::int32_t>(MF_CHECKED));
    Command(IDM_SOUND);
    EXPECT_EQ(options.sound_on, 0);
    EXPECT_EQ(ItemState(menu, IDM_SOUND) & MF_CHECKED, 0);
    options.sound_on = 5;
    Command(IDM_SOUND);
    EXPECT_EQ(options.sound_on, 0);

    auto greyed = [&](std::uint16_t command) {
        return (ItemState(menu, command) & MF_GRAYED) != 0;
    };
    for (const StartLevelItem& item : GREYABLE_START_LEVELS)
        EXPECT_TRUE(greyed(item.command));
    for (std::uint16_t preset : {40019, 40020, 40013})
        EXPECT_FALSE(greyed(preset));
    SaveHighestLevel(14);
    EXPECT_FALSE(greyed(40021));
    EXPECT_TRUE(greyed(40022));
    SaveHighestLevel(50);
    for (const StartLevelItem& item : GREYABLE_START_LEVELS)
        EXPECT_FALSE(greyed(item.command));
    SaveHighestLevel(0);
    EXPECT_EQ(ChooseMenuCommand(40036), MenuChoice::Grayed);
    EXPECT_EQ(activeScreen, SCREEN_TITLE);
}

TEST_F(MainWindowTest, NewGameCommandsStartAndReplaceGames) {
    ASSERT_TRUE(Start());
    Command(40012);
    EXPECT_EQ(activeScreen, SCREEN_GAME);
    EXPECT_EQ(gameScreen.level, 14);
    EXPECT_EQ(titleScreen.titlePicture, nullptr);  // released when the game started
    EXPECT_LT(std::count(gameScreen.board, gameScreen.board + 200, EMPTY_TILE), 200);  // junk
    EXPECT_TRUE(IsSoftKeyVisible(&gameScreen, IDM_SCREEN_KEY));
    Command(40036);  // a command starts what it says, greyed in the menu or not
    EXPECT_EQ(gameScreen.level, 50);
    EXPECT_EQ(previousScreen, SCREEN_TITLE);
}

TEST_F(MainWindowTest, ClearHighScoresAsksFirst) {
    ASSERT_TRUE(Start());
    highScores[0].score = 77777;
    highlightedRow = 0;
    PressLater(VK_ESCAPE);
    Command(IDM_CLEAR_HIGH_SCORES);
    EXPECT_TRUE(Logged("message box \"Quarvel\" \"Clear the high-score table?\""));
    EXPECT_EQ(highScores[0].score, 77777u);
    EXPECT_EQ(highlightedRow, 0);
    TakeLog();
    PressLater(VK_RETURN);
    Command(IDM_CLEAR_HIGH_SCORES);
    EXPECT_EQ(highScores[0].score, 50000u);
    EXPECT_EQ(highlightedRow, -1);
    EXPECT_TRUE(Logged("sound WAVE/sndDrop async"));  // the title clicks
}

// The About box ends with a tap on the ok of its caption.
TEST_F(MainWindowTest, DialogsRunOutsideFullScreen) {
    ASSERT_TRUE(Start());
    Rect during;
    host.steps.push_back([&] {
        during = GetWindowRect(mainWindow);
        const Rect about = GetWindowRect(FindWindow(u"PhoneDialog", u"Quarvel - About"));
        const std::int32_t strip = PhoneShellStripHeight();
        const Point ok{about.right - std::max(3, strip / 6) - (strip + 8) / 2,
                       about.top + strip / 2};
        DeliverTap(ok.x, ok.y);
    });
    Command(IDM_ABOUT);
    EXPECT_TRUE(Logged("dialog \"Quarvel - About\" shown"));
    EXPECT_TRUE(Logged("dialog \"Quarvel - About\" ended 1"));
    EXPECT_EQ(during, GetWorkArea());
    EXPECT_EQ(GetWindowRect(mainWindow), FULL_SCREEN);
    EXPECT_TRUE(IsWindowVisible(menuBar));
}

// The system's foreground leaving (another window, minimising) leaves full
// screen, and coming back takes it again; a dialog that was open gets the
// activation back. (What the game screen does on both is pinned with it.)
TEST_F(MainWindowTest, LosingTheForegroundLeavesFullScreenAndADialogGetsItBack) {
    ASSERT_TRUE(Start());
    DeliverActivation(false);
    Pump();
    EXPECT_EQ(GetWindowRect(mainWindow), GetWorkArea());
    EXPECT_EQ(GetActiveWindow(), nullptr);
    DeliverActivation(true);
    Pump();
    EXPECT_EQ(GetWindowRect(mainWindow), FULL_SCREEN);
    EXPECT_EQ(GetActiveWindow(), mainWindow);

    WindowHandle dialog = nullptr;
    host.steps.push_back([&] {
        dialog = GetActiveWindow();
        DeliverActivation(false);
    });
    host.steps.push_back([&] { EXPECT_EQ(GetActiveWindow(), nullptr); });
    host.steps.push_back([&] { DeliverActivation(true); });
    host.steps.push_back([&] { EXPECT_EQ(GetActiveWindow(), dialog); });
    PressLater(VK_F1);  // Done
    Command(IDM_ABOUT);
    EXPECT_NE(dialog, mainWindow);
    EXPECT_EQ(GetActiveWindow(), mainWindow);
}

// A report below the table goes straight to the title; the highest level is
// written at once, and only when higher than the stored one.
TEST_F(MainWindowTest, GameOverReportsAndTheHighestLevel) {
    ASSERT_TRUE(Start());
    Command(40011);
    SaveHighestLevel(12);
    const std::string before = StoreText();
    for (WParam level : {3, 12}) {
        PostMessage(mainWindow, WM_GAME_OVER_REPORT, level, 500);
        Pump();
        EXPECT_FALSE(Logged("dialog \"New high score\""));
        EXPECT_EQ(highlightedRow, -1);
        EXPECT_EQ(activeScreen, SCREEN_TITLE);
        EXPECT_EQ(StoreText(), before);
    }
    PostMessage(mainWindow, WM_GAME_OVER_REPORT, 13, 0);
    Pump();
    EXPECT_NE(StoreText().find("\"HighestLevel\"=dword:0000000d"), std::string::npos);
}

// What is saved on the way out is checked by the recorded game's replay.
TEST_F(MainWindowTest, DestroyingTheWindowFreesTheBackBufferAndQuits) {
    ASSERT_TRUE(Start());
    DestroyWindow(mainWindow);
    Message quit;
    ASSERT_TRUE(TakePostedMessage(quit) || GetMessage(quit) == 0);
    EXPECT_EQ(backDC, nullptr);
    EXPECT_EQ(backBitmap, nullptr);
}

TEST_F(MainWindowTest, APackWithoutLayoutOrNameDialogStillRuns) {
    UsePackWithout({"TEXT/101", "DIALOG/108"});
    ASSERT_TRUE(Start());
    EXPECT_EQ(gameWidth, 0);
    EXPECT_EQ(backBitmap, nullptr);  // nothing to draw into, and nothing breaks
    Press(VK_DOWN);
    Press(VK_RETURN);
    EXPECT_EQ(activeScreen, SCREEN_GAME);
    Wait(2000);
    // A qualifying score without its dialog: the table is unchanged, the title shows.
    PostMessage(mainWindow, WM_GAME_OVER_REPORT, 2, 60000);
    Pump();
    EXPECT_EQ(highlightedRow, 0);
    EXPECT_EQ(highScores[0].score, 50000u);
    EXPECT_EQ(activeScreen, SCREEN_TITLE);
}

using SoftKeysTest = ProgramTest;

TEST_F(SoftKeysTest, ThePauseKeyFollowsTheGame) {
    ASSERT_TRUE(Start());
    EXPECT_FALSE(IsSoftKeyVisible(&gameScreen, IDM_SCREEN_KEY));  // hidden on the title
    Command(40011);
    EXPECT_TRUE(IsSoftKeyVisible(&gameScreen, IDM_SCREEN_KEY));
    EXPECT_EQ(SoftKeyLabel(gameScreen, IDM_SCREEN_KEY), u"Pause");
    Press(VK_F1);
    EXPECT_TRUE(gameScreen.paused);
    EXPECT_EQ(SoftKeyLabel(gameScreen, IDM_SCREEN_KEY), u"Resume");
    Press(VK_F1);
    EXPECT_FALSE(gameScreen.paused);
    EXPECT_EQ(SoftKeyLabel(gameScreen, IDM_SCREEN_KEY), u"Pause");
    // The stack reaches the top while the drop key is held: the key goes.
    Key(VK_DOWN, true);
    Wait(60000);
    EXPECT_EQ(gameScreen.state, GameState::GameOver);
    EXPECT_FALSE(IsSoftKeyVisible(&gameScreen, IDM_SCREEN_KEY));
    Key(VK_DOWN, false);
}

}  // namespace
