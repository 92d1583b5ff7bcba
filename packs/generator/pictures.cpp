#include "packs/generator/pictures.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>

#include "platform/drawing/drawing.h"
#include "shell/layout_text.h"

namespace packgen {

namespace {

constexpr Rgbi WHITE{255, 255, 255};
constexpr Rgbi BLACK{0, 0, 0};

// Tile values 0 to 8; 7 is the junk tile.
constexpr Rgbi TILE_COLOURS[TILE_KINDS] = {
    {214, 48, 49}, {240, 136, 24}, {236, 204, 32},  {56, 176, 64},  {32, 186, 206},
    {52, 96, 222}, {146, 72, 206}, {128, 132, 144}, {232, 96, 168},
};

constexpr double PI = std::numbers::pi;

Rect Inflate(const Rect& r, int by) {
    return {r.left - by, r.top - by, r.right + by, r.bottom + by};
}

Rect Union(const Rect& a, const Rect& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

bool Inside(const Rect& r, int x, int y) {
    return PointInRect(r, Point{x, y});
}

// Pictures use magenta for "let the previous picture show"; keep it out of
// everything that should be seen.
void AvoidMagenta(Image& image) {
    for (Colour& c : image.pixels) {
        if (c == MAGENTA) c = Rgb(254, 0, 254);
    }
}

}  // namespace

Rect PackLayout::board() const {
    return {boardLeft, boardTop, boardLeft + 10 * tile, boardTop + 20 * tile};
}

Rect PackLayout::fullPreview() const {
    return {nextX, nextY, nextX + 4 * tile, nextY + 4 * tile};
}

Rect PackLayout::halfPreview() const {
    // The game draws each half-size tile s = ts / 2 (by percentage) pixels square,
    // ts / 2 apart, centred in a full tile's cell.
    const int step = tile / 2;
    const int size = tile * 50 / 100;
    const int offset = (tile - size) >> 1;
    return {nextNextX + offset, nextNextY + offset, nextNextX + offset + 3 * step + size,
            nextNextY + offset + 3 * step + size};
}

Rect PackLayout::previewBox() const {
    return Inflate(Union(Union(nextLabel, fullPreview()), halfPreview()), 3);
}

Rect PackLayout::scoreBox() const {
    return Inflate(Union(Union(scoreLabel, score), Union(level, lines)), 3);
}

Rect PackLayout::tablePanel() const {
    return {nameLeft - 30, rowsTop - 22, scoreRight + 6, rowsTop + rowCount * rowHeight + 4};
}

bool ReadPackLayout(const std::string& path, PackLayout& layout) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    LayoutMap.clear();
    LoadLayoutText(text.data(), text.size());
    layout.width = GetLayoutInt("game_width", 0);
    layout.height = GetLayoutInt("game_height", 0);
    layout.tile = GetLayoutInt("board_tile_size", 0);
    layout.boardLeft = GetLayoutInt("board_left", 0);
    layout.boardTop = GetLayoutInt("board_top", 0);
    layout.nextX = GetLayoutInt("next_piece_x", 0);
    layout.nextY = GetLayoutInt("next_piece_y", 0);
    layout.nextNextX = GetLayoutInt("next_next_piece_x", 0);
    layout.nextNextY = GetLayoutInt("next_next_piece_y", 0);
    layout.nextLabel = GetLayoutRect("next_piece_label_rect");
    layout.scoreLabel = GetLayoutRect("score_label_rect");
    layout.score = GetLayoutRect("score_rect");
    layout.level = GetLayoutRect("level_rect");
    layout.lines = GetLayoutRect("lines_rect");
    layout.rowHeight = GetLayoutInt("high_scores_line_height", 0);
    layout.rowsTop = GetLayoutInt("high_scores_top", 0);
    layout.nameLeft = GetLayoutInt("high_scores_left1", 0);
    layout.nameRight = GetLayoutInt("high_scores_right1", 0);
    layout.scoreLeft = GetLayoutInt("high_scores_left2", 0);
    layout.scoreRight = GetLayoutInt("high_scores_right2", 0);
    layout.rowCount = GetLayoutInt("high_scores_count", 0);
    layout.easy = GetLayoutRect("easy_selection_rect");
    layout.medium = GetLayoutRect("medium_selection_rect");
    layout.hard = GetLayoutRect("hard_selection_rect");
    return layout.width > 0 && layout.height > 0 && layout.tile > 1;
}

// ---- Tiles ----

void DrawTile(Image& image, int x, int y, int size, int tile, int variant) {
    const Rgbi base = TILE_COLOURS[std::clamp(tile, 0, TILE_KINDS - 1)];
    Rgbi face = base;
    Rgbi light = Mix(base, WHITE, 0.55);
    Rgbi dark = Mix(base, BLACK, 0.45);
    switch (variant) {
        case 1:  // bright: glints and the clearing animations
            face = Mix(base, WHITE, 0.5);
            light = Mix(base, WHITE, 0.9);
            dark = Mix(base, WHITE, 0.15);
            break;
        case 2:  // dim
            face = Scale(base, 0.45);
            light = Scale(base, 0.7);
            dark = Scale(base, 0.25);
            break;
        case 3:  // outline only
            face = Scale(base, 0.18);
            light = base;
            dark = Scale(base, 0.75);
            break;
        default:
            break;
    }
    const int bevel = size >= 12 ? 2 : 1;
    const int inner = std::max(1, size - 2 * bevel - 1);
    for (int j = 0; j < size; ++j) {
        for (int i = 0; i < size; ++i) {
            const int edge = std::min(std::min(i, j), std::min(size - 1 - i, size - 1 - j));
            Rgbi c;
            if (edge < bevel) {
                // The top and left edges catch the light; the diagonal splits corners.
                const bool lit = std::min(i, j) == edge && i + j < size - 1;
                c = lit ? light : dark;
            } else {
                const double t = double(j - bevel) / inner;
                c = Mix(Mix(face, WHITE, 0.2), Mix(face, BLACK, 0.15), t);
                if (tile == JUNK_TILE && (i + j) % 3 == 0) c = Scale(c, 0.78);  // hatched
            }
            image.set(x + i, y + j, c);
        }
    }
    // A small gleam near the lit corner.
    if (variant != 3) {
        const int g = std::max(1, size / 7);
        for (int j = 0; j < g; ++j) {
            for (int i = 0; i < g; ++i) {
                image.blend(x + bevel + 1 + i, y + bevel + 1 + j, WHITE, 0.65);
            }
        }
    }
}

namespace {

void BlendTile(Image& image, int x, int y, int size, int tile, int variant, double alpha) {
    Image one(size, size);
    DrawTile(one, 0, 0, size, tile, variant);
    for (int j = 0; j < size; ++j) {
        for (int i = 0; i < size; ++i)
            image.blend(x + i, y + j, ToRgb(one.at(i, j)), alpha);
    }
}

// ---- Banners ----

Image Banner(const std::u16string& text, Rgbi top, Rgbi bottom, Rgbi border, Rgbi ink) {
    Image image(BANNER_WIDTH, BANNER_HEIGHT);
    const Rect all{0, 0, BANNER_WIDTH, BANNER_HEIGHT};
    FillRect(image, all,
             [&](int, int y) { return Mix(top, bottom, double(y) / (BANNER_HEIGHT - 1)); });
    // A double frame: a dark outer line and a bright inner one.
    StrokeRoundRect(image, all, 0, Scale(bottom, 0.35), 1.0);
    StrokeRoundRect(image, Inflate(all, -1), 0, border, 1.0);
    StrokeRoundRect(image, Inflate(all, -3), 2, border, 0.35);
    // Sheen over the top half.
    BlendRect(image, {2, 2, BANNER_WIDTH - 2, BANNER_HEIGHT / 2}, WHITE, 0.08);
    Font font{u"DejaVu Sans", 20, FONT_WEIGHT_BOLD};
    while (font.height > 10 && TextWidth(text, font) > BANNER_WIDTH - 14)
        --font.height;
    DrawOutlinedText(
        image, text, font, Inflate(all, -2), DT_CENTER | DT_VCENTER,
        [ink](int, int) { return ink; }, Scale(bottom, 0.3), 2);
    AvoidMagenta(image);
    return image;
}

}  // namespace

Image GameOverBanner() {
    return Banner(u"GAME OVER", {178, 36, 44}, {92, 12, 24}, {255, 196, 120}, {255, 240, 200});
}

Image PauseBanner() {
    return Banner(u"PAUSED", {44, 92, 196}, {18, 34, 96}, {150, 210, 255}, {255, 255, 255});
}

Image TileSheet(const PackLayout& layout, const Image& pauseBanner) {
    const int ts = layout.tile;
    Image sheet(TILE_KINDS * ts, TILE_VARIANTS * ts);
    for (int v = 0; v < TILE_VARIANTS; ++v) {
        for (int k = 0; k < TILE_KINDS; ++k)
            DrawTile(sheet, k * ts, v * ts, ts, k, v);
    }
    // The game lays the sheet over its sprite surface after the pause banner, so
    // rows of the sheet at and below the banner's top replace the banner's own
    // top rows (only rows of the never-drawn variants reach that far). Give them
    // the banner's pixels, magenta showing as the surface's black.
    for (int y = PAUSE_BANNER_SPRITE_TOP; y < sheet.height; ++y) {
        const int by = y - PAUSE_BANNER_SPRITE_TOP;
        if (by >= pauseBanner.height) break;
        for (int x = 0; x < std::min(sheet.width, pauseBanner.width); ++x) {
            const Colour c = pauseBanner.at(x, by);
            sheet.pixels[std::size_t(y) * sheet.width + x] = c == MAGENTA ? 0 : c;
        }
    }
    return sheet;
}

// ---- Level backgrounds ----

namespace {

struct Theme {
    double hue;
    double saturation;
};

constexpr Theme LEVEL_THEMES[LEVEL_BACKGROUNDS] = {
    {222, 0.62}, {184, 0.58}, {138, 0.50}, {72, 0.52},  {34, 0.62},
    {352, 0.55}, {318, 0.45}, {262, 0.50}, {204, 0.30}, {240, 0.15},
};

double Wave(double v) {
    return 0.5 + 0.5 * std::sin(v);
}

// Pattern k at a pixel, 0..1: soft stripes, dots, rings, waves, plaid, bricks,
// a gradient sky, diamonds, rays and a plasma.
double Pattern(int k, int x, int y, int w, int h) {
    switch (k) {
        case 0:
            return Wave((x + y) * 2 * PI / 26);
        case 1: {
            const double dx = (x % 16) - 7.5;
            const double dy = (y % 16) - 7.5;
            return std::clamp(1.2 - std::sqrt(dx * dx + dy * dy) / 5.0, 0.0, 1.0);
        }
        case 2:
            return Wave(std::hypot(x - w, y) * 2 * PI / 22);
        case 3:
            return Wave(x * 2 * PI / 44 + 2.2 * std::sin(y * 2 * PI / 70));
        case 4:
            return 0.5 + 0.25 * (std::sin(x * 2 * PI / 22) + std::sin(y * 2 * PI / 22));
        case 5: {
            const int row = y / 11;
            const int bx = (x + (row % 2) * 12) % 24;
            const int by = y % 11;
            return bx == 0 || by == 0 ? 0.0 : (bx == 1 || by == 1 ? 1.0 : 0.65);
        }
        case 6:
            return 1.0 - double(y) / h;
        case 7: {
            const double d = std::abs((x % 24) - 11.5) + std::abs((y % 24) - 11.5);
            return std::clamp(d / 23.0, 0.0, 1.0);
        }
        case 8:
            return Wave(std::atan2(y - h * 0.45, x - w * 0.7) * 14);
        default:
            return 0.5 + 0.25 * (std::sin(x * 0.09 + std::sin(y * 0.05) * 2) +
                                 std::sin(std::hypot(x - w * 0.3, y - h * 0.6) * 0.11));
    }
}

}  // namespace

Image LevelBackground(const PackLayout& layout, int index) {
    const int w = layout.width;
    const int h = layout.height;
    const Theme theme = LEVEL_THEMES[std::clamp(index, 0, LEVEL_BACKGROUNDS - 1)];
    Image image(w, h);
    // Board region: the board and the pixel around it that the playfield redraw
    // touches.
    const Rect well = Inflate(layout.board(), 1);
    FillRect(image, {0, 0, w, h}, [&](int x, int y) {
        const double p = Pattern(index, x, y, w, h);
        if (Inside(well, x, y)) {
            // Dark and nearly even, so tiles stand out and the translucent tiles
            // of the pause cover and the shadow read clearly.
            const double depth = 0.10 + 0.03 * double(y - well.top) / (well.bottom - well.top);
            return FromHsv(theme.hue, theme.saturation * 0.8, depth + 0.022 * p);
        }
        const double value = 0.24 + 0.16 * p + 0.10 * (1.0 - double(y) / h);
        return FromHsv(theme.hue + 12 * p, theme.saturation, value);
    });
    if (index == 6 || index == 9) {
        // Scattered stars over the sky themes.
        Random random(0x51A7 + index);
        for (int n = 0; n < w * h / 260; ++n) {
            const int x = random.below(w);
            const int y = random.below(h);
            if (Inside(Inflate(well, 3), x, y)) continue;
            const double glow = 0.35 + random.below(60) / 100.0;
            image.blend(x, y, WHITE, glow);
            if (glow > 0.8) {
                for (const auto& [ox, oy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                    image.blend(x + ox, y + oy, WHITE, glow * 0.35);
                }
            }
        }
    }
    // A sunken frame round the board: shaded on the top and left, lit below and
    // on the right.
    const Rgbi shade = FromHsv(theme.hue, theme.saturation * 0.6, 0.07);
    const Rgbi lit = FromHsv(theme.hue, theme.saturation * 0.45, 0.72);
    for (int ring = 1; ring <= 2; ++ring) {
        const Rect r = Inflate(well, ring);
        const double alpha = ring == 1 ? 0.9 : 0.55;
        for (int x = r.left; x < r.right; ++x) {
            image.blend(x, r.top, shade, alpha);
            image.blend(x, r.bottom - 1, lit, alpha);
        }
        for (int y = r.top + 1; y < r.bottom - 1; ++y) {
            image.blend(r.left, y, shade, alpha);
            image.blend(r.right - 1, y, lit, alpha);
        }
    }
    // Dark boxes behind the panel's texts and previews.
    const Rgbi boxFill = FromHsv(theme.hue, theme.saturation * 0.7, 0.05);
    const Rgbi boxEdge = FromHsv(theme.hue, theme.saturation * 0.4, 0.85);
    for (const Rect& box : {layout.previewBox(), layout.scoreBox()}) {
        BlendRoundRect(
            image, box, 5, [boxFill](int, int) { return boxFill; }, 0.66);
        StrokeRoundRect(image, box, 5, boxEdge, 0.5);
    }
    // The game's name, engraved in the panel's spare room below the texts.
    const Rect spare{layout.previewBox().left, layout.scoreBox().bottom + 4,
                     layout.previewBox().right, layout.board().bottom};
    if (spare.bottom - spare.top >= 24) {
        Font font{u"DejaVu Sans", std::min(24, spare.bottom - spare.top - 6), FONT_WEIGHT_BOLD};
        while (font.height > 10 && TextWidth(u"Quarvel", font) > spare.right - spare.left - 8) {
            --font.height;
        }
        const Mask mask = TextMask(w, h, u"Quarvel", font, spare, DT_CENTER | DT_VCENTER);
        PaintMask(
            image, mask, [shade](int, int) { return shade; }, 0.8, 1, 1);
        PaintMask(
            image, mask, [lit](int, int) { return lit; }, 0.55);
    }
    AvoidMagenta(image);
    return image;
}

// ---- Title picture ----

namespace {

// A few piece shapes for the title's scattered decoration, as 4 x 4 grids.
constexpr const char* DECOR_SHAPES[] = {
    "XXXX............", "XX..XX..........", ".X..XXX.........", "X...XXX.........",
    "..X.XXX.........", "XX...XX.........", ".XX.XX..........",
};

void DrawTitleBackdrop(Image& image, const PackLayout& layout) {
    const int w = image.width;
    const int h = image.height;
    FillRect(image, {0, 0, w, h}, [&](int x, int y) {
        const double t = double(y) / h;
        const Rgbi c = Mix(Rgbi{16, 22, 66}, Rgbi{62, 24, 84}, t);
        return Mix(c, WHITE, 0.05 * Wave((x - y) * 2 * PI / 30));
    });
    // Pieces tumbling in the background, faint.
    Random random(1066);
    const int ts = layout.tile;
    const int count = w * h / (ts * ts * 32);
    for (int n = 0; n < count; ++n) {
        const char* shape = DECOR_SHAPES[random.below(std::size(DECOR_SHAPES))];
        const int tile = random.below(TILE_KINDS);
        const int px = random.below(w + 2 * ts) - 2 * ts;
        const int py = random.below(h + 2 * ts) - 2 * ts;
        for (int i = 0; i < 16; ++i) {
            if (shape[i] == 'X') {
                BlendTile(image, px + (i % 4) * ts, py + (i / 4) * ts, ts, tile, 0, 0.22);
            }
        }
    }
}

void DrawTitleName(Image& image, const PackLayout& layout) {
    const int firstLabel = std::min({layout.easy.top, layout.medium.top, layout.hard.top});
    // The name fills the band above the difficulty labels, with a row of tiles
    // beneath it when there is room.
    const bool tileRow = firstLabel >= 70;
    const int bandBottom = tileRow ? firstLabel - layout.tile - 8 : firstLabel - 4;
    const std::u16string name = u"Quarvel";
    Font font{u"DejaVu Sans", bandBottom - 4, FONT_WEIGHT_BOLD};
    while (font.height > 12 && TextWidth(name, font) > image.width - 40)
        --font.height;
    const Rect band{0, 2, image.width, bandBottom};
    const int textTop = band.top + (band.bottom - band.top - font.height) / 2;
    const int textBottom = textTop + font.height;
    DrawOutlinedText(
        image, name, font, band, DT_CENTER | DT_VCENTER,
        [&](int, int y) {
            const double t = std::clamp(double(y - textTop) / (textBottom - textTop), 0.0, 1.0);
            return Mix(Rgbi{255, 240, 130}, Rgbi{244, 126, 36}, t);
        },
        Rgbi{30, 10, 44}, 2);
    if (tileRow) {
        const int ts = layout.tile;
        const int count = 7;
        const int left = (image.width - count * ts) / 2;
        for (int k = 0; k < count; ++k)
            DrawTile(image, left + k * ts, bandBottom + 2, ts, k, 0);
    }
}

void DrawDifficultyLabels(Image& image, const PackLayout& layout) {
    const struct {
        const Rect& rect;
        const char16_t* text;
        Rgbi ink;
    } labels[] = {
        {layout.easy, u"Easy", {150, 240, 150}},
        {layout.medium, u"Medium", {255, 224, 110}},
        {layout.hard, u"Hard", {255, 140, 120}},
    };
    // One font for the three: bold when every label fits its button, else plain,
    // else smaller.
    Font font{u"DejaVu Sans", 14, FONT_WEIGHT_BOLD};
    const auto fits = [&] {
        for (const auto& label : labels) {
            if (TextWidth(label.text, font) > label.rect.right - label.rect.left - 8) return false;
        }
        return true;
    };
    if (!fits()) font.weight = FONT_WEIGHT_NORMAL;
    while (font.height > 9 && !fits())
        --font.height;
    for (const auto& label : labels) {
        // Inside the rectangle, so the title screen's outline of the chosen one
        // runs round the button.
        const Rect button = Inflate(label.rect, -2);
        BlendRoundRect(
            image, button, 4,
            [&](int, int y) {
                const double t = double(y - button.top) / std::max(1, button.bottom - button.top);
                return Mix(Rgbi{44, 50, 110}, Rgbi{14, 14, 44}, t);
            },
            0.85);
        StrokeRoundRect(image, button, 4, Mix(label.ink, BLACK, 0.3), 0.8);
        const Rgbi ink = label.ink;
        DrawOutlinedText(
            image, label.text, font, button, DT_CENTER | DT_VCENTER,
            [ink](int, int) { return ink; }, Rgbi{10, 6, 24}, 1);
    }
}

void DrawScorePanel(Image& image, const PackLayout& layout) {
    const Rect panel = layout.tablePanel();
    BlendRoundRect(
        image, panel, 6,
        [](int, int) {
            return Rgbi{8, 8, 30};
        },
        0.78);
    StrokeRoundRect(image, panel, 6, Rgbi{150, 160, 230}, 0.6);
    const Rect heading{panel.left, panel.top + 2, panel.right, layout.rowsTop};
    DrawOutlinedText(
        image, u"High scores", Font{u"DejaVu Sans", 14, FONT_WEIGHT_BOLD}, heading,
        DT_CENTER | DT_VCENTER,
        [](int, int) {
            return Rgbi{255, 214, 96};
        },
        Rgbi{10, 6, 24}, 1);
    for (int i = 0; i < layout.rowCount; ++i) {
        const int top = layout.rowsTop + i * layout.rowHeight;
        if (i % 2 == 0) {
            BlendRect(image, {panel.left + 3, top, panel.right - 3, top + layout.rowHeight},
                      Rgbi{120, 130, 220}, 0.12);
        }
        const std::u16string place = std::u16string(1, char16_t(u'1' + i)) + u".";
        const Rect number{panel.left + 2, top, layout.nameLeft - 6, top + layout.rowHeight};
        DrawOutlinedText(
            image, place, Font{u"DejaVu Sans", 14, FONT_WEIGHT_NORMAL}, number,
            DT_RIGHT | DT_VCENTER,
            [](int, int) {
                return Rgbi{170, 180, 230};
            },
            BLACK, 0);
    }
}

}  // namespace

Image TitlePicture(const PackLayout& layout) {
    Image image(layout.width, layout.height);
    DrawTitleBackdrop(image, layout);
    DrawTitleName(image, layout);
    DrawDifficultyLabels(image, layout);
    DrawScorePanel(image, layout);
    AvoidMagenta(image);
    return image;
}

}  // namespace packgen
