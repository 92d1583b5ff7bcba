#include "tests/shell/program_support.h"

#include <zip.h>

#include <algorithm>

#include "platform/store/registry.h"
#include "shell/layout_text.h"
#include "shell/main_window/program.h"

namespace fs = std::filesystem;

namespace {

// The program's globals as they are when the program is loaded.
void ResetProgramGlobals() {
    gameScreen.onLeave();
    gameScreen.window = nullptr;
    gameScreen.backDC = nullptr;
    gameScreen.state = GameState::GameOver;
    titleScreen.onLeave();
    titleScreen.window = nullptr;
    titleScreen.backDC = nullptr;
    controlsScreen.window = nullptr;
    controlsScreen.backDC = nullptr;
    activeScreen = SCREEN_NONE;
    previousScreen = SCREEN_NONE;
    mainWindow = nullptr;
    menuBar = nullptr;
    highlightedRow = -1;
    for (HighScoreEntry& entry : highScores)
        entry = HighScoreEntry{};
    options = OptionsRecord{};
    controlLayout = CQuarvelControlLayout{};
    LayoutMap.clear();
    gameWidth = gameHeight = 0;
}

}  // namespace

void ProgramTest::SetUp() {
    dir = FreshTestFolder();
    storePath = dir / "settings.reg";
    LayerTest::SetUp();
    SetRegistryStorePath(storePath.c_str());
    SetModuleFolder(PACK_FOLDER);
    ResetProgramGlobals();
}

void ProgramTest::TearDown() {
    Stop();
    LayerTest::TearDown();
    ResetProgramGlobals();
    // The fonts live for a whole run of the program; a test run makes them anew.
    for (FontHandle* font : {&normalFont, &boldFont}) {
        if (*font != nullptr) DeleteFont(*font);
        *font = nullptr;
    }
    SetRegistryStorePath(nullptr);
    SetModuleFolder(nullptr);
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}

bool ProgramTest::Start(std::int32_t width, std::int32_t height) {
    SetScreenSize(width, height);
    StartPhoneShell(u"Quarvel");
    screenWidth = GetScreenWidth();
    screenHeight = GetScreenHeight();
    if (!LoadResourcePack(screenWidth, screenHeight)) return false;
    LoadPlaceNames();
    RegisterMainWindowClass(ProgramModule());
    if (!CreateMainWindow(ProgramModule(), SW_SHOWNORMAL)) return false;
    Pump();
    return true;
}

void ProgramTest::Stop() {
    if (mainWindow != nullptr && IsWindow(mainWindow)) DestroyWindow(mainWindow);
    mainWindow = nullptr;
    Message quit;
    while (TakePostedMessage(quit)) {
    }
    if (resourcePack != nullptr) FreeModule(resourcePack);
    resourcePack = nullptr;
}

void ProgramTest::Key(std::uint32_t key, bool down) {
    DeliverKey(key, down);
    Pump();
}

void ProgramTest::PressLater(std::uint32_t key) {
    host.steps.push_back([key] { DeliverPresses({key}); });
}

void ProgramTest::Command(std::uint16_t id) {
    PostMessage(mainWindow, WM_COMMAND, id, 0);
    Pump();
}

void ProgramTest::WriteStore(const std::string& text) const {
    std::ofstream(storePath, std::ios::binary | std::ios::trunc) << text;
    SetRegistryStorePath(storePath.c_str());  // reloads
}

void ProgramTest::UsePackWithout(const std::vector<std::string>& left_out) {
    const fs::path from = fs::path(PACK_FOLDER) / "240x320.dll", to = dir / "packs/240x320.dll";
    fs::create_directories(to.parent_path());
    SetModuleFolder(to.parent_path().c_str());
    int error = 0;
    zip_t* in = zip_open(from.c_str(), ZIP_RDONLY, &error);
    ASSERT_NE(in, nullptr) << from;
    fs::remove(to);
    zip_t* out = zip_open(to.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(out, nullptr) << to;
    const zip_int64_t count = zip_get_num_entries(in, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const std::string name = zip_get_name(in, static_cast<zip_uint64_t>(i), 0);
        const std::string stem = name.substr(0, name.rfind('.'));
        if (std::find(left_out.begin(), left_out.end(), stem) != left_out.end()) continue;
        zip_source_t* source = zip_source_zip(out, in, static_cast<zip_uint64_t>(i), 0, 0, -1);
        ASSERT_NE(source, nullptr);
        ASSERT_GE(zip_file_add(out, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0);
    }
    ASSERT_EQ(zip_close(out), 0);
    zip_discard(in);
}
