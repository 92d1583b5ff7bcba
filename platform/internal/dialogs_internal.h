// Layer-internal parts of the dialogs: the parsed DIALOG template, dialog units,
// the running dialogs' records that the control classes share, and the caption
// strip that dialogs and message boxes draw at their top.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialogs/dialogs.h"
#include "platform/drawing/drawing.h"
#include "platform/windows/windows.h"

// ---- Templates ----

enum class ControlKind { Static, StaticCenter, StaticRight, Icon, Edit, CheckBox, Slider, Button };

struct ControlTemplate {
    ControlKind kind = ControlKind::Static;
    std::int32_t id = -1;
    std::int32_t x = 0, y = 0, width = 0, height = 0;  // dialog units
    std::u16string text;
    std::uint32_t style = 0;
};

struct DialogTemplate {
    std::u16string caption;
    std::u16string fontFace;
    std::int32_t fontPoints = 0;
    std::int32_t width = 0, height = 0;  // dialog units
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::vector<ControlTemplate> controls;  // in tab order
};

// Reads a template in the format of dialogs/dialog_template_format.md; false
// (and `out` unspecified) for a malformed template.
bool ParseDialogTemplate(std::string_view text, DialogTemplate& out);

// The font's cell height in pixels for a size in points, at 96 pixels per inch.
constexpr std::int32_t FontPixelsForPoints(std::int32_t points) {
    return (points * 96 + 36) / 72;
}

// Dialog units of a font: a horizontal unit is a quarter of its average
// character width, a vertical unit an eighth of its height.
struct DialogUnits {
    std::int32_t averageCharWidth = 0;
    std::int32_t height = 0;
    std::int32_t toPixelsX(std::int32_t units) const { return units * averageCharWidth / 4; }
    std::int32_t toPixelsY(std::int32_t units) const { return units * height / 8; }
};
// The units of a font; a fallback of a small system font for a null one.
DialogUnits DialogUnitsOf(FontHandle font);

// ---- Running dialogs ----

struct DialogControl {
    ControlKind kind = ControlKind::Static;
    std::int32_t id = -1;
    WindowHandle window = nullptr;
    Rect templateRect;  // pixels, relative to the area below any caption strip
    std::u16string text;
    std::int32_t limit = 0;  // edit: the most UTF-16 units typed, whole characters; 0 none
    bool checked = false;
    std::int32_t low = 0, high = 100, position = 0;  // slider
    bool pressed = false;                            // the pen went down on it and is not up yet
};

struct CaptionStripInfo {
    std::u16string caption;
    bool okButton = false;
    bool pressed = false;  // the pen went down on the ok button
};

struct DialogState {
    DialogTemplate layout;
    ModuleHandle module = nullptr;
    DialogProcedure procedure = nullptr;
    WindowHandle window = nullptr;
    FontHandle font = nullptr;  // the template's font, for every control
    std::vector<DialogControl> controls;
    WindowHandle lastFocus = nullptr;  // the control that had the focus last
    WindowHandle strip = nullptr;      // the caption strip, once asked for
    CaptionStripInfo stripInfo;
    std::int32_t forwarding = 0;  // a control is handing a key on to the dialog
    bool done = false;
    std::intptr_t result = 0;
};

// The running dialog of that window, or null.
DialogState* FindDialogState(WindowHandle dialog);
// The record of a control window of a running dialog, or null (with `state`).
DialogControl* FindDialogControl(WindowHandle control, DialogState** state = nullptr);
bool IsFocusable(const DialogControl& control);

// Registers the control and strip classes (again after a window-manager reset).
void RegisterDialogClasses();
const char16_t* ControlClassName(ControlKind kind);

// The caption strip's class (registered with the control classes).
void RegisterCaptionStripClass();
// A caption strip window across the top of `parent`; `info` must outlive it.
WindowHandle CreateCaptionStrip(WindowHandle parent, CaptionStripInfo& info);

// A slider's thumb width in pixels: painting and tapping agree on it.
constexpr std::int32_t THUMB_WIDTH = 10;
// Paints a control of a running dialog (its WM_PAINT).
void PaintControl(WindowHandle window, DialogState& state, DialogControl& control);
// A rounded box outlined in `edge` and filled with `fill`.
void RoundBox(SurfaceHandle surface, const Rect& r, std::int32_t corner, Colour edge, Colour fill);

// A quoted text for the event log: quotes, backslashes and line breaks escaped.
std::string QuoteForLog(std::u16string_view text);

// The phone look shared by dialogs and message boxes.
constexpr Colour STRIP_COLOUR = Rgb(22, 60, 130);
constexpr Colour STRIP_LINE_COLOUR = Rgb(96, 140, 210);
constexpr Colour HIGHLIGHT_COLOUR = Rgb(38, 98, 196);
constexpr Colour FRAME_COLOUR = Rgb(128, 136, 150);
constexpr Colour FACE_COLOUR = Rgb(232, 236, 242);
constexpr Colour TEXT_COLOUR = Rgb(0, 0, 0);
constexpr Colour WHITE_COLOUR = Rgb(255, 255, 255);
