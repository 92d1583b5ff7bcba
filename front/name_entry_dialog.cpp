#include "front/name_entry_dialog.h"

#include "front/dialog_common.h"
#include "platform/dialogs/dialogs.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/runtime/keys.h"
#include "platform/runtime/messages.h"
#include "platform/text/text.h"
#include "platform/windows/windows.h"
#include "shell/resource_ids.h"
#include "shell/resource_pack.h"
#include "shell/settings.h"

std::uint32_t pendingScore = 0;
WindowHandle nameEntryMenuBar = nullptr;

namespace {

constexpr std::int32_t NAME_LIMIT = 10;  // characters the field accepts
constexpr std::int32_t TEXT_BUFFER = 256;

void InitDialog(WindowHandle dialog, LParam lParam) {
    nameEntryMenuBar = OpenDialogMenuBar(dialog, IDR_DIALOG_MENU_BAR);
    // Sized to the work area first, then to the whole screen; the input panel stays.
    MakePhoneDialog(dialog, SHIDIF_SIZEDLG);
    MakePhoneDialog(dialog, SHIDIF_SIZEDLGFULLSCREEN);
    pendingScore = static_cast<std::uint32_t>(lParam);
    FillDefaultHighScores();
    std::int32_t place = FindScorePlace(pendingScore);
    if (place < 0 || place >= HIGH_SCORE_COUNT) place = HIGH_SCORE_COUNT - 1;

    char16_t format[TEXT_BUFFER];
    char16_t text[TEXT_BUFFER];
    LoadString(resourcePack, IDS_PLACE_MESSAGE, format, TEXT_BUFFER);
    FormatText(text, TEXT_BUFFER, format, {placeNames[place]});
    SetDialogItemText(dialog, IDC_PLACE_TEXT, text);
    FormatText(text, TEXT_BUFFER, u"%d", {pendingScore});
    SetDialogItemText(dialog, IDC_SCORE_TEXT, text);

    SendDialogItemMessage(dialog, IDC_NAME, EM_LIMITTEXT, NAME_LIMIT, 0);
    SetFocus(GetDialogItem(dialog, IDC_NAME));
    SetInputPanel(true);
    // Back deletes in the name field instead of acting on the bar.
    if (nameEntryMenuBar != nullptr) {
        const std::uint32_t flags = SHMBOF_NODEFAULT | SHMBOF_NOTIFY;
        SendMessage(nameEntryMenuBar, SHCMBM_OVERRIDEKEY, VK_ESCAPE,
                    static_cast<LParam>(flags | flags << 16));
    }
}

// Enters the score with the typed name and closes the dialog.
bool Confirm(WindowHandle dialog, std::uint16_t command) {
    char16_t name[HIGH_SCORE_NAME_UNITS];
    GetDialogItemText(dialog, IDC_NAME, name, HIGH_SCORE_NAME_UNITS);
    EnterHighScore(pendingScore, name);
    WindowHandle mainBar = OwnerMenuBar(dialog);
    if (mainBar != nullptr) {
        ShowWindow(mainBar, SW_SHOW);
        ButtonInfo info;
        info.size = BUTTON_INFO_SIZE;
        info.mask = TBIF_STATE | TBIF_COMMAND;
        info.command = IDM_SCREEN_KEY;
        info.state = TBSTATE_HIDDEN;
        SendMessage(mainBar, TB_SETBUTTONINFO, IDM_SCREEN_KEY, reinterpret_cast<LParam>(&info));
    }
    if (nameEntryMenuBar != nullptr) ShowWindow(nameEntryMenuBar, SW_HIDE);
    EndDialog(dialog, command);
    return true;
}

}  // namespace

bool NameEntryDialogProc(WindowHandle dialog, std::uint32_t message, WParam wParam,
                         LParam lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitDialog(dialog, lParam);
            return true;
        case WM_COMMAND:
            if (LowWord(wParam) == IDOK || LowWord(wParam) == IDM_CONFIRM) {
                return Confirm(dialog, LowWord(wParam));
            }
            return false;
        case WM_HOTKEY:
            if (HighWord(static_cast<std::uintptr_t>(lParam)) == VK_ESCAPE) {
                SendBackToFocus(dialog, message, wParam, lParam);
            }
            return false;
        default:
            return false;
    }
}
