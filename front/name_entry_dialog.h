// The name-entry dialog that follows a game whose score enters the high-score
// table: it shows the place and the score and enters the score with the name
// typed (there is no cancel).
#pragma once

#include <cstdint>

#include "platform/runtime/types.h"

// The score the open dialog will enter (the dialog's parameter).
extern std::uint32_t pendingScore;
// The dialog's soft-key bar while it is open.
extern WindowHandle nameEntryMenuBar;

// The message handler of the name-entry dialog (template IDD_NAME_ENTRY and
// soft-key bar IDR_DIALOG_MENU_BAR of the resource pack); its parameter is the
// score.
bool NameEntryDialogProc(WindowHandle dialog, std::uint32_t message, WParam wParam, LParam lParam);
