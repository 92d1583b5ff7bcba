// The Options dialog: edits the options record and can reset the high scores.
#pragma once

#include <cstdint>

#include "platform/runtime/types.h"

// The message handler of the Options dialog (template IDD_OPTIONS and soft-key
// bar IDR_OPTIONS_MENU_BAR of the resource pack).
bool OptionsDialogProc(WindowHandle dialog, std::uint32_t message, WParam wParam, LParam lParam);

// The Options dialog's soft-key bar while it is open.
extern WindowHandle optionsMenuBar;
