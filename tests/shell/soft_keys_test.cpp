#include <string>

#include "front/screens.h"
#include "platform/runtime/keys.h"
#include "shell/main_window/main_window.h"
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

// A label the pack lacks reads empty; a screen whose window has no bar changes
// nothing and shows no key.
TEST_F(SoftKeysTest, MissingTextsAndBarsShowNothing) {
    ASSERT_TRUE(Start());
    gameScreen.window = mainWindow;
    SetSoftKeyLabel(&gameScreen, IDM_MENU_KEY, 39999);
    EXPECT_EQ(Label(IDM_MENU_KEY), u"");
    gameScreen.window = nullptr;
    SetSoftKeyLabel(&gameScreen, IDM_MENU_KEY, IDS_PAUSE_PAUSED);
    EXPECT_FALSE(IsSoftKeyVisible(&gameScreen, IDM_MENU_KEY));
    EXPECT_EQ(Label(IDM_MENU_KEY), u"unchanged");
}

}  // namespace
