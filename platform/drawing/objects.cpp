// Surfaces, bitmaps, pens, brushes and regions on 32-bit XRGB SDL surfaces: the
// objects the drawing operations work with, and the helpers they share. The
// copies are in copies.cpp, the figures in figures.cpp, text in text_drawing.cpp.
#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/drawing/drawing.h"
#include "platform/internal/drawing_internal.h"
#include "platform/internal/drawing_sdl.h"

namespace {

constexpr std::uint32_t PIXEL_FORMAT = SDL_PIXELFORMAT_RGB888;
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

// Deleted pens and brushes are kept for the next ones created, so that a figure
// drawn with a pen and brush of its own, made and deleted each time, does not go
// to the heap each time.
template <typename T>
class Recycler {
  public:
    template <typename... Args>
    T* make(Args... args) {
        if (free_.empty()) return new T{args...};
        T* object = free_.back();
        free_.pop_back();
        *object = T{args...};
        return object;
    }
    void recycle(T* object) {
        if (free_.size() < KEPT) {
            free_.push_back(object);
        } else {
            delete object;
        }
    }

  private:
    static constexpr std::size_t KEPT = 16;
    std::vector<T*> free_;
};

Recycler<PenObject>& Pens() {
    static auto* pens = new Recycler<PenObject>;
    return *pens;
}
Recycler<BrushObject>& Brushes() {
    static auto* brushes = new Recycler<BrushObject>;
    return *brushes;
}

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

// The picture size a PNG or BMP header claims, checked before decoding, so that
// a forged size cannot ask the decoder for gigabytes; false when there is none.
bool ImageHeaderSize(const std::uint8_t* bytes, std::size_t size, bool png, std::int64_t& width,
                     std::int64_t& height) {
    if (png && size >= 24) {
        width = BigEndian32(bytes + 16);
        height = BigEndian32(bytes + 20);
    } else if (png || size < 26) {
        return false;
    } else if (LittleEndian32(bytes + 14) == 12) {  // the old OS/2 header: 16-bit sides
        width = bytes[18] | bytes[19] << 8;
        height = bytes[20] | bytes[21] << 8;
    } else {
        width = LittleEndian32(bytes + 18);
        height = std::abs(LittleEndian32(bytes + 22));
    }
    return SizeAllowed(width, height);
}

// Pictures decoded from image files are for the screen: none is larger than
// PICTURES_PER_SCREEN screens, and those not yet deleted take at most
// MAX_PICTURE_BYTES together. A pack of pictures far beyond the screen took
// gigabytes; such a picture is missing instead.
constexpr std::int64_t PICTURES_PER_SCREEN = 16;
constexpr std::int64_t MAX_PICTURE_BYTES = std::int64_t{64} << 20;

struct PictureBudget {
    std::int64_t maxPixels = PICTURES_PER_SCREEN * 240 * 320;
    std::int64_t bytesHeld = 0;
};

PictureBudget& Pictures() {
    static PictureBudget budget;
    return budget;
}

bool PictureFits(std::int64_t width, std::int64_t height) {
    const std::int64_t pixels = width * height;
    return pixels <= Pictures().maxPixels && pixels * 4 <= MAX_PICTURE_BYTES - Pictures().bytesHeld;
}

// Counts a decoded picture in the budget; null, freeing it, when it does not fit.
BitmapObject* CountPicture(BitmapObject* bitmap) {
    if (!bitmap) return nullptr;
    if (!PictureFits(bitmap->pixels->w, bitmap->pixels->h)) {
        SDL_FreeSurface(bitmap->pixels);
        delete bitmap;
        return nullptr;
    }
    bitmap->pictureBytes = std::int64_t{bitmap->pixels->w} * bitmap->pixels->h * 4;
    Pictures().bytesHeld += bitmap->pictureBytes;
    return bitmap;
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
    bitmap->rowTurns.assign(static_cast<std::size_t>(s->h), NextDrawingTurn());
    return bitmap;
}

// The 1 x 1 black bitmap every memory surface starts with; shared, never deleted.
BitmapObject* StockBitmap() {
    static BitmapObject stock = [] {
        BitmapObject b;
        b.pixels = NewSdlSurface(1, 1);
        b.stock = true;
        b.rowTurns.assign(1, 0);
        return b;
    }();
    return stock.pixels ? &stock : nullptr;
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

}  // namespace

// ---- Shared helpers ----

std::uint64_t NextDrawingTurn() {
    static std::uint64_t turn = 0;
    return ++turn;
}

Bands TakeSurfaceDamage(SurfaceHandle surface) {
    if (!surface) return Bands{};
    const Bands d = surface->damage;
    surface->damage.clear();
    return d;
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

// ---- Surfaces and bitmaps ----

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
    const bool png = IsPng(bytes, size);
    std::int64_t width = 0, height = 0;
    if (!(png || IsBmp(bytes, size)) ||
        !ImageHeaderSize(static_cast<const std::uint8_t*>(bytes), size, png, width, height) ||
        !PictureFits(width, height)) {
        return nullptr;
    }
    const std::int64_t maxPixels = std::min(MAX_PIXELS, Pictures().maxPixels);
    if (png) return CountPicture(WrapSurface(DecodePng(bytes, size, false, MAX_SIDE, maxPixels)));
    SDL_RWops* rw = SDL_RWFromConstMem(bytes, static_cast<int>(size));
    SDL_Surface* image = rw ? SDL_LoadBMP_RW(rw, 1) : nullptr;
    if (!image) return nullptr;
    // A straight copy of the colours: no blending, no colour key.
    SDL_SetColorKey(image, SDL_FALSE, 0);
    SDL_SetSurfaceBlendMode(image, SDL_BLENDMODE_NONE);
    BitmapHandle bitmap = SizeAllowed(image->w, image->h)
                              ? WrapSurface(SDL_ConvertSurfaceFormat(image, PIXEL_FORMAT, 0))
                              : nullptr;
    SDL_FreeSurface(image);
    return CountPicture(bitmap);
}

void SetPictureScreenSize(std::int32_t width, std::int32_t height) {
    Pictures().maxPixels = PICTURES_PER_SCREEN * std::max(width, 1) * std::max(height, 1);
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
    Pictures().bytesHeld -= bitmap->pictureBytes;
    SDL_FreeSurface(bitmap->pixels);
    delete bitmap;
    return true;
}

bool DeletePen(PenHandle pen) {
    if (!pen || pen->stock || pen->selections > 0) return false;
    Pens().recycle(pen);
    return true;
}

bool DeleteBrush(BrushHandle brush) {
    if (!brush || brush->stock || brush->selections > 0) return false;
    Brushes().recycle(brush);
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
    return Pens().make(std::max(1, width), colour & RGB_MASK, false, false);
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
    return Brushes().make(colour & RGB_MASK, false, false);
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

Colour SetTextColour(SurfaceHandle surface, Colour colour) {
    if (!surface) return INVALID_COLOUR;
    Colour previous = surface->textColour;
    surface->textColour = colour & RGB_MASK;
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
    return EncodePng(bitmap->pixels, path);
}
