// Copies between surfaces: straight block copies, and nearest-neighbour
// stretches with or without a transparent colour.
#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/drawing/drawing.h"
#include "platform/internal/drawing_internal.h"
#include "platform/internal/drawing_sdl.h"

namespace {

// Keeps the compiler from turning a short copy loop back into a library call.
inline void KeepLoop(std::int64_t& i) {
    asm("" : "+r"(i));
}

// Rows at least this wide are copied by the library; a call per tile row would
// cost more than the copy itself.
constexpr std::int64_t LIBRARY_ROW_PIXELS = 32;
// Rows at least this wide are compared before they are written.
constexpr std::int64_t LONG_ROW_PIXELS = 64;

// Copies `count` pixels between rows that do not overlap.
inline void CopyRow(std::uint32_t* __restrict to, const std::uint32_t* __restrict from,
                    std::int64_t count) {
    if (count >= LIBRARY_ROW_PIXELS) {
        std::memcpy(to, from, static_cast<std::size_t>(count) * 4);
    } else if (count >= 4) {
        // Four at a time; the last four overlap the ones before when the count is
        // not a multiple of four, which copies those pixels twice, harmlessly.
        for (std::int64_t i = 0; i + 4 < count; i += 4) {
            Store4(to + i, Load4(from + i));
            KeepLoop(i);
        }
        Store4(to + count - 4, Load4(from + count - 4));
    } else {
        for (std::int64_t i = 0; i < count; ++i)
            to[i] = from[i];
    }
}

// Copies `rows` rows of `count` pixels between bitmaps that do not overlap.
#if defined(__x86_64__)
// Eight pixels as one vector, for processors with AVX2.
typedef std::uint32_t Pixels8 __attribute__((vector_size(32)));

// A tile's rows of 8 to 16 pixels as two overlapping groups of eight: two loads
// and two stores a row.
__attribute__((target("avx2"))) void CopyTileRows8(std::uint32_t* to, std::int64_t toPitch,
                                                   const std::uint32_t* from,
                                                   std::int64_t fromPitch, std::int64_t count,
                                                   std::int64_t rows) {
    const std::int64_t last = count - 8;
    for (std::int64_t y = 0; y < rows; ++y, to += toPitch, from += fromPitch) {
        Pixels8 a, b;
        std::memcpy(&a, from, sizeof a);
        std::memcpy(&b, from + last, sizeof b);
        std::memcpy(to, &a, sizeof a);
        std::memcpy(to + last, &b, sizeof b);
    }
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

void CopyRows(std::uint32_t* to, std::int64_t toPitch, const std::uint32_t* from,
              std::int64_t fromPitch, std::int64_t count, std::int64_t rows) {
#if defined(__x86_64__)
    if (count >= 8 && count <= 16 && HasAvx2()) {
        CopyTileRows8(to, toPitch, from, fromPitch, count, rows);
        return;
    }
#endif
    if (count >= 4 && count <= 16) {
        // A tile's rows: four overlapping groups of four pixels, placed once for
        // the whole block, so that each row is four loads and four stores.
        const std::int64_t b = std::min<std::int64_t>(4, count - 4);
        const std::int64_t c = std::min<std::int64_t>(8, count - 4);
        const std::int64_t d = count - 4;
        for (std::int64_t y = 0; y < rows; ++y, to += toPitch, from += fromPitch) {
            const Pixels4 p0 = Load4(from), p1 = Load4(from + b), p2 = Load4(from + c),
                          p3 = Load4(from + d);
            Store4(to, p0);
            Store4(to + b, p1);
            Store4(to + c, p2);
            Store4(to + d, p3);
        }
        return;
    }
    for (std::int64_t y = 0; y < rows; ++y, to += toPitch, from += fromPitch)
        CopyRow(to, from, count);
}

// Copies `count` pixels leaving out those whose colour bits equal `key`; the
// copy's colour bits only. No branch per pixel: the key's pixels keep the target's.
inline void CopyKeyedRow(std::uint32_t* __restrict to, const std::uint32_t* __restrict from,
                         std::int64_t count, std::uint32_t key) {
    const Pixels4 mask = {RGB_MASK, RGB_MASK, RGB_MASK, RGB_MASK};
    const Pixels4 keys = {key, key, key, key};
    std::int64_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const Pixels4 pixels = Load4(from + i) & mask;
        const Pixels4 keep = reinterpret_cast<Pixels4>(pixels == keys);  // all ones: the target's
        Store4(to + i, (pixels & ~keep) | (Load4(to + i) & keep));
    }
    for (; i < count; ++i) {
        const std::uint32_t pixel = from[i] & RGB_MASK;
        to[i] = pixel == key ? to[i] : pixel;
    }
}

// Copies `count` pixels with only their colour bits.
inline void CopyMaskedRow(std::uint32_t* __restrict to, const std::uint32_t* __restrict from,
                          std::int64_t count) {
    const Pixels4 mask = {RGB_MASK, RGB_MASK, RGB_MASK, RGB_MASK};
    std::int64_t i = 0;
    for (; i + 4 <= count; i += 4)
        Store4(to + i, Load4(from + i) & mask);
    for (; i < count; ++i)
        to[i] = from[i] & RGB_MASK;
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
            CopyRow(to, previous, count);
            continue;
        }
        const std::uint32_t* from = inPixels + r * inPitch;
        if (contiguous) {  // unstretched columns: four pixels at a time
            if (keyed) {
                CopyKeyedRow(to, from + map[0], count, key);
            } else {
                CopyMaskedRow(to, from + map[0], count);
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

// Where a copy of a width x height block from (sx, sy) of `source` to (x, y) of
// `target` lands: the target box that is both drawable and readable from the
// source, and the offset from a target pixel to its source pixel.
struct CopyPlacement {
    PixelBox dst;
    std::int64_t dx, dy;
};

CopyPlacement PlaceCopy(SurfaceHandle target, std::int32_t x, std::int32_t y, std::int32_t width,
                        std::int32_t height, SurfaceHandle source, std::int32_t sx,
                        std::int32_t sy) {
    const PixelBox dst =
        Intersect(ToTarget(target, x, y, std::int64_t{x} + width, std::int64_t{y} + height),
                  DrawableBox(target));
    const std::int64_t dx =
        std::int64_t{sx} + source->origin.x - (std::int64_t{x} + target->origin.x);
    const std::int64_t dy =
        std::int64_t{sy} + source->origin.y - (std::int64_t{y} + target->origin.y);
    const PixelBox readable = ReadableBox(source);
    return {Intersect(dst, {readable.left - dx, readable.top - dy, readable.right - dx,
                            readable.bottom - dy}),
            dx, dy};
}

// Copies the placed block between two distinct bitmaps writing only the pixels
// that differ, marks them as drawn and adds them to `changed`, band by band.
// Rows that neither bitmap has written since the same copy was made last are
// known to hold the pixels already and are not even compared: a game lays the
// same background under its board and copies the same playfield to its window
// at every tick, where a falling piece changes a few rows.
void CopyDifferingPixels(SurfaceObject* target, SurfaceObject* source, const CopyPlacement& place,
                         Bands* changed = nullptr) {
    const PixelBox& dst = place.dst;
    BitmapObject* into = target->bitmap;
    const BitmapObject* from = source->bitmap;
    SDL_Surface* out = into->pixels;
    SDL_Surface* in = from->pixels;
    if (dst.empty() || in == out) return;
    auto& last = into->lastCopy;
    const bool again = last.source == from->serial && last.dx == place.dx && last.dy == place.dy &&
                       last.box.left <= dst.left && dst.right <= last.box.right;
    const std::int64_t count = dst.right - dst.left;
    const bool trim = target->view || changed != nullptr;
    // The rows changed since the last band was handed on.
    PixelBox band{dst.right, 0, dst.left, 0};
    auto handOn = [&] {
        if (band.empty()) return;
        AddDamage(target, band);
        if (changed != nullptr) {
            changed->add(Rect{
                static_cast<std::int32_t>(band.left), static_cast<std::int32_t>(band.top),
                static_cast<std::int32_t>(band.right), static_cast<std::int32_t>(band.bottom)});
        }
        band = PixelBox{dst.right, 0, dst.left, 0};
    };
    for (std::int64_t py = dst.top; py < dst.bottom; ++py) {
        if (again && py >= last.box.top && py < last.box.bottom &&
            into->rowTurns[static_cast<std::size_t>(py)] < last.turn &&
            from->rowTurns[static_cast<std::size_t>(py + place.dy)] < last.turn) {
            continue;
        }
        std::uint32_t* to = PixelRow(out, py) + dst.left;
        const std::uint32_t* row = PixelRow(in, py + place.dy) + dst.left + place.dx;
        if (std::memcmp(to, row, static_cast<std::size_t>(count) * 4) == 0) continue;
        // Into a window or the screen, only the pixels that differ are marked;
        // elsewhere the whole row is written.
        std::int64_t first = 0, end = count;
        if (trim) {
            while (to[first] == row[first])
                ++first;
            while (to[end - 1] == row[end - 1])
                --end;
        }
        std::memcpy(to + first, row + first, static_cast<std::size_t>(end - first) * 4);
        if (!band.empty() && py - band.bottom > Bands::GAP) handOn();
        if (band.empty()) band.top = py;
        band.left = std::min(band.left, dst.left + first);
        band.right = std::max(band.right, dst.left + end);
        band.bottom = py + 1;
    }
    handOn();
    last.source = from->serial;
    last.dx = place.dx;
    last.dy = place.dy;
    last.box = dst;
    last.turn = NextDrawingTurn();
}

}  // namespace

bool BlockCopy(SurfaceHandle target, std::int32_t x, std::int32_t y, std::int32_t width,
               std::int32_t height, SurfaceHandle source, std::int32_t sx, std::int32_t sy) {
    if (!target || !source || width <= 0 || height <= 0) return false;
    const CopyPlacement place = PlaceCopy(target, x, y, width, height, source, sx, sy);
    const PixelBox dst = place.dst;
    const std::int64_t dx = place.dx, dy = place.dy;
    if (dst.empty()) return false;

    SDL_Surface* out = target->bitmap->pixels;
    SDL_Surface* in = source->bitmap->pixels;
    if (in != out && (target->view || dst.right - dst.left >= LONG_ROW_PIXELS)) {
        // Into a window, and long rows: only the pixels that change are written
        // and marked, so that the screen is composed again only where something
        // changed, and a row read costs less than a row written back to memory.
        CopyDifferingPixels(target, source, place);
        return true;
    }
    const std::size_t bytes = static_cast<std::size_t>(dst.right - dst.left) * 4;
    AddDamage(target, dst);
    const std::int64_t rows = dst.bottom - dst.top;
    if (in == out) {
        const bool upward = dy < 0;  // overlapping rows: copy from the bottom
        for (std::int64_t i = 0; i < rows; ++i) {
            std::int64_t y0 = upward ? dst.bottom - 1 - i : dst.top + i;
            std::memmove(PixelRow(out, y0) + dst.left, PixelRow(in, y0 + dy) + dst.left + dx,
                         bytes);
        }
        return true;
    }
    // Distinct bitmaps never overlap.
    const std::int64_t count = dst.right - dst.left;
    const std::int64_t outPitch = out->pitch / 4;
    const std::int64_t inPitch = in->pitch / 4;
    std::uint32_t* to = PixelRow(out, dst.top) + dst.left;
    const std::uint32_t* from = PixelRow(in, dst.top + dy) + dst.left + dx;
    CopyRows(to, outPitch, from, inPitch, count, rows);
    return true;
}

void CopyDifferences(SurfaceHandle target, std::int32_t x, std::int32_t y, std::int32_t width,
                     std::int32_t height, SurfaceHandle source, std::int32_t sx, std::int32_t sy,
                     Bands& changed) {
    if (!target || !source || width <= 0 || height <= 0) return;
    CopyDifferingPixels(target, source, PlaceCopy(target, x, y, width, height, source, sx, sy),
                        &changed);
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
