// Surfaces, bitmaps, pens, brushes and regions, and the copies and figures drawn
// with them, on 32-bit XRGB SDL surfaces. Text and fonts are in drawing_text.cpp.
#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/drawing.h"
#include "platform/drawing_internal.h"
#include "platform/internal/drawing_sdl.h"

namespace {

constexpr std::uint32_t PIXEL_FORMAT = SDL_PIXELFORMAT_RGB888;
constexpr std::uint32_t RGB_MASK = 0xFFFFFF;
// Bitmaps larger than this are refused rather than risking an allocation the
// size of the address space.
constexpr std::int64_t MAX_SIDE = 16384;
constexpr std::int64_t MAX_PIXELS = std::int64_t{1} << 26;

PenObject whitePen{1, Rgb(255, 255, 255), false, true};
PenObject blackPen{1, 0, false, true};
PenObject nullPen{1, 0, true, true};
BrushObject whiteBrush{Rgb(255, 255, 255), false, true};
BrushObject lightGreyBrush{Rgb(192, 192, 192), false, true};
BrushObject hollowBrush{0, true, true};

bool SizeAllowed(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= MAX_SIDE && height <= MAX_SIDE &&
           width * height <= MAX_PIXELS;
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}
std::int64_t LittleEndian32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 |
                                     std::uint32_t{p[1]} << 8 | p[0]);
}

// The picture size a PNG or BMP header claims is checked before decoding, so
// that a forged size cannot ask the decoder for gigabytes.
bool ImageHeaderAllowed(const std::uint8_t* bytes, std::size_t size, bool png) {
    if (png) return size >= 24 && SizeAllowed(BigEndian32(bytes + 16), BigEndian32(bytes + 20));
    if (size < 26) return false;
    if (LittleEndian32(bytes + 14) == 12) {  // the old OS/2 header: 16-bit sides
        return SizeAllowed(bytes[18] | bytes[19] << 8, bytes[20] | bytes[21] << 8);
    }
    return SizeAllowed(LittleEndian32(bytes + 18), std::abs(LittleEndian32(bytes + 22)));
}

SDL_Surface* NewSdlSurface(std::int64_t width, std::int64_t height) {
    if (!SizeAllowed(width, height)) return nullptr;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, static_cast<int>(width),
                                                    static_cast<int>(height), 32, PIXEL_FORMAT);
    if (s) SDL_FillRect(s, nullptr, 0);
    return s;
}

BitmapObject* WrapSurface(SDL_Surface* s) {
    if (!s) return nullptr;
    auto* bitmap = new BitmapObject;
    bitmap->pixels = s;
    return bitmap;
}

// The 1 x 1 black bitmap every memory surface starts with; shared, never deleted.
BitmapObject* StockBitmap() {
    static BitmapObject stock{NewSdlSurface(1, 1), nullptr, 0, true};
    return stock.pixels ? &stock : nullptr;
}

PixelBox BitmapBox(const BitmapObject* bitmap) {
    if (!bitmap || !bitmap->pixels) return {};
    return {0, 0, bitmap->pixels->w, bitmap->pixels->h};
}

// What a surface may be read from: its bitmap and a view's bounds (the clip
// region limits drawing only).
PixelBox ReadableBox(const SurfaceObject* surface) {
    PixelBox box = BitmapBox(surface->bitmap);
    if (surface->view) {
        const Rect& b = surface->bounds;
        box = Intersect(box, {b.left, b.top, b.right, b.bottom});
    }
    return box;
}

template <typename T>
void Reselect(T*& slot, T* object) {
    if (slot) --slot->selections;
    slot = object;
    if (slot) ++slot->selections;
}

void InitSurface(SurfaceObject* surface, FontObject* font) {
    Reselect(surface->pen, &blackPen);
    Reselect(surface->brush, &whiteBrush);
    Reselect(surface->font, font);
}

// Scratch buffers reused across calls so that copies do not allocate per call.
std::vector<std::int32_t>& ColumnMap() {
    static std::vector<std::int32_t> map;
    return map;
}
std::vector<std::uint32_t>& ScratchPixels() {
    static std::vector<std::uint32_t> pixels;
    return pixels;
}

// Nearest neighbour: destination pixel i of `extent` samples source pixel
// floor((i + 1/2) * sourceExtent / extent), the source pixel under its centre.
std::int64_t SourceIndex(std::int64_t i, std::int64_t extent, std::int64_t sourceExtent) {
    if (i < INT32_MAX) return (2 * i + 1) * sourceExtent / (2 * extent);  // fits in 63 bits
    __int128 n = (static_cast<__int128>(2) * i + 1) * sourceExtent;
    return static_cast<std::int64_t>(n / (2 * static_cast<__int128>(extent)));
}

bool StretchPixels(SurfaceObject* target, std::int32_t x, std::int32_t y, std::int32_t width,
                   std::int32_t height, SurfaceObject* source, std::int32_t sx, std::int32_t sy,
                   std::int32_t sourceWidth, std::int32_t sourceHeight, bool keyed,
                   Colour transparent) {
    if (!target || !source || width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) {
        return false;
    }
    const PixelBox whole =
        ToTarget(target, x, y, std::int64_t{x} + width, std::int64_t{y} + height);
    const PixelBox dst = Intersect(whole, DrawableBox(target));
    const PixelBox readable = ReadableBox(source);
    if (dst.empty() || readable.empty()) return false;
    const std::int64_t sx0 = std::int64_t{sx} + source->origin.x;
    const std::int64_t sy0 = std::int64_t{sy} + source->origin.y;

    // The source column of each target column; the mapping only grows, so the
    // target columns with a readable source are one run.
    auto& columns = ColumnMap();
    columns.clear();
    std::int64_t first = dst.right;
    for (std::int64_t px = dst.left; px < dst.right; ++px) {
        std::int64_t c = sx0 + SourceIndex(px - whole.left, width, sourceWidth);
        if (c < readable.left) continue;
        if (c >= readable.right) break;
        if (columns.empty()) first = px;
        columns.push_back(static_cast<std::int32_t>(c));
    }
    if (columns.empty()) return false;
    const std::int64_t count = static_cast<std::int64_t>(columns.size());

    SDL_Surface* out = target->bitmap->pixels;
    SDL_Surface* in = source->bitmap->pixels;
    // Reading and writing the same pixels: read from a copy.
    const std::uint32_t* inPixels = static_cast<const std::uint32_t*>(in->pixels);
    const std::int64_t inPitch = in->pitch / 4;
    if (in == out) {
        auto& scratch = ScratchPixels();
        scratch.assign(inPixels, inPixels + static_cast<std::size_t>(inPitch) * in->h);
        inPixels = scratch.data();
    }
    const std::uint32_t key = PixelOf(transparent) & RGB_MASK;
    const std::int32_t* map = columns.data();
    const bool contiguous = map[count - 1] - map[0] == count - 1;
    bool drawn = false;
    std::int64_t previousRow = -1;
    std::uint32_t* previous = nullptr;
    for (std::int64_t py = dst.top; py < dst.bottom; ++py) {
        const std::int64_t r = sy0 + SourceIndex(py - whole.top, height, sourceHeight);
        if (r < readable.top || r >= readable.bottom) continue;
        std::uint32_t* to = PixelRow(out, py) + first;
        drawn = true;
        if (!keyed && r == previousRow) {  // enlarging: the row repeats
            std::memcpy(to, previous, static_cast<std::size_t>(count) * 4);
            continue;
        }
        const std::uint32_t* from = inPixels + r * inPitch;
        if (contiguous) {  // unstretched columns: a plain loop the compiler vectorises
            from += map[0];
            for (std::int64_t i = 0; i < count; ++i) {
                const std::uint32_t pixel = from[i] & RGB_MASK;
                to[i] = keyed && pixel == key ? to[i] : pixel;
            }
        } else if (keyed) {
            for (std::int64_t i = 0; i < count; ++i) {
                const std::uint32_t pixel = from[map[i]] & RGB_MASK;
                to[i] = pixel == key ? to[i] : pixel;  // no branch: keys are unpredictable
            }
        } else {
            for (std::int64_t i = 0; i < count; ++i)
                to[i] = from[map[i]] & RGB_MASK;
        }
        previousRow = r;
        previous = to;
    }
    if (drawn) AddDamage(target, {first, dst.top, first + count, dst.bottom});
    return drawn;
}

// ---- Figures ----

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
};

Span Meet(Span a, Span b) {
    return {std::max(a.left, b.left), std::min(a.right, b.right)};
}

void FillSpan(SDL_Surface* s, std::int64_t y, Span span, const PixelBox& clip,
              std::uint32_t pixel) {
    span = Meet(span, {clip.left, clip.right});
    if (span.empty()) return;
    std::fill(PixelRow(s, y) + span.left, PixelRow(s, y) + span.right, pixel);
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
    const Figure outer{left + ox, top + oy, right + ox, bottom + oy, ew, eh};
    const std::int64_t w = pen ? std::max<std::int64_t>(1, surface->pen->width) : 0;
    const Figure inner{outer.left + w,
                       outer.top + w,
                       outer.right - w,
                       outer.bottom - w,
                       std::max<std::int64_t>(0, ew - 2 * w),
                       std::max<std::int64_t>(0, eh - 2 * w)};
    SDL_Surface* s = surface->bitmap->pixels;
    AddDamage(surface, Intersect({outer.left, outer.top, outer.right, outer.bottom}, clip));
    const std::uint32_t penPixel = pen ? PixelOf(surface->pen->colour) : 0;
    const std::uint32_t brushPixel = brush ? PixelOf(surface->brush->colour) : 0;
    for (std::int64_t y = y0; y < y1; ++y) {
        const Span out = outer.row(y);
        if (!pen) {
            FillSpan(s, y, out, clip, brushPixel);
            continue;
        }
        // The inside also stays within the rows above and below, which keeps a
        // one-pixel outline connected around the corners.
        Span in = Meet(Meet(inner.row(y), outer.row(y - 1)), outer.row(y + 1));
        if (in.empty()) {
            FillSpan(s, y, out, clip, penPixel);
            continue;
        }
        if (brush) FillSpan(s, y, in, clip, brushPixel);
        FillSpan(s, y, {out.left, in.left}, clip, penPixel);
        FillSpan(s, y, {in.right, out.right}, clip, penPixel);
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

// ---- Shared helpers ----

PixelBox Intersect(const PixelBox& a, const PixelBox& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

PixelBox DrawableBox(const SurfaceObject* surface) {
    if (!surface) return {};
    PixelBox box = ReadableBox(surface);
    if (surface->clipped) {
        const Rect& c = surface->clip;
        box = Intersect(box, ToTarget(surface, c.left, c.top, c.right, c.bottom));
    }
    return box;
}

PixelBox ToTarget(const SurfaceObject* surface, std::int64_t left, std::int64_t top,
                  std::int64_t right, std::int64_t bottom) {
    const std::int64_t ox = surface->origin.x;
    const std::int64_t oy = surface->origin.y;
    return {left + ox, top + oy, right + ox, bottom + oy};
}

void AddDamage(SurfaceObject* surface, const PixelBox& box) {
    if (box.empty()) return;
    PixelBox& d = surface->damage;
    d = d.empty() ? box
                  : PixelBox{std::min(d.left, box.left), std::min(d.top, box.top),
                             std::max(d.right, box.right), std::max(d.bottom, box.bottom)};
}

Rect TakeSurfaceDamage(SurfaceHandle surface) {
    if (!surface || surface->damage.empty()) return Rect{};
    const PixelBox d = surface->damage;
    surface->damage = PixelBox{};
    return Rect{static_cast<std::int32_t>(d.left), static_cast<std::int32_t>(d.top),
                static_cast<std::int32_t>(d.right), static_cast<std::int32_t>(d.bottom)};
}

void FillBox(SDL_Surface* s, const PixelBox& box, std::uint32_t pixel) {
    if (box.empty()) return;
    SDL_Rect r{static_cast<int>(box.left), static_cast<int>(box.top),
               static_cast<int>(box.right - box.left), static_cast<int>(box.bottom - box.top)};
    SDL_FillRect(s, &r, pixel);
}

SDL_Surface* SdlSurfaceOf(BitmapHandle bitmap) {
    return bitmap ? bitmap->pixels : nullptr;
}

BitmapHandle SurfaceBitmapOf(SurfaceHandle surface) {
    return surface ? surface->bitmap : nullptr;
}

BitmapHandle CreateBitmapFromSdlSurface(SDL_Surface* surface) {
    if (!surface || !SizeAllowed(surface->w, surface->h)) return nullptr;
    // A straight copy of the colours: no blending, no colour key.
    SDL_SetColorKey(surface, SDL_FALSE, 0);
    SDL_SetSurfaceBlendMode(surface, SDL_BLENDMODE_NONE);
    return WrapSurface(SDL_ConvertSurfaceFormat(surface, PIXEL_FORMAT, 0));
}

// ---- Surfaces and bitmaps ----

FontObject* DefaultFont();  // drawing_text.cpp
void ReleaseFont(FontObject* font);

SurfaceHandle CreateMemorySurface(SurfaceHandle) {
    BitmapObject* bitmap = StockBitmap();
    if (!bitmap) return nullptr;
    auto* surface = new SurfaceObject;
    surface->bitmap = bitmap;
    InitSurface(surface, DefaultFont());
    return surface;
}

SurfaceHandle CreateViewSurface(BitmapHandle target, Point origin, const Rect& bounds) {
    if (!target || !target->pixels) return nullptr;
    auto* surface = new SurfaceObject;
    surface->bitmap = target;
    ++target->views;
    surface->view = true;
    surface->origin = origin;
    surface->bounds = bounds;
    InitSurface(surface, DefaultFont());
    return surface;
}

bool DeleteSurface(SurfaceHandle surface) {
    if (!surface) return false;
    if (surface->view) {
        --surface->bitmap->views;
    } else if (surface->bitmap->selectedInto == surface) {
        surface->bitmap->selectedInto = nullptr;
    }
    Reselect(surface->pen, static_cast<PenObject*>(nullptr));
    Reselect(surface->brush, static_cast<BrushObject*>(nullptr));
    Reselect(surface->font, static_cast<FontObject*>(nullptr));
    delete surface;
    return true;
}

BitmapHandle CreateBitmap(SurfaceHandle, std::int32_t width, std::int32_t height) {
    return WrapSurface(NewSdlSurface(width, height));
}

BitmapHandle CreateBitmapFromPixels(std::int32_t width, std::int32_t height, const Colour* pixels) {
    if (!pixels) return nullptr;
    BitmapObject* bitmap = WrapSurface(NewSdlSurface(width, height));
    if (!bitmap) return nullptr;
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint32_t* row = PixelRow(bitmap->pixels, y);
        for (std::int32_t x = 0; x < width; ++x)
            row[x] = PixelOf(pixels[std::int64_t{y} * width + x]);
    }
    return bitmap;
}

BitmapHandle CreateBitmapFromImageBytes(const void* bytes, std::size_t size) {
    if (!bytes || size == 0 || size > static_cast<std::size_t>(INT_MAX)) return nullptr;
    SDL_RWops* rw = SDL_RWFromConstMem(bytes, static_cast<int>(size));
    if (!rw) return nullptr;
    const bool png = IMG_isPNG(rw);
    const bool allowed = (png || IMG_isBMP(rw)) &&
                         ImageHeaderAllowed(static_cast<const std::uint8_t*>(bytes), size, png);
    SDL_Surface* image = allowed ? IMG_LoadTyped_RW(rw, 0, png ? "PNG" : "BMP") : nullptr;
    SDL_RWclose(rw);
    if (!image) return nullptr;
    BitmapHandle bitmap = CreateBitmapFromSdlSurface(image);
    SDL_FreeSurface(image);
    return bitmap;
}

bool GetBitmapSize(BitmapHandle bitmap, std::int32_t& width, std::int32_t& height) {
    if (!bitmap || !bitmap->pixels) return false;
    width = bitmap->pixels->w;
    height = bitmap->pixels->h;
    return true;
}

BitmapHandle SelectBitmap(SurfaceHandle surface, BitmapHandle bitmap) {
    if (!surface || !bitmap || surface->view) return nullptr;
    BitmapObject* previous = surface->bitmap;
    if (bitmap == previous) return previous;
    if (!bitmap->stock && bitmap->selectedInto) return nullptr;
    if (!previous->stock) previous->selectedInto = nullptr;
    if (!bitmap->stock) bitmap->selectedInto = surface;
    surface->bitmap = bitmap;
    return previous;
}

PenHandle SelectPen(SurfaceHandle surface, PenHandle pen) {
    if (!surface || !pen) return nullptr;
    PenObject* previous = surface->pen;
    Reselect(surface->pen, pen);
    return previous;
}

BrushHandle SelectBrush(SurfaceHandle surface, BrushHandle brush) {
    if (!surface || !brush) return nullptr;
    BrushObject* previous = surface->brush;
    Reselect(surface->brush, brush);
    return previous;
}

FontHandle SelectFont(SurfaceHandle surface, FontHandle font) {
    if (!surface) return nullptr;
    FontObject* previous = surface->font;
    Reselect(surface->font, font);
    return previous;
}

bool SelectClipRegion(SurfaceHandle surface, RegionHandle region) {
    if (!surface) return false;
    surface->clipped = region != nullptr;
    if (region) surface->clip = region->rect;
    return true;
}

bool DeleteBitmap(BitmapHandle bitmap) {
    if (!bitmap || bitmap->stock || bitmap->selectedInto || bitmap->views > 0) return false;
    SDL_FreeSurface(bitmap->pixels);
    delete bitmap;
    return true;
}

bool DeletePen(PenHandle pen) {
    if (!pen || pen->stock || pen->selections > 0) return false;
    delete pen;
    return true;
}

bool DeleteBrush(BrushHandle brush) {
    if (!brush || brush->stock || brush->selections > 0) return false;
    delete brush;
    return true;
}

bool DeleteFont(FontHandle font) {
    if (!font || font->stock || font->selections > 0) return false;
    ReleaseFont(font);
    return true;
}

bool DeleteRegion(RegionHandle region) {
    if (!region) return false;
    delete region;
    return true;
}

// ---- Pens, brushes, regions ----

PenHandle CreateSolidPen(std::int32_t width, Colour colour) {
    return new PenObject{std::max(1, width), colour & RGB_MASK, false, false};
}

PenHandle GetStockPen(StockPen which) {
    switch (which) {
        case StockPen::White:
            return &whitePen;
        case StockPen::Black:
            return &blackPen;
        case StockPen::Null:
            return &nullPen;
    }
    return nullptr;
}

BrushHandle CreateSolidBrush(Colour colour) {
    return new BrushObject{colour & RGB_MASK, false, false};
}

BrushHandle GetStockBrush(StockBrush which) {
    switch (which) {
        case StockBrush::White:
            return &whiteBrush;
        case StockBrush::LightGrey:
            return &lightGreyBrush;
        case StockBrush::Hollow:
            return &hollowBrush;
    }
    return nullptr;
}

RegionHandle CreateRectRegion(std::int32_t left, std::int32_t top, std::int32_t right,
                              std::int32_t bottom) {
    auto* region = new RegionObject;
    region->rect = {std::min(left, right), std::min(top, bottom), std::max(left, right),
                    std::max(top, bottom)};
    return region;
}

// ---- Drawing ----

bool BlockCopy(SurfaceHandle target, std::int32_t x, std::int32_t y, std::int32_t width,
               std::int32_t height, SurfaceHandle source, std::int32_t sx, std::int32_t sy) {
    if (!target || !source || width <= 0 || height <= 0) return false;
    PixelBox dst =
        Intersect(ToTarget(target, x, y, std::int64_t{x} + width, std::int64_t{y} + height),
                  DrawableBox(target));
    // Source pixel = target pixel + (dx, dy); only readable source pixels are copied.
    const std::int64_t dx =
        std::int64_t{sx} + source->origin.x - (std::int64_t{x} + target->origin.x);
    const std::int64_t dy =
        std::int64_t{sy} + source->origin.y - (std::int64_t{y} + target->origin.y);
    const PixelBox readable = ReadableBox(source);
    dst = Intersect(
        dst, {readable.left - dx, readable.top - dy, readable.right - dx, readable.bottom - dy});
    if (dst.empty()) return false;

    SDL_Surface* out = target->bitmap->pixels;
    SDL_Surface* in = source->bitmap->pixels;
    const std::size_t bytes = static_cast<std::size_t>(dst.right - dst.left) * 4;
    AddDamage(target, dst);
    const bool upward = in == out && dy < 0;  // overlapping rows: copy from the bottom
    for (std::int64_t i = 0, n = dst.bottom - dst.top; i < n; ++i) {
        std::int64_t y0 = upward ? dst.bottom - 1 - i : dst.top + i;
        std::memmove(PixelRow(out, y0) + dst.left, PixelRow(in, y0 + dy) + dst.left + dx, bytes);
    }
    return true;
}

bool StretchCopy(SurfaceHandle target, std::int32_t x, std::int32_t y, std::int32_t width,
                 std::int32_t height, SurfaceHandle source, std::int32_t sx, std::int32_t sy,
                 std::int32_t sourceWidth, std::int32_t sourceHeight) {
    return StretchPixels(target, x, y, width, height, source, sx, sy, sourceWidth, sourceHeight,
                         false, 0);
}

bool TransparentCopy(SurfaceHandle target, std::int32_t x, std::int32_t y, std::int32_t width,
                     std::int32_t height, SurfaceHandle source, std::int32_t sx, std::int32_t sy,
                     std::int32_t sourceWidth, std::int32_t sourceHeight, Colour transparent) {
    return StretchPixels(target, x, y, width, height, source, sx, sy, sourceWidth, sourceHeight,
                         true, transparent);
}

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

Colour SetTextColour(SurfaceHandle surface, Colour colour) {
    if (!surface) return INVALID_COLOUR;
    Colour previous = surface->textColour;
    surface->textColour = colour & RGB_MASK;
    return previous;
}

Colour SetBackgroundColour(SurfaceHandle surface, Colour colour) {
    if (!surface) return INVALID_COLOUR;
    Colour previous = surface->backgroundColour;
    surface->backgroundColour = colour & RGB_MASK;
    return previous;
}

BackgroundMode SetBackgroundMode(SurfaceHandle surface, BackgroundMode mode) {
    if (!surface) return BackgroundMode::Opaque;
    BackgroundMode previous = surface->backgroundMode;
    if (mode == BackgroundMode::Transparent || mode == BackgroundMode::Opaque) {
        surface->backgroundMode = mode;
    }
    return previous;
}

Colour GetPixel(SurfaceHandle surface, std::int32_t x, std::int32_t y) {
    if (!surface) return INVALID_COLOUR;
    const PixelBox p = ToTarget(surface, x, y, std::int64_t{x} + 1, std::int64_t{y} + 1);
    if (Intersect(p, DrawableBox(surface)).empty()) return INVALID_COLOUR;
    return ColourOf(PixelRow(surface->bitmap->pixels, p.top)[p.left]);
}

bool SetPixel(SurfaceHandle surface, std::int32_t x, std::int32_t y, Colour colour) {
    if (!surface) return false;
    const PixelBox p = ToTarget(surface, x, y, std::int64_t{x} + 1, std::int64_t{y} + 1);
    if (Intersect(p, DrawableBox(surface)).empty()) return false;
    PixelRow(surface->bitmap->pixels, p.top)[p.left] = PixelOf(colour);
    AddDamage(surface, p);
    return true;
}

// ---- Internal services for the hosts ----

PixelRows BitmapPixels(BitmapHandle bitmap) {
    if (!bitmap || !bitmap->pixels) return {};
    SDL_Surface* s = bitmap->pixels;
    return {static_cast<const std::uint32_t*>(s->pixels), s->w, s->h, s->pitch / 4};
}

bool SaveBitmapPng(BitmapHandle bitmap, const char* path) {
    if (!bitmap || !bitmap->pixels || !path) return false;
    return IMG_SavePNG(bitmap->pixels, path) == 0;
}
