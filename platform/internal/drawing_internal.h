// Layer-internal drawing services for the window manager and the hosts. Not for
// game code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/drawing/drawing.h"
#include "platform/internal/bands.h"

// A surface that draws into `target` with its origin at `origin` (in the
// target's pixels) and everything outside `bounds` (target pixels) clipped away.
// Window surfaces are such views of the emulated screen. The surface does not own
// the bitmap; delete it with DeleteSurface.
SurfaceHandle CreateViewSurface(BitmapHandle target, Point origin, const Rect& bounds);

// The target pixels drawn on through the surface since the last call (its
// bitmap's coordinates; empty when none), and starts counting afresh. The window
// manager composes only these parts of the screen again.
Bands TakeSurfaceDamage(SurfaceHandle surface);

// As BlockCopy, but writes only the pixels that differ from the target's, and
// adds the bands (target pixels) that hold them to `changed`; none when the
// target already showed the block. For composing the screen: reading is cheaper
// than writing, and what did not change need not be shown again.
void CopyDifferences(SurfaceHandle target, std::int32_t x, std::int32_t y, std::int32_t width,
                     std::int32_t height, SurfaceHandle source, std::int32_t sx, std::int32_t sy,
                     Bands& changed);

// Pictures decoded from image files (a pack's pictures) are for a screen of this
// size: one is refused, as if missing, when it holds more than 16 times the
// screen's pixels, or when it and the pictures decoded and not yet deleted would
// take more than 64 MiB. The window manager sets it with the screen's size.
void SetPictureScreenSize(std::int32_t width, std::int32_t height);

// The file in which the faces fontconfig found are kept for later runs (null or
// empty: none, fontconfig is asked in every run). Set by a host before fonts are
// made.
void SetFontCacheFile(const char* path);
// For the fuzz target: reads the text of such a file, whatever its stamp line
// says, opens each face it takes (and closes it again); how many opened.
std::size_t OpenKnownFacesForTests(const std::string& text);

// A folder of font files whose upright faces are used instead of the installed
// fonts: those of the family asked for, else any, nearest in weight (null or
// empty: the installed fonts). No faces are kept in a file then. Set by a host
// before fonts are made.
void SetFontFolder(const char* path);

// Read access to a bitmap's pixels: rows of `width` pixels, `pitch` pixels apart,
// each 0x00RRGGBB (red in bits 16 to 23, unlike Colour). Null pixels for a null
// bitmap.
struct PixelRows {
    const std::uint32_t* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t pitch = 0;
};
PixelRows BitmapPixels(BitmapHandle bitmap);

// Writes a bitmap as a PNG file; false on failure.
bool SaveBitmapPng(BitmapHandle bitmap, const char* path);
