#include "tests/shell/program_support.h"

namespace {

constexpr Colour WHITE = Rgb(255, 255, 255);

// The rectangle of row `i` of the title's high-score table.
Rect Row(std::int32_t i) {
    const CQuarvelSplashWnd& t = titleScreen;
    std::int32_t top = t.high_scores_top + i * t.high_scores_line_height;
    return Rect{t.high_scores_left1, top, t.high_scores_right2, top + t.high_scores_line_height};
}

class TitleTest : public ProgramTest {
  protected:
    std::int32_t Clicks() {
        std::int32_t clicks = 0;
        for (const std::string& line : TakeLog())
            clicks += line.find("sndDrop") != std::string::npos;
        return clicks;
    }
    static LParam At(std::int32_t x, std::int32_t y) {
        return static_cast<LParam>(static_cast<std::uint32_t>(y) << 16 |
                                   static_cast<std::uint16_t>(x));
    }
    void Pen(std::uint32_t message, std::int32_t x, std::int32_t y) {
        PostMessage(mainWindow, message, 1, At(x, y));
        Pump();
    }
};

// Up and Down wrap round the three choices with a click (when sound is on),
// other keys do nothing; the white outline follows the choice. Return or Action
// starts the chosen difficulty; with nothing chosen it only clicks.
TEST_F(TitleTest, KeysChooseAndStartADifficulty) {
    ASSERT_TRUE(Start());
    TakeLog();
    EXPECT_EQ(titleScreen.selection, -1);
    Press(VK_RETURN);
    EXPECT_EQ(activeScreen, SCREEN_TITLE);
    for (auto [key, selection] : {std::pair{VK_UP, 2}, {VK_DOWN, 0}, {VK_UP, 2}, {VK_LEFT, 2}}) {
        Press(key);
        EXPECT_EQ(titleScreen.selection, selection) << key;
    }
    EXPECT_EQ(Clicks(), 4);
    options.sound_on = 0;
    Press(VK_DOWN);
    EXPECT_EQ(titleScreen.selection, 0);
    EXPECT_EQ(Clicks(), 0);
    const Rect easy = titleScreen.easy_selection_rect;
    const Rect mid{easy.left, (easy.top + easy.bottom) / 2, easy.left + 1,
                   (easy.top + easy.bottom) / 2 + 1};
    EXPECT_GT(ScreenPixelsOf(mid, WHITE), 0);
    Press(VK_DOWN);
    EXPECT_EQ(ScreenPixelsOf(mid, WHITE), 0);
    Press(VK_ACTION);
    EXPECT_EQ(activeScreen, SCREEN_GAME);
    EXPECT_EQ(gameScreen.level, 4);
    // Six junk rows: row 14 has junk, nothing above it.
    EXPECT_EQ(std::count(gameScreen.board, gameScreen.board + 140, EMPTY_TILE), 140);
    EXPECT_LT(std::count(gameScreen.board + 140, gameScreen.board + 150, EMPTY_TILE), 10);
}

TEST_F(TitleTest, TapsChooseOnPressAndStartWhereReleased) {
    ASSERT_TRUE(Start());
    const Rect easy = titleScreen.easy_selection_rect;
    const Rect hard = titleScreen.hard_selection_rect;
    Pen(WM_LBUTTONDOWN, easy.left, easy.top);
    EXPECT_EQ(titleScreen.selection, 0);
    Pen(WM_LBUTTONDOWN, easy.right, easy.top);  // right and bottom edges are outside
    EXPECT_EQ(titleScreen.selection, -1);
    Pen(WM_LBUTTONUP, 0xFFFF, 0xFFFF);
    EXPECT_EQ(activeScreen, SCREEN_TITLE);
    TakeLog();
    Pen(WM_LBUTTONDOWN, easy.left + 1, easy.top + 1);
    Pen(WM_LBUTTONUP, hard.left + 1, hard.bottom - 1);
    EXPECT_EQ(activeScreen, SCREEN_GAME);
    EXPECT_EQ(gameScreen.level, 8);
    EXPECT_EQ(Clicks(), 0);  // a tap starts without the click

    // Overlapping areas favour easy, then medium.
    titleScreen.medium_selection_rect = easy;
    EXPECT_EQ(titleScreen.hitTest(At(easy.left, easy.top)), 0);
    titleScreen.hard_selection_rect = titleScreen.medium_selection_rect = hard;
    EXPECT_EQ(titleScreen.hitTest(At(hard.left, hard.top)), 1);
}

// A layout asking for more rows than the table holds gets the five. (The
// newest row's colour is pinned with the name entry, below.)
TEST_F(TitleTest, AtMostFiveRowsAreDrawn) {
    ASSERT_TRUE(Start());
    titleScreen.high_scores_count = 9;
    titleScreen.high_scores_top = 0;  // all nine would be on the screen
    titleScreen.draw(nullptr);
    EXPECT_GT(ScreenPixelsOf(Row(4), WHITE), 0);
}

TEST_F(TitleTest, WorksWithoutPictureAndClickSound) {
    UsePackWithout({"BITMAP/106", "WAVE/sndDrop"});
    ASSERT_TRUE(Start());
    EXPECT_EQ(titleScreen.titlePicture, nullptr);
    EXPECT_EQ(ScreenPixel(2, 2), WHITE);
    TakeLog();
    Press(VK_DOWN);
    EXPECT_EQ(titleScreen.selection, 0);
    EXPECT_EQ(Clicks(), 0);
    Press(VK_RETURN);
    EXPECT_EQ(activeScreen, SCREEN_GAME);
}

// The picture is held under the key screen and loaded again on return, the old
// one freed: pictures held past the layer's budget (64 MiB) would not load, so
// a title that kept its old pictures would lose its own within 250 returns.
TEST_F(TitleTest, ReturningToTheTitleReloadsItsPictureOnce) {
    ASSERT_TRUE(Start());
    for (int round = 0; round < 250; ++round) {
        Command(IDM_CONTROLS);
        ASSERT_NE(titleScreen.titlePicture, nullptr) << round;
        Command(IDM_SCREEN_KEY);
        ASSERT_EQ(activeScreen, SCREEN_TITLE);
        ASSERT_NE(titleScreen.titlePicture, nullptr) << round;
    }
    EXPECT_EQ(titleScreen.selection, -1);
}

std::u16string Name(int row) {
    char16_t name[HIGH_SCORE_NAME_UNITS + 1];
    HighScoreName(highScores[row], name);
    return name;
}

class NameEntryTest : public ProgramTest {
  protected:
    void Type(const std::u16string& text) {
        host.steps.push_back([text] {
            for (char16_t c : text)
                DeliverChar(c);
        });
    }
};

// The dialog names the place and the score; Back deletes in the field (in an
// empty one it does nothing, the dialog has no cancel), which takes ten
// characters; Done enters the row, which the title shows highlighted.
TEST_F(NameEntryTest, AQualifyingScoreTakesTheNameAndIsHighlighted) {
    ASSERT_TRUE(Start());
    Command(40007);
    bool panelUp = false;
    PressLater(VK_ESCAPE);
    Type(u"ABCDEFGHIJKLMN");
    PressLater(VK_ESCAPE);
    host.steps.push_back([&] { panelUp = InputPanelUp(); });
    PressLater(VK_F1);  // Done
    PostMessage(mainWindow, WM_GAME_OVER_REPORT, 2, 45000);
    Pump();
    EXPECT_TRUE(
        Logged("dialog \"New high score\" shown \"You reached second place!\" \"Score:\" "
               "\"45000\""));
    EXPECT_TRUE(Logged("dialog \"New high score\" ended 40058"));
    EXPECT_TRUE(panelUp);
    EXPECT_FALSE(InputPanelUp());  // the title puts it away
    EXPECT_EQ(highScores[1].score, 45000u);
    EXPECT_EQ(Name(1), u"ABCDEFGHI");
    EXPECT_EQ(Name(2), u"Idra");
    EXPECT_EQ(highlightedRow, 1);
    for (std::int32_t i = 0; i < 5; ++i)  // pale yellow, and no other row
        EXPECT_EQ(ScreenPixelsOf(Row(i), Rgb(255, 255, 128)) > 0, i == 1) << i;
    EXPECT_EQ(activeScreen, SCREEN_TITLE);
    EXPECT_TRUE(IsWindowVisible(menuBar));
    EXPECT_FALSE(IsSoftKeyVisible(&titleScreen, IDM_SCREEN_KEY));
}

// A tap and a key release after a game over enter the score once.
TEST_F(NameEntryTest, ATapAndAReleaseAfterGameOverEnterTheScoreOnce) {
    ASSERT_TRUE(Start());
    Command(40007);
    gameScreen.state = GameState::GameOver;
    gameScreen.score = 60000;
    Type(u"Once");
    PressLater(VK_F1);
    DeliverTap(100, 100);
    DeliverPresses({VK_RETURN});
    Pump();
    EXPECT_EQ(Name(0), u"Once");
    EXPECT_EQ(Name(1), u"Soraby");
    EXPECT_EQ(highScores[1].score, 50000u);
    EXPECT_EQ(activeScreen, SCREEN_TITLE);
}

}  // namespace
