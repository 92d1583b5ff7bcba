#include "packs/generator/raster.h"

#include <algorithm>
#include <cmath>

#include "platform/drawing/drawing.h"
#include "platform/internal/drawing_internal.h"

namespace packgen {

namespace {

int Clamp255(int v) {
    return std::clamp(v, 0, 255);
}

// How much of the pixel at (x, y) lies inside the rounded rectangle, 0..1, and
// the signed distance of its centre from the edge (negative inside).
double RoundRectDistance(const Rect& rect, int radius, int x, int y) {
    const double px = x + 0.5;
    const double py = y + 0.5;
    const double r = radius;
    const double cx = std::clamp(px, rect.left + r, rect.right - r);
    const double cy = std::clamp(py, rect.top + r, rect.bottom - r);
    const double dx = px - cx;
    const double dy = py - cy;
    if (dx == 0 && dy == 0) {
        // Inside the inner rectangle: the distance to the nearest side.
        const double inside = std::min(std::min(px - rect.left, rect.right - px),
                                       std::min(py - rect.top, rect.bottom - py));
        return -inside;
    }
    return std::sqrt(dx * dx + dy * dy) - r;
}

}  // namespace

Rgbi ToRgb(Colour c) {
    return {RedOf(c), GreenOf(c), BlueOf(c)};
}

Colour ToColour(Rgbi c) {
    return Rgb(static_cast<std::uint8_t>(Clamp255(c.r)), static_cast<std::uint8_t>(Clamp255(c.g)),
               static_cast<std::uint8_t>(Clamp255(c.b)));
}

Rgbi Mix(Rgbi a, Rgbi b, double t) {
    return {static_cast<int>(std::lround(a.r + (b.r - a.r) * t)),
            static_cast<int>(std::lround(a.g + (b.g - a.g) * t)),
            static_cast<int>(std::lround(a.b + (b.b - a.b) * t))};
}

Rgbi Scale(Rgbi c, double factor) {
    return {static_cast<int>(std::lround(c.r * factor)),
            static_cast<int>(std::lround(c.g * factor)),
            static_cast<int>(std::lround(c.b * factor))};
}

Rgbi FromHsv(double hue, double saturation, double value) {
    hue = std::fmod(std::fmod(hue, 360.0) + 360.0, 360.0);
    const double c = value * saturation;
    const double x = c * (1 - std::fabs(std::fmod(hue / 60.0, 2.0) - 1));
    const double m = value - c;
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(hue / 60.0)) {
        case 0:
            r = c, g = x;
            break;
        case 1:
            r = x, g = c;
            break;
        case 2:
            g = c, b = x;
            break;
        case 3:
            g = x, b = c;
            break;
        case 4:
            r = x, b = c;
            break;
        default:
            r = c, b = x;
            break;
    }
    return {static_cast<int>(std::lround((r + m) * 255)),
            static_cast<int>(std::lround((g + m) * 255)),
            static_cast<int>(std::lround((b + m) * 255))};
}

void Image::blend(int x, int y, Rgbi c, double alpha) {
    if (!contains(x, y) || alpha <= 0) return;
    Colour& p = pixels[std::size_t(y) * width + x];
    p = ToColour(Mix(ToRgb(p), c, std::min(alpha, 1.0)));
}

void FillRect(Image& image, const Rect& rect, const Shader& shader) {
    for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, image.height); ++y) {
        for (int x = std::max(rect.left, 0); x < std::min(rect.right, image.width); ++x) {
            image.set(x, y, shader(x, y));
        }
    }
}

void FillRect(Image& image, const Rect& rect, Rgbi colour) {
    FillRect(image, rect, [colour](int, int) { return colour; });
}

void BlendRect(Image& image, const Rect& rect, Rgbi colour, double alpha) {
    for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, image.height); ++y) {
        for (int x = std::max(rect.left, 0); x < std::min(rect.right, image.width); ++x) {
            image.blend(x, y, colour, alpha);
        }
    }
}

void BlendRoundRect(Image& image, const Rect& rect, int radius, const Shader& shader,
                    double alpha) {
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            const double cover = std::clamp(0.5 - RoundRectDistance(rect, radius, x, y), 0.0, 1.0);
            if (cover > 0) image.blend(x, y, shader(x, y), cover * alpha);
        }
    }
}

void StrokeRoundRect(Image& image, const Rect& rect, int radius, Rgbi colour, double alpha) {
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            // A ring one pixel wide just inside the edge.
            const double d = RoundRectDistance(rect, radius, x, y);
            const double cover = std::clamp(1.0 - std::fabs(d + 0.5), 0.0, 1.0);
            if (cover > 0) image.blend(x, y, colour, cover * alpha);
        }
    }
}

void PaintMask(Image& image, const Mask& mask, const Shader& shader, double alpha, int dx, int dy) {
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const int cover = mask.at(x - dx, y - dy);
            if (cover > 0) image.blend(x, y, shader(x, y), alpha * cover / 255.0);
        }
    }
}

Mask Grow(const Mask& mask, int radius) {
    Mask grown(mask.width, mask.height);
    for (int y = 0; y < mask.height; ++y) {
        for (int x = 0; x < mask.width; ++x) {
            int best = 0;
            for (int oy = -radius; oy <= radius && best < 255; ++oy) {
                for (int ox = -radius; ox <= radius; ++ox) {
                    if (ox * ox + oy * oy > radius * radius + radius) continue;
                    best = std::max(best, mask.at(x + ox, y + oy));
                }
            }
            grown.cover[std::size_t(y) * mask.width + x] = static_cast<std::uint8_t>(best);
        }
    }
    return grown;
}

Mask TextMask(int width, int height, const std::u16string& text, const Font& font, const Rect& rect,
              std::uint32_t flags) {
    Mask mask(width, height);
    BitmapHandle bitmap = CreateBitmap(nullptr, width, height);  // black
    FontHandle handle = CreateFontByName(font.face, font.height, font.weight);
    if (ScopedSurface scoped(nullptr, bitmap); scoped.get() && bitmap && handle) {
        SurfaceHandle surface = scoped.get();
        SelectFont(surface, handle);
        SetTextColour(surface, Rgb(255, 255, 255));
        SetBackgroundMode(surface, BackgroundMode::Transparent);
        DrawText(surface, text.c_str(), static_cast<std::int32_t>(text.size()), rect, flags);
        const PixelRows rows = BitmapPixels(bitmap);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                // White text on black: any channel is the coverage.
                mask.cover[std::size_t(y) * width + x] =
                    static_cast<std::uint8_t>(rows.pixels[std::size_t(y) * rows.pitch + x] >> 8);
            }
        }
    }
    DeleteFont(handle);
    DeleteBitmap(bitmap);
    return mask;
}

int TextWidth(const std::u16string& text, const Font& font) {
    FontHandle handle = CreateFontByName(font.face, font.height, font.weight);
    std::int32_t width = 0;
    std::int32_t height = 0;
    {
        ScopedSurface surface;
        SelectFont(surface.get(), handle);
        MeasureText(surface.get(), text.c_str(), static_cast<std::int32_t>(text.size()), width,
                    height);
    }
    DeleteFont(handle);
    return width;
}

void DrawOutlinedText(Image& image, const std::u16string& text, const Font& font, const Rect& rect,
                      std::uint32_t flags, const Shader& fill, Rgbi outline, int outlineRadius) {
    const Mask mask = TextMask(image.width, image.height, text, font, rect, flags);
    if (outlineRadius > 0) {
        const Mask halo = Grow(mask, outlineRadius);
        PaintMask(
            image, halo, [outline](int, int) { return outline; }, 0.55, 1, 1);  // drop shadow
        PaintMask(
            image, halo, [outline](int, int) { return outline; }, 0.9);
    }
    PaintMask(image, mask, fill);
}

bool SavePng(const Image& image, const std::string& path) {
    BitmapHandle bitmap = CreateBitmapFromPixels(image.width, image.height, image.pixels.data());
    const bool saved = bitmap && SaveBitmapPng(bitmap, path.c_str());
    DeleteBitmap(bitmap);
    return saved;
}

std::uint32_t Random::next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}

}  // namespace packgen
