// The drawing's fast paths (inline tile rows, four pixels at a time, figures and
// text lines kept from one drawing to the next, faces kept between runs) against
// their plain definitions, pixel by pixel.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/drawing/drawing.h"
#include "platform/internal/drawing_internal.h"
#include "platform/internal/drawing_sdl.h"

namespace {

// A memory surface over a bitmap of pseudo-random colours (every `holes`-th one
// magenta when given).
struct Noise {
    SurfaceHandle surface = CreateMemorySurface(nullptr);
    BitmapHandle bitmap;
    BitmapHandle stock;
    Noise(int w, int h, unsigned seed, int holes = 0) {
        std::vector<Colour> pixels(static_cast<std::size_t>(w) * h);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = holes && i % holes == 0
                            ? MAGENTA
                            : static_cast<Colour>((i + seed) * 2654435761u) & 0xFFFFFF;
        }
        bitmap = CreateBitmapFromPixels(w, h, pixels.data());
        stock = SelectBitmap(surface, bitmap);
    }
    ~Noise() {
        SelectBitmap(surface, stock);
        DeleteSurface(surface);
        DeleteBitmap(bitmap);
    }
    Colour at(int x, int y) const {
        PixelRows p = BitmapPixels(bitmap);
        return ColourOf(p.pixels[y * p.pitch + x]);
    }
};

TEST(DrawingFastPathsTest, BlockCopiesOfEveryNarrowWidthCopyExactlyTheBlock) {
    for (int width = 1; width <= 40; ++width) {
        Noise target(64, 20, 1), source(64, 20, 2);
        Noise before(64, 20, 1);
        ASSERT_TRUE(BlockCopy(target.surface, 3, 2, width, 14, source.surface, 5, 4));
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 64; ++x) {
                const bool inside = x >= 3 && x < 3 + width && y >= 2 && y < 16;
                ASSERT_EQ(target.at(x, y), inside ? source.at(x + 2, y + 2) : before.at(x, y))
                    << "width " << width << " at " << x << "," << y;
            }
        }
    }
}

// Wide rows the target holds already are left alone: a row that differs only in
// its last pixel must still be copied.
TEST(DrawingFastPathsTest, WideBlockCopiesOverPartlyEqualRowsCopyExactlyTheBlock) {
    Noise target(200, 6, 1), source(200, 6, 2);
    ASSERT_TRUE(BlockCopy(target.surface, 0, 0, 200, 6, source.surface, 0, 0));
    SetPixel(source.surface, 199, 1, source.at(199, 1) ^ 0x10);  // row 1: its last pixel
    SetPixel(source.surface, 0, 3, source.at(0, 3) ^ 0x10);      // row 3: its first pixel
    ASSERT_TRUE(BlockCopy(target.surface, 0, 0, 200, 6, source.surface, 0, 0));
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(target.at(x, y), source.at(x, y)) << x << "," << y;
    }
}

TEST(DrawingFastPathsTest, TransparentCopiesLeaveOutTheKeyAtEveryWidth) {
    for (int width = 1; width <= 19; ++width) {
        Noise target(24, 6, 3), source(24, 6, 4, 3), before(24, 6, 3);
        ASSERT_TRUE(TransparentCopy(target.surface, 1, 1, width, 4, source.surface, 2, 1, width, 4,
                                    MAGENTA));
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 24; ++x) {
                const bool inside = x >= 1 && x < 1 + width && y >= 1 && y < 5;
                const Colour from = inside ? source.at(x + 1, y) : MAGENTA;
                ASSERT_EQ(target.at(x, y), from == MAGENTA ? before.at(x, y) : from)
                    << "width " << width << " at " << x << "," << y;
            }
        }
    }
}

// The pixels of a rounded rectangle drawn on black, as text.
std::vector<std::string> RoundRectPicture(int w, int h, int ew, int eh) {
    Noise canvas(24, 24, 0);
    FillRect(canvas.surface, Rect{0, 0, 24, 24}, GetStockBrush(StockBrush::LightGrey));
    PenHandle pen = CreateSolidPen(1, Rgb(255, 0, 0));
    BrushHandle brush = CreateSolidBrush(Rgb(0, 0, 255));
    PenHandle oldPen = SelectPen(canvas.surface, pen);
    BrushHandle oldBrush = SelectBrush(canvas.surface, brush);
    DrawRoundRect(canvas.surface, 2, 3, 2 + w, 3 + h, ew, eh);
    SelectPen(canvas.surface, oldPen);
    SelectBrush(canvas.surface, oldBrush);
    DeletePen(pen);
    DeleteBrush(brush);
    std::vector<std::string> rows(24);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
            const Colour c = canvas.at(x, y);
            rows[y] += c == Rgb(255, 0, 0) ? '#' : c == Rgb(0, 0, 255) ? 'o' : '.';
        }
    }
    return rows;
}

TEST(DrawingFastPathsTest, FiguresKeptFromOneDrawingToTheNextAreTheSame) {
    // Drawn first, then again after more shapes than are kept: the same pixels.
    std::vector<std::vector<std::string>> first;
    for (int i = 0; i < 12; ++i)
        first.push_back(RoundRectPicture(12, 12 - i % 5, 6 + i % 3, 6));
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(RoundRectPicture(12, 12 - i % 5, 6 + i % 3, 6), first[i]) << i;
}

TEST(DrawingFastPathsTest, ATextLineDrawnAgainIsTheSameAndFollowsTheColour) {
    Noise canvas(120, 30, 0);
    FontHandle font = CreateFontByName(u"Tahoma", 14, 0);
    ASSERT_NE(font, nullptr);
    SelectFont(canvas.surface, font);
    SetBackgroundMode(canvas.surface, BackgroundMode::Opaque);
    auto draw = [&](Colour colour) {
        SetTextColour(canvas.surface, colour);
        DrawText(canvas.surface, u"Level 12", -1, Rect{0, 0, 120, 30}, DT_CENTER);
        std::vector<Colour> pixels;
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 120; ++x)
                pixels.push_back(canvas.at(x, y));
        }
        return pixels;
    };
    const std::vector<Colour> black = draw(Rgb(0, 0, 0));
    const std::vector<Colour> blue = draw(Rgb(0, 0, 255));
    EXPECT_NE(black, blue);
    EXPECT_EQ(draw(Rgb(0, 0, 0)), black);
    EXPECT_EQ(draw(Rgb(0, 0, 255)), blue);
    SelectFont(canvas.surface, nullptr);
    DeleteFont(font);
}

TEST(DrawingFastPathsTest, FacesKeptBetweenRunsGiveTheSameFontAndStaleOnesAreAskedAgain) {
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() / ("quarvel-faces-" + std::to_string(getpid()));
    fs::remove_all(folder);
    const std::string file = (folder / "fonts").string();
    auto metrics = [] {
        SurfaceHandle surface = CreateMemorySurface(nullptr);
        FontHandle font = CreateFontByName(u"Tahoma", 17, FONT_WEIGHT_BOLD);
        TextMetrics m;
        SelectFont(surface, font);
        GetTextMetrics(surface, m);
        std::int32_t width = 0, height = 0;
        MeasureText(surface, u"Quarvel", -1, width, height);
        SelectFont(surface, nullptr);
        DeleteSurface(surface);
        DeleteFont(font);
        return std::vector<std::int32_t>{m.height, m.averageCharWidth, width};
    };
    SetFontCacheFile(nullptr);
    const std::vector<std::int32_t> asked = metrics();
    SetFontCacheFile(file.c_str());
    EXPECT_EQ(metrics(), asked);
    ASSERT_TRUE(fs::exists(file));
    SetFontCacheFile(file.c_str());  // as a later run: read from the file
    EXPECT_EQ(metrics(), asked);
    // A file from other fonts, or naming a face that is gone, is not believed.
    std::string header, stamp, kept;
    {
        std::ifstream in(file);
        std::getline(in, header);
        std::getline(in, stamp);
        std::getline(in, kept, ' ');  // the request, the face's file and its index
    }
    // Nor is a field out of range: a face index of -1 crashed the font library,
    // a FIFO for the face's file hung the start, a huge width overflowed. In a
    // child, which an alarm ends if it hangs.
    const std::string fifo = (folder / "fifo.ttf").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string request = kept.substr(0, kept.find('\t') + 1);
    const std::string face = kept.substr(0, kept.rfind('\t') + 1);
    EXPECT_EXIT(
        {
            alarm(20);
            bool same = true;
            for (const std::string& bad :
                 {face + "-1 0 9 3", face + "0 0 9 2147483647", face + "0 0 0 3",
                  request + fifo + "\t0 0 9 3", request + "fonts/relative.ttf\t0 0 9 3"}) {
                std::ofstream(file, std::ios::trunc) << header << "\n"
                                                     << stamp << "\n"
                                                     << bad << "\n";
                SetFontCacheFile(file.c_str());
                same = same && metrics() == asked;
            }
            std::exit(same ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    for (const std::string& stale :
         {std::string("faces 2\nother\n"), header + "\n" + stamp + "\n"}) {
        std::ofstream(file, std::ios::trunc) << stale
                                             << "Tahoma\x1f"
                                                "700\x1f"
                                                "17\t/nowhere/gone.ttf\t0 0 9 3\n";
        SetFontCacheFile(file.c_str());
        EXPECT_EQ(metrics(), asked);
    }
    SetFontCacheFile(nullptr);
    fs::remove_all(folder);
}

// A PNG file of the given kind, written with libpng: a gradient with a pattern.
std::vector<std::uint8_t> PngOfKind(int colourType, int depth, bool interlaced, bool transparent) {
    const int w = 13, h = 7;
    std::vector<std::uint8_t> file;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &file,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(p));
            out->insert(out->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, w, h, depth, colourType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    std::vector<png_color> palette;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < (1 << depth); ++i) {
            palette.push_back(png_color{static_cast<png_byte>(i * 37),
                                        static_cast<png_byte>(255 - i * 11),
                                        static_cast<png_byte>(i * 5)});
        }
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    }
    if (transparent) {
        png_byte alphas[2] = {0, 128};
        png_color_16 key{};
        key.gray = 1;
        key.red = key.green = key.blue = 3;
        png_set_tRNS(png, info, alphas, colourType == PNG_COLOR_TYPE_PALETTE ? 2 : 0, &key);
    }
    png_write_info(png, info);
    const int channels = colourType == PNG_COLOR_TYPE_RGB          ? 3
                         : colourType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                         : colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                   : 1;
    const int bytesPerSample = depth == 16 ? 2 : 1;
    const int maximum = (1 << depth) - 1;
    std::vector<std::vector<png_byte>> rows(h);
    for (int y = 0; y < h; ++y) {
        std::vector<int> samples;
        for (int x = 0; x < w; ++x) {
            for (int c = 0; c < channels; ++c)
                samples.push_back((x * 7 + y * 13 + c * 29) * 2654435761u % (maximum + 1));
        }
        std::vector<png_byte>& row = rows[y];
        if (depth < 8) {
            row.assign((samples.size() * depth + 7) / 8, 0);
            for (std::size_t i = 0; i < samples.size(); ++i) {
                row[i * depth / 8] |= samples[i] << (8 - depth - (i * depth) % 8);
            }
        } else {
            for (int v : samples) {
                if (bytesPerSample == 2) row.push_back(static_cast<png_byte>(v >> 8));
                row.push_back(static_cast<png_byte>(v));
            }
        }
    }
    std::vector<png_bytep> pointers;
    for (auto& row : rows)
        pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return file;
}

TEST(DrawingFastPathsTest, PngOfEveryKindReadsAsSdlImageReadsIt) {
    struct Kind {
        int colourType, depth;
        bool interlaced, transparent;
    };
    const Kind kinds[] = {
        {PNG_COLOR_TYPE_RGB, 8, false, false},      {PNG_COLOR_TYPE_RGB, 16, true, true},
        {PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false}, {PNG_COLOR_TYPE_RGB_ALPHA, 16, false, false},
        {PNG_COLOR_TYPE_GRAY, 1, false, false},     {PNG_COLOR_TYPE_GRAY, 4, true, false},
        {PNG_COLOR_TYPE_GRAY, 16, false, false},    {PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false},
        {PNG_COLOR_TYPE_PALETTE, 2, false, true},   {PNG_COLOR_TYPE_PALETTE, 8, true, false},
    };
    for (const Kind& kind : kinds) {
        const std::vector<std::uint8_t> file =
            PngOfKind(kind.colourType, kind.depth, kind.interlaced, kind.transparent);
        BitmapHandle ours = CreateBitmapFromImageBytes(file.data(), file.size());
        SDL_RWops* rw = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
        SDL_Surface* theirs = IMG_LoadTyped_RW(rw, 1, "PNG");
        ASSERT_NE(ours, nullptr) << kind.colourType << "/" << kind.depth;
        ASSERT_NE(theirs, nullptr) << kind.colourType << "/" << kind.depth;
        SDL_Surface* converted = SDL_ConvertSurfaceFormat(theirs, SDL_PIXELFORMAT_RGB888, 0);
        SDL_FreeSurface(theirs);
        ASSERT_NE(converted, nullptr);
        const PixelRows a = BitmapPixels(ours);
        const auto* b = static_cast<const std::uint32_t*>(converted->pixels);
        ASSERT_EQ(a.width, converted->w);
        ASSERT_EQ(a.height, converted->h);
        for (int y = 0; y < a.height; ++y) {
            for (int x = 0; x < a.width; ++x) {
                ASSERT_EQ(a.pixels[y * a.pitch + x] & 0xFFFFFF,
                          b[y * converted->pitch / 4 + x] & 0xFFFFFF)
                    << "type " << kind.colourType << " depth " << kind.depth << " at " << x << ","
                    << y;
            }
        }
        DeleteBitmap(ours);
        SDL_FreeSurface(converted);
    }
}

}  // namespace
