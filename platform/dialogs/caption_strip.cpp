// The caption strip across the top of dialogs and message boxes: the caption
// and, when asked for, an ok button that sends IDOK to the dialog.
#include <algorithm>
#include <cstdint>

#include "platform/internal/dialogs_internal.h"
#include "platform/internal/phone_shell_internal.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/runtime/keys.h"
#include "platform/text/text.h"

namespace {

constexpr const char16_t* CAPTION_STRIP_CLASS = u"PhoneCaptionStrip";

void Changed(WindowHandle window) {
    InvalidateRect(window, nullptr, false);
}

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
        FontHandle oldFont = SelectFont(s, PhoneShellFont(true));
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

void RegisterCaptionStripClass() {
    WindowClass strip;
    strip.procedure = StripProcedure;
    strip.name = CAPTION_STRIP_CLASS;
    RegisterWindowClass(strip);
}

WindowHandle CreateCaptionStrip(WindowHandle parent, CaptionStripInfo& info) {
    return CreateWindow(CAPTION_STRIP_CLASS, info.caption.c_str(), WS_CHILD | WS_VISIBLE, 0, 0,
                        GetClientRect(parent).right, PhoneShellStripHeight(), parent, nullptr,
                        &info);
}
