// Painting the dialog controls: static texts, icons, one-line edit fields, check
// boxes, sliders and push buttons, in the phone's look.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/internal/dialogs_internal.h"
#include "platform/internal/phone_shell_internal.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/runtime/keys.h"
#include "platform/text/text.h"

namespace {

constexpr Colour GREY_TEXT_COLOUR = Rgb(150, 150, 150);
constexpr Colour TRACK_COLOUR = Rgb(200, 206, 216);

// ---- Drawing helpers ----

void Frame(SurfaceHandle surface, const Rect& r, Colour colour, std::int32_t width) {
    FillColour(surface, Rect{r.left, r.top, r.right, r.top + width}, colour);
    FillColour(surface, Rect{r.left, r.bottom - width, r.right, r.bottom}, colour);
    FillColour(surface, Rect{r.left, r.top, r.left + width, r.bottom}, colour);
    FillColour(surface, Rect{r.right - width, r.top, r.right, r.bottom}, colour);
}

}  // namespace

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

namespace {

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
    {
        ScopedSurface source(s, picture);
        TransparentCopy(s, 0, 0, width, height, source.get(), 0, 0, width, height, MAGENTA);
    }
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

}  // namespace

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
