#include "front/about_dialog.h"

#include "platform/dialogs.h"
#include "platform/messages.h"
#include "platform/phone_shell.h"
#include "platform/text.h"
#include "platform/windows.h"
#include "shell/resource_pack.h"

const char16_t* const ABOUT_MAIL_LINK = u"mailto:players@quarvel.example";
const char16_t* const ABOUT_WEB_LINK = u"https://quarvel.example/";

WindowHandle aboutMenuBar = nullptr;

namespace {

constexpr std::int32_t VERSION_TEXT = 1024;
constexpr std::int32_t MAIL_BUTTON = 1022;
constexpr std::int32_t WEB_BUTTON = 1023;
constexpr std::uint32_t CONFIRM_COMMAND = 40058;
constexpr std::uint32_t DIALOG_MENU_BAR = 123;

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

// Shows one soft-key bar and hides the other.
void SwapBars(WindowHandle show, WindowHandle hide) {
    if (hide != nullptr) ShowWindow(hide, SW_HIDE);
    if (show != nullptr) ShowWindow(show, SW_SHOW);
}

}  // namespace

bool AboutDialogProc(WindowHandle dialog, std::uint32_t message, WParam wParam, LParam) {
    WindowHandle mainBar = FindMenuBar(GetParent(dialog));
    switch (message) {
        case WM_INITDIALOG: {
            MenuBarCreateInfo bar;
            bar.size = MENU_BAR_CREATE_SIZE;
            bar.parent = dialog;
            bar.resourceId = DIALOG_MENU_BAR;
            bar.module = resourcePack;
            if (!CreateMenuBar(bar)) PostQuitMessage(0);
            aboutMenuBar = bar.menuBar;
            SwapBars(aboutMenuBar, mainBar);
            PhoneDialogInfo phone;
            phone.flags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLG | SHIDIF_SIPDOWN;
            phone.dialog = dialog;
            InitPhoneDialog(phone);
            char16_t version[256];
            FormatText(version, 256, u"Quarvel %d.%d (Build %d)", {1, 1, 150});
            SetDialogItemText(dialog, VERSION_TEXT, version);
            return true;
        }
        case WM_COMMAND:
            switch (LowWord(wParam)) {
                case IDOK:
                case CONFIRM_COMMAND:
                    SwapBars(mainBar, aboutMenuBar);
                    EndDialog(dialog, LowWord(wParam));
                    return true;
                case MAIL_BUTTON:
                    OpenLink(ABOUT_MAIL_LINK);
                    return false;
                case WEB_BUTTON:
                    OpenLink(ABOUT_WEB_LINK);
                    return false;
                default:
                    return false;
            }
        default:
            return false;
    }
}
