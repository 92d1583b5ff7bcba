// Modal dialogs from templates, their controls, the phone's full-screen dialog
// set-up, and message boxes.
#pragma once

#include <cstdint>

#include "platform/resources/resources.h"
#include "platform/runtime/types.h"

// A dialog procedure answers true when it handled the message.
using DialogProcedure = bool (*)(WindowHandle dialog, std::uint32_t message, WParam wParam,
                                 LParam lParam);

// Runs the dialog of template `templateId` (type DIALOG) of `module` modally over
// `owner`: WM_INITDIALOG (lParam = `param`) first, then every message until
// EndDialog. Returns EndDialog's result (0 when the run or the program ends
// first), or -1 when the template is missing or malformed (nothing is shown then).
std::intptr_t RunDialog(ModuleHandle module, std::uint32_t templateId, WindowHandle owner,
                        DialogProcedure procedure, LParam param);
bool EndDialog(WindowHandle dialog, std::intptr_t result);

// Controls by id.
WindowHandle GetDialogItem(WindowHandle dialog, std::int32_t id);
bool SetDialogItemText(WindowHandle dialog, std::int32_t id, const char16_t* text);
// Copies the item's text (cut to capacity - 1, terminated); returns its length.
std::int32_t GetDialogItemText(WindowHandle dialog, std::int32_t id, char16_t* buffer,
                               std::int32_t capacity);
LResult SendDialogItemMessage(WindowHandle dialog, std::int32_t id, std::uint32_t message,
                              WParam wParam, LParam lParam);

// Control messages.
constexpr std::uint32_t EM_LIMITTEXT = 197;   // edit: wParam the limit in UTF-16 units
constexpr std::uint32_t BM_GETCHECK = 240;    // check box: 1 checked, 0 not
constexpr std::uint32_t BM_SETCHECK = 241;    // check box: wParam 1 or 0
constexpr std::uint32_t TBM_GETPOS = 1024;    // slider
constexpr std::uint32_t TBM_SETPOS = 1029;    // slider: wParam redraw, lParam position
constexpr std::uint32_t TBM_SETRANGE = 1030;  // slider: wParam redraw, lParam low|high<<16
constexpr std::int32_t IDOK = 1;
constexpr std::int32_t IDCANCEL = 2;

// The phone's full-screen dialog set-up (flags combine).
constexpr std::uint32_t SHIDIF_DONEBUTTON = 0x01;
constexpr std::uint32_t SHIDIF_SIZEDLG = 0x02;            // size to the work area
constexpr std::uint32_t SHIDIF_SIZEDLGFULLSCREEN = 0x04;  // size to the whole screen
constexpr std::uint32_t SHIDIF_SIPDOWN = 0x08;            // lower the text-input panel
struct PhoneDialogInfo {
    std::uint32_t flags = 0;
    WindowHandle dialog = nullptr;
};
bool InitPhoneDialog(const PhoneDialogInfo& info);

// Hands a message to the control that has the focus (so Back deletes in an edit
// field); returns its answer.
LResult SendBackToFocus(WindowHandle dialog, std::uint32_t message, WParam wParam, LParam lParam);

// Message boxes: full-screen phone message boxes answered by their soft keys
// (the first answer on the left, No on the right), Return/Action for the first
// answer and Back for No (or OK). Returns IDOK, IDYES or IDNO.
constexpr std::uint32_t MB_OK = 0;
constexpr std::uint32_t MB_YESNO = 4;
constexpr std::uint32_t MB_ICONQUESTION = 32;
constexpr std::int32_t IDYES = 6;
constexpr std::int32_t IDNO = 7;
std::int32_t MessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                        std::uint32_t style);
