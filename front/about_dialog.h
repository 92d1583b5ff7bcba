// The About box: the program's version, credits, and two links.
#pragma once

#include <cstdint>

#include "platform/runtime/types.h"

// The mail and web links the About box opens.
extern const char16_t* const ABOUT_MAIL_LINK;
extern const char16_t* const ABOUT_WEB_LINK;

// The message handler of the About dialog (template IDD_ABOUT of the program's
// own resources, soft-key bar IDR_DIALOG_MENU_BAR of the resource pack).
bool AboutDialogProc(WindowHandle dialog, std::uint32_t message, WParam wParam, LParam lParam);

// The About dialog's soft-key bar while it is open.
extern WindowHandle aboutMenuBar;
