#include "front/options_dialog.h"

#include "front/dialog_common.h"
#include "front/screens.h"
#include "platform/dialogs/dialogs.h"
#include "platform/resources/resources.h"
#include "platform/runtime/messages.h"
#include "platform/windows/windows.h"
#include "shell/records/options.h"
#include "shell/resource_ids.h"
#include "shell/resource_pack.h"
#include "shell/screen_switching.h"
#include "shell/settings.h"

WindowHandle optionsMenuBar = nullptr;

namespace {

constexpr std::int32_t QUESTION_BUFFER = 100;
constexpr std::int32_t SLOWEST_REPEAT = 1;
constexpr std::int32_t FASTEST_REPEAT = 10;

// The check boxes and the option flag each one edits.
struct CheckBoxField {
    std::int32_t control;
    std::uint8_t OptionsRecord::*field;
};
constexpr CheckBoxField CHECK_BOXES[] = {
    {IDC_RISING_JUNK, &OptionsRecord::rising_junk},
    {IDC_LEVEL_BACKGROUNDS, &OptionsRecord::level_backgrounds},
    {IDC_SHOW_SHADOW, &OptionsRecord::show_shadow},
    {IDC_SINGLE_PRESS_DROP, &OptionsRecord::single_press_drop},
    {IDC_FIXED_SEED, &OptionsRecord::fixed_seed},
    {IDC_EXTRA_PIECES, &OptionsRecord::extra_pieces},
};

void InitDialog(WindowHandle dialog) {
    for (const CheckBoxField& box : CHECK_BOXES) {
        SendDialogItemMessage(dialog, box.control, BM_SETCHECK, options.*box.field != 0 ? 1 : 0, 0);
    }
    SendDialogItemMessage(dialog, IDC_REPEAT_SPEED, TBM_SETRANGE, 0,
                          SLOWEST_REPEAT | FASTEST_REPEAT << 16);
    SendDialogItemMessage(dialog, IDC_REPEAT_SPEED, TBM_SETPOS, 1, options.repeat_speed);
    if (WindowHandle mainBar = OwnerMenuBar(dialog)) ShowWindow(mainBar, SW_HIDE);
    optionsMenuBar = OpenDialogMenuBar(dialog, IDR_OPTIONS_MENU_BAR);
    MakePhoneDialog(dialog, SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN);
}

// Takes the controls' values into the options and stores them at once.
void KeepOptions(WindowHandle dialog) {
    for (const CheckBoxField& box : CHECK_BOXES) {
        const LResult state = SendDialogItemMessage(dialog, box.control, BM_GETCHECK, 0, 0);
        options.*box.field = state == 1 ? 1 : 0;
    }
    options.repeat_speed = static_cast<std::int32_t>(
        SendDialogItemMessage(dialog, IDC_REPEAT_SPEED, TBM_GETPOS, 0, 0));
    SaveOptions();
}

// Asks before resetting the high-score table; the reset stands whatever the
// dialog's own outcome.
void AskResetHighScores(WindowHandle dialog) {
    char16_t question[QUESTION_BUFFER];
    LoadString(resourcePack, IDS_CLEAR_QUESTION, question, QUESTION_BUFFER);
    if (MessageBox(dialog, question, u"Quarvel", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    ResetHighScores();
    if (activeScreen == SCREEN_TITLE) titleScreen.draw(nullptr);
}

}  // namespace

bool OptionsDialogProc(WindowHandle dialog, std::uint32_t message, WParam wParam, LParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitDialog(dialog);
            return true;
        case WM_COMMAND:
            switch (LowWord(wParam)) {
                case IDOK:
                case IDM_CONFIRM:
                    KeepOptions(dialog);
                    return CloseDialog(dialog, optionsMenuBar, LowWord(wParam));
                case IDCANCEL:
                case IDM_CANCEL:
                    return CloseDialog(dialog, optionsMenuBar, LowWord(wParam));
                case IDC_RESET_HIGH_SCORES:
                    AskResetHighScores(dialog);
                    return false;
                default:
                    return false;
            }
        default:
            return false;
    }
}
