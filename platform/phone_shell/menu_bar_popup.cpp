// Popup menus of the soft-key bars: their metrics, the items' layout and
// scrolling, and painting.
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/drawing/drawing.h"
#include "platform/internal/menu_bar.h"
#include "platform/internal/phone_shell_internal.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/windows/windows.h"

namespace {

constexpr Colour POPUP_BACKGROUND = Rgb(250, 250, 252);
constexpr Colour POPUP_BORDER = Rgb(58, 64, 78);
constexpr Colour POPUP_TEXT = Rgb(24, 26, 32);
constexpr Colour POPUP_GRAYED = Rgb(158, 160, 166);
constexpr Colour POPUP_HIGHLIGHT = Rgb(44, 100, 186);
constexpr Colour POPUP_HIGHLIGHT_GRAYED = Rgb(176, 192, 220);
constexpr Colour POPUP_SEPARATOR = Rgb(208, 210, 216);

void DrawCheck(SurfaceHandle surface, const Rect& box, Colour colour) {
    // A tick two pixels thick: a short stroke down to the right, a long one up.
    std::int32_t size = std::min(box.right - box.left, box.bottom - box.top) * 3 / 5;
    std::int32_t unit = std::max(size / 6, 1);
    std::int32_t x = box.left + (box.right - box.left - 6 * unit) / 2;
    std::int32_t y = box.top + (box.bottom - box.top) / 2;
    BrushHandle brush = CreateSolidBrush(colour);
    for (std::int32_t i = 0; i <= 2 * unit; ++i)
        FillRect(surface, Rect{x + i, y + i - unit, x + i + 2, y + i - unit + 2}, brush);
    for (std::int32_t i = 0; i <= 4 * unit; ++i)
        FillRect(surface,
                 Rect{x + 2 * unit + i, y + unit - i, x + 2 * unit + i + 2, y + unit - i + 2},
                 brush);
    DeleteBrush(brush);
}

}  // namespace

namespace menu_bar {

PopupMetrics Metrics() {
    std::int32_t strip = PhoneShellStripHeight();
    // Eleven items fit above the soft keys of a 176 x 220 screen.
    std::int32_t item = strip >= 26 ? 22 : 17;
    return PopupMetrics{item, 7, 3, item - 4, 14, 10};
}

// The rectangles of the items shown (client coordinates), by item index.
std::vector<std::pair<std::int32_t, Rect>> ItemRects(const Level& level) {
    PopupMetrics m = Metrics();
    Rect client = GetClientRect(level.window);
    std::int32_t top = m.frame + (level.scrolls ? m.scrollHeight : 0);
    std::int32_t bottom = client.bottom - m.frame - (level.scrolls ? m.scrollHeight : 0);
    std::vector<std::pair<std::int32_t, Rect>> rects;
    const auto& items = level.menu->items;
    for (std::size_t i = static_cast<std::size_t>(std::max(level.first, 0)); i < items.size();
         ++i) {
        std::int32_t h =
            items[i].kind == MenuItem::Kind::Separator ? m.separatorHeight : m.itemHeight;
        if (top + h > bottom) break;
        rects.emplace_back(static_cast<std::int32_t>(i),
                           Rect{m.frame, top, client.right - m.frame, top + h});
        top += h;
    }
    return rects;
}

void EnsureVisible(Level& level) {
    if (level.highlight < 0) return;
    if (level.highlight < level.first) level.first = level.highlight;
    for (;;) {
        auto rects = ItemRects(level);
        if (rects.empty() || rects.back().first >= level.highlight) break;
        ++level.first;
    }
}

// The size a popup needs for its items, limited to `maxWidth` x `maxHeight`.
Rect PopupSize(const MenuObject& menu, std::int32_t maxWidth, std::int32_t maxHeight,
               bool& scrolls) {
    PopupMetrics m = Metrics();
    ScopedSurface measure;
    SelectFont(measure.get(), PhoneShellFont(false));
    std::int32_t textWidth = 0, height = 2 * m.frame;
    for (const MenuItem& item : menu.items) {
        if (item.kind == MenuItem::Kind::Separator) {
            height += m.separatorHeight;
            continue;
        }
        std::int32_t w = 0, h = 0;
        MeasureText(measure.get(), item.text.c_str(), -1, w, h);
        textWidth = std::max(textWidth, w);
        height += m.itemHeight;
    }
    std::int32_t width = 2 * m.frame + m.checkWidth + textWidth + 6 + m.arrowWidth;
    width = std::clamp(width, std::min(maxWidth, GetScreenWidth() * 2 / 5), maxWidth);
    scrolls = height > maxHeight;
    return Rect{0, 0, width, std::min(height, maxHeight)};
}

void PaintPopup(WindowHandle window) {
    PaintInfo paint;
    SurfaceHandle surface = BeginPaint(window, paint);
    if (surface == nullptr) return;
    const Level* level = nullptr;
    for (const Level& l : State().menu.levels) {
        if (l.window == window) level = &l;
    }
    Rect client = GetClientRect(window);
    FillColour(surface, client, POPUP_BORDER);
    FillColour(surface, Rect{1, 1, client.right - 1, client.bottom - 1}, POPUP_BACKGROUND);
    if (level != nullptr) {
        PopupMetrics m = Metrics();
        SelectFont(surface, PhoneShellFont(false));
        SetBackgroundMode(surface, BackgroundMode::Transparent);
        for (const auto& [index, rect] : ItemRects(*level)) {
            const MenuItem& item = level->menu->items[static_cast<std::size_t>(index)];
            if (item.kind == MenuItem::Kind::Separator) {
                std::int32_t y = rect.top + (rect.bottom - rect.top) / 2;
                FillColour(surface, Rect{rect.left + 4, y, rect.right - 4, y + 1}, POPUP_SEPARATOR);
                continue;
            }
            bool highlighted = index == level->highlight;
            Colour text = item.grayed ? POPUP_GRAYED : POPUP_TEXT;
            if (highlighted) {
                FillColour(surface, rect, POPUP_HIGHLIGHT);
                text = item.grayed ? POPUP_HIGHLIGHT_GRAYED : PHONE_SHELL_TEXT_COLOUR;
            }
            Rect check{rect.left, rect.top, rect.left + m.checkWidth, rect.bottom};
            if (item.checked) DrawCheck(surface, check, text);
            SetTextColour(surface, text);
            Rect label{check.right, rect.top, rect.right - m.arrowWidth, rect.bottom};
            DrawText(surface, item.text.c_str(), -1, label, DT_VCENTER);
            if (item.kind == MenuItem::Kind::Submenu) {
                std::int32_t cy = rect.top + (rect.bottom - rect.top) / 2;
                DrawArrow(surface,
                          Rect{rect.right - m.arrowWidth + 4, cy - 4, rect.right - 4, cy + 5},
                          ArrowDirection::Right, text);
            }
        }
        if (level->scrolls) {
            auto rects = ItemRects(*level);
            bool more = !rects.empty() && rects.back().first + 1 <
                                              static_cast<std::int32_t>(level->menu->items.size());
            std::int32_t cx = client.right / 2;
            if (level->first > 0) {
                DrawArrow(surface, Rect{cx - 5, m.frame + 2, cx + 6, m.frame + m.scrollHeight - 2},
                          ArrowDirection::Up, POPUP_BORDER);
            }
            if (more) {
                std::int32_t b = client.bottom - m.frame;
                DrawArrow(surface, Rect{cx - 5, b - m.scrollHeight + 2, cx + 6, b - 2},
                          ArrowDirection::Down, POPUP_BORDER);
            }
        }
        SelectFont(surface, nullptr);
    }
    EndPaint(window, paint);
}

}  // namespace menu_bar
