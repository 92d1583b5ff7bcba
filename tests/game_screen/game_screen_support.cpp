#include "game_screen_support.h"

#include "tests/support/test_files.h"

namespace fs = std::filesystem;

namespace {

CQuarvelGameWnd* activeScreen = nullptr;

LResult TestProcedure(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    if (activeScreen != nullptr && message != WM_CREATE) {
        activeScreen->onMessage(message, wParam, lParam);
    }
    return DefaultWindowProcedure(window, message, wParam, lParam);
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
    controlLayout = CQuarvelControlLayout{};  // a test's own keys go with it

    fs::copy(GAME_SCREEN_PACK, dir / "src", fs::copy_options::recursive);
    LoadPack(FileText(dir / "src/TEXT/101.txt"));

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
