#include "front/dialog_common.h"

#include "platform/dialogs/dialogs.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/runtime/messages.h"
#include "platform/windows/windows.h"
#include "shell/resource_pack.h"

WindowHandle OwnerMenuBar(WindowHandle dialog) {
    return FindMenuBar(GetParent(dialog));
}

WindowHandle OpenDialogMenuBar(WindowHandle dialog, std::uint32_t menuBarId) {
    WindowHandle bar = CreatePackMenuBar(dialog, menuBarId);
    if (bar == nullptr) PostQuitMessage(0);
    if (WindowHandle mainBar = OwnerMenuBar(dialog)) ShowWindow(mainBar, SW_HIDE);
    if (bar != nullptr) ShowWindow(bar, SW_SHOW);
    return bar;
}

void MakePhoneDialog(WindowHandle dialog, std::uint32_t flags) {
    PhoneDialogInfo phone;
    phone.flags = SHIDIF_DONEBUTTON | flags;
    phone.dialog = dialog;
    InitPhoneDialog(phone);
}

bool CloseDialog(WindowHandle dialog, WindowHandle dialogMenuBar, std::uint16_t command) {
    if (WindowHandle mainBar = OwnerMenuBar(dialog)) ShowWindow(mainBar, SW_SHOW);
    if (dialogMenuBar != nullptr) ShowWindow(dialogMenuBar, SW_HIDE);
    EndDialog(dialog, command);
    return true;
}
