#include <string>

#include "front/name_entry_dialog.h"
#include "front/screens.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/runtime/keys.h"
#include "platform/runtime/messages.h"
#include "platform/windows/windows.h"
#include "shell/main_window.h"
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
    // Ends a game with this score, running `steps` while the name dialog is open.
    void Report(std::int32_t level, std::uint32_t score) {
        PostMessage(mainWindow, WM_GAME_OVER_REPORT, static_cast<WParam>(level),
                    static_cast<LParam>(score));
        Pump();
    }
    void Type(const std::u16string& text) {
        host.steps.push_back([text] {
            for (char16_t c : text) DeliverChar(c);
        });
    }
    void Step(std::uint32_t key) {
        host.steps.push_back([key] { DeliverKey(key, true), DeliverKey(key, false); });
    }
};

TEST_F(NameEntryTest, QualifyingScoreTakesTheNameAndIsHighlighted) {
    ASSERT_TRUE(Start());
    Command(40007);
    bool panelUp = false;
    Type(u"Zedd");
    Step(VK_ESCAPE);  // Back deletes in the field instead of leaving
    host.steps.push_back([&] { panelUp = InputPanelUp(); });
    Step(VK_F1);  // Done
    Report(2, 45000);
    EXPECT_TRUE(Logged("dialog \"New high score\" shown \"You reached second place!\" \"Score:\" "
                       "\"45000\""));
    EXPECT_TRUE(Logged("dialog \"New high score\" ended 40058"));
    EXPECT_TRUE(panelUp);
    EXPECT_FALSE(InputPanelUp());  // the title puts it away
    EXPECT_EQ(highScores[1].score, 45000u);
    EXPECT_EQ(Name(1), u"Zed");
    EXPECT_EQ(Name(2), u"Idra");
    EXPECT_EQ(highlightedRow, 1);
    EXPECT_EQ(activeScreen, SCREEN_TITLE);
    EXPECT_TRUE(IsWindowVisible(menuBar));
    EXPECT_FALSE(IsSoftKeyVisible(&titleScreen, IDM_SCREEN_KEY));
}

TEST_F(NameEntryTest, EmptyNameIsPlayerAndAnEqualScoreGoesAbove) {
    ASSERT_TRUE(Start());
    Step(VK_ESCAPE);  // Back in an empty field: the dialog stays open
    Step(VK_F1);
    Report(1, 30000);
    EXPECT_EQ(Name(2), u"Player");
    EXPECT_EQ(highScores[2].score, 30000u);
    EXPECT_EQ(Name(3), u"Pontrel");
    EXPECT_EQ(Name(4), u"Melusk");  // Darvo dropped out
    EXPECT_EQ(highlightedRow, 2);
}

TEST_F(NameEntryTest, TheFieldTakesTenCharacters) {
    ASSERT_TRUE(Start());
    Type(u"ABCDEFGHIJKLMN");
    Step(VK_F1);
    Report(1, 99999);
    EXPECT_EQ(Name(0), u"ABCDEFGHIJ");
}

TEST_F(NameEntryTest, AScoreThatDoesNotQualifyShowsTheLastPlaceAndChangesNothing) {
    ASSERT_TRUE(Start());
    Step(VK_F1);
    ShowNameEntryDialog(mainWindow, 5);
    EXPECT_TRUE(Logged("\"You reached fifth place!\""));
    EXPECT_EQ(highScores[4].score, 10000u);
    EXPECT_EQ(Name(4), u"Darvo");
}

TEST_F(NameEntryTest, ATapAndAReleaseAfterGameOverEnterTheScoreOnce) {
    ASSERT_TRUE(Start());
    Command(40007);
    gameScreen.state = GameState::GameOver;
    gameScreen.score = 60000;
    Type(u"Once");
    Step(VK_F1);
    DeliverPen(PenAction::Down, 100, 100);
    DeliverPen(PenAction::Up, 100, 100);
    DeliverKey(VK_RETURN, true);
    DeliverKey(VK_RETURN, false);
    Pump();
    EXPECT_EQ(Name(0), u"Once");
    EXPECT_EQ(Name(1), u"Soraby");
    EXPECT_EQ(highScores[1].score, 50000u);
    EXPECT_EQ(activeScreen, SCREEN_TITLE);
}

}  // namespace
