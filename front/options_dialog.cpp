// Placeholder until the Options dialog lands: it closes at once.
#include "front/options_dialog.h"

#include "front/dialog_common.h"
#include "platform/dialogs.h"
#include "platform/messages.h"
#include "shell/resource_ids.h"

WindowHandle optionsMenuBar = nullptr;

bool OptionsDialogProc(WindowHandle dialog, std::uint32_t message, WParam wParam, LParam) {
    if (message == WM_INITDIALOG) {
        optionsMenuBar = OpenDialogMenuBar(dialog, IDR_OPTIONS_MENU_BAR);
        return true;
    }
    if (message == WM_COMMAND && LowWord(wParam) != 0) {
        return CloseDialog(dialog, optionsMenuBar, LowWord(wParam));
    }
    return false;
}
