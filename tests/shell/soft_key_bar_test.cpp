// The soft-key bar as the screen shows it around a game over, whatever brings the
// main window to the front (a second start of the program does, on the desktop).
#include "front/screens.h"
#include "platform/internal/phone_shell_internal.h"
#include "platform/resources/resources.h"
#include "platform/runtime/keys.h"
#include "platform/runtime/program.h"
#include "platform/windows/windows.h"
#include "rules/game.h"
#include "shell/main_window.h"
#include "shell/screen_switching.h"
#include "tests/shell/program_support.h"

namespace {

class SoftKeyBarTest : public ProgramTest {
  protected:
    // Whether the bottom strip shows the bar: its edge line on top, its colour
    // between the labels, and not a single row of the white the main window is
    // erased with.
    void ExpectBarShown(const char* when) {
        SCOPED_TRACE(when);
        EXPECT_EQ(ScreenPixel(2, 294), PHONE_SHELL_BAR_EDGE);
        EXPECT_EQ(ScreenPixel(120, 300), PHONE_SHELL_BAR_COLOUR);
        EXPECT_EQ(ScreenPixel(2, 319), PHONE_SHELL_BAR_COLOUR);
        EXPECT_EQ(ScreenPixel(237, 319), PHONE_SHELL_BAR_COLOUR);
    }

    void PlayToGameOver() {
        Command(40011);  // hard: ten junk rows, so the stack soon reaches the top
        Key(VK_DOWN, true);
        Wait(60000);
        Key(VK_DOWN, false);
        ASSERT_EQ(gameScreen.state, GameState::GameOver);
    }
};

TEST_F(SoftKeyBarTest, BarStaysOverTheMainWindowAfterAGameOverAndARaise) {
    ASSERT_TRUE(Start());
    ExpectBarShown("title");
    PlayToGameOver();
    ExpectBarShown("game over");

    // A second start raises the running program's window; its bar comes along.
    EXPECT_EQ(ProgramMain(ProgramModule(), nullptr, u"", SW_SHOWNORMAL), 0);
    Pump();
    ExpectBarShown("game over, raised");

    Press(VK_ACTION);  // 240 points: below the table, straight to the title
    ASSERT_EQ(activeScreen, SCREEN_TITLE);
    ExpectBarShown("title after the game");
    Command(40007);
    Wait(500);
    ExpectBarShown("next game");
}

TEST_F(SoftKeyBarTest, BarComesBackAfterTheNameDialog) {
    // A table of tiny scores, so the game's score enters it.
    std::vector<std::uint8_t> table;
    for (std::uint8_t place = 0; place < 5; ++place) {
        table.insert(table.end(), {static_cast<std::uint8_t>(5 - place), 0, 0, 0});
        table.insert(table.end(), 32, 0);
    }
    WriteStore(StoreWith("\"HighScores\"=" + HexBytes(table)));
    ASSERT_TRUE(Start());
    PlayToGameOver();
    // The release of Action reports the game over. While the dialog is open, a
    // second start raises the window, then Done.
    Key(VK_ACTION, true);
    host.steps.push_back([] { ProgramMain(ProgramModule(), nullptr, u"", SW_SHOWNORMAL); });
    host.steps.push_back([] { DeliverKey(VK_F1, true), DeliverKey(VK_F1, false); });
    Key(VK_ACTION, false);
    EXPECT_TRUE(Logged("dialog \"New high score\" ended 40058"));
    ASSERT_EQ(activeScreen, SCREEN_TITLE);
    ExpectBarShown("title after the name");
}

}  // namespace
