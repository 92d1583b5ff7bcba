// The dialog controls (static texts, icons, one-line edit fields, check boxes,
// sliders, push buttons) and the caption strip, all child windows of a dialog.
// A control keeps the keys it uses and hands every other key on to its dialog,
// whose default handling moves the focus.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/internal/dialogs_internal.h"
#include "platform/internal/shell_internal.h"
#include "platform/keys.h"
#include "platform/phone_shell.h"
#include "platform/text.h"

namespace {

constexpr const char16_t* CAPTION_STRIP_CLASS = u"QuarvelCaptionStrip";
constexpr Colour GREY_TEXT_COLOUR = Rgb(150, 150, 150);
constexpr Colour TRACK_COLOUR = Rgb(200, 206, 216);

// ---- Drawing helpers ----

void Frame(SurfaceHandle surface, const Rect& r, Colour colour, std::int32_t width) {
    FillColour(surface, Rect{r.left, r.top, r.right, r.top + width}, colour);
    FillColour(surface, Rect{r.left, r.bottom - width, r.right, r.bottom}, colour);
    FillColour(surface, Rect{r.left, r.top, r.left + width, r.bottom}, colour);
    FillColour(surface, Rect{r.right - width, r.top, r.right, r.bottom}, colour);
}

void RoundBox(SurfaceHandle surface, const Rect& r, std::int32_t corner, Colour edge, Colour fill) {
    PenHandle pen = CreateSolidPen(1, edge);
    BrushHandle brush = CreateSolidBrush(fill);
    PenHandle oldPen = SelectPen(surface, pen);
    BrushHandle oldBrush = SelectBrush(surface, brush);
    DrawRoundRect(surface, r.left, r.top, r.right, r.bottom, corner, corner);
    SelectPen(surface, oldPen);
    SelectBrush(surface, oldBrush);
    DeletePen(pen);
    DeleteBrush(brush);
}

// A line two pixels thick, for the check mark.
void ThickLine(SurfaceHandle surface, Point from, Point to, Colour colour) {
    std::int32_t dx = std::abs(to.x - from.x), dy = -std::abs(to.y - from.y);
    std::int32_t sx = from.x < to.x ? 1 : -1, sy = from.y < to.y ? 1 : -1;
    std::int32_t error = dx + dy;
    for (Point p = from;;) {
        SetPixel(surface, p.x, p.y, colour);
        SetPixel(surface, p.x, p.y + 1, colour);
        if (p == to) break;
        std::int32_t twice = 2 * error;
        if (twice >= dy) error += dy, p.x += sx;
        if (twice <= dx) error += dx, p.y += sy;
    }
}

std::int32_t TextWidth(SurfaceHandle surface, const std::u16string& text) {
    std::int32_t width = 0, height = 0;
    MeasureText(surface, text.c_str(), static_cast<std::int32_t>(text.size()), width, height);
    return width;
}

std::int32_t FontHeight(SurfaceHandle surface) {
    TextMetrics metrics;
    GetTextMetrics(surface, metrics);
    return metrics.height > 0 ? metrics.height : 13;
}

// ---- Painting each kind ----

void PaintStatic(SurfaceHandle s, const DialogControl& c, const Rect& r, bool enabled) {
    std::uint32_t flags = DT_WORDBREAK;
    if (c.kind == ControlKind::StaticCenter) flags |= DT_CENTER;
    if (c.kind == ControlKind::StaticRight) flags |= DT_RIGHT;
    SetTextColour(s, enabled ? TEXT_COLOUR : GREY_TEXT_COLOUR);
    DrawText(s, c.text.c_str(), -1, r, flags);
}

void PaintIcon(SurfaceHandle s, const DialogControl& c, ModuleHandle module) {
    // The text names the ICON resource: a number, or else a name.
    std::string id = Utf16ToUtf8(c.text);
    std::uint32_t number = 0;
    auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), number);
    bool numeric = !id.empty() && error == std::errc() && end == id.data() + id.size();
    ResourceName name = numeric ? ResourceName(number) : ResourceName(id.c_str());
    ResourceData data = FindResource(module, name, RT_ICON);
    if (data.bytes == nullptr) data = FindResource(ProgramModule(), name, RT_ICON);
    BitmapHandle picture = CreateBitmapFromImageBytes(data.bytes, data.size);
    std::int32_t width = 0, height = 0;
    if (!GetBitmapSize(picture, width, height)) return;
    SurfaceHandle source = CreateMemorySurface(s);
    BitmapHandle old = SelectBitmap(source, picture);
    TransparentCopy(s, 0, 0, width, height, source, 0, 0, width, height, MAGENTA);
    SelectBitmap(source, old);
    DeleteSurface(source);
    DeleteBitmap(picture);
}

void PaintEdit(SurfaceHandle s, const DialogControl& c, const Rect& r, bool focused) {
    FillColour(s, r, WHITE_COLOUR);
    Frame(s, r, focused ? HIGHLIGHT_COLOUR : FRAME_COLOUR, focused ? 2 : 1);
    Rect inner{r.left + 4, r.top + 2, r.right - 4, r.bottom - 2};
    std::int32_t width = TextWidth(s, c.text);
    // Past the right edge the end of the text stays in view, where the caret is.
    bool overflow = width + 2 > inner.right - inner.left;
    SetTextColour(s, TEXT_COLOUR);
    DrawText(s, c.text.c_str(), -1, Rect{inner.left, inner.top, inner.right - 2, inner.bottom},
             DT_VCENTER | (overflow ? DT_RIGHT : 0));
    if (focused) {
        std::int32_t x = overflow ? inner.right - 2 : inner.left + width;
        std::int32_t h = std::min(FontHeight(s), inner.bottom - inner.top);
        std::int32_t top = inner.top + (inner.bottom - inner.top - h) / 2;
        FillColour(s, Rect{x, top, x + 1, top + h}, TEXT_COLOUR);
    }
}

void PaintCheckBox(SurfaceHandle s, const DialogControl& c, const Rect& r, bool focused,
                   bool enabled) {
    std::int32_t size = std::clamp(r.bottom - 2, 9, 15);
    Rect box{1, (r.bottom - size) / 2, 1 + size, (r.bottom - size) / 2 + size};
    FillColour(s, box, WHITE_COLOUR);
    Frame(s, box, focused ? HIGHLIGHT_COLOUR : FRAME_COLOUR, 1);
    if (c.checked) {
        Colour ink = enabled ? TEXT_COLOUR : GREY_TEXT_COLOUR;
        Point bottom{box.left + size * 2 / 5, box.bottom - 4};
        ThickLine(s, Point{box.left + 2, bottom.y - (bottom.x - box.left - 2)}, bottom, ink);
        ThickLine(s, bottom, Point{box.right - 3, box.top + 2}, ink);
    }
    Rect label{box.right + 5, 0, r.right, r.bottom};
    if (focused) {
        std::int32_t width = std::min(TextWidth(s, c.text) + 6, label.right - label.left);
        FillColour(s, Rect{label.left, box.top - 1, label.left + width, box.bottom + 1},
                   HIGHLIGHT_COLOUR);
    }
    SetTextColour(s, focused ? WHITE_COLOUR : enabled ? TEXT_COLOUR : GREY_TEXT_COLOUR);
    DrawText(s, c.text.c_str(), -1, Rect{label.left + 3, label.top, label.right, label.bottom},
             DT_VCENTER);
}

constexpr std::int32_t THUMB_WIDTH = 10;

void PaintSlider(SurfaceHandle s, const DialogControl& c, const Rect& r, bool focused) {
    std::int32_t middle = r.bottom / 2;
    std::int32_t left = THUMB_WIDTH / 2, right = r.right - THUMB_WIDTH / 2;
    Rect track{left, middle - 2, right, middle + 2};
    FillColour(s, track, TRACK_COLOUR);
    Frame(s, track, FRAME_COLOUR, 1);
    std::int32_t span = c.high - c.low;
    if (span > 0 && span <= 20) {
        for (std::int32_t v = 0; v <= span; ++v) {
            std::int32_t x = left + (right - left - 1) * v / span;
            FillColour(s, Rect{x, middle + 5, x + 1, middle + 8}, FRAME_COLOUR);
        }
    }
    std::int32_t x = left;
    if (span > 0) {
        x +=
            static_cast<std::int32_t>(std::int64_t{right - left - 1} * (c.position - c.low) / span);
    }
    std::int32_t half = std::min(9, std::max(r.bottom / 2 - 1, 4));
    RoundBox(s, Rect{x - THUMB_WIDTH / 2, middle - half, x + THUMB_WIDTH / 2 + 1, middle + half}, 4,
             focused ? HIGHLIGHT_COLOUR : FRAME_COLOUR, focused ? HIGHLIGHT_COLOUR : FACE_COLOUR);
}

void PaintButton(SurfaceHandle s, const DialogControl& c, const Rect& r, bool focused,
                 bool enabled) {
    bool lit = focused || c.pressed;
    RoundBox(s, Rect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, 7,
             lit ? HIGHLIGHT_COLOUR : FRAME_COLOUR, lit ? HIGHLIGHT_COLOUR : FACE_COLOUR);
    SetTextColour(s, lit ? WHITE_COLOUR : enabled ? TEXT_COLOUR : GREY_TEXT_COLOUR);
    DrawText(s, c.text.c_str(), -1, r, DT_CENTER | DT_VCENTER);
}

void PaintControl(WindowHandle window, DialogState& state, DialogControl& c) {
    PaintInfo paint;
    SurfaceHandle s = BeginPaint(window, paint);
    if (s != nullptr) {
        Rect r = GetClientRect(window);
        bool focused = GetFocus() == window;
        bool enabled = IsWindowEnabled(window);
        FillColour(s, r, WHITE_COLOUR);
        FontHandle oldFont = SelectFont(s, state.font);
        SetBackgroundMode(s, BackgroundMode::Transparent);
        switch (c.kind) {
            case ControlKind::Static:
            case ControlKind::StaticCenter:
            case ControlKind::StaticRight:
                PaintStatic(s, c, r, enabled);
                break;
            case ControlKind::Icon:
                PaintIcon(s, c, state.module);
                break;
            case ControlKind::Edit:
                PaintEdit(s, c, r, focused);
                break;
            case ControlKind::CheckBox:
                PaintCheckBox(s, c, r, focused, enabled);
                break;
            case ControlKind::Slider:
                PaintSlider(s, c, r, focused);
                break;
            case ControlKind::Button:
                PaintButton(s, c, r, focused, enabled);
                break;
        }
        SelectFont(s, oldFont);
    }
    EndPaint(window, paint);
}

// ---- Behaviour ----

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
    c.text.pop_back();
    if (!c.text.empty() && c.text.back() >= 0xD800 && c.text.back() <= 0xDBFF) c.text.pop_back();
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

void Typed(DialogState& state, DialogControl& c, WParam wParam, LParam lParam) {
    auto ch = static_cast<char16_t>(wParam);
    if (c.kind != ControlKind::Edit) {
        HandOnToDialog(state, WM_CHAR, wParam, lParam);
    } else if (ch == 8) {
        DeleteLastCharacter(c);
    } else if (ch >= 32 && ch != 127 &&
               (c.limit <= 0 || static_cast<std::int32_t>(c.text.size()) < c.limit)) {
        c.text += ch;
        Changed(c.window);
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

// ---- Caption strip ----

Rect OkButtonRect(WindowHandle strip) {
    Rect r = GetClientRect(strip);
    std::int32_t margin = std::max(3, r.bottom / 6);
    std::int32_t width = r.bottom + 8;
    return Rect{r.right - margin - width, margin, r.right - margin, r.bottom - margin};
}

void PaintStrip(WindowHandle window, CaptionStripInfo& info) {
    PaintInfo paint;
    SurfaceHandle s = BeginPaint(window, paint);
    if (s != nullptr) {
        Rect r = GetClientRect(window);
        FillColour(s, r, STRIP_COLOUR);
        FillColour(s, Rect{0, r.bottom - 1, r.right, r.bottom}, STRIP_LINE_COLOUR);
        FontHandle oldFont = SelectFont(s, ShellFont(true));
        SetBackgroundMode(s, BackgroundMode::Transparent);
        SetTextColour(s, WHITE_COLOUR);
        Rect ok = OkButtonRect(window);
        Rect text{6, 0, info.okButton ? ok.left - 4 : r.right - 6, r.bottom - 1};
        DrawText(s, info.caption.c_str(), -1, text, DT_VCENTER);
        if (info.okButton) {
            RoundBox(s, ok, 8, WHITE_COLOUR, info.pressed ? HIGHLIGHT_COLOUR : STRIP_COLOUR);
            DrawText(s, u"ok", -1, ok, DT_CENTER | DT_VCENTER);
        }
        SelectFont(s, oldFont);
    }
    EndPaint(window, paint);
}

LResult StripProcedure(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    auto* info = KeepWindowState<CaptionStripInfo>(window, message, lParam);
    if (message == WM_CREATE) return 0;
    if (info == nullptr) return DefaultWindowProcedure(window, message, wParam, lParam);
    auto x = static_cast<std::int16_t>(LowWord(static_cast<WParam>(lParam)));
    auto y = static_cast<std::int16_t>(HighWord(static_cast<WParam>(lParam)));
    bool onOk = info->okButton && PointInRect(OkButtonRect(window), Point{x, y});
    switch (message) {
        case WM_PAINT:
            PaintStrip(window, *info);
            return 0;
        case WM_LBUTTONDOWN:
            info->pressed = onOk;
            if (onOk) Changed(window);
            return 0;
        case WM_LBUTTONUP:
            if (!info->pressed) return 0;
            info->pressed = false;
            Changed(window);
            if (onOk) SendMessage(GetParent(window), WM_COMMAND, IDOK, 0);
            return 0;
        case WM_DESTROY:
            SetWindowData(window, 0);
            return 0;
        default:
            return DefaultWindowProcedure(window, message, wParam, lParam);
    }
}

}  // namespace

const char16_t* ControlClassName(ControlKind kind) {
    switch (kind) {
        case ControlKind::Icon:
            return u"QuarvelIcon";
        case ControlKind::Edit:
            return u"QuarvelEdit";
        case ControlKind::CheckBox:
            return u"QuarvelCheckBox";
        case ControlKind::Slider:
            return u"QuarvelSlider";
        case ControlKind::Button:
            return u"QuarvelButton";
        default:
            return u"QuarvelStatic";
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
    WindowClass strip;
    strip.procedure = StripProcedure;
    strip.name = CAPTION_STRIP_CLASS;
    RegisterWindowClass(strip);
}

WindowHandle CreateCaptionStrip(WindowHandle parent, CaptionStripInfo& info) {
    return CreateWindow(CAPTION_STRIP_CLASS, info.caption.c_str(), WS_CHILD | WS_VISIBLE, 0, 0,
                        GetClientRect(parent).right, ShellStripHeight(), parent, nullptr, &info);
}
