#include "game_screen_support.h"

#include <cstdio>
#include <fstream>
#include <vector>

#include "platform/internal/resources_internal.h"
#include "tests/support/test_files.h"
#include "tests/support/wave_image.h"

namespace fs = std::filesystem;

namespace {

CQuarvelGameWnd* activeScreen = nullptr;

LResult TestProcedure(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    if (activeScreen != nullptr && message != WM_CREATE) {
        activeScreen->onMessage(message, wParam, lParam);
    }
    return DefaultWindowProcedure(window, message, wParam, lParam);
}

// A picture of `width` x `height` whose pixel (x, y) is colour(x, y).
template <typename ColourAt>
void SavePicture(const fs::path& path, std::int32_t width, std::int32_t height, ColourAt colour) {
    std::vector<Colour> pixels(static_cast<std::size_t>(width * height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            pixels[y * width + x] = colour(x, y);
    }
    BitmapHandle bitmap = CreateBitmapFromPixels(width, height, pixels.data());
    ASSERT_TRUE(SaveBitmapPng(bitmap, path.c_str()));
    DeleteBitmap(bitmap);
}

}  // namespace

Colour TileColour(int tile, int variant) {
    return Rgb(static_cast<std::uint8_t>(20 + tile * 25),
               static_cast<std::uint8_t>(60 * variant + 10), 200);
}

Colour BackgroundColour(int id) {
    return Rgb(static_cast<std::uint8_t>((id - 100) * 10), 40,
               static_cast<std::uint8_t>(90 - (id - 109) * 5));
}

void GameScreenTest::SetUp() {
    dir = FreshTestFolder();
    LayerTest::SetUp();
    options = OptionsRecord{};
    options.fixed_seed = 1;

    const fs::path src = dir / "src";
    for (const char* folder : {"TEXT", "BITMAP", "STRING", "WAVE"})
        fs::create_directories(src / folder);
    SavePicture(src / "BITMAP/104.png", 9 * TILE, 4 * TILE,
                [](int x, int y) { return TileColour(x / TILE, y / TILE); });
    for (int id = 109; id <= 118; ++id) {
        SavePicture(src / ("BITMAP/" + std::to_string(id) + ".png"), GAME_WIDTH, GAME_HEIGHT,
                    [id](int, int) { return BackgroundColour(id); });
    }
    // The banners: their colour inside a magenta frame four pixels wide.
    for (auto [id, colour] : {std::pair{119, Rgb(200, 0, 0)}, {120, PAUSE_BANNER_COLOUR}}) {
        SavePicture(src / ("BITMAP/" + std::to_string(id) + ".png"), 100, 46,
                    [inside = colour](int x, int y) {
                        return x < 4 || y < 4 || x >= 96 || y >= 42 ? MAGENTA : inside;
                    });
    }
    const std::pair<int, const char*> strings[] = {{40022, "Pause"},    {40023, "Resume"},
                                                   {40067, "Next"},     {40068, "Score"},
                                                   {40069, "Level %d"}, {40070, "Lines %d"}};
    for (auto [id, value] : strings)
        std::ofstream(src / ("STRING/" + std::to_string(id) + ".txt")) << value;
    for (const char* name : {"sndPop", "sndDrop", "sndQuarvel", "sndLevel", "sndLose", "sndJunk"}) {
        const std::vector<std::uint8_t> wave = WaveImage(80);  // 10 ms
        std::ofstream(src / ("WAVE/" + std::string(name) + ".wav"), std::ios::binary)
            .write(reinterpret_cast<const char*>(wave.data()), static_cast<long>(wave.size()));
    }
    char text[1024];
    std::snprintf(text, sizeof text,
                  "game_width: %d\ngame_height: %d\nfull_screen: 1\nboard_tile_size: %d\n"
                  "board_left: %d\nboard_top: %d\nnext_piece_x: %d\nnext_piece_y: 30\n"
                  "next_next_piece_x: %d\nnext_next_piece_y: 100\n"
                  "next_piece_label_rect: %d,8,240,24\nscore_label_rect: %d,140,240,156\n"
                  "score_rect: %d,160,240,176\nlevel_rect: %d,190,240,206\n"
                  "lines_rect: %d,210,240,226\n",
                  GAME_WIDTH, GAME_HEIGHT, TILE, BOARD_LEFT, BOARD_TOP, PANEL_X, PANEL_X, PANEL_X,
                  PANEL_X, PANEL_X, PANEL_X, PANEL_X);
    LoadPack(text);

    WindowClass c;
    c.procedure = TestProcedure;
    c.name = u"GameTest";
    RegisterWindowClass(c);
    window = CreateWindow(u"GameTest", u"Game", WS_VISIBLE, 0, 0, GAME_WIDTH, GAME_HEIGHT, nullptr,
                          nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    activeScreen = &screen;
}

void GameScreenTest::TearDown() {
    screen.onLeave();
    activeScreen = nullptr;
    DeleteBackBuffer();
    if (resourcePack != nullptr) FreeModule(resourcePack);
    resourcePack = nullptr;
    LayoutMap.clear();
    LayerTest::TearDown();
    fs::remove_all(dir);
}

void GameScreenTest::LoadPack(const std::string& layoutText) {
    std::ofstream(dir / "src/TEXT/101.txt", std::ios::trunc) << layoutText;
    fs::create_directories(dir / "packs");
    const std::string command = std::string(PACK_BUILD_TOOL) + " " + (dir / "src").string() + " " +
                                (dir / "packs/240x320.dll").string();
    ASSERT_EQ(std::system(command.c_str()), 0);
    screen.onLeave();
    DeleteBackBuffer();
    if (resourcePack != nullptr) FreeModule(resourcePack);
    LayoutMap.clear();
    SetModuleFolder((dir / "packs").c_str());
    ASSERT_TRUE(LoadResourcePack(240, 320));
    SetModuleFolder(nullptr);
    // The main window keeps its fonts for the whole run; here they are made again.
    for (FontHandle* font : {&normalFont, &boldFont}) {
        if (*font != nullptr) DeleteFont(*font);
        *font = nullptr;
    }
    CreateBackBuffer(nullptr);
}

void GameScreenTest::Begin(std::int32_t junk, std::int32_t level) {
    screen.beginGame(window, backDC, junk, level);
    TakeLog();
}

void GameScreenTest::Tick(int count) {
    for (int i = 0; i < count; ++i) {
        screen.onMessage(WM_TIMER, GAME_TIMER_ID, 0);
        AdvanceClock(33);
    }
}

void GameScreenTest::Key(std::uint32_t code, bool down) {
    bool wasDown = IsKeyDown(code);
    SetKeyDown(code, down);
    screen.onMessage(down ? WM_KEYDOWN : WM_KEYUP, code,
                     1 | (wasDown || !down ? KEY_WAS_DOWN : 0) | (down ? 0 : KEY_RELEASED));
}
