// Text: lines laid out, rendered with SDL2_ttf and blended onto the surface's
// pixels.
#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drawing/drawing.h"
#include "platform/internal/drawing_internal.h"
#include "platform/internal/drawing_sdl.h"
#include "platform/text/text.h"

namespace {

// The first `length` code units (all for a negative length); a NUL ends the text
// sooner.
std::u16string_view TextView(const char16_t* text, std::int32_t length) {
    std::size_t n = 0;
    while ((length < 0 || n < static_cast<std::size_t>(length)) && text[n] != 0)
        ++n;
    return {text, n};
}

// One line: control characters show as spaces.
std::string SingleLine(std::string line) {
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    return line;
}

// The lines drawn and measured last, so that a screen that draws the same texts
// again (a game's labels and score at every frame) neither lays them out nor
// renders them again. Fonts live for the whole run, so a font pointer names one
// face and size for good.
class LineCache {
  public:
    ~LineCache() {
        for (Line& line : lines_) {
            if (line.glyphs) SDL_FreeSurface(line.glyphs);
        }
        if (oversized_) SDL_FreeSurface(oversized_);
    }

    int width(TTF_Font* font, const std::string& text) {
        if (text.empty()) return 0;
        for (Measured& m : measured_) {
            if (m.font == font && m.text == text) {
                m.used = ++clock_;
                return m.width;
            }
        }
        int width = 0;
        if (TTF_SizeUTF8(font, text.c_str(), &width, nullptr) != 0) width = 0;
        Measured& m =
            *std::min_element(measured_.begin(), measured_.end(),
                              [](const Measured& a, const Measured& b) { return a.used < b.used; });
        m = Measured{font, text, width, ++clock_};
        return width;
    }

    // The line rendered in the colour, as ARGB8888 glyphs; null when it cannot be
    // rendered. The cache keeps the surface.
    SDL_Surface* glyphs(TTF_Font* font, Colour colour, const std::string& text) {
        for (Line& line : lines_) {
            if (line.glyphs && line.font == font && line.colour == colour && line.text == text) {
                line.used = ++clock_;
                return line.glyphs;
            }
        }
        SDL_Surface* glyphs = TTF_RenderUTF8_Blended(
            font, text.c_str(), SDL_Color{RedOf(colour), GreenOf(colour), BlueOf(colour), 255});
        if (glyphs && glyphs->format->format != SDL_PIXELFORMAT_ARGB8888) {
            SDL_Surface* converted = SDL_ConvertSurfaceFormat(glyphs, SDL_PIXELFORMAT_ARGB8888, 0);
            SDL_FreeSurface(glyphs);
            glyphs = converted;
        }
        if (!glyphs) return nullptr;
        if (std::int64_t{glyphs->w} * glyphs->h > MAX_KEPT_PIXELS) {
            // Too large to keep among the others: kept alone until the next.
            if (oversized_) SDL_FreeSurface(oversized_);
            oversized_ = glyphs;
            return glyphs;
        }
        Line& line =
            *std::min_element(lines_.begin(), lines_.end(),
                              [](const Line& a, const Line& b) { return a.used < b.used; });
        if (line.glyphs) SDL_FreeSurface(line.glyphs);
        line = Line{font, colour, text, glyphs, ++clock_};
        return glyphs;
    }

  private:
    static constexpr std::size_t KEPT = 32;
    static constexpr std::int64_t MAX_KEPT_PIXELS = 64 * 1024;
    struct Measured {
        TTF_Font* font = nullptr;
        std::string text;
        int width = 0;
        std::uint64_t used = 0;
    };
    struct Line {
        TTF_Font* font = nullptr;
        Colour colour = 0;
        std::string text;
        SDL_Surface* glyphs = nullptr;
        std::uint64_t used = 0;
    };
    std::array<Measured, KEPT> measured_;
    std::array<Line, KEPT> lines_;
    SDL_Surface* oversized_ = nullptr;
    std::uint64_t clock_ = 0;
};

LineCache& Lines() {
    static LineCache cache;
    return cache;
}

int WidthOf(TTF_Font* font, const std::string& text) {
    return Lines().width(font, text);
}

// Lines broken at line feeds and, where a line would be wider than `maxWidth`,
// at spaces. A word wider than the line stays whole.
std::vector<std::string> BreakLines(TTF_Font* font, std::u16string_view text,
                                    std::int64_t maxWidth) {
    std::vector<std::string> lines;
    const std::string all = Utf16ToUtf8(text);
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = std::min(all.find('\n', start), all.size());
        std::string paragraph = all.substr(start, end - start);
        if (!paragraph.empty() && paragraph.back() == '\r') paragraph.pop_back();
        paragraph = SingleLine(std::move(paragraph));
        std::string line;
        std::size_t wordStart = 0;
        while (wordStart <= paragraph.size()) {
            std::size_t wordEnd = std::min(paragraph.find(' ', wordStart), paragraph.size());
            std::string word = paragraph.substr(wordStart, wordEnd - wordStart);
            std::string candidate = wordStart == 0 ? word : line + " " + word;
            if (wordStart == 0 || line.empty() || WidthOf(font, candidate) <= maxWidth) {
                line = std::move(candidate);
            } else {
                lines.push_back(std::move(line));
                line = std::move(word);
            }
            wordStart = wordEnd + 1;
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::uint8_t Mix(std::uint32_t over, std::uint32_t under, std::uint32_t alpha) {
    return static_cast<std::uint8_t>((over * alpha + under * (255 - alpha) + 127) / 255);
}

// Blends anti-aliased glyphs (ARGB) onto the target pixels inside `clip`.
void BlendGlyphs(SDL_Surface* target, SDL_Surface* glyphs, std::int64_t x, std::int64_t y,
                 const PixelBox& clip) {
    const PixelBox box = Intersect({x, y, x + glyphs->w, y + glyphs->h}, clip);
    for (std::int64_t py = box.top; py < box.bottom; ++py) {
        const std::uint32_t* from = PixelRow(glyphs, py - y);
        std::uint32_t* to = PixelRow(target, py);
        for (std::int64_t px = box.left; px < box.right; ++px) {
            const std::uint32_t p = from[px - x];
            const std::uint32_t a = p >> 24;
            if (a == 0) continue;
            if (a == 255) {
                to[px] = p & 0xFFFFFF;
                continue;
            }
            const std::uint32_t q = to[px];
            to[px] = std::uint32_t{Mix(p >> 16 & 0xFF, q >> 16 & 0xFF, a)} << 16 |
                     std::uint32_t{Mix(p >> 8 & 0xFF, q >> 8 & 0xFF, a)} << 8 |
                     Mix(p & 0xFF, q & 0xFF, a);
        }
    }
}

void DrawLine(SurfaceObject* surface, TTF_Font* font, const std::string& line, std::int64_t x,
              std::int64_t y, std::int64_t width, std::int64_t height, const PixelBox& clip) {
    SDL_Surface* target = surface->bitmap->pixels;
    if (surface->backgroundMode == BackgroundMode::Opaque) {
        const PixelBox box = Intersect({x, y, x + width, y + height}, clip);
        FillBox(target, box, PixelOf(Rgb(255, 255, 255)));  // the background is white
        AddDamage(surface, box);
    }
    if (line.empty()) return;
    SDL_Surface* glyphs = Lines().glyphs(font, surface->textColour, line);
    if (!glyphs) return;
    BlendGlyphs(target, glyphs, x, y, clip);
    AddDamage(surface, Intersect({x, y, x + glyphs->w, y + glyphs->h}, clip));
}

}  // namespace

bool GetTextMetrics(SurfaceHandle surface, TextMetrics& metrics) {
    metrics = {};
    if (!surface || !ReadyFont(surface->font)) return false;
    metrics.height = surface->font->height;
    metrics.averageCharWidth = surface->font->averageCharWidth;
    return true;
}

bool MeasureText(SurfaceHandle surface, const char16_t* text, std::int32_t length,
                 std::int32_t& width, std::int32_t& height) {
    width = height = 0;
    TTF_Font* font = surface ? ReadyFont(surface->font) : nullptr;
    if (!font || !text) return false;
    width = WidthOf(font, SingleLine(Utf16ToUtf8(TextView(text, length))));
    height = surface->font->height;
    return true;
}

std::int32_t DrawText(SurfaceHandle surface, const char16_t* text, std::int32_t length,
                      const Rect& rect, std::uint32_t flags) {
    TTF_Font* font = surface ? ReadyFont(surface->font) : nullptr;
    if (!font || !text) return 0;
    const std::u16string_view view = TextView(text, length);
    if (view.empty()) return 0;
    const std::int64_t rectWidth = std::int64_t{rect.right} - rect.left;
    const std::int64_t rectHeight = std::int64_t{rect.bottom} - rect.top;
    std::vector<std::string> lines;
    if (flags & DT_WORDBREAK) {
        lines = BreakLines(font, view, rectWidth);
    } else {
        lines.push_back(SingleLine(Utf16ToUtf8(view)));
    }
    const std::int64_t lineHeight = surface->font->height;
    const std::int64_t total = lineHeight * static_cast<std::int64_t>(lines.size());
    const PixelBox clip = Intersect(ToTarget(surface, rect.left, rect.top, rect.right, rect.bottom),
                                    DrawableBox(surface));
    std::int64_t y = rect.top + ((flags & DT_VCENTER) ? (rectHeight - total) >> 1 : 0);
    for (const std::string& line : lines) {
        const std::int64_t width = WidthOf(font, line);
        std::int64_t x = rect.left;
        if (flags & DT_CENTER) {
            x += (rectWidth - width) >> 1;
        } else if (flags & DT_RIGHT) {
            x = rect.right - width;
        }
        if (!clip.empty()) {
            DrawLine(surface, font, line, x + surface->origin.x, y + surface->origin.y, width,
                     lineHeight, clip);
        }
        y += lineHeight;
    }
    return static_cast<std::int32_t>(std::min<std::int64_t>(total, INT32_MAX));
}
