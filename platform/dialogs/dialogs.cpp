// Modal dialogs from DIALOG templates: the dialog window, its default keyboard
// handling, the calls on its controls, and the phone's full-screen set-up.
#include "platform/dialogs/dialogs.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/internal/dialogs_internal.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/runtime/event_log.h"
#include "platform/runtime/keys.h"
#include "platform/text/text.h"

namespace {

constexpr const char16_t* DIALOG_CLASS = u"PhoneDialog";

// Running dialogs, innermost last.
std::vector<DialogState*>& OpenDialogs() {
    static std::vector<DialogState*> open;
    return open;
}

bool IsControlOf(const DialogState& state, WindowHandle window) {
    return window != nullptr &&
           std::any_of(state.controls.begin(), state.controls.end(),
                       [window](const DialogControl& c) { return c.window == window; });
}

WindowHandle FirstFocusable(const DialogState& state) {
    for (const DialogControl& c : state.controls) {
        if (IsFocusable(c)) return c.window;
    }
    return nullptr;
}

// Up and Down: the next or previous focusable control in tab order, wrapping.
void MoveFocus(DialogState& state, bool forward) {
    std::vector<WindowHandle> ring;
    for (const DialogControl& c : state.controls) {
        if (IsFocusable(c)) ring.push_back(c.window);
    }
    if (ring.empty()) return;
    auto at = std::find(ring.begin(), ring.end(), GetFocus());
    std::size_t next = 0;
    if (at == ring.end()) {
        next = forward ? 0 : ring.size() - 1;
    } else {
        std::size_t index = static_cast<std::size_t>(at - ring.begin());
        next = forward ? (index + 1) % ring.size() : (index + ring.size() - 1) % ring.size();
    }
    SetFocus(ring[next]);
}

void PaintDialog(WindowHandle window, DialogState& state) {
    PaintInfo paint;
    SurfaceHandle surface = BeginPaint(window, paint);
    if (surface != nullptr) {
        BrushHandle white = CreateSolidBrush(WHITE_COLOUR);
        FillRect(surface, paint.paintRect, white);
        DeleteBrush(white);
    }
    EndPaint(window, paint);
    // The children share the dialog's pixels: they draw again over it.
    for (const DialogControl& c : state.controls)
        InvalidateRect(c.window, nullptr, false);
    InvalidateRect(state.strip, nullptr, false);
}

LResult DialogWindowProcedure(WindowHandle window, std::uint32_t message, WParam wParam,
                              LParam lParam) {
    if (message == WM_CREATE) {
        auto* params = reinterpret_cast<const CreateParams*>(lParam);
        if (params->param != nullptr) static_cast<DialogState*>(params->param)->window = window;
        return 0;
    }
    DialogState* state = FindDialogState(window);
    if (state == nullptr) return DefaultWindowProcedure(window, message, wParam, lParam);
    if (state->procedure != nullptr && state->procedure(window, message, wParam, lParam)) return 1;
    switch (message) {
        case WM_PAINT:
            PaintDialog(window, *state);
            return 0;
        case WM_SETFOCUS:
            // Back to the control that had the focus, as after a message box.
            if (IsControlOf(*state, state->lastFocus) && IsWindowEnabled(state->lastFocus)) {
                SetFocus(state->lastFocus);
            }
            return 0;
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CHAR: {
            WindowHandle focus = GetFocus();
            if (state->forwarding == 0 && IsControlOf(*state, focus)) {
                return SendMessage(focus, message, wParam, lParam);
            }
            if (message == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN)) {
                MoveFocus(*state, wParam == VK_DOWN);
            }
            return 0;
        }
        case WM_COMMAND:
            // Without a procedure of its own, OK and Cancel end the dialog.
            if (state->procedure == nullptr &&
                (LowWord(wParam) == IDOK || LowWord(wParam) == IDCANCEL)) {
                EndDialog(window, LowWord(wParam));
            }
            return 0;
        case WM_CLOSE:
            SendMessage(window, WM_COMMAND, IDCANCEL, 0);
            return 0;
        default:
            return DefaultWindowProcedure(window, message, wParam, lParam);
    }
}

void RegisterDialogWindowClass() {
    RegisterDialogClasses();
    WindowClass c;
    c.procedure = DialogWindowProcedure;
    c.name = DIALOG_CLASS;
    RegisterWindowClass(c);
}

DialogControl* FindControl(WindowHandle dialog, std::int32_t id) {
    DialogState* state = FindDialogState(dialog);
    if (state == nullptr || id == -1) return nullptr;
    for (DialogControl& c : state->controls) {
        if (c.id == id) return &c;
    }
    return nullptr;
}

std::string ShownLine(const DialogState& state) {
    std::string line = "dialog " + QuoteForLog(state.layout.caption) + " shown";
    for (const DialogControl& c : state.controls) {
        bool isStatic = c.kind == ControlKind::Static || c.kind == ControlKind::StaticCenter ||
                        c.kind == ControlKind::StaticRight;
        if (isStatic && !c.text.empty()) line += " " + QuoteForLog(c.text);
    }
    return line;
}

// Places the controls below the caption strip, if there is one.
void PlaceControls(DialogState& state) {
    std::int32_t top = 0;
    if (state.strip != nullptr) {
        top = PhoneShellStripHeight();
        MoveWindow(state.strip, 0, 0, GetClientRect(state.window).right, top, true);
    }
    for (const DialogControl& c : state.controls) {
        const Rect& r = c.templateRect;
        MoveWindow(c.window, r.left, r.top + top, r.right - r.left, r.bottom - r.top, true);
    }
}

}  // namespace

DialogState* FindDialogState(WindowHandle dialog) {
    if (dialog == nullptr) return nullptr;
    for (DialogState* state : OpenDialogs()) {
        if (state->window == dialog) return state;
    }
    return nullptr;
}

DialogControl* FindDialogControl(WindowHandle control, DialogState** state) {
    DialogState* owner = FindDialogState(GetParent(control));
    if (state != nullptr) *state = owner;
    if (owner == nullptr || control == nullptr) return nullptr;
    for (DialogControl& c : owner->controls) {
        if (c.window == control) return &c;
    }
    return nullptr;
}

std::string QuoteForLog(std::u16string_view text) {
    std::string quoted = "\"";
    for (char c : Utf16ToUtf8(text)) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (c != '\r') {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::intptr_t RunDialog(ModuleHandle module, std::uint32_t templateId, WindowHandle owner,
                        DialogProcedure procedure, LParam param) {
    auto state = std::make_unique<DialogState>();
    ResourceData data = FindResource(module, templateId, RT_DIALOG);
    if (data.bytes == nullptr ||
        !ParseDialogTemplate(std::string_view(reinterpret_cast<const char*>(data.bytes), data.size),
                             state->layout)) {
        return -1;
    }
    RegisterDialogWindowClass();
    const DialogTemplate& layout = state->layout;
    state->module = module;
    state->procedure = procedure;
    state->font =
        CreateFontByName(layout.fontFace.c_str(), FontPixelsForPoints(layout.fontPoints), 0);
    DialogUnits units = DialogUnitsOf(state->font);
    // Every record first: the controls' windows keep pointers to them.
    for (const ControlTemplate& t : layout.controls) {
        DialogControl c;
        c.kind = t.kind;
        c.id = t.id;
        c.text = t.text;
        std::int32_t left = units.toPixelsX(t.x), top = units.toPixelsY(t.y);
        c.templateRect =
            Rect{left, top, left + units.toPixelsX(t.width), top + units.toPixelsY(t.height)};
        state->controls.push_back(std::move(c));
    }

    // No bigger than the screen, whatever the template asks.
    std::int32_t width = std::min(units.toPixelsX(layout.width), GetScreenWidth());
    std::int32_t height = std::min(units.toPixelsY(layout.height), GetScreenHeight());
    Rect work = GetWorkArea();
    std::int32_t x = work.left + std::max(0, (work.right - work.left - width) / 2);
    std::int32_t y = work.top + std::max(0, (work.bottom - work.top - height) / 2);
    OpenDialogs().push_back(state.get());
    WindowHandle dialog = CreateWindow(DIALOG_CLASS, layout.caption.c_str(), WS_POPUP, x, y, width,
                                       height, owner, module, state.get());
    std::intptr_t result = -1;
    if (dialog != nullptr) {
        for (std::size_t i = 0; i < layout.controls.size(); ++i) {
            DialogControl& c = state->controls[i];
            const Rect& r = c.templateRect;
            CreateWindow(ControlClassName(c.kind), c.text.c_str(),
                         WS_CHILD | WS_VISIBLE | (layout.controls[i].style & WS_DISABLED), r.left,
                         r.top, r.right - r.left, r.bottom - r.top, dialog, module, &c);
        }
        WindowHandle first = FirstFocusable(*state);
        bool defaultFocus =
            procedure == nullptr ||
            procedure(dialog, WM_INITDIALOG, reinterpret_cast<WParam>(first), param);
        if (!state->done && IsWindow(dialog)) {
            ShowWindow(dialog, SW_SHOW);
            WindowHandle focus = FirstFocusable(*state);
            if (defaultFocus && focus != nullptr) SetFocus(focus);
            LogEvent(ShownLine(*state));
            RunModalLoop(dialog, state->done);
        }
        result = state->done ? state->result : 0;
        LogEvent("dialog " + QuoteForLog(layout.caption) + " ended " + std::to_string(result));
        DestroyWindow(dialog);
    }
    auto& open = OpenDialogs();
    open.erase(std::remove(open.begin(), open.end(), state.get()), open.end());
    DeleteFont(state->font);
    return result;
}

bool EndDialog(WindowHandle dialog, std::intptr_t result) {
    DialogState* state = FindDialogState(dialog);
    if (state == nullptr) return false;
    state->done = true;
    state->result = result;
    return true;
}

WindowHandle GetDialogItem(WindowHandle dialog, std::int32_t id) {
    DialogControl* c = FindControl(dialog, id);
    return c != nullptr ? c->window : nullptr;
}

bool SetDialogItemText(WindowHandle dialog, std::int32_t id, const char16_t* text) {
    DialogControl* c = FindControl(dialog, id);
    if (c == nullptr) return false;
    c->text = text != nullptr ? text : u"";
    InvalidateRect(c->window, nullptr, false);
    return true;
}

std::int32_t GetDialogItemText(WindowHandle dialog, std::int32_t id, char16_t* buffer,
                               std::int32_t capacity) {
    DialogControl* c = FindControl(dialog, id);
    return CopyCutText(c != nullptr ? std::u16string_view(c->text) : u"", buffer, capacity);
}

LResult SendDialogItemMessage(WindowHandle dialog, std::int32_t id, std::uint32_t message,
                              WParam wParam, LParam lParam) {
    return SendMessage(GetDialogItem(dialog, id), message, wParam, lParam);
}

bool InitPhoneDialog(const PhoneDialogInfo& info) {
    DialogState* state = FindDialogState(info.dialog);
    if (state == nullptr) return false;
    if (info.flags & SHIDIF_SIZEDLGFULLSCREEN) {
        MoveWindow(info.dialog, 0, 0, GetScreenWidth(), GetScreenHeight(), true);
    } else if (info.flags & SHIDIF_SIZEDLG) {
        Rect work = GetWorkArea();
        MoveWindow(info.dialog, work.left, work.top, work.right - work.left, work.bottom - work.top,
                   true);
    }
    if ((info.flags & SHIDIF_DONEBUTTON) && state->strip == nullptr) {
        state->stripInfo.caption = state->layout.caption;
        state->stripInfo.okButton = true;
        state->strip = CreateCaptionStrip(info.dialog, state->stripInfo);
    }
    PlaceControls(*state);
    if (info.flags & SHIDIF_SIPDOWN) SetInputPanel(false);
    return true;
}

LResult SendBackToFocus(WindowHandle dialog, std::uint32_t message, WParam wParam, LParam lParam) {
    WindowHandle focus = GetFocus();
    DialogState* state = FindDialogState(dialog);
    if (state == nullptr || !IsControlOf(*state, focus)) return 0;
    return SendMessage(focus, message, wParam, lParam);
}
