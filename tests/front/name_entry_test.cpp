#include <string>

#include "front/screens.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/runtime/keys.h"
#include "platform/windows/windows.h"
#include "shell/main_window/main_window.h"
#include "shell/records/game_over_report.h"
#include "shell/resource_ids.h"
#include "shell/screen_switching.h"
#include "shell/settings.h"
#include "shell/soft_keys.h"
#include "tests/shell/program_support.h"

namespace {

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
