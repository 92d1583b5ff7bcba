#include <string>

#include "front/screens.h"
#include "platform/runtime/keys.h"
#include "shell/main_window.h"
#include "shell/resource_ids.h"
#include "shell/soft_keys.h"
#include "tests/shell/program_support.h"

namespace {

std::u16string Label(std::int32_t command) {
    char16_t text[100] = u"unchanged";
    GetSoftKeyText(&gameScreen, command, text, 100);
    return text;
}

using SoftKeysTest = ProgramTest;

TEST_F(SoftKeysTest, ThePauseKeyFollowsTheGame) {
    ASSERT_TRUE(Start());
    EXPECT_FALSE(IsSoftKeyVisible(&gameScreen, IDM_SCREEN_KEY));  // hidden on the title
    Command(40011);
    EXPECT_TRUE(IsSoftKeyVisible(&gameScreen, IDM_SCREEN_KEY));
    EXPECT_EQ(Label(IDM_SCREEN_KEY), u"Pause");
    Press(VK_F1);
    EXPECT_TRUE(gameScreen.paused);
    EXPECT_EQ(Label(IDM_SCREEN_KEY), u"Resume");
    Press(VK_F1);
    EXPECT_FALSE(gameScreen.paused);
    EXPECT_EQ(Label(IDM_SCREEN_KEY), u"Pause");
    // The stack reaches the top while the drop key is held: the key goes.
    Key(VK_DOWN, true);
    Wait(60000);
    EXPECT_EQ(gameScreen.state, GameState::GameOver);
    EXPECT_FALSE(IsSoftKeyVisible(&gameScreen, IDM_SCREEN_KEY));
    Key(VK_DOWN, false);
}

TEST_F(SoftKeysTest, LabelsRoundTripAndMissingTextsAreEmpty) {
    ASSERT_TRUE(Start());
    gameScreen.window = mainWindow;
    char16_t saved[100];
    GetSoftKeyText(&gameScreen, IDM_MENU_KEY, saved, 100);
    EXPECT_EQ(std::u16string(saved), u"Menu");
    SetSoftKeyText(&gameScreen, IDM_MENU_KEY, saved);
    EXPECT_EQ(Label(IDM_MENU_KEY), u"Menu");
    SetSoftKeyLabel(&gameScreen, IDM_MENU_KEY, 39999);  // no such string
    EXPECT_EQ(Label(IDM_MENU_KEY), u"");
    SetSoftKeyVisible(&gameScreen, IDM_MENU_KEY, false);
    EXPECT_FALSE(IsSoftKeyVisible(&gameScreen, IDM_MENU_KEY));
    SetSoftKeyVisible(&gameScreen, IDM_MENU_KEY, true);
    EXPECT_TRUE(IsSoftKeyVisible(&gameScreen, IDM_MENU_KEY));

    // A screen whose window has no bar: nothing happens, nothing is visible.
    gameScreen.window = nullptr;
    SetSoftKeyLabel(&gameScreen, IDM_MENU_KEY, IDS_PAUSE_PAUSED);
    EXPECT_FALSE(IsSoftKeyVisible(&gameScreen, IDM_MENU_KEY));
    EXPECT_EQ(Label(IDM_MENU_KEY), u"unchanged");
}

}  // namespace
