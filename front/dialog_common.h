// The steps every dialog of the program takes when it opens and when it closes:
// it brings its own soft-key bar from the resource pack and hides the main
// window's while it is open.
#pragma once

#include <cstdint>

#include "platform/runtime/types.h"

// Creates the dialog's soft-key bar `menuBarId` from the resource pack, hides the
// owner's bar and shows the dialog's; returns the dialog's bar. When the bar
// cannot be created the program is asked to quit (code 0) and null is returned.
WindowHandle OpenDialogMenuBar(WindowHandle dialog, std::uint32_t menuBarId);

// Makes the dialog a full-screen phone dialog with a Done button (`flags` add to
// SHIDIF_DONEBUTTON).
void MakePhoneDialog(WindowHandle dialog, std::uint32_t flags);

// Shows the owner's bar again, hides the dialog's and ends the dialog with
// `command` as its result. Returns true (the message was handled).
bool CloseDialog(WindowHandle dialog, WindowHandle dialogMenuBar, std::uint16_t command);

// The soft-key bar of the dialog's owner (the main window), or null.
WindowHandle OwnerMenuBar(WindowHandle dialog);
