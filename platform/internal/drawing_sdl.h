// Layer-internal view of the drawing service: the SDL surfaces behind bitmaps,
// and the objects the drawing sources share among themselves. Not for game code.
#pragma once

#include <SDL.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/drawing/drawing.h"
#include "platform/internal/bands.h"

// The SDL surface of a bitmap (32-bit SDL_PIXELFORMAT_RGB888); null for null.
SDL_Surface* SdlSurfaceOf(BitmapHandle bitmap);

// Image files (images.cpp). Whether bytes start as a PNG or a BMP file does.
bool IsPng(const void* bytes, std::size_t size);
bool IsBmp(const void* bytes, std::size_t size);
// A PNG file's pixels: SDL_PIXELFORMAT_ARGB8888 with `alpha`, else
// SDL_PIXELFORMAT_RGB888; null when the bytes are not a readable PNG or its
// sides exceed the limits.
SDL_Surface* DecodePng(const void* bytes, std::size_t size, bool alpha, std::int64_t maxSide,
                       std::int64_t maxPixels);
// Writes an SDL_PIXELFORMAT_RGB888 surface as a PNG file; false on failure.
bool EncodePng(SDL_Surface* image, const char* path);

// ---- Shared by the drawing sources only ----

typedef struct _TTF_Font TTF_Font;  // as SDL_ttf declares it

struct PixelBox {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t right = 0;
    std::int64_t bottom = 0;
    bool empty() const { return right <= left || bottom <= top; }
};

// Drawing operations take turns, counted for the whole layer: what a row last
// had written, and when a copy was made, are told apart by their turns.
std::uint64_t NextDrawingTurn();

struct BitmapObject {
    SDL_Surface* pixels = nullptr;
    SurfaceObject* selectedInto = nullptr;  // the memory surface it is selected into
    std::int32_t views = 0;                 // view surfaces drawing into it
    bool stock = false;
    std::int64_t pictureBytes = 0;  // decoded from an image file: counted in the pictures' budget
    // Never used again by another bitmap: a copy remembers its source by it.
    std::uint64_t serial = NextDrawingTurn();
    // The turn in which each row was last written (WrapSurface sizes it).
    std::vector<std::uint64_t> rowTurns;
    // The last long copy into this bitmap from another: at `turn`, `box` held
    // the source's pixels moved by (dx, dy). Rows neither bitmap has written
    // since hold them still, and need not be compared when the copy comes again
    // (a game copies its playfield to its window at every tick).
    struct {
        std::uint64_t source = 0;
        std::int64_t dx = 0, dy = 0;
        PixelBox box;
        std::uint64_t turn = 0;
    } lastCopy;
};

struct PenObject {
    std::int32_t width = 1;
    Colour colour = 0;
    bool null = false;
    bool stock = false;
    std::int32_t selections = 0;
};

struct BrushObject {
    Colour colour = 0;
    bool hollow = false;
    bool stock = false;
    std::int32_t selections = 0;
};

struct FontObject {
    TTF_Font* font = nullptr;  // owned by the font cache; null until resolved
    std::int32_t height = 0;   // line height in pixels
    std::int32_t averageCharWidth = 0;
    bool stock = false;
    bool resolved = false;
    std::int32_t selections = 0;
};

struct RegionObject {
    Rect rect;
};

// A rectangle in 64-bit target pixels, right and bottom exclusive.

struct SurfaceObject {
    BitmapObject* bitmap = nullptr;
    PenObject* pen = nullptr;
    BrushObject* brush = nullptr;
    FontObject* font = nullptr;
    bool clipped = false;
    Rect clip;  // in the surface's coordinates, when `clipped`
    Colour textColour = 0;
    BackgroundMode backgroundMode = BackgroundMode::Opaque;
    bool view = false;
    Point origin;  // added to every coordinate (views)
    Rect bounds;   // target pixels a view may touch
    Bands damage;  // target pixels drawn on since the last TakeSurfaceDamage
};

// The colour bits of our pixels.
constexpr std::uint32_t RGB_MASK = 0xFFFFFF;

// The font every surface starts with, and deleting a font (text_drawing.cpp).
FontObject* DefaultFont();
// The font object's face, matched and opened the first time; null when none.
TTF_Font* ReadyFont(FontObject* font);
void ReleaseFont(FontObject* font);

// Finding a face's file for a family and weight (1-1000), and whether it is to
// be drawn emboldened (bold asked, and none found). In the host's font folder
// (font_folder.cpp), when one is set:
bool FontFolderSet();
bool FindFolderFace(const std::string& family, std::int32_t weight, std::string& file,
                    bool& embolden);
// Else among the installed fonts, at a pixel size (installed_faces.cpp), with the
// face's index in the file; always false in builds without fontconfig.
bool FindInstalledFace(const std::string& family, std::int32_t weight, std::int32_t pixels,
                       std::string& file, long& index, bool& embolden);

// The helpers below are inline: every drawing operation goes through them, and
// a tile copy is hardly more than they are.

// Four pixels as one vector; GCC and Clang turn its operations into SSE2 (or the
// machine's equivalent) at any optimisation level.
typedef std::uint32_t Pixels4 __attribute__((vector_size(16)));

inline Pixels4 Load4(const std::uint32_t* p) {
    Pixels4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void Store4(std::uint32_t* p, Pixels4 v) {
    std::memcpy(p, &v, sizeof v);
}

inline PixelBox Intersect(const PixelBox& a, const PixelBox& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

// Notes the rows a drawing operation has written in a bitmap.
inline void MarkRowsWritten(BitmapObject* bitmap, std::int64_t top, std::int64_t bottom) {
    auto& turns = bitmap->rowTurns;
    top = std::max<std::int64_t>(top, 0);
    bottom = std::min<std::int64_t>(bottom, static_cast<std::int64_t>(turns.size()));
    if (top >= bottom) return;
    std::fill(turns.begin() + top, turns.begin() + bottom, NextDrawingTurn());
}

// Adds target pixels a drawing operation has written to the surface's damage,
// and notes their rows as written.
inline void AddDamage(SurfaceObject* surface, const PixelBox& box) {
    if (box.empty()) return;
    MarkRowsWritten(surface->bitmap, box.top, box.bottom);
    surface->damage.add(
        Rect{static_cast<std::int32_t>(box.left), static_cast<std::int32_t>(box.top),
             static_cast<std::int32_t>(box.right), static_cast<std::int32_t>(box.bottom)});
}

// A rectangle in the surface's coordinates moved to target pixels.
inline PixelBox ToTarget(const SurfaceObject* surface, std::int64_t left, std::int64_t top,
                         std::int64_t right, std::int64_t bottom) {
    const std::int64_t ox = surface->origin.x;
    const std::int64_t oy = surface->origin.y;
    return {left + ox, top + oy, right + ox, bottom + oy};
}

// What a surface may be read from: its bitmap and a view's bounds (the clip
// region limits drawing only).
inline PixelBox ReadableBox(const SurfaceObject* surface) {
    const BitmapObject* bitmap = surface->bitmap;
    if (!bitmap || !bitmap->pixels) return {};
    // Side by side rather than as a box built and then cut, which compilers
    // assemble in memory and read back at a cost in every drawing operation.
    std::int64_t left = 0, top = 0, right = bitmap->pixels->w, bottom = bitmap->pixels->h;
    if (surface->view) {
        const Rect& b = surface->bounds;
        left = std::max<std::int64_t>(left, b.left);
        top = std::max<std::int64_t>(top, b.top);
        right = std::min<std::int64_t>(right, b.right);
        bottom = std::min<std::int64_t>(bottom, b.bottom);
    }
    return {left, top, right, bottom};
}

// The target pixels the surface may draw to: its bitmap, a view's bounds and the
// clip region. Empty without a bitmap.
inline PixelBox DrawableBox(const SurfaceObject* surface) {
    if (!surface) return {};
    PixelBox box = ReadableBox(surface);
    if (surface->clipped) {
        const Rect& c = surface->clip;
        box = Intersect(box, ToTarget(surface, c.left, c.top, c.right, c.bottom));
    }
    return box;
}

// Colour (red low) to and from the XRGB pixel value of our surfaces.
constexpr std::uint32_t PixelOf(Colour c) {
    return (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
}
constexpr Colour ColourOf(std::uint32_t pixel) {
    return (pixel & 0xFFu) << 16 | (pixel & 0xFF00u) | (pixel >> 16 & 0xFFu);
}
inline std::uint32_t* PixelRow(SDL_Surface* s, std::int64_t y) {
    return reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(s->pixels) + y * s->pitch);
}
// Fills a box of target pixels (already clipped) with one pixel value.
void FillBox(SDL_Surface* s, const PixelBox& box, std::uint32_t pixel);
