// Figures: filled rectangles, outlined and rounded rectangles, and the focus
// rectangle.
#include <SDL.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/drawing/drawing.h"
#include "platform/internal/drawing_sdl.h"

namespace {

// How far row `k` (counted from the nearer of the top and bottom edges) of a
// figure with corner ellipse ew x eh starts inside its left and right edges. The
// corner follows the ellipse through the centres of the outermost pixels of the
// ew x eh box, as a midpoint-drawn ellipse does; its radii are a quarter pixel
// longer so that a row the curve only grazes keeps its pixels.
std::int64_t CornerInset(std::int64_t k, std::int64_t ew, std::int64_t eh) {
    if (ew < 2 || eh < 2) return 0;
    const double rx = (ew - 1) / 2.0;
    const double ry = (eh - 1) / 2.0;
    const double dy = ry - static_cast<double>(k);
    if (dy <= 0) return 0;
    const double t = dy / (ry + 0.25);
    const double hx = (rx + 0.25) * std::sqrt(std::max(0.0, 1.0 - t * t));
    return std::max<std::int64_t>(0, static_cast<std::int64_t>(std::ceil(rx - hx - 1e-9)));
}

struct Span {
    std::int64_t left = 0;
    std::int64_t right = 0;  // exclusive
    bool empty() const { return right <= left; }
};

// A rounded box: [left, right) x [top, bottom) with corner ellipse ew x eh.
struct Figure {
    std::int64_t left, top, right, bottom, ew, eh;

    Span row(std::int64_t y) const {
        if (y < top || y >= bottom || right <= left) return {};
        std::int64_t inset = CornerInset(std::min(y - top, bottom - 1 - y), ew, eh);
        return {left + inset, right - inset};
    }

    // The figure inside an outline `w` pixels wide.
    Figure inside(std::int64_t w) const {
        return {left + w,
                top + w,
                right - w,
                bottom - w,
                std::max<std::int64_t>(0, ew - 2 * w),
                std::max<std::int64_t>(0, eh - 2 * w)};
    }
};

Span Meet(Span a, Span b) {
    return {std::max(a.left, b.left), std::min(a.right, b.right)};
}

// Fills pixels [left, right) of a row. Four at a time, the last four overlapping
// the ones before: a figure's spans are short, and a pixel at a time or a
// library call would cost more than the filling.
inline void FillPixels(std::uint32_t* row, std::int64_t left, std::int64_t right,
                       std::uint32_t pixel) {
    const std::int64_t count = right - left;
    std::uint32_t* to = row + left;
    if (count < 4) {
        for (std::int64_t i = 0; i < count; ++i)
            to[i] = pixel;
        return;
    }
    const Pixels4 four = {pixel, pixel, pixel, pixel};
    for (std::int64_t i = 0; i + 4 < count; i += 4)
        Store4(to + i, four);
    Store4(to + count - 4, four);
}

inline void FillSpan(std::uint32_t* row, Span span, const PixelBox& clip, std::uint32_t pixel) {
    span = Meet(span, {clip.left, clip.right});
    if (!span.empty()) FillPixels(row, span.left, span.right, pixel);
}

// What one row of a figure fills, in this order: the inside with the brush, then
// the outline's left and right parts with the pen (empty spans fill nothing).
struct FigureRow {
    Span inside;
    Span outlineLeft;
    Span outlineRight;
};

// Row y of a figure whose outline is `w` pixels wide (0: no pen).
FigureRow RowOf(const Figure& outer, const Figure& inner, std::int64_t w, bool brush,
                std::int64_t y) {
    const Span out = outer.row(y);
    if (w == 0) return {out, {}, {}};
    // The inside also stays within the rows above and below, which keeps a
    // one-pixel outline connected around the corners.
    const Span in = Meet(Meet(inner.row(y), outer.row(y - 1)), outer.row(y + 1));
    if (in.empty()) return {{}, out, {}};
    return {brush ? in : Span{}, {out.left, in.left}, {in.right, out.right}};
}

// Figures higher or wider than this are worked out row by row as they are drawn.
constexpr std::int64_t MAX_KEPT_SIDE = 1024;

// The rows of the figures drawn last, placed at (0, 0), worked out once per
// shape: a figure drawn again (a tile drawn two hundred times) takes its rows
// from here, moved to its place.
class KeptFigures {
  public:
    // The rows of the shape; null when it is too large to keep.
    const FigureRow* rows(std::int64_t width, std::int64_t height, std::int64_t ew, std::int64_t eh,
                          std::int64_t w, bool brush) {
        if (width > MAX_KEPT_SIDE || height > MAX_KEPT_SIDE) return nullptr;
        const Key key{width, height, ew, eh, w, brush};
        for (Shape& shape : shapes_) {
            if (shape.key == key) return shape.rows.data();
        }
        Shape& shape = shapes_[next_];
        next_ = (next_ + 1) % KEPT;
        shape.key = key;
        const Figure outer{0, 0, width, height, ew, eh};
        const Figure inner = outer.inside(w);
        shape.rows.resize(static_cast<std::size_t>(height));
        for (std::int64_t y = 0; y < height; ++y)
            shape.rows[static_cast<std::size_t>(y)] = RowOf(outer, inner, w, brush, y);
        return shape.rows.data();
    }

  private:
    static constexpr std::size_t KEPT = 8;
    struct Key {
        std::int64_t width = -1, height = -1, ew = 0, eh = 0, w = 0;
        bool brush = false;
        bool operator==(const Key&) const = default;
    };
    struct Shape {
        Key key;
        std::vector<FigureRow> rows;
    };
    std::array<Shape, KEPT> shapes_;
    std::size_t next_ = 0;
};

KeptFigures& Kept() {
    static KeptFigures kept;
    return kept;
}

Span Moved(Span span, std::int64_t dx) {
    return {span.left + dx, span.right + dx};
}

bool DrawFigure(SurfaceObject* surface, std::int64_t left, std::int64_t top, std::int64_t right,
                std::int64_t bottom, std::int64_t ew, std::int64_t eh) {
    if (!surface) return false;
    const bool pen = surface->pen && !surface->pen->null;
    const bool brush = surface->brush && !surface->brush->hollow;
    if (!pen && !brush) return false;
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    // Without a pen the fill alone is one pixel narrower and shorter.
    if (!pen) --right, --bottom;
    if (right <= left || bottom <= top) return false;
    ew = std::clamp<std::int64_t>(ew, 0, right - left);
    eh = std::clamp<std::int64_t>(eh, 0, bottom - top);

    const PixelBox clip = DrawableBox(surface);
    const std::int64_t ox = surface->origin.x;
    const std::int64_t oy = surface->origin.y;
    const std::int64_t y0 = std::max(top + oy, clip.top);
    const std::int64_t y1 = std::min(bottom + oy, clip.bottom);
    if (clip.empty() || y0 >= y1 ||
        std::max(left + ox, clip.left) >= std::min(right + ox, clip.right)) {
        return false;
    }
    const std::int64_t w = pen ? std::max<std::int64_t>(1, surface->pen->width) : 0;
    const Figure outer{left + ox, top + oy, right + ox, bottom + oy, ew, eh};
    const Figure inner = outer.inside(w);
    const FigureRow* kept = Kept().rows(right - left, bottom - top, ew, eh, w, brush);
    SDL_Surface* s = surface->bitmap->pixels;
    AddDamage(surface, Intersect({outer.left, outer.top, outer.right, outer.bottom}, clip));
    const std::uint32_t penPixel = pen ? PixelOf(surface->pen->colour) : 0;
    const std::uint32_t brushPixel = brush ? PixelOf(surface->brush->colour) : 0;
    for (std::int64_t y = y0; y < y1; ++y) {
        FigureRow row;
        if (kept) {
            const FigureRow& k = kept[y - outer.top];
            row = {Moved(k.inside, outer.left), Moved(k.outlineLeft, outer.left),
                   Moved(k.outlineRight, outer.left)};
        } else {
            row = RowOf(outer, inner, w, brush, y);
        }
        std::uint32_t* pixels = PixelRow(s, y);
        FillSpan(pixels, row.inside, clip, brushPixel);
        FillSpan(pixels, row.outlineLeft, clip, penPixel);
        FillSpan(pixels, row.outlineRight, clip, penPixel);
    }
    return true;
}

void InvertRun(SDL_Surface* s, const PixelBox& clip, std::int64_t x0, std::int64_t y0,
               std::int64_t x1, std::int64_t y1, std::int64_t ox, std::int64_t oy) {
    PixelBox run = Intersect({x0 + ox, y0 + oy, x1 + ox, y1 + oy}, clip);
    for (std::int64_t y = run.top; y < run.bottom; ++y) {
        std::uint32_t* row = PixelRow(s, y);
        for (std::int64_t x = run.left; x < run.right; ++x) {
            // Every other pixel, in a checkerboard of the surface's coordinates.
            if (((x - ox + y - oy) & 1) == 0) row[x] ^= RGB_MASK;
        }
    }
}

}  // namespace

bool FillRect(SurfaceHandle surface, const Rect& rect, BrushHandle brush) {
    if (!surface || !brush || brush->hollow) return false;
    PixelBox box = Intersect(ToTarget(surface, rect.left, rect.top, rect.right, rect.bottom),
                             DrawableBox(surface));
    if (box.empty()) return false;
    FillBox(surface->bitmap->pixels, box, PixelOf(brush->colour));
    AddDamage(surface, box);
    return true;
}

bool DrawRectangle(SurfaceHandle surface, std::int32_t left, std::int32_t top, std::int32_t right,
                   std::int32_t bottom) {
    return DrawFigure(surface, left, top, right, bottom, 0, 0);
}

bool DrawRoundRect(SurfaceHandle surface, std::int32_t left, std::int32_t top, std::int32_t right,
                   std::int32_t bottom, std::int32_t ellipseWidth, std::int32_t ellipseHeight) {
    return DrawFigure(surface, left, top, right, bottom, ellipseWidth, ellipseHeight);
}

bool DrawFocusRect(SurfaceHandle surface, const Rect& rect) {
    if (!surface || rect.right <= rect.left || rect.bottom <= rect.top) return false;
    const PixelBox clip = DrawableBox(surface);
    if (clip.empty()) return false;
    SDL_Surface* s = surface->bitmap->pixels;
    const std::int64_t l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    const std::int64_t ox = surface->origin.x, oy = surface->origin.y;
    AddDamage(surface, Intersect({l + ox, t + oy, r + ox, b + oy}, clip));
    // Each outline pixel once: top and bottom rows, then the sides between them.
    InvertRun(s, clip, l, t, r, t + 1, ox, oy);
    if (b - 1 > t) InvertRun(s, clip, l, b - 1, r, b, ox, oy);
    InvertRun(s, clip, l, t + 1, l + 1, b - 1, ox, oy);
    if (r - 1 > l) InvertRun(s, clip, r - 1, t + 1, r, b - 1, ox, oy);
    return true;
}
