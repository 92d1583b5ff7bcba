// The dialog controls' behaviour: keys, typing, the stylus and the control
// messages, and their window classes. A control keeps the keys it uses and
// hands every other key on to its dialog, whose default handling moves the
// focus.
#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/internal/dialogs_internal.h"
#include "platform/internal/phone_shell_internal.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/runtime/keys.h"
#include "platform/text/text.h"

namespace {

void Changed(WindowHandle window) {
    InvalidateRect(window, nullptr, false);
}

LResult HandOnToDialog(DialogState& state, std::uint32_t message, WParam wParam, LParam lParam) {
    ++state.forwarding;
    LResult result = SendMessage(state.window, message, wParam, lParam);
    --state.forwarding;
    return result;
}

void Click(DialogState& state, DialogControl& c) {
    SendMessage(state.window, WM_COMMAND, static_cast<WParam>(c.id) & 0xFFFF,
                reinterpret_cast<LParam>(c.window));
}

void SetSliderPosition(DialogControl& c, std::int32_t position) {
    position = std::clamp(position, c.low, c.high);
    if (position != c.position) {
        c.position = position;
        Changed(c.window);
    }
}

void SliderTap(DialogControl& c, LParam lParam) {
    auto x = static_cast<std::int16_t>(LowWord(static_cast<WParam>(lParam)));
    std::int32_t left = THUMB_WIDTH / 2;
    std::int32_t length = GetClientRect(c.window).right - THUMB_WIDTH - 1;
    std::int32_t span = c.high - c.low;
    if (length <= 0 || span <= 0) return;
    std::int64_t offset = std::clamp<std::int64_t>(x - left, 0, length);
    SetSliderPosition(c, c.low + static_cast<std::int32_t>((offset * span * 2 + length) /
                                                           (2 * std::int64_t{length})));
}

bool DeleteLastCharacter(DialogControl& c) {
    if (c.text.empty()) return false;
    c.text.resize(CutTextLength(c.text, c.text.size() - 1));  // a whole pair goes
    Changed(c.window);
    return true;
}

bool IsPressKey(WParam key) {
    return key == VK_RETURN || key == VK_ACTION;
}

// A key for the control; false when it is not one the control uses.
bool ControlKey(DialogState& state, DialogControl& c, WParam key, LParam lParam) {
    bool repeat = (lParam & KEY_WAS_DOWN) != 0;
    switch (c.kind) {
        case ControlKind::Edit:
            if (key != VK_ESCAPE) return false;
            DeleteLastCharacter(c);
            return true;
        case ControlKind::CheckBox:
            if (!IsPressKey(key)) return false;
            if (!repeat) {
                c.checked = !c.checked;
                Changed(c.window);
            }
            return true;
        case ControlKind::Slider:
            if (key != VK_LEFT && key != VK_RIGHT) return false;
            SetSliderPosition(c, c.position + (key == VK_LEFT ? -1 : 1));
            return true;
        case ControlKind::Button:
            if (!IsPressKey(key)) return false;
            if (!repeat) Click(state, c);
            return true;
        default:
            return false;
    }
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Adds a typed code unit to an edit field, whole characters only. A character
// beyond the BMP comes as two messages, its first half first: that half goes in
// only when both fit under the limit and waits at the end for the second. A
// second half without its first, or a first half whose second never comes, is
// dropped.
void TypeIntoEdit(DialogControl& c, char16_t unit) {
    const bool waiting = !c.text.empty() && IsHighSurrogate(c.text.back());
    if (IsLowSurrogate(unit)) {
        if (!waiting) return;
    } else {
        if (waiting) {
            c.text.pop_back();
            Changed(c.window);
        }
        const std::size_t units = IsHighSurrogate(unit) ? 2 : 1;
        if (c.limit > 0 && c.text.size() + units > static_cast<std::size_t>(c.limit)) return;
    }
    c.text += unit;
    Changed(c.window);
}

void Typed(DialogState& state, DialogControl& c, WParam wParam, LParam lParam) {
    auto ch = static_cast<char16_t>(wParam);
    if (c.kind != ControlKind::Edit) {
        HandOnToDialog(state, WM_CHAR, wParam, lParam);
    } else if (ch == 8) {
        DeleteLastCharacter(c);
    } else if (ch >= 32 && ch != 127) {
        TypeIntoEdit(c, ch);
    }
}

void PenDown(DialogControl& c, LParam lParam) {
    if (!IsFocusable(c)) return;
    SetFocus(c.window);
    c.pressed = true;
    if (c.kind == ControlKind::Slider) SliderTap(c, lParam);
    if (c.kind == ControlKind::Button) Changed(c.window);
}

void PenUp(DialogState& state, DialogControl& c, LParam lParam) {
    if (!c.pressed) return;
    c.pressed = false;
    auto x = static_cast<std::int16_t>(LowWord(static_cast<WParam>(lParam)));
    auto y = static_cast<std::int16_t>(HighWord(static_cast<WParam>(lParam)));
    bool inside = PointInRect(GetClientRect(c.window), Point{x, y});
    if (c.kind == ControlKind::Button) Changed(c.window);
    if (c.kind == ControlKind::Slider) SliderTap(c, lParam);
    if (!inside) return;
    if (c.kind == ControlKind::CheckBox) {
        c.checked = !c.checked;
        Changed(c.window);
    } else if (c.kind == ControlKind::Button) {
        Click(state, c);
    }
}

// Messages that set or ask a control's state; false for any other message.
bool ControlRequest(DialogControl& c, std::uint32_t message, WParam wParam, LParam lParam,
                    LResult& result) {
    result = 0;
    switch (message) {
        case EM_LIMITTEXT:
            if (c.kind == ControlKind::Edit) {
                c.limit = static_cast<std::int32_t>(std::min<WParam>(wParam, INT32_MAX));
            }
            return true;
        case BM_GETCHECK:
            result = c.kind == ControlKind::CheckBox && c.checked ? 1 : 0;
            return true;
        case BM_SETCHECK:
            if (c.kind == ControlKind::CheckBox && c.checked != (wParam != 0)) {
                c.checked = wParam != 0;
                Changed(c.window);
            }
            return true;
        case TBM_GETPOS:
            result = c.kind == ControlKind::Slider ? c.position : 0;
            return true;
        case TBM_SETPOS:
            if (c.kind == ControlKind::Slider) {
                SetSliderPosition(
                    c, static_cast<std::int32_t>(std::clamp<LParam>(lParam, INT32_MIN, INT32_MAX)));
            }
            return true;
        case TBM_SETRANGE:
            if (c.kind == ControlKind::Slider) {
                c.low = LowWord(static_cast<WParam>(lParam));
                c.high = std::max<std::int32_t>(c.low, HighWord(static_cast<WParam>(lParam)));
                c.position = std::clamp(c.position, c.low, c.high);
                Changed(c.window);
            }
            return true;
        default:
            return false;
    }
}

LResult ControlProcedure(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    if (message == WM_CREATE) {
        auto* params = reinterpret_cast<const CreateParams*>(lParam);
        if (params->param != nullptr) static_cast<DialogControl*>(params->param)->window = window;
        return 0;
    }
    DialogState* state = nullptr;
    DialogControl* c = FindDialogControl(window, &state);
    if (c == nullptr) return DefaultWindowProcedure(window, message, wParam, lParam);
    switch (message) {
        case WM_PAINT:
            PaintControl(window, *state, *c);
            return 0;
        case WM_SETFOCUS:
            state->lastFocus = window;
            Changed(window);
            return 0;
        case WM_KILLFOCUS:
            c->pressed = false;
            Changed(window);
            return 0;
        case WM_KEYDOWN:
            if (ControlKey(*state, *c, wParam, lParam)) return 0;
            return HandOnToDialog(*state, message, wParam, lParam);
        case WM_KEYUP:
            return HandOnToDialog(*state, message, wParam, lParam);
        case WM_CHAR:
            Typed(*state, *c, wParam, lParam);
            return 0;
        case WM_HOTKEY:
            // Back handed on by the dialog (SendBackToFocus).
            return c->kind == ControlKind::Edit && HighWord(static_cast<WParam>(lParam)) == 27 &&
                   DeleteLastCharacter(*c);
        case WM_LBUTTONDOWN:
            PenDown(*c, lParam);
            return 0;
        case WM_LBUTTONUP:
            PenUp(*state, *c, lParam);
            return 0;
        default: {
            LResult result = 0;
            if (ControlRequest(*c, message, wParam, lParam, result)) return result;
            return DefaultWindowProcedure(window, message, wParam, lParam);
        }
    }
}

}  // namespace

const char16_t* ControlClassName(ControlKind kind) {
    switch (kind) {
        case ControlKind::Icon:
            return u"PhoneIcon";
        case ControlKind::Edit:
            return u"PhoneEdit";
        case ControlKind::CheckBox:
            return u"PhoneCheckBox";
        case ControlKind::Slider:
            return u"PhoneSlider";
        case ControlKind::Button:
            return u"PhoneButton";
        default:
            return u"PhoneStatic";
    }
}

bool IsFocusable(const DialogControl& control) {
    switch (control.kind) {
        case ControlKind::Edit:
        case ControlKind::CheckBox:
        case ControlKind::Slider:
        case ControlKind::Button:
            return IsWindowEnabled(control.window);
        default:
            return false;
    }
}

void RegisterDialogClasses() {
    // Registering a name again fails quietly, so this runs before every dialog.
    for (ControlKind kind : {ControlKind::Static, ControlKind::Icon, ControlKind::Edit,
                             ControlKind::CheckBox, ControlKind::Slider, ControlKind::Button}) {
        WindowClass c;
        c.procedure = ControlProcedure;
        c.name = ControlClassName(kind);
        RegisterWindowClass(c);
    }
    RegisterCaptionStripClass();
}
