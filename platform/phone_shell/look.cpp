// The phone shell's look: its fonts, and the solid fills and arrows its strips,
// bars and popups are drawn with.
#include <algorithm>
#include <map>
#include <utility>

#include "platform/internal/phone_shell_internal.h"
#include "platform/phone_shell/phone_shell.h"

FontHandle PhoneShellFont(bool bold) {
    // Fonts are made once per size and kept for the whole run, past static
    // destruction.
    static auto& fonts = *new std::map<std::pair<std::int32_t, bool>, FontHandle>;
    std::int32_t height = PhoneShellStripHeight() >= 26 ? 15 : 12;
    auto key = std::make_pair(height, bold);
    auto found = fonts.find(key);
    if (found != fonts.end()) return found->second;
    FontHandle font =
        CreateFontByName(u"Tahoma", height, bold ? FONT_WEIGHT_BOLD : FONT_WEIGHT_NORMAL);
    fonts[key] = font;
    return font;
}

void FillColour(SurfaceHandle surface, const Rect& rect, Colour colour) {
    BrushHandle brush = CreateSolidBrush(colour);
    FillRect(surface, rect, brush);
    DeleteBrush(brush);
}

void DrawArrow(SurfaceHandle surface, const Rect& box, ArrowDirection direction, Colour colour) {
    std::int32_t width = box.right - box.left, height = box.bottom - box.top;
    bool vertical = direction == ArrowDirection::Up || direction == ArrowDirection::Down;
    // Depth from base to tip; the base is twice as long, less one for a sharp tip.
    std::int32_t depth =
        vertical ? std::min(height, (width + 1) / 2) : std::min(width, (height + 1) / 2);
    if (depth <= 0) return;
    std::int32_t cx = box.left + width / 2, cy = box.top + height / 2;
    BrushHandle brush = CreateSolidBrush(colour);
    for (std::int32_t i = 0; i < depth; ++i) {
        std::int32_t half = i;  // row i from the tip spans 2i + 1 pixels
        Rect line;
        switch (direction) {
            case ArrowDirection::Up: {
                std::int32_t y = cy - depth / 2 + i;
                line = Rect{cx - half, y, cx + half + 1, y + 1};
                break;
            }
            case ArrowDirection::Down: {
                std::int32_t y = cy + (depth - 1) / 2 - i;
                line = Rect{cx - half, y, cx + half + 1, y + 1};
                break;
            }
            case ArrowDirection::Right: {
                std::int32_t x = cx + (depth - 1) / 2 - i;
                line = Rect{x, cy - half, x + 1, cy + half + 1};
                break;
            }
        }
        FillRect(surface, line, brush);
    }
    DeleteBrush(brush);
}
