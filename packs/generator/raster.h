// Pixel pictures for the pack generator: an RGB image held in memory, colour
// arithmetic, anti-aliased shapes, and text rendered through the drawing layer
// as a coverage mask that is then painted with any colour or gradient.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/runtime/types.h"

namespace packgen {

// Colour channels as plain integers 0..255 (Rgbi), so sums may leave the range.
struct Rgbi {
    int r = 0;
    int g = 0;
    int b = 0;
};

Rgbi ToRgb(Colour c);
Colour ToColour(Rgbi c);  // clamps each channel to 0..255
// a + (b - a) * t, t in 0..1.
Rgbi Mix(Rgbi a, Rgbi b, double t);
Rgbi Scale(Rgbi c, double factor);
// Hue in degrees, saturation and value 0..1.
Rgbi FromHsv(double hue, double saturation, double value);

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Colour> pixels;

    Image() = default;
    Image(int w, int h, Colour fill = 0) : width(w), height(h), pixels(std::size_t(w) * h, fill) {}
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    Colour at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
    void set(int x, int y, Rgbi c) {
        if (contains(x, y)) pixels[std::size_t(y) * width + x] = ToColour(c);
    }
    // Lays `c` over the pixel with opacity `alpha` (0..1).
    void blend(int x, int y, Rgbi c, double alpha);
};

// A coverage mask of the same size as the image it is painted on: 0..255 per
// pixel.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> cover;

    Mask(int w, int h) : width(w), height(h), cover(std::size_t(w) * h, 0) {}
    int at(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height ? cover[std::size_t(y) * width + x] : 0;
    }
};

using Shader = std::function<Rgbi(int x, int y)>;

// Every pixel of the rectangle (right and bottom excluded) from the shader.
void FillRect(Image& image, const Rect& rect, const Shader& shader);
void FillRect(Image& image, const Rect& rect, Rgbi colour);
void BlendRect(Image& image, const Rect& rect, Rgbi colour, double alpha);
// A rounded rectangle with anti-aliased corners of radius `radius`, laid over the
// picture with opacity `alpha`.
void BlendRoundRect(Image& image, const Rect& rect, int radius, const Shader& shader, double alpha);
// The one-pixel outline of such a rounded rectangle.
void StrokeRoundRect(Image& image, const Rect& rect, int radius, Rgbi colour, double alpha);

// Paints the shader through the mask, shifted by (dx, dy), with opacity `alpha`.
void PaintMask(Image& image, const Mask& mask, const Shader& shader, double alpha = 1.0, int dx = 0,
               int dy = 0);
// The mask grown by `radius` pixels (a round brush): for outlines.
Mask Grow(const Mask& mask, int radius);

struct Font {
    const char16_t* face = u"DejaVu Sans";
    int height = 14;
    int weight = 400;
};

// The coverage of `text` drawn in the rectangle with the drawing layer's text
// flags (DT_CENTER, DT_VCENTER, ...).
Mask TextMask(int width, int height, const std::u16string& text, const Font& font, const Rect& rect,
              std::uint32_t flags);
// The width in pixels of a line of text.
int TextWidth(const std::u16string& text, const Font& font);

// Text with a dark halo, the way every label of the packs is drawn.
void DrawOutlinedText(Image& image, const std::u16string& text, const Font& font, const Rect& rect,
                      std::uint32_t flags, const Shader& fill, Rgbi outline, int outlineRadius);

// Writes the image as a PNG file; false on failure.
bool SavePng(const Image& image, const std::string& path);

// A small deterministic generator (xorshift) for scattered details.
class Random {
  public:
    explicit Random(std::uint32_t seed) : state_(seed ? seed : 1u) {}
    std::uint32_t next();
    // 0 .. bound - 1
    int below(int bound) { return bound > 0 ? int(next() % std::uint32_t(bound)) : 0; }

  private:
    std::uint32_t state_;
};

}  // namespace packgen
