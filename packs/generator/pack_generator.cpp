// Writes the pictures and sounds of one resource pack.
//
//   quarvel-pack-gen LAYOUT OUTPUT_DIR [--mockup DIR [--zoom N]]
//
// LAYOUT is the pack's layout text (TEXT/101); the game area, tile size and the
// places of the board, panel and title-screen rows and labels come from it.
// OUTPUT_DIR receives BITMAP/104, 106, 109 to 120 (PNG) and the six WAVE files.
// With --mockup, DIR also receives pictures of the game screen (playing, paused,
// game over) and of the title screen composed the way the game draws them, and
// enlarged copies of every picture, for looking at. Labels for the mock-ups are
// read from OUTPUT_DIR/STRING when they are there.
//
// The output depends only on the layout (and the installed fonts): no clock, and
// fixed seeds for everything scattered.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "packs/generator/pictures.h"
#include "packs/generator/sounds.h"
#include "platform/drawing/drawing.h"
#include "platform/text/text.h"

namespace fs = std::filesystem;
using namespace packgen;

namespace {

bool WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

bool Save(const Image& image, const fs::path& path) {
    if (SavePng(image, path.string())) return true;
    std::fprintf(stderr, "quarvel-pack-gen: cannot write %s\n", path.string().c_str());
    return false;
}

// ---- Mock-ups: the screens composed as the game composes them ----

constexpr unsigned char EMPTY = 255;

struct MockGame {
    unsigned char board[20][10];
    int frameCount = 40;  // puts one glint diagonal across the stack
};

MockGame SampleGame() {
    MockGame game;
    for (auto& row : game.board) {
        for (auto& cell : row)
            cell = EMPTY;
    }
    Random random(2024);
    for (int r = 13; r < 19; ++r) {
        for (int c = 0; c < 10; ++c) {
            if (random.below(10) < (r - 11)) game.board[r][c] = std::uint8_t(random.below(7));
        }
    }
    for (int c = 0; c < 10; ++c)
        game.board[19][c] = c == 6 ? EMPTY : JUNK_TILE;
    game.board[12][8] = 8;
    game.board[12][9] = 8;
    return game;
}

void CopyTile(Image& to, const Image& sheet, int ts, int tile, int variant, int x, int y) {
    for (int j = 0; j < ts; ++j) {
        for (int i = 0; i < ts; ++i) {
            if (to.contains(x + i, y + j)) {
                to.pixels[std::size_t(y + j) * to.width + x + i] =
                    sheet.at(tile * ts + i, variant * ts + j);
            }
        }
    }
}

void ScaledTile(Image& to, const Image& sheet, int ts, int tile, int x, int y, int percent) {
    const int s = ts * percent / 100;
    const int o = (ts - s) >> 1;
    for (int j = 0; j < s; ++j) {
        for (int i = 0; i < s; ++i) {
            to.set(x + o + i, y + o + j, ToRgb(sheet.at(tile * ts + i * ts / s, j * ts / s)));
        }
    }
}

// The pause cover and the landing shadow: a rounded tile tinted by what lies
// under it.
void TranslucentTile(Image& to, int ts, int x, int y) {
    const int t = ts / 3;
    Rgbi sum;
    for (const auto& [px, py] : {std::pair{x + t, y + t},
                                 {x + 2 * t, y + t},
                                 {x + t, y + 2 * t},
                                 {x + 2 * t, y + 2 * t}}) {
        const Rgbi c = ToRgb(to.at(px, py));
        sum.r += c.r, sum.g += c.g, sum.b += c.b;
    }
    const Rgbi fill{sum.r / 4 - 32, sum.g / 4 - 32, sum.b / 4 - 32};
    const Rgbi edge{sum.r / 4 + 50, sum.g / 4 + 50, sum.b / 4 + 50};
    const Rect r{x + 1, y + 1, x + ts - 1, y + ts - 1};
    BlendRoundRect(
        to, r, ts / 4, [fill](int, int) { return fill; }, 1.0);
    StrokeRoundRect(to, r, ts / 4, edge, 1.0);
}

void Text(Image& to, const std::u16string& text, const Rect& rect, std::uint32_t flags, Rgbi colour,
          bool bold = false) {
    const Mask mask =
        TextMask(to.width, to.height, text, Font{u"Tahoma", 14, bold ? 700 : 400}, rect, flags);
    PaintMask(to, mask, [colour](int, int) { return colour; });
}

std::u16string Label(const fs::path& out, int id, const char16_t* fallback) {
    std::ifstream in(out / "STRING" / (std::to_string(id) + ".txt"), std::ios::binary);
    if (!in) return fallback;
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return Utf8ToUtf16(text);
}

std::u16string Format(const std::u16string& format, std::int32_t value) {
    char16_t buffer[100];
    FormatText(buffer, 100, format.c_str(), {value});
    return buffer;
}

enum class Scene { Playing, Paused, GameOver };

Image GameScreen(const PackLayout& l, const Image& background, const Image& sheet,
                 const Image& banner, Scene scene, const fs::path& out) {
    const int ts = l.tile;
    Image screen = background;
    const MockGame game = SampleGame();
    for (int r = 0; r < 20; ++r) {
        for (int c = 0; c < 10; ++c) {
            const int tile = game.board[r][c];
            if (tile == EMPTY) continue;
            const int x = l.boardLeft + c * ts;
            const int y = l.boardTop + r * ts;
            if (scene == Scene::Paused) {
                TranslucentTile(screen, ts, x, y);
            } else {
                const bool glint = unsigned(c + 2 * r) == unsigned(game.frameCount) % 500 ||
                                   unsigned(2 * r + 4 * c) == unsigned(game.frameCount + 175) % 350;
                CopyTile(screen, sheet, ts, tile, glint ? 1 : 0, x, y);
            }
        }
    }
    if (scene == Scene::Playing) {
        // A T piece falling in column 3, its shadow resting on the stack.
        const int cells[4][2] = {{0, 1}, {1, 0}, {1, 1}, {1, 2}};
        for (const auto& cell : cells) {
            TranslucentTile(screen, ts, l.boardLeft + (3 + cell[1]) * ts,
                            l.boardTop + (10 + cell[0]) * ts);
        }
        for (const auto& cell : cells) {
            CopyTile(screen, sheet, ts, 6, 0, l.boardLeft + (3 + cell[1]) * ts,
                     l.boardTop + (3 + cell[0]) * ts);
        }
    }
    const Rgbi white{255, 255, 255};
    Text(screen, Label(out, 40067, u"Next"), l.nextLabel, DT_CENTER, white);
    if (scene != Scene::Paused) {
        const int p = ts / 2;
        for (const auto& [i, j] : {std::pair{1, 1}, {1, 2}, {2, 0}, {2, 1}}) {
            ScaledTile(screen, sheet, ts, 3, l.nextNextX + j * p, l.nextNextY + i * p, 50);
        }
        for (int j = 0; j < 4; ++j)
            CopyTile(screen, sheet, ts, 4, 0, l.nextX + j * ts, l.nextY + ts);
    }
    Text(screen, Label(out, 40068, u"Score"), l.scoreLabel, DT_CENTER | DT_VCENTER, white);
    Text(screen, u"123456", l.score, DT_CENTER | DT_VCENTER, {255, 255, 0}, true);
    Text(screen, Format(Label(out, 40069, u"Level %d"), 12), l.level, DT_CENTER | DT_VCENTER,
         white);
    Text(screen, Format(Label(out, 40070, u"Lines %d"), 117), l.lines, DT_CENTER | DT_VCENTER,
         white);
    if (scene != Scene::Playing) {
        const int bx = (l.width - BANNER_WIDTH) / 2;
        const int by = (l.height - BANNER_HEIGHT) / 4;
        for (int y = 0; y < BANNER_HEIGHT; ++y) {
            for (int x = 0; x < BANNER_WIDTH; ++x) {
                // A plain copy from the sprite surface, where magenta left black.
                const Colour c = banner.at(x, y);
                screen.set(bx + x, by + y, ToRgb(c == MAGENTA ? 0 : c));
            }
        }
    }
    return screen;
}

Image TitleScreen(const PackLayout& l, const Image& title) {
    Image screen = title;
    StrokeRoundRect(screen, l.medium, 2, {255, 255, 255}, 1.0);
    const char16_t* names[] = {u"Soraby", u"Idra", u"Pontrel", u"Melusk", u"Darvo"};
    for (int i = 0; i < l.rowCount && i < 5; ++i) {
        const int top = l.rowsTop + i * l.rowHeight;
        const bool highlighted = i == 1;
        const Rgbi ink = highlighted ? Rgbi{255, 255, 128} : Rgbi{255, 255, 255};
        Text(screen, names[i], {l.nameLeft, top, l.nameRight, top + l.rowHeight}, DT_VCENTER, ink,
             highlighted);
        Text(screen, Format(u"%d", (5 - i) * 10000),
             {l.scoreLeft, top, l.scoreRight, top + l.rowHeight}, DT_VCENTER, ink, highlighted);
    }
    return screen;
}

Image Zoom(const Image& image, int zoom) {
    Image big(image.width * zoom, image.height * zoom);
    for (int y = 0; y < big.height; ++y) {
        for (int x = 0; x < big.width; ++x) {
            big.pixels[std::size_t(y) * big.width + x] = image.at(x / zoom, y / zoom);
        }
    }
    return big;
}

int Usage() {
    std::fprintf(stderr, "usage: quarvel-pack-gen LAYOUT OUTPUT_DIR [--mockup DIR [--zoom N]]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string layoutPath = argv[1];
    const fs::path out = argv[2];
    fs::path mockups;
    int zoom = 3;
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--mockup" && i + 1 < argc) {
            mockups = argv[++i];
        } else if (arg == "--zoom" && i + 1 < argc) {
            zoom = std::atoi(argv[++i]);
            if (zoom < 1 || zoom > 8) return Usage();
        } else {
            return Usage();
        }
    }
    PackLayout layout;
    if (!ReadPackLayout(layoutPath, layout)) {
        std::fprintf(stderr, "quarvel-pack-gen: %s gives no game area or tile size\n",
                     layoutPath.c_str());
        return 1;
    }
    std::error_code error;
    fs::create_directories(out / "BITMAP", error);
    fs::create_directories(out / "WAVE", error);

    const Image pause = PauseBanner();
    const Image gameOver = GameOverBanner();
    const Image sheet = TileSheet(layout, pause);
    const Image title = TitlePicture(layout);
    std::vector<Image> backgrounds;
    for (int i = 0; i < LEVEL_BACKGROUNDS; ++i)
        backgrounds.push_back(LevelBackground(layout, i));

    bool ok = Save(sheet, out / "BITMAP" / "104.png") && Save(title, out / "BITMAP" / "106.png") &&
              Save(gameOver, out / "BITMAP" / "119.png") && Save(pause, out / "BITMAP" / "120.png");
    for (int i = 0; i < LEVEL_BACKGROUNDS; ++i) {
        ok = ok && Save(backgrounds[i], out / "BITMAP" / (std::to_string(109 + i) + ".png"));
    }
    for (const Sound& sound : GameSounds()) {
        const fs::path path = out / "WAVE" / (std::string(sound.name) + ".wav");
        if (!WriteBytes(path, WaveFile(sound.samples))) {
            std::fprintf(stderr, "quarvel-pack-gen: cannot write %s\n", path.string().c_str());
            ok = false;
        }
    }
    if (ok && !mockups.empty()) {
        fs::create_directories(mockups, error);
        const Image& level = backgrounds[2];  // level 12 shows picture 111
        ok = Save(Zoom(GameScreen(layout, level, sheet, pause, Scene::Playing, out), zoom),
                  mockups / "game.png") &&
             Save(Zoom(GameScreen(layout, level, sheet, pause, Scene::Paused, out), zoom),
                  mockups / "paused.png") &&
             Save(Zoom(GameScreen(layout, level, sheet, gameOver, Scene::GameOver, out), zoom),
                  mockups / "game_over.png") &&
             Save(Zoom(TitleScreen(layout, title), zoom), mockups / "title.png") &&
             Save(Zoom(sheet, zoom + 2), mockups / "tiles.png");
        for (int i = 0; ok && i < LEVEL_BACKGROUNDS; ++i) {
            ok = Save(Zoom(backgrounds[i], zoom),
                      mockups / ("bg" + std::to_string(109 + i) + ".png"));
        }
        ok = ok && Save(Zoom(pause, zoom), mockups / "banner_paused.png") &&
             Save(Zoom(gameOver, zoom), mockups / "banner_game_over.png");
    }
    return ok ? 0 : 1;
}
