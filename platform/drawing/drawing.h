// Drawing: software surfaces, bitmaps, pens, brushes, fonts and clip regions, and
// the operations the program draws with. Pixels are 24-bit colour (red, green,
// blue).
//
// Every operation accepts null handles, empty, negative or off-surface rectangles
// and clips or does nothing; none crashes. Operations that report success return
// false when they could not draw anything.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/runtime/types.h"

// Opaque handles. A surface is a drawing context: a target bitmap with the
// selected pen, brush, font, clip region, text colour and background mode. A
// window's surface draws into the emulated screen at the window's place.
struct SurfaceObject;
struct BitmapObject;
struct PenObject;
struct BrushObject;
struct FontObject;
struct RegionObject;
using SurfaceHandle = SurfaceObject*;
using BitmapHandle = BitmapObject*;
using PenHandle = PenObject*;
using BrushHandle = BrushObject*;
using FontHandle = FontObject*;
using RegionHandle = RegionObject*;

// ---- Surfaces and bitmaps ----

// A memory surface compatible with `compatible` (or with the display when null).
// It starts with a 1 x 1 black bitmap selected, the black pen, the white brush,
// the default font, no clip, black text on an opaque white background.
SurfaceHandle CreateMemorySurface(SurfaceHandle compatible);
bool DeleteSurface(SurfaceHandle surface);

// A bitmap of width x height pixels, black, compatible with the surface (or with
// the display when null). Null when a side is not positive or memory runs out.
BitmapHandle CreateBitmap(SurfaceHandle compatible, std::int32_t width, std::int32_t height);
// A bitmap from pixels, row after row, each pixel a Colour.
BitmapHandle CreateBitmapFromPixels(std::int32_t width, std::int32_t height, const Colour* pixels);
// A bitmap decoded from an image file held in memory (BMP or PNG); null when the
// bytes are not a readable image.
BitmapHandle CreateBitmapFromImageBytes(const void* bytes, std::size_t size);
bool GetBitmapSize(BitmapHandle bitmap, std::int32_t& width, std::int32_t& height);

// Selecting returns the object that was selected before (null on failure). A
// bitmap can be selected into one surface at a time. Selecting a null font
// leaves the surface without a font.
BitmapHandle SelectBitmap(SurfaceHandle surface, BitmapHandle bitmap);
PenHandle SelectPen(SurfaceHandle surface, PenHandle pen);
BrushHandle SelectBrush(SurfaceHandle surface, BrushHandle brush);
FontHandle SelectFont(SurfaceHandle surface, FontHandle font);
// Clips the surface to a copy of the region; a null region removes the clip.
bool SelectClipRegion(SurfaceHandle surface, RegionHandle region);

// Deleting a stock object or an object still selected into a surface does
// nothing and returns false.
bool DeleteBitmap(BitmapHandle bitmap);
bool DeletePen(PenHandle pen);
bool DeleteBrush(BrushHandle brush);
bool DeleteFont(FontHandle font);
bool DeleteRegion(RegionHandle region);

// A memory surface for the length of a scope, compatible with `compatible`, with
// `bitmap` selected into it when one is given. Deleting it at the end of the
// scope releases what it holds selected (bitmap, pen, brush, font), so that the
// caller may then delete those. get() is null when it could not be made.
class ScopedSurface {
  public:
    explicit ScopedSurface(SurfaceHandle compatible = nullptr, BitmapHandle bitmap = nullptr)
        : surface_(CreateMemorySurface(compatible)) {
        if (surface_ != nullptr && bitmap != nullptr) SelectBitmap(surface_, bitmap);
    }
    ~ScopedSurface() { DeleteSurface(surface_); }
    ScopedSurface(const ScopedSurface&) = delete;
    ScopedSurface& operator=(const ScopedSurface&) = delete;
    SurfaceHandle get() const { return surface_; }

  private:
    SurfaceHandle surface_;
};

// ---- Pens, brushes, regions, fonts ----

// A solid pen; width 0 or 1 draws one pixel wide.
PenHandle CreateSolidPen(std::int32_t width, Colour colour);
enum class StockPen { White, Black, Null };
PenHandle GetStockPen(StockPen which);

BrushHandle CreateSolidBrush(Colour colour);
enum class StockBrush { White, LightGrey, Hollow };
BrushHandle GetStockBrush(StockBrush which);

RegionHandle CreateRectRegion(std::int32_t left, std::int32_t top, std::int32_t right,
                              std::int32_t bottom);

constexpr std::int32_t FONT_WEIGHT_NORMAL = 400;
constexpr std::int32_t FONT_WEIGHT_BOLD = 700;
// A font by face name, found through the system's font matching (a face that is
// not installed gives its closest match). `height` is the character cell height
// in pixels; weight 0 means normal. Null when no font at all can be found: text
// drawn with a null font draws nothing.
FontHandle CreateFontByName(const char16_t* face, std::int32_t height, std::int32_t weight);

struct TextMetrics {
    std::int32_t height = 0;            // cell height in pixels
    std::int32_t averageCharWidth = 0;  // average width of a character
};
// Metrics of the surface's selected font (all 0 without a font).
bool GetTextMetrics(SurfaceHandle surface, TextMetrics& metrics);
// Width and height of a line of text in the selected font.
bool MeasureText(SurfaceHandle surface, const char16_t* text, std::int32_t length,
                 std::int32_t& width, std::int32_t& height);

// ---- Drawing ----

// Copies a width x height block from (sx, sy) of `source` to (x, y) of `target`.
bool BlockCopy(SurfaceHandle target, std::int32_t x, std::int32_t y, std::int32_t width,
               std::int32_t height, SurfaceHandle source, std::int32_t sx, std::int32_t sy);
// Stretches a block of `source` over a block of `target`, nearest neighbour.
bool StretchCopy(SurfaceHandle target, std::int32_t x, std::int32_t y, std::int32_t width,
                 std::int32_t height, SurfaceHandle source, std::int32_t sx, std::int32_t sy,
                 std::int32_t sourceWidth, std::int32_t sourceHeight);
// As StretchCopy, leaving out the source pixels of colour `transparent`.
bool TransparentCopy(SurfaceHandle target, std::int32_t x, std::int32_t y, std::int32_t width,
                     std::int32_t height, SurfaceHandle source, std::int32_t sx, std::int32_t sy,
                     std::int32_t sourceWidth, std::int32_t sourceHeight, Colour transparent);

// Fills the rectangle (right and bottom edges excluded) with the brush.
bool FillRect(SurfaceHandle surface, const Rect& rect, BrushHandle brush);
// Outlines with the selected pen and fills the inside with the selected brush.
bool DrawRectangle(SurfaceHandle surface, std::int32_t left, std::int32_t top, std::int32_t right,
                   std::int32_t bottom);
// The same with corners rounded by an ellipse of the given width and height.
bool DrawRoundRect(SurfaceHandle surface, std::int32_t left, std::int32_t top, std::int32_t right,
                   std::int32_t bottom, std::int32_t ellipseWidth, std::int32_t ellipseHeight);
// The dotted rectangle that marks keyboard focus (drawn by inverting pixels).
bool DrawFocusRect(SurfaceHandle surface, const Rect& rect);

Colour SetTextColour(SurfaceHandle surface, Colour colour);  // returns the previous
// Text on an opaque background (a new surface's mode) fills its line boxes
// white first.
enum class BackgroundMode { Transparent = 1, Opaque = 2 };
BackgroundMode SetBackgroundMode(SurfaceHandle surface, BackgroundMode mode);

// Text drawing flags: left is 0; they combine.
constexpr std::uint32_t DT_CENTER = 1;
constexpr std::uint32_t DT_RIGHT = 2;
constexpr std::uint32_t DT_VCENTER = 4;
constexpr std::uint32_t DT_WORDBREAK = 16;  // break long lines at spaces
// Draws text in the rectangle with the selected font, text colour and background
// mode, aligned by the flags and cut to the rectangle. `length` -1 means up to the
// terminating NUL. Returns the height of the text drawn (0 when nothing was).
std::int32_t DrawText(SurfaceHandle surface, const char16_t* text, std::int32_t length,
                      const Rect& rect, std::uint32_t flags);

// The colour of a pixel; INVALID_COLOUR outside the pixels the surface may draw
// to (its bitmap, a view's bounds and the clip region), where SetPixel fails.
Colour GetPixel(SurfaceHandle surface, std::int32_t x, std::int32_t y);
bool SetPixel(SurfaceHandle surface, std::int32_t x, std::int32_t y, Colour colour);
