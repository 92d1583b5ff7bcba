#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "front/options_dialog.h"
#include "front/screens.h"
#include "platform/dialogs/dialogs.h"
#include "platform/internal/phone_shell_internal.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/runtime/keys.h"
#include "platform/runtime/messages.h"
#include "platform/windows/windows.h"
#include "shell/main_window.h"
#include "shell/options.h"
#include "shell/resource_ids.h"
#include "shell/screen_switching.h"
#include "shell/settings.h"
#include "tests/shell/program_support.h"

namespace {

std::vector<std::uint8_t> Bytes(const OptionsRecord& record) {
    std::uint8_t bytes[OPTIONS_RECORD_SIZE];
    OptionsToBytes(record, bytes);
    return {bytes, bytes + OPTIONS_RECORD_SIZE};
}

WindowHandle OptionsDialog() {
    return FindWindow(u"PhoneDialog", u"Options");
}

LResult Control(std::int32_t control, std::uint32_t message, WParam wParam = 0, LParam lParam = 0) {
    return SendDialogItemMessage(OptionsDialog(), control, message, wParam, lParam);
}

class OptionsDialogTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(Start());
        // Not the defaults, and with values a stored record may hold.
        options.rising_junk = 0;
        options.show_shadow = 7;
        options.fixed_seed = 1;
        options.repeat_speed = 8;
        options.sound_on = 0;
    }
    // Steps for the open dialog, run while it waits for input.
    void Then(std::function<void()> step) { host.steps.push_back(std::move(step)); }
    // Opens the dialog from the menu; it runs the queued steps and ends with them.
    void RunOptions() {
        EXPECT_EQ(ChooseMenuCommand(IDM_OPTIONS), MenuChoice::Chosen);
        Pump();
        EXPECT_EQ(OptionsDialog(), nullptr) << "the dialog is still open";
    }
    // A tap in the middle of a control of the dialog.
    void TapControl(std::int32_t control) {
        Then([control] {
            const Rect r = GetWindowRect(GetDialogItem(OptionsDialog(), control));
            DeliverPen(PenAction::Down, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
            DeliverPen(PenAction::Up, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        });
    }
    void PressStep(std::uint32_t key) {
        Then([key] {
            DeliverKey(key, true);
            DeliverKey(key, false);
        });
    }
    // The player changes every box but the shadow's and slides the speed to 3.
    void ChangeEverything() {
        for (std::int32_t box : {IDC_RISING_JUNK, IDC_LEVEL_BACKGROUNDS, IDC_SINGLE_PRESS_DROP,
                                 IDC_FIXED_SEED, IDC_EXTRA_PIECES})
            TapControl(box);
        Then([] { Control(IDC_REPEAT_SPEED, TBM_SETPOS, 1, 3); });
    }
    void SendCommand(std::uint16_t command) {
        Then([command] { PostMessage(OptionsDialog(), WM_COMMAND, command, 0); });
    }
    std::string StoredOptionsLine(const OptionsRecord& record) {
        return "\"Options\"=" + HexBytes(Bytes(record));
    }
};

TEST_F(OptionsDialogTest, OpensShowingTheRecordWithItsOwnSoftKeys) {
    Then([] {
        ASSERT_NE(OptionsDialog(), nullptr);
        EXPECT_EQ(Control(IDC_RISING_JUNK, BM_GETCHECK), 0);
        EXPECT_EQ(Control(IDC_LEVEL_BACKGROUNDS, BM_GETCHECK), 1);
        EXPECT_EQ(Control(IDC_SHOW_SHADOW, BM_GETCHECK), 1);
        EXPECT_EQ(Control(IDC_SINGLE_PRESS_DROP, BM_GETCHECK), 0);
        EXPECT_EQ(Control(IDC_FIXED_SEED, BM_GETCHECK), 1);
        EXPECT_EQ(Control(IDC_EXTRA_PIECES, BM_GETCHECK), 0);
        EXPECT_EQ(Control(IDC_REPEAT_SPEED, TBM_GETPOS), 8);
        EXPECT_FALSE(IsWindowVisible(menuBar));
        EXPECT_NE(optionsMenuBar, nullptr);
        EXPECT_TRUE(IsWindowVisible(optionsMenuBar));
        EXPECT_EQ(GetWindowRect(OptionsDialog()), (Rect{0, 0, 240, 320}));
    });
    PressStep(VK_F2);  // Cancel
    RunOptions();
    EXPECT_TRUE(IsWindowVisible(menuBar));
    EXPECT_EQ(GetWindowRect(mainWindow), (Rect{0, 0, 240, 320}));  // full screen again
}

TEST_F(OptionsDialogTest, CancelLeavesTheRecordByteForByteAndStoresNothing) {
    options.repeat_speed = 0;  // outside the slider's range
    const std::vector<std::uint8_t> before = Bytes(options);
    const std::string storeBefore = StoreText();
    for (std::uint16_t cancel : {IDM_CANCEL, static_cast<std::uint16_t>(IDCANCEL)}) {
        SCOPED_TRACE(cancel);
        ChangeEverything();
        SendCommand(cancel);
        RunOptions();
        EXPECT_EQ(Bytes(options), before);
        EXPECT_EQ(StoreText(), storeBefore);
    }
}

TEST_F(OptionsDialogTest, DoneStoresTheBoxesAsOnesAndZerosAtOnce) {
    for (std::uint16_t done : {IDM_CONFIRM, static_cast<std::uint16_t>(IDOK)}) {
        SCOPED_TRACE(done);
        ChangeEverything();
        SendCommand(done);
        RunOptions();
        // Every changed box flipped (the second round flips them back); the
        // untouched shadow box stores 1 for its 7; sound is not on the dialog.
        const bool first = done == IDM_CONFIRM;
        OptionsRecord expected;
        expected.rising_junk = first ? 1 : 0;
        expected.level_backgrounds = first ? 0 : 1;
        expected.show_shadow = 1;
        expected.single_press_drop = first ? 1 : 0;
        expected.repeat_speed = 3;
        expected.fixed_seed = first ? 0 : 1;
        expected.extra_pieces = first ? 1 : 0;
        expected.sound_on = 0;
        EXPECT_EQ(Bytes(options), Bytes(expected));
        // In the store file already, long before the program ends.
        EXPECT_NE(StoreText().find(StoredOptionsLine(expected)), std::string::npos) << StoreText();
    }
}

TEST_F(OptionsDialogTest, ClearingTheHighScoresAsksAndAYesStandsEvenWhenCancelled) {
    HighScoreEntry defaults[HIGH_SCORE_COUNT];
    FillDefaultHighScores();
    std::memcpy(defaults, highScores, sizeof defaults);
    for (bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "yes" : "no");
        for (std::int32_t i = 0; i < HIGH_SCORE_COUNT; ++i) {
            highScores[i] = HighScoreEntry{};
            highScores[i].score = static_cast<std::uint32_t>(900 - 100 * i);
            highScores[i].name[0] = static_cast<char16_t>(u'V' + i);
        }
        highlightedRow = 2;
        HighScoreEntry before[HIGH_SCORE_COUNT];
        std::memcpy(before, highScores, sizeof before);

        TapControl(IDC_RESET_HIGH_SCORES);
        PressStep(yes ? VK_RETURN : VK_ESCAPE);             // the question's answer
        Then([] { EXPECT_NE(OptionsDialog(), nullptr); });  // still open
        PressStep(VK_F2);                                   // Cancel
        RunOptions();
        EXPECT_TRUE(Logged("message box \"Quarvel\" \"Clear the high-score table?\""));
        EXPECT_EQ(std::memcmp(highScores, yes ? defaults : before, sizeof before), 0);
        EXPECT_EQ(highlightedRow, yes ? -1 : 2);
        TakeLog();
    }
}

}  // namespace
