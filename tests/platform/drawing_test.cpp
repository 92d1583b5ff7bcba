// The drawing service: its figures, copies, text and pictures, and its fast
// paths (inline tile rows, four pixels at a time, figures and text lines kept
// from one drawing to the next, faces kept between runs) against their plain
// definitions, pixel by pixel.
#include <SDL.h>
#include <SDL_image.h>
#include <sys/stat.h>

#include <climits>
#include <functional>

#include "platform/drawing/drawing.h"
#include "platform/internal/drawing_internal.h"
#include "platform/internal/drawing_sdl.h"
#include "tests/support/test_files.h"

namespace {

namespace fs = std::filesystem;

constexpr Colour WHITE = Rgb(255, 255, 255);
constexpr Colour RED = Rgb(255, 0, 0);
constexpr Colour BLUE = Rgb(0, 0, 255);

// Every pixel of a bitmap, row after row.
std::vector<Colour> PixelsOf(BitmapHandle bitmap) {
    std::vector<Colour> all;
    PixelRows p = BitmapPixels(bitmap);
    for (int i = 0; i < p.width * p.height; ++i) {
        all.push_back(ColourOf(p.pixels[i / p.width * p.pitch + i % p.width]));
    }
    return all;
}

// Pseudo-random colours, every `holes`-th one magenta when given.
std::vector<Colour> Noise(int w, int h, unsigned seed, int holes = 0) {
    std::vector<Colour> pixels(static_cast<std::size_t>(w) * h);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = holes && i % holes == 0
                        ? MAGENTA
                        : static_cast<Colour>((i + seed) * 2654435761u) & 0xFFFFFF;
    }
    return pixels;
}

// A memory surface with its own bitmap: black, of the given pixels, or of noise.
struct Canvas {
    SurfaceHandle surface = CreateMemorySurface(nullptr);
    BitmapHandle bitmap;
    BitmapHandle stock;
    Canvas(int w, int h, const Colour* pixels = nullptr)
        : bitmap(pixels ? CreateBitmapFromPixels(w, h, pixels) : CreateBitmap(nullptr, w, h)) {
        stock = SelectBitmap(surface, bitmap);
    }
    Canvas(int w, int h, unsigned seed, int holes = 0)
        : Canvas(w, h, Noise(w, h, seed, holes).data()) {}
    ~Canvas() {
        SelectBitmap(surface, stock);
        DeleteSurface(surface);
        DeleteBitmap(bitmap);
    }
    Colour at(int x, int y) const {
        PixelRows p = BitmapPixels(bitmap);
        return ColourOf(p.pixels[y * p.pitch + x]);
    }
    // The pixels as rows of characters: '.' for black, '#' for `ink`, '?' otherwise.
    std::vector<std::string> picture(Colour ink) const {
        std::int32_t w = 0, h = 0;
        GetBitmapSize(bitmap, w, h);
        std::vector<std::string> rows(h);
        for (std::size_t i = 0; Colour c : PixelsOf(bitmap)) {
            rows[i++ / w] += c == 0 ? '.' : c == ink ? '#' : '?';
        }
        return rows;
    }
};

using Picture = std::vector<std::string>;

// A canvas with a font selected, for white text on a transparent ground; the
// font goes with it.
struct Lettering : Canvas {
    FontHandle font;
    Lettering(int w, int h, const char16_t* face, std::int32_t height, std::int32_t weight)
        : Canvas(w, h), font(CreateFontByName(face, height, weight)) {
        SelectFont(surface, font);
        SetTextColour(surface, WHITE);
        SetBackgroundMode(surface, BackgroundMode::Transparent);
    }
    ~Lettering() {
        SelectFont(surface, nullptr);
        if (font) {
            EXPECT_TRUE(DeleteFont(font));
        }
    }
};

// Every pixel of a canvas against the one `want` gives for it.
void ExpectPixels(const Canvas& c, const std::function<Colour(int, int)>& want,
                  const std::string& what = "") {
    const PixelRows p = BitmapPixels(c.bitmap);
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x)
            ASSERT_EQ(c.at(x, y), want(x, y)) << what << " at " << x << "," << y;
    }
}

TEST(DrawingTest, FillRectClipsToBitmapAndRegionAndRejectsBadInput) {
    Canvas c(6, 4);
    BrushHandle red = CreateSolidBrush(RED);
    EXPECT_TRUE(FillRect(c.surface, {-3, -3, 2, 2}, red));
    EXPECT_TRUE(FillRect(c.surface, {5, 3, INT_MAX, INT_MAX}, red));
    for (Rect bad : {Rect{3, 1, 2, 2}, Rect{1, 1, 1, 3}, Rect{INT_MIN, INT_MIN, INT_MIN + 1, 0},
                     Rect{6, 0, 9, 4}}) {
        EXPECT_FALSE(FillRect(c.surface, bad, red));
    }
    EXPECT_FALSE(FillRect(c.surface, {0, 0, 6, 4}, GetStockBrush(StockBrush::Hollow)));
    EXPECT_FALSE(FillRect(c.surface, {0, 0, 6, 4}, nullptr));
    EXPECT_FALSE(FillRect(nullptr, {0, 0, 6, 4}, red));
    RegionHandle region = CreateRectRegion(4, 3, 1, 0);  // normalised to (1, 0, 4, 3)
    EXPECT_TRUE(SelectClipRegion(c.surface, region));
    DeleteRegion(region);  // the surface keeps its own copy
    FillRect(c.surface, {2, 1, 100, 100}, red);
    EXPECT_EQ(GetPixel(c.surface, 4, 1), INVALID_COLOUR);
    EXPECT_FALSE(SetPixel(c.surface, 0, 0, BLUE));
    EXPECT_TRUE(SelectClipRegion(c.surface, nullptr));
    EXPECT_EQ(c.picture(RED), (Picture{"##....", "####..", "..##..", ".....#"}));
    EXPECT_EQ(GetPixel(c.surface, 6, 0), INVALID_COLOUR);
    EXPECT_EQ(GetPixel(c.surface, -1, 0), INVALID_COLOUR);
    EXPECT_EQ(GetPixel(nullptr, 0, 0), INVALID_COLOUR);
    EXPECT_EQ(GetPixel(c.surface, 0, 0), RED);
    DeleteBrush(red);
}

TEST(DrawingTest, ViewSurfaceOffsetsAndClipsToBoundsThenRegion) {
    Canvas screen(8, 4);
    SurfaceHandle view = CreateViewSurface(screen.bitmap, {2, 1}, {1, 0, 6, 3});
    EXPECT_FALSE(DeleteBitmap(screen.bitmap));  // a view still draws into it
    EXPECT_EQ(SelectBitmap(view, screen.bitmap), nullptr);
    BrushHandle red = CreateSolidBrush(RED);
    FillRect(view, {-10, -10, 10, 10}, red);
    EXPECT_EQ(screen.picture(RED), (Picture{".#####..", ".#####..", ".#####..", "........"}));
    RegionHandle region = CreateRectRegion(0, 0, 2, 1);  // view coordinates
    SelectClipRegion(view, region);
    SetPixel(view, 1, 0, BLUE);
    EXPECT_EQ(GetPixel(screen.surface, 3, 1), BLUE);
    EXPECT_EQ(GetPixel(view, 1, 0), BLUE);
    EXPECT_EQ(GetPixel(view, 2, 0), INVALID_COLOUR);
    DeleteRegion(region);
    DeleteBrush(red);
    EXPECT_TRUE(DeleteSurface(view));
}

TEST(DrawingTest, SelectionAndDeletionRules) {
    Canvas a(2, 2);
    SurfaceHandle b = CreateMemorySurface(a.surface);
    EXPECT_EQ(SelectBitmap(b, a.bitmap), nullptr);  // already selected into a
    EXPECT_FALSE(DeleteBitmap(a.bitmap));
    EXPECT_FALSE(DeleteBitmap(a.stock));
    PenHandle pen = CreateSolidPen(3, RED);
    EXPECT_EQ(SelectPen(b, pen), GetStockPen(StockPen::Black));
    EXPECT_FALSE(DeletePen(pen));
    EXPECT_FALSE(DeletePen(GetStockPen(StockPen::White)));
    EXPECT_FALSE(DeleteBrush(GetStockBrush(StockBrush::LightGrey)));
    EXPECT_EQ(SelectBrush(b, nullptr), nullptr);
    EXPECT_EQ(SelectBrush(b, GetStockBrush(StockBrush::Hollow)), GetStockBrush(StockBrush::White));
    EXPECT_EQ(SetTextColour(b, RED), Rgb(0, 0, 0));
    EXPECT_EQ(SetBackgroundMode(b, BackgroundMode::Transparent), BackgroundMode::Opaque);
    EXPECT_EQ(GetPixel(b, 0, 0), Rgb(0, 0, 0));  // the 1 x 1 black bitmap
    EXPECT_EQ(GetPixel(b, 1, 0), INVALID_COLOUR);
    DeleteSurface(b);
    EXPECT_TRUE(DeletePen(pen));  // deleting the surface let go of it
    BitmapHandle picture = CreateBitmap(nullptr, 3, 3);
    {
        ScopedSurface scoped(a.surface, picture);
        EXPECT_EQ(GetPixel(scoped.get(), 2, 2), Rgb(0, 0, 0));
        EXPECT_FALSE(DeleteBitmap(picture));
    }
    EXPECT_TRUE(DeleteBitmap(picture));
    EXPECT_EQ(CreateBitmap(nullptr, 0, 5), nullptr);
    EXPECT_EQ(CreateBitmap(nullptr, INT_MAX, INT_MAX), nullptr);
    EXPECT_FALSE(DeleteSurface(nullptr));
}

TEST(DrawingTest, BlockCopyClipsAtBothEndsAndHandlesOverlap) {
    const Colour px[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    Canvas source(3, 3, px), c(4, 4);
    SurfaceHandle from = source.surface;
    EXPECT_TRUE(BlockCopy(c.surface, -1, 2, 5, 5, from, 0, 0));  // cut on the left and below
    EXPECT_EQ(GetPixel(c.surface, 0, 2), 2u);
    EXPECT_EQ(GetPixel(c.surface, 1, 3), 6u);
    EXPECT_EQ(GetPixel(c.surface, 2, 2), 0u);  // beyond the source: untouched
    EXPECT_FALSE(BlockCopy(c.surface, 0, 0, 2, 2, from, 3, 0));
    EXPECT_FALSE(BlockCopy(c.surface, 0, 0, -2, 2, from, 0, 0));
    EXPECT_FALSE(BlockCopy(c.surface, INT_MAX, INT_MAX, INT_MAX, INT_MAX, from, 0, 0));
    EXPECT_FALSE(BlockCopy(nullptr, 0, 0, 2, 2, from, 0, 0));
    BlockCopy(from, 0, 1, 3, 2, from, 0, 0);  // overlapping, downward
    EXPECT_EQ(GetPixel(from, 2, 2), 6u);
    EXPECT_EQ(GetPixel(from, 0, 1), 1u);
}

TEST(DrawingTest, StretchAndTransparentCopiesSampleNearestPixelCentres) {
    const Colour px[] = {1, 2, 3, MAGENTA};
    Canvas source(4, 1, px), c(8, 2);
    SurfaceHandle from = source.surface;
    EXPECT_TRUE(StretchCopy(c.surface, 0, 0, 8, 1, from, 0, 0, 4, 1));  // doubled
    EXPECT_TRUE(StretchCopy(c.surface, 0, 1, 2, 1, from, 0, 0, 4, 1));  // halved: 2nd and 4th
    EXPECT_EQ(PixelsOf(c.bitmap), (std::vector<Colour>{1, 1, 2, 2, 3, 3, MAGENTA, MAGENTA,  //
                                                       2, MAGENTA, 0, 0, 0, 0, 0, 0}));
    FillRect(c.surface, {0, 0, 8, 2}, GetStockBrush(StockBrush::White));
    EXPECT_TRUE(TransparentCopy(c.surface, -2, 0, 8, 2, from, 0, 0, 4, 1, MAGENTA));
    const Colour W = WHITE;  // the rows repeat source row 0; magenta is left out
    EXPECT_EQ(PixelsOf(c.bitmap), (std::vector<Colour>{2, 2, 3, 3, W, W, W, W,  //
                                                       2, 2, 3, 3, W, W, W, W}));
    EXPECT_FALSE(StretchCopy(c.surface, 0, 0, 8, 1, from, 0, 0, 0, 1));
    EXPECT_FALSE(StretchCopy(c.surface, 0, 0, INT_MAX, INT_MAX, from, INT_MAX, 0, INT_MAX, 1));
}

TEST(DrawingTest, RectanglesOutlineInwardAndFill) {
    Canvas c(7, 7);
    SelectPen(c.surface, GetStockPen(StockPen::White));
    SelectBrush(c.surface, GetStockBrush(StockBrush::Hollow));
    EXPECT_TRUE(DrawRectangle(c.surface, 5, 4, 1, 0));  // corners given in any order
    PenHandle thick = CreateSolidPen(2, RED);
    SelectPen(c.surface, thick);
    SelectBrush(c.surface, GetStockBrush(StockBrush::White));
    EXPECT_TRUE(DrawRectangle(c.surface, -3, 6, 100, 100));
    SelectPen(c.surface, GetStockPen(StockPen::Null));
    SelectBrush(c.surface, GetStockBrush(StockBrush::Hollow));
    EXPECT_FALSE(DrawRectangle(c.surface, 0, 0, 5, 5));
    SelectBrush(c.surface, GetStockBrush(StockBrush::White));
    EXPECT_TRUE(DrawRectangle(c.surface, 5, 3, 7, 6));  // no pen: the fill is a pixel smaller
    EXPECT_EQ(c.picture(WHITE), (Picture{".####..", ".#..#..", ".#..#..", ".#####.", ".....#.",
                                         ".......", "???????"}));
    EXPECT_FALSE(DrawRectangle(nullptr, 0, 0, 5, 5));
    SelectPen(c.surface, GetStockPen(StockPen::Black));
    EXPECT_TRUE(DeletePen(thick));
}

TEST(DrawingTest, RoundRectLeavesCornersAndFillsInside) {
    Canvas c(12, 12);
    PenHandle pen = CreateSolidPen(0, RED);
    BrushHandle brush = CreateSolidBrush(BLUE);
    SelectPen(c.surface, pen);
    SelectBrush(c.surface, brush);
    EXPECT_TRUE(DrawRoundRect(c.surface, 1, 1, 11, 11, 6, 6));
    const Picture expected = {"............", "...######...", "..#??????#..", ".#????????#.",
                              ".#????????#.", ".#????????#.", ".#????????#.", ".#????????#.",
                              ".#????????#.", "..#??????#..", "...######...", "............"};
    EXPECT_EQ(c.picture(RED), expected);
    EXPECT_EQ(GetPixel(c.surface, 5, 5), BLUE);
    SelectPen(c.surface, GetStockPen(StockPen::Black));
    SelectBrush(c.surface, GetStockBrush(StockBrush::White));
    EXPECT_TRUE(DrawRoundRect(c.surface, INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX, INT_MAX));
    EXPECT_EQ(c.picture(WHITE), Picture(12, "############"));  // all inside the figure
    EXPECT_TRUE(DeletePen(pen));
    EXPECT_TRUE(DeleteBrush(brush));
}

TEST(DrawingTest, FocusRectInvertsEveryOtherOutlinePixelAndTwiceRestores) {
    Canvas c(6, 5);
    EXPECT_TRUE(DrawFocusRect(c.surface, {0, 0, 5, 4}));
    EXPECT_EQ(c.picture(WHITE), (Picture{"#.#.#.", "......", "#...#.", ".#.#..", "......"}));
    DrawFocusRect(c.surface, {0, 0, 5, 4});
    EXPECT_EQ(c.picture(WHITE), Picture(5, "......"));
    EXPECT_TRUE(DrawFocusRect(c.surface, {2, INT_MIN, 3, INT_MAX}));  // a column, cut
    EXPECT_EQ(c.picture(WHITE)[0][2], '#');
    EXPECT_EQ(c.picture(WHITE)[1][2], '.');
    EXPECT_FALSE(DrawFocusRect(c.surface, {3, 3, 3, 9}));
}

class TextTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!canvas.font) GTEST_SKIP() << "no font installed";
    }
    // The box around the lit pixels.
    Rect inked() const {
        Rect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (int i = 0; Colour c : PixelsOf(canvas.bitmap)) {
            const int x = i % 80, y = i++ / 80;
            if (c == 0) continue;
            box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                   std::max(box.bottom, y + 1)};
        }
        return box;
    }
    Lettering canvas{80, 40, u"Tahoma", 14, FONT_WEIGHT_BOLD};
};

TEST_F(TextTest, MetricsFollowTheCellHeight) {
    TextMetrics m;
    EXPECT_TRUE(GetTextMetrics(canvas.surface, m));
    EXPECT_NEAR(m.height, 14, 1);
    EXPECT_GT(m.averageCharWidth, 3);
    std::int32_t w = 0, h = 0;
    EXPECT_TRUE(MeasureText(canvas.surface, u"Score 12", -1, w, h));
    std::int32_t shorter = 0;
    EXPECT_TRUE(MeasureText(canvas.surface, u"Score 12", 5, shorter, h));
    EXPECT_GT(w, shorter);
    EXPECT_EQ(h, m.height);
}

TEST_F(TextTest, CentredTextSitsInTheMiddleAndIsCut) {
    const Rect rect{10, 5, 70, 35};
    EXPECT_EQ(DrawText(canvas.surface, u"Hxy", -1, rect, DT_CENTER | DT_VCENTER),
              canvas.font->height);
    const Rect box = inked();  // centred within a pixel; inside the centred line box
    EXPECT_LE(std::abs((box.left - rect.left) - (rect.right - box.right)), 2);
    const int lineTop = rect.top + (30 - canvas.font->height) / 2;
    EXPECT_GE(box.top, lineTop);
    EXPECT_LE(box.bottom, lineTop + canvas.font->height + 1);  // a descender may reach below
    SDL_FillRect(SdlSurfaceOf(canvas.bitmap), nullptr, 0);
    SetBackgroundMode(canvas.surface, BackgroundMode::Opaque);
    DrawText(canvas.surface, u"A long line of text", -1, {20, 10, 30, 14}, DT_RIGHT);
    EXPECT_EQ(inked(), (Rect{20, 10, 30, 14}));
    EXPECT_EQ(GetPixel(canvas.surface, 20, 10), WHITE);
}

TEST_F(TextTest, WordBreakStacksLinesAndNullFontDrawsNothing) {
    const std::int32_t line = canvas.font->height;
    EXPECT_EQ(DrawText(canvas.surface, u"one two three", -1, {0, 0, 40, 40}, DT_WORDBREAK),
              3 * line);
    EXPECT_EQ(DrawText(canvas.surface, u"a\nb", -1, {0, 0, 40, 40}, DT_WORDBREAK), 2 * line);
    SDL_FillRect(SdlSurfaceOf(canvas.bitmap), nullptr, 0);
    SelectFont(canvas.surface, nullptr);
    EXPECT_EQ(DrawText(canvas.surface, u"hidden", -1, {0, 0, 80, 40}, 0), 0);
    EXPECT_EQ(inked().right, INT_MIN);
    TextMetrics m;
    EXPECT_FALSE(GetTextMetrics(canvas.surface, m));
    EXPECT_EQ(m.height, 0);
}

// A bitmap's pixels as a PNG file.
std::vector<unsigned char> PngOf(BitmapHandle bitmap) {
    std::vector<unsigned char> png(1 << 22);
    SDL_RWops* out = SDL_RWFromMem(png.data(), static_cast<int>(png.size()));
    EXPECT_EQ(IMG_SavePNG_RW(SdlSurfaceOf(bitmap), out, 0), 0);
    png.resize(static_cast<std::size_t>(SDL_RWtell(out)));
    SDL_RWclose(out);
    return png;
}

// A font folder with the files the web edition carries draws every request as
// the installed fonts do, by family and weight; a bold request without a bold
// face is emboldened; a folder of no fonts gives no font.
TEST(DrawingTest, FontFolderFacesDrawAsTheInstalledOnes) {
    const fs::path dejavu = "/usr/share/fonts/truetype/dejavu";
    const char* files[] = {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSerif.ttf"};
    for (const char* file : files) {
        if (!fs::exists(dejavu / file)) GTEST_SKIP() << "fonts-dejavu-core is not installed";
    }
    const fs::path folder = FreshTestFolder();
    fs::create_directories(folder / "regular only");
    for (const char* file : files)
        fs::create_symlink(dejavu / file, folder / file);
    if (fs::exists(dejavu / "DejaVuSans-Oblique.ttf")) {  // fonts-dejavu-extra; sorts first
        fs::create_symlink(dejavu / "DejaVuSans-Oblique.ttf", folder / "DejaVuSans-Oblique.ttf");
    }
    fs::create_symlink(dejavu / files[0], folder / "regular only" / files[0]);
    std::ofstream(folder / "README") << "not a font\n";

    auto drawn = [](const char16_t* face, std::int32_t height, std::int32_t weight) {
        Lettering canvas{200, 24, face, height, weight};
        DrawText(canvas.surface, u"AVATAR Turn left, Level 12", -1, {0, 0, 200, 24}, 0);
        return canvas.font ? PixelsOf(canvas.bitmap) : std::vector<Colour>{};
    };
    struct Request {
        const char16_t* face;
        std::int32_t height, weight;
    };
    const Request requests[] = {{u"Tahoma", 14, FONT_WEIGHT_NORMAL},
                                {u"Tahoma", 14, FONT_WEIGHT_BOLD},
                                {u"MS Sans Serif", 11, 0},
                                {u"Tahoma", -12, 500},
                                {u"Tahoma", 13, 600},
                                {u"DejaVu Serif", 13, 0}};
    std::vector<std::vector<Colour>> installed;
    for (const Request& r : requests)
        installed.push_back(drawn(r.face, r.height, r.weight));
    SetFontFolder(folder.c_str());
    for (std::size_t i = 0; i < std::size(requests); ++i) {
        EXPECT_EQ(drawn(requests[i].face, requests[i].height, requests[i].weight), installed[i])
            << "request " << i;
    }
    auto ink = [](const std::vector<Colour>& pixels) {
        std::int64_t sum = 0;
        for (Colour c : pixels)
            sum += c & 0xFF;
        return sum;
    };
    SetFontFolder((folder / "regular only").c_str());
    const std::vector<Colour> emboldened = drawn(u"Tahoma", 14, FONT_WEIGHT_BOLD);
    EXPECT_GT(ink(emboldened), ink(installed[0]) * 5 / 4);
    EXPECT_NE(emboldened, installed[1]);
    fs::remove(folder / "regular only" / files[0]);
    SetFontFolder((folder / "regular only").c_str());
    EXPECT_EQ(CreateFontByName(u"Tahoma", 14, 0), nullptr);
    SetFontFolder(nullptr);
    fs::remove_all(folder);
}

// Bytes that are no whole PNG file give no picture (the kinds that read are
// checked against SDL_image below).
TEST(DrawingTest, ImageBytesCutShortOrOfNoPictureGiveNone) {
    std::string png = FileText(fs::path(PNG_KINDS_FOLDER) / "rgb-8.png");
    png.resize(png.size() / 2);
    EXPECT_EQ(CreateBitmapFromImageBytes(png.data(), png.size()), nullptr);
    const char garbage[] = "BM\x10\0\0\0garbage that is no picture";
    EXPECT_EQ(CreateBitmapFromImageBytes(garbage, sizeof garbage), nullptr);
    EXPECT_EQ(CreateBitmapFromImageBytes(nullptr, 10), nullptr);
}

// Pictures far beyond the screen are missing: one over 16 screens of pixels, or
// one that would take the pictures held past 64 MiB, until another is deleted.
TEST(DrawingTest, PicturesStayWithinTheScreensBudget) {
    auto png = [](int w, int h) {
        BitmapHandle picture = CreateBitmap(nullptr, w, h);
        std::vector<unsigned char> file = PngOf(picture);
        DeleteBitmap(picture);
        return file;
    };
    SetPictureScreenSize(100, 100);
    const std::vector<unsigned char> fits = png(400, 400), over = png(401, 400);
    BitmapHandle decoded = CreateBitmapFromImageBytes(fits.data(), fits.size());
    EXPECT_NE(decoded, nullptr);
    DeleteBitmap(decoded);
    EXPECT_EQ(CreateBitmapFromImageBytes(over.data(), over.size()), nullptr);

    SetPictureScreenSize(4096, 4096);
    const std::vector<unsigned char> quarter = png(2048, 2048);  // 16 MiB decoded
    std::vector<BitmapHandle> held;
    for (int i = 0; i < 4; ++i) {
        held.push_back(CreateBitmapFromImageBytes(quarter.data(), quarter.size()));
        EXPECT_NE(held.back(), nullptr) << i;
    }
    EXPECT_EQ(CreateBitmapFromImageBytes(quarter.data(), quarter.size()), nullptr);
    DeleteBitmap(held.back());
    held.back() = CreateBitmapFromImageBytes(quarter.data(), quarter.size());
    EXPECT_NE(held.back(), nullptr);
    for (BitmapHandle bitmap : held)
        DeleteBitmap(bitmap);
    SetPictureScreenSize(240, 320);
}

TEST(DrawingFastPathsTest, BlockCopiesOfEveryNarrowWidthCopyExactlyTheBlock) {
    for (int width = 1; width <= 40; ++width) {
        Canvas target(64, 20, 1u), source(64, 20, 2u), before(64, 20, 1u);
        ASSERT_TRUE(BlockCopy(target.surface, 3, 2, width, 14, source.surface, 5, 4));
        ExpectPixels(
            target,
            [&](int x, int y) {
                const bool inside = x >= 3 && x < 3 + width && y >= 2 && y < 16;
                return inside ? source.at(x + 2, y + 2) : before.at(x, y);
            },
            "width " + std::to_string(width));
    }
}

// Wide rows the target holds already are left alone: a row that differs only in
// its last pixel must still be copied.
TEST(DrawingFastPathsTest, WideBlockCopiesOverPartlyEqualRowsCopyExactlyTheBlock) {
    Canvas target(200, 6, 1u), source(200, 6, 2u);
    ASSERT_TRUE(BlockCopy(target.surface, 0, 0, 200, 6, source.surface, 0, 0));
    SetPixel(source.surface, 199, 1, source.at(199, 1) ^ 0x10);  // row 1: its last pixel
    SetPixel(source.surface, 0, 3, source.at(0, 3) ^ 0x10);      // row 3: its first pixel
    ASSERT_TRUE(BlockCopy(target.surface, 0, 0, 200, 6, source.surface, 0, 0));
    ExpectPixels(target, [&](int x, int y) { return source.at(x, y); });
}

TEST(DrawingFastPathsTest, TransparentCopiesLeaveOutTheKeyAtEveryWidth) {
    for (int width = 1; width <= 19; ++width) {
        Canvas target(24, 6, 3u), source(24, 6, 4u, 3), before(24, 6, 3u);
        ASSERT_TRUE(TransparentCopy(target.surface, 1, 1, width, 4, source.surface, 2, 1, width, 4,
                                    MAGENTA));
        ExpectPixels(
            target,
            [&](int x, int y) {
                const bool inside = x >= 1 && x < 1 + width && y >= 1 && y < 5;
                const Colour from = inside ? source.at(x + 1, y) : MAGENTA;
                return from == MAGENTA ? before.at(x, y) : from;
            },
            "width " + std::to_string(width));
    }
}

// The pixels of a rounded rectangle drawn on light grey.
std::vector<Colour> RoundRectPixels(int w, int h, int ew, int eh) {
    Canvas canvas(24, 24);
    FillRect(canvas.surface, Rect{0, 0, 24, 24}, GetStockBrush(StockBrush::LightGrey));
    PenHandle pen = CreateSolidPen(1, RED);
    BrushHandle brush = CreateSolidBrush(BLUE);
    PenHandle oldPen = SelectPen(canvas.surface, pen);
    BrushHandle oldBrush = SelectBrush(canvas.surface, brush);
    DrawRoundRect(canvas.surface, 2, 3, 2 + w, 3 + h, ew, eh);
    SelectPen(canvas.surface, oldPen);
    SelectBrush(canvas.surface, oldBrush);
    DeletePen(pen);
    DeleteBrush(brush);
    return PixelsOf(canvas.bitmap);
}

TEST(DrawingFastPathsTest, FiguresKeptFromOneDrawingToTheNextAreTheSame) {
    // Drawn first, then again after more shapes than are kept: the same pixels.
    std::vector<std::vector<Colour>> first;
    for (int i = 0; i < 12; ++i)
        first.push_back(RoundRectPixels(12, 12 - i % 5, 6 + i % 3, 6));
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(RoundRectPixels(12, 12 - i % 5, 6 + i % 3, 6), first[i]) << i;
}

TEST(DrawingFastPathsTest, ATextLineDrawnAgainIsTheSameAndFollowsTheColour) {
    Lettering canvas(120, 30, u"Tahoma", 14, 0);
    ASSERT_NE(canvas.font, nullptr);
    SetBackgroundMode(canvas.surface, BackgroundMode::Opaque);
    auto draw = [&](Colour colour) {
        SetTextColour(canvas.surface, colour);
        DrawText(canvas.surface, u"Level 12", -1, Rect{0, 0, 120, 30}, DT_CENTER);
        return PixelsOf(canvas.bitmap);
    };
    const std::vector<Colour> black = draw(Rgb(0, 0, 0));
    const std::vector<Colour> blue = draw(Rgb(0, 0, 255));
    EXPECT_NE(black, blue);
    EXPECT_EQ(draw(Rgb(0, 0, 0)), black);
    EXPECT_EQ(draw(Rgb(0, 0, 255)), blue);
}

TEST(DrawingFastPathsTest, FacesKeptBetweenRunsGiveTheSameFontAndStaleOnesAreAskedAgain) {
    const fs::path folder = FreshTestFolder();
    const std::string file = (folder / "fonts").string();
    auto metrics = [] {
        Lettering canvas(1, 1, u"Tahoma", 17, FONT_WEIGHT_BOLD);
        TextMetrics m;
        GetTextMetrics(canvas.surface, m);
        std::int32_t width = 0, height = 0;
        MeasureText(canvas.surface, u"Quarvel", -1, width, height);
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

// PNG files of every colour type and of several depths, interlaced or not, with
// transparency or not, as libpng writes them.
TEST(DrawingFastPathsTest, PngOfEveryKindReadsAsSdlImageReadsIt) {
    int kinds = 0;
    for (const auto& entry : fs::directory_iterator(PNG_KINDS_FOLDER)) {
        const std::string file = FileText(entry.path()), kind = entry.path().filename();
        ++kinds;
        BitmapHandle ours = CreateBitmapFromImageBytes(file.data(), file.size());
        SDL_Surface* theirs = IMG_LoadTyped_RW(
            SDL_RWFromConstMem(file.data(), static_cast<int>(file.size())), 1, "PNG");
        ASSERT_NE(ours, nullptr) << kind;
        ASSERT_NE(theirs, nullptr) << kind;
        SDL_Surface* converted = SDL_ConvertSurfaceFormat(theirs, SDL_PIXELFORMAT_RGB888, 0);
        SDL_FreeSurface(theirs);
        ASSERT_NE(converted, nullptr);
        const auto* b = static_cast<const std::uint32_t*>(converted->pixels);
        ASSERT_EQ(BitmapPixels(ours).width, converted->w) << kind;
        std::vector<Colour> expected;
        for (int i = 0; i < converted->w * converted->h; ++i)
            expected.push_back(
                ColourOf(b[i / converted->w * converted->pitch / 4 + i % converted->w]));
        EXPECT_EQ(PixelsOf(ours), expected) << kind;
        DeleteBitmap(ours);
        SDL_FreeSurface(converted);
    }
    EXPECT_EQ(kinds, 10);
}

}  // namespace
