#include <cstring>
#include <span>

#include "front/options_dialog.h"
#include "platform/dialogs/dialogs.h"
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
        Then([control] { DeliverTapOn(GetDialogItem(OptionsDialog(), control)); });
    }
};

// The dialog shows the record, with its own soft keys in place of the main
// window's. Done (its soft key or OK) keeps every box as 1 or 0 and the speed,
// and stores them at once; Cancel (its soft key or the dialog's own) leaves the
// record byte for byte, a speed outside the slider's range too, and stores nothing.
TEST_F(OptionsDialogTest, ShowsTheRecordAndKeepsItOnlyOnDone) {
    // The boxes and their records' fields; the player changes all but the shadow's.
    const std::pair<std::int32_t, std::uint8_t OptionsRecord::*> boxes[] = {
        {IDC_SHOW_SHADOW, &OptionsRecord::show_shadow},
        {IDC_RISING_JUNK, &OptionsRecord::rising_junk},
        {IDC_LEVEL_BACKGROUNDS, &OptionsRecord::level_backgrounds},
        {IDC_SINGLE_PRESS_DROP, &OptionsRecord::single_press_drop},
        {IDC_FIXED_SEED, &OptionsRecord::fixed_seed},
        {IDC_EXTRA_PIECES, &OptionsRecord::extra_pieces}};
    Then([&boxes] {
        ASSERT_NE(OptionsDialog(), nullptr);
        for (auto [box, flag] : boxes)
            EXPECT_EQ(Control(box, BM_GETCHECK), options.*flag != 0 ? 1 : 0) << box;
        EXPECT_EQ(Control(IDC_REPEAT_SPEED, TBM_GETPOS), 8);
        EXPECT_FALSE(IsWindowVisible(menuBar));
        EXPECT_TRUE(IsWindowVisible(optionsMenuBar));
    });
    for (std::uint16_t command :
         {IDM_CANCEL, std::uint16_t{IDCANCEL}, IDM_CONFIRM, std::uint16_t{IDOK}}) {
        SCOPED_TRACE(command);
        if (command == IDCANCEL) options.repeat_speed = 0;
        const OptionsRecord before = options;
        const std::string storeBefore = StoreText();
        for (auto [box, flag] : std::span(boxes).subspan(1))
            TapControl(box);
        Then([] {  // a tap at the slider's right end takes the highest speed
            WindowHandle slider = GetDialogItem(OptionsDialog(), IDC_REPEAT_SPEED);
            DeliverTapOn(slider, GetWindowRect(slider).right - GetWindowRect(slider).left - 2);
        });
        Then([command] { PostMessage(OptionsDialog(), WM_COMMAND, command, 0); });
        RunOptions();
        if (command == IDM_CANCEL || command == IDCANCEL) {
            EXPECT_EQ(Bytes(options), Bytes(before));
            EXPECT_EQ(StoreText(), storeBefore);
            continue;
        }
        // The untouched shadow box stores 1 for its 7; sound is not on the dialog.
        OptionsRecord expected = before;
        for (auto [box, flag] : std::span(boxes).subspan(1))
            expected.*flag = expected.*flag != 0 ? 0 : 1;
        expected.show_shadow = 1;
        expected.repeat_speed = 10;
        EXPECT_EQ(Bytes(options), Bytes(expected));
        EXPECT_NE(StoreText().find("\"Options\"=" + HexBytes(Bytes(expected))), std::string::npos);
    }
    EXPECT_TRUE(IsWindowVisible(menuBar));
    EXPECT_EQ(GetWindowRect(mainWindow), (Rect{0, 0, 240, 320}));  // full screen again
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
        PressLater(yes ? VK_RETURN : VK_ESCAPE);  // the question's answer
        Then([] {                                 // still open, the focus back on the button
            EXPECT_EQ(GetFocus(), GetDialogItem(OptionsDialog(), IDC_RESET_HIGH_SCORES));
        });
        PressLater(VK_F2);  // Cancel
        RunOptions();
        EXPECT_TRUE(Logged("message box \"Quarvel\" \"Clear the high-score table?\""));
        EXPECT_EQ(std::memcmp(highScores, yes ? defaults : before, sizeof before), 0);
        EXPECT_EQ(highlightedRow, yes ? -1 : 2);
        TakeLog();
    }
}

}  // namespace
