#include "game_screen_support.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/internal/drawing_internal.h"
#include "platform/internal/resources_internal.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/keys.h"
#include "platform/windows/windows.h"
#include "shell/back_buffer.h"
#include "shell/layout_text.h"
#include "shell/options.h"
#include "shell/resource_pack.h"

namespace fs = std::filesystem;

namespace {

CQuarvelGameWnd* activeScreen = nullptr;

LResult TestProcedure(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    if (activeScreen != nullptr && message != WM_CREATE) {
        activeScreen->onMessage(message, wParam, lParam);
    }
    return DefaultWindowProcedure(window, message, wParam, lParam);
}

void SavePicture(const fs::path& path, std::int32_t width, std::int32_t height,
                 const std::vector<Colour>& pixels) {
    BitmapHandle bitmap = CreateBitmapFromPixels(width, height, pixels.data());
    ASSERT_TRUE(SaveBitmapPng(bitmap, path.c_str()));
    DeleteBitmap(bitmap);
}

void SaveSolid(const fs::path& path, std::int32_t width, std::int32_t height, Colour colour) {
    SavePicture(path, width, height, std::vector<Colour>(width * height, colour));
}

// A banner: its colour inside a magenta frame four pixels wide.
void SaveBanner(const fs::path& path, Colour colour) {
    std::vector<Colour> pixels(100 * 46);
    for (int y = 0; y < 46; ++y) {
        for (int x = 0; x < 100; ++x) {
            bool frame = x < 4 || y < 4 || x >= 96 || y >= 42;
            pixels[y * 100 + x] = frame ? MAGENTA : colour;
        }
    }
    SavePicture(path, 100, 46, pixels);
}

void SaveWave(const fs::path& path, std::uint32_t samples) {
    std::vector<std::uint8_t> w(44 + samples, 128);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            w[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    std::memcpy(&w[0], "RIFFxxxxWAVEfmt ", 16);
    put32(4, 36 + samples);
    put32(16, 16);
    w[20] = 1, w[21] = 0, w[22] = 1, w[23] = 0;  // PCM, mono
    put32(24, 8000);
    put32(28, 8000);
    w[32] = 1, w[33] = 0, w[34] = 8, w[35] = 0;  // 8-bit
    std::memcpy(&w[36], "data", 4);
    put32(40, samples);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<char*>(w.data()), w.size());
}

void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
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
    dir = fs::temp_directory_path() /
          ("quarvel-game-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    LayerTest::SetUp();
    options = OptionsRecord{};
    options.fixed_seed = 1;
    UsePack(layout);
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

void GameScreenTest::UsePack(const TestLayout& newLayout) {
    layout = newLayout;
    screen.onLeave();
    DeleteBackBuffer();
    if (resourcePack != nullptr) FreeModule(resourcePack);
    fs::path src = dir / "src";
    fs::remove_all(src);
    for (const char* folder : {"TEXT", "BITMAP", "STRING", "WAVE"})
        fs::create_directories(src / folder);
    const std::int32_t ts = layout.tileSize;
    const std::int32_t panel = layout.boardLeft + 10 * ts + 8;
    char text[2048];
    std::snprintf(
        text, sizeof text,
        "game_width: %d\ngame_height: %d\nfull_screen: 1\nboard_tile_size: %d\n"
        "board_left: %d\nboard_top: %d\nnext_piece_x: %d\nnext_piece_y: 30\n"
        "next_next_piece_x: %d\nnext_next_piece_y: 100\n"
        "next_piece_label_rect: %d,8,%d,24\nscore_label_rect: %d,140,%d,156\n"
        "score_rect: %d,160,%d,176\nlevel_rect: %d,190,%d,206\nlines_rect: %d,210,%d,226\n",
        layout.width, layout.height, ts, layout.boardLeft, layout.boardTop, panel, panel, panel,
        layout.width, panel, layout.width, panel, layout.width, panel, layout.width, panel,
        layout.width);
    Write(src / "TEXT/101.txt", text);
    std::vector<Colour> sheet(9 * ts * 4 * ts);
    for (int y = 0; y < 4 * ts; ++y) {
        for (int x = 0; x < 9 * ts; ++x)
            sheet[y * 9 * ts + x] = TileColour(x / ts, y / ts);
    }
    SavePicture(src / "BITMAP/104.png", 9 * ts, 4 * ts, sheet);
    for (int id = 109; id <= 118; ++id) {
        SaveSolid(src / ("BITMAP/" + std::to_string(id) + ".png"), layout.width, layout.height,
                  BackgroundColour(id));
    }
    SaveBanner(src / "BITMAP/119.png", GAME_OVER_BANNER_COLOUR);
    SaveBanner(src / "BITMAP/120.png", PAUSE_BANNER_COLOUR);
    const std::pair<int, const char*> strings[] = {{40022, "Pause"},    {40023, "Resume"},
                                                   {40067, "Next"},     {40068, "Score"},
                                                   {40069, "Level %d"}, {40070, "Lines %d"}};
    for (auto [id, value] : strings)
        Write(src / ("STRING/" + std::to_string(id) + ".txt"), value);
    for (const char* name : {"sndPop", "sndDrop", "sndQuarvel", "sndLevel", "sndLose", "sndJunk"}) {
        SaveWave(src / ("WAVE/" + std::string(name) + ".wav"), 80);  // 10 ms each
    }
    fs::path pack = dir / "240x320.dll";
    std::string command = std::string(PACK_BUILD_TOOL) + " " + src.string() + " " + pack.string();
    ASSERT_EQ(std::system(command.c_str()), 0);
    resourcePack = LoadModuleFromFile(pack.string());
    ASSERT_NE(resourcePack, nullptr);
    LayoutMap.clear();
    ResourceData layoutText = FindResource(resourcePack, 101, "TEXT");
    LoadLayoutText(reinterpret_cast<const char*>(layoutText.bytes), layoutText.size);
    gameWidth = layout.width;
    gameHeight = layout.height;
    ASSERT_TRUE(CreateBackBuffer(nullptr));

    WindowClass c;
    c.procedure = TestProcedure;
    c.name = u"GameTest";
    RegisterWindowClass(c);  // once per test: a reset forgets the classes
    activeScreen = nullptr;
    if (window == nullptr || !IsWindow(window)) {
        window = CreateWindow(u"GameTest", u"Game", WS_VISIBLE, 0, 0, layout.width, layout.height,
                              nullptr, nullptr, nullptr);
    }
    ASSERT_NE(window, nullptr);
    activeScreen = &screen;
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

Colour GameScreenTest::BackPixel(std::int32_t x, std::int32_t y) {
    SelectClipRegion(backDC, nullptr);
    return GetPixel(backDC, x, y);
}
