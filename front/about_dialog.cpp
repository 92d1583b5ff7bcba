#include "front/about_dialog.h"

#include "front/dialog_common.h"
#include "platform/dialogs/dialogs.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/runtime/messages.h"
#include "platform/text/text.h"
#include "platform/windows/windows.h"
#include "shell/program_version.h"
#include "shell/resource_ids.h"
#include "shell/resource_pack.h"

const char16_t* const ABOUT_MAIL_LINK = u"mailto:players@quarvel.example";
const char16_t* const ABOUT_WEB_LINK = u"https://quarvel.example/";

WindowHandle aboutMenuBar = nullptr;

namespace {

void OpenLink(const char16_t* link) {
    char16_t folder[260];
    GetTempFolder(folder, 260);
    ExecuteInfo info;
    info.size = EXECUTE_INFO_SIZE;
    info.verb = u"Open";
    info.file = link;
    info.directory = folder;
    info.show = 5;
    info.instance = programInstance;
    ExecuteLink(info);
}

}  // namespace

bool AboutDialogProc(WindowHandle dialog, std::uint32_t message, WParam wParam, LParam) {
    switch (message) {
        case WM_INITDIALOG: {
            aboutMenuBar = OpenDialogMenuBar(dialog, IDR_DIALOG_MENU_BAR);
            MakePhoneDialog(dialog, SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN);
            char16_t version[256];
            FormatText(version, 256, PROGRAM_VERSION_FORMAT,
                       {PROGRAM_VERSION_MAJOR, PROGRAM_VERSION_MINOR, PROGRAM_BUILD});
            SetDialogItemText(dialog, IDC_VERSION_TEXT, version);
            return true;
        }
        case WM_COMMAND:
            switch (LowWord(wParam)) {
                case IDOK:
                case IDM_CONFIRM:
                    return CloseDialog(dialog, aboutMenuBar, LowWord(wParam));
                case IDC_MAIL_BUTTON:
                    OpenLink(ABOUT_MAIL_LINK);
                    return false;
                case IDC_WEB_BUTTON:
                    OpenLink(ABOUT_WEB_LINK);
                    return false;
                default:
                    return false;
            }
        default:
            return false;
    }
}
