// The desktop window's size and full screen, on SDL's dummy video driver (a
// display of 1024 x 768 without a window manager).
#include <SDL.h>

#include <cstring>
#include <vector>

#include "host/desktop_host.h"
#include "host/script.h"
#include "host/window_surface.h"
#include "tests/support/layer_fixture.h"
#include "tests/support/test_files.h"

namespace {

TEST(DesktopWindowTest, ScaleIsTheLargestThatFitsAndTheScreenIsCentred) {
    for (const std::vector<std::string>& row : TableRows(TABLES "/screen_placement.txt")) {
        std::vector<std::int32_t> n;
        for (std::size_t i = 1; i < row.size() && std::isdigit(row[i][0]); ++i)
            n.push_back(std::stoi(row[i]));
        if (row[0] == "fit") {
            EXPECT_EQ(ScaleToFit(n[0], n[1], n[2], n[3]), n[4]) << n[2] << "x" << n[3];
            continue;
        }
        const ScreenPlacement p = PlaceScreen(n[0], n[1], n[2], n[3]);
        EXPECT_EQ(std::tuple(p.scale, p.left, p.top), std::tuple(n[4], n[5], n[6]))
            << n[2] << "x" << n[3];
    }
}

// Every scale the window takes, at widths that fill vectors of four pixels and
// leave one to three over: each pixel becomes a square, and nothing beyond the
// rows' ends is written.
TEST(DesktopWindowTest, ScalingMakesEachPixelASquare) {
    constexpr std::int32_t ROWS = 2, MARGIN = 3;
    for (int scale = 1; scale <= 6; ++scale) {
        for (std::int32_t count = 1; count <= 9; ++count) {
            std::vector<std::uint32_t> from(std::size_t(ROWS) * 16);
            for (std::size_t i = 0; i < from.size(); ++i)
                from[i] = 0x10000u + static_cast<std::uint32_t>(i);
            const std::size_t width = std::size_t(count) * scale + MARGIN;
            std::vector<std::uint32_t> to(width * ROWS * scale, 0);
            ScaleRows(from.data(), 16, count, ROWS, reinterpret_cast<std::uint8_t*>(to.data()),
                      width * 4, scale);
            for (std::size_t y = 0; y < to.size() / width; ++y) {
                for (std::size_t x = 0; x < width; ++x) {
                    const std::uint32_t expected =
                        x < std::size_t(count) * scale ? from[y / scale * 16 + x / scale] : 0;
                    ASSERT_EQ(to[y * width + x], expected)
                        << "scale " << scale << ", " << count << " pixels, at " << x << "," << y;
                }
            }
        }
    }
}

class DesktopFullScreenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ResetWindowManager();
        SetScreenSize(240, 320);
        options.scale = 2;
        std::string error;
        ASSERT_TRUE(host.open(options, error)) << error;
    }
    void TearDown() override { ResetWindowManager(); }

    // A pixel of the window as last shown, as 0xRRGGBB.
    std::uint32_t WindowPixel(int x, int y) {
        SDL_Surface* surface = SDL_GetWindowSurface(host.sdlWindow());
        if (surface == nullptr || x < 0 || y < 0 || x >= surface->w || y >= surface->h) return 1;
        Uint8 r, g, b;
        SDL_LockSurface(surface);
        const auto* row = static_cast<const std::uint8_t*>(surface->pixels) + y * surface->pitch;
        Uint32 pixel = 0;
        std::memcpy(&pixel, row + x * surface->format->BytesPerPixel,
                    surface->format->BytesPerPixel);
        SDL_UnlockSurface(surface);
        SDL_GetRGB(pixel, surface->format, &r, &g, &b);
        return static_cast<std::uint32_t>(r) << 16 | g << 8 | b;
    }

    // Lets the host idle for a few passes (SDL gathers events in each).
    void Idle() {
        for (int i = 0; i < 5; ++i)
            host.idle(true, GetTickCount() + 5);
    }

    HostOptions options;
    DesktopHost host;
};

TEST_F(DesktopFullScreenTest, CoversTheDisplayLetterboxedAndTogglesBackExactly) {
    SDL_Window* window = host.sdlWindow();
    SDL_SetWindowPosition(window, 37, 21);
    // The window's left, top, width and height.
    auto frame = [window] {
        int x, y, w, h;
        SDL_GetWindowPosition(window, &x, &y);
        SDL_GetWindowSize(window, &w, &h);
        return std::tuple(x, y, w, h);
    };
    const auto windowed = frame();
    EXPECT_EQ(std::get<2>(windowed), 480);
    EXPECT_EQ(std::get<3>(windowed), 640);

    host.toggleFullScreen();
    ASSERT_TRUE(host.fullScreen());
    SDL_Rect display;
    SDL_GetDisplayBounds(0, &display);
    const auto [x, y, w, h] = frame();
    EXPECT_EQ(std::tuple(w, h), std::tuple(display.w, display.h));
    // The empty phone screen is white; round it, black bars.
    ScreenPlacement p = PlaceScreen(240, 320, w, h);
    EXPECT_EQ(WindowPixel(p.left, p.top), 0xFFFFFFu);
    EXPECT_EQ(WindowPixel(p.left + 240 * p.scale - 1, p.top + 320 * p.scale - 1), 0xFFFFFFu);
    EXPECT_EQ(WindowPixel(p.left - 1, p.top), 0u);
    EXPECT_EQ(WindowPixel(p.left, p.top - 1), 0u);
    EXPECT_EQ(WindowPixel(0, 0), 0u);
    EXPECT_EQ(WindowPixel(w - 1, h - 1), 0u);

    host.toggleFullScreen();
    EXPECT_FALSE(host.fullScreen());
    EXPECT_EQ(frame(), windowed);
    EXPECT_EQ(SDL_GetWindowFlags(window) & SDL_WINDOW_BORDERLESS, 0u);
    EXPECT_EQ(WindowPixel(0, 0), 0xFFFFFFu);  // the screen fills the window again
    EXPECT_EQ(WindowPixel(479, 639), 0xFFFFFFu);
}

TEST_F(DesktopFullScreenTest, ShowsWhatChangedScaledEachPixelToASquare) {
    RegisterRecordingClass({});
    WindowHandle window = RecordingWindow();
    host.present(true);
    EXPECT_EQ(WindowPixel(0, 0), 0u);  // a new window is black
    FillWindow(window, Rect{10, 20, 13, 22}, Rgb(255, 0, 0));
    host.present(false);
    for (int y = 39; y <= 44; ++y) {
        for (int x = 19; x <= 26; ++x) {
            const bool inside = x >= 20 && x < 26 && y >= 40 && y < 44;
            EXPECT_EQ(WindowPixel(x, y), inside ? 0xFF0000u : 0u) << x << "," << y;
        }
    }
    FillWindow(window, Rect{10, 20, 13, 22}, Rgb(255, 0, 0));  // drawn again, the same
    FillWindow(window, Rect{12, 21, 13, 22}, Rgb(0, 0, 255));
    host.present(false);
    EXPECT_EQ(WindowPixel(20, 40), 0xFF0000u);
    EXPECT_EQ(WindowPixel(24, 42), 0x0000FFu);
    EXPECT_EQ(WindowPixel(25, 43), 0x0000FFu);
    EXPECT_EQ(WindowPixel(23, 43), 0xFF0000u);
}

// PrintScreen's file is named where a player looks, in the title bar, for a
// while; the phone's own window text is not touched.
TEST_F(DesktopFullScreenTest, AScreenshotIsNamedInTheTitleForAWhile) {
    const std::filesystem::path dir = FreshTestFolder();
    {
        ScopedEnv data("XDG_DATA_HOME", dir.c_str());
        host.view().saveScreenshot();
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "quarvel" / "quarvel-001.png"));
    EXPECT_STREQ(SDL_GetWindowTitle(host.sdlWindow()), "Saved quarvel-001.png");
    EXPECT_GT(host.view().expireNotice(SDL_GetTicks64()), 1000);
    EXPECT_EQ(host.view().expireNotice(SDL_GetTicks64() + 2000), -1);
    EXPECT_STREQ(SDL_GetWindowTitle(host.sdlWindow()), "Quarvel");
    std::filesystem::remove_all(dir);
}

// Each gamepad button reaches the phone key --help names, with a controller
// connected while the program runs.
TEST_F(DesktopFullScreenTest, GamepadButtonsAreThePhoneKeysTheHelpNames) {
    // SDL passes presses on only to a focused window, which the dummy driver's
    // never is.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    SDL_VirtualJoystickDesc pad{};
    pad.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    pad.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    pad.naxes = SDL_CONTROLLER_AXIS_MAX;
    pad.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    const int index = SDL_JoystickAttachVirtualEx(&pad);
    ASSERT_GE(index, 0) << SDL_GetError();
    SDL_Joystick* joystick = SDL_JoystickOpen(index);
    ASSERT_NE(joystick, nullptr);
    Idle();
    for (const std::vector<std::string>& row : TableRows(TABLES "/gamepad.txt")) {
        const SDL_GameControllerButton button =
            SDL_GameControllerGetButtonFromString(row[0].c_str());
        std::uint32_t code = 0;
        ASSERT_TRUE(button != SDL_CONTROLLER_BUTTON_INVALID && KeyCodeFromName(row[1], code));
        SDL_JoystickSetVirtualButton(joystick, button, SDL_PRESSED);
        Idle();
        EXPECT_TRUE(IsKeyDown(code)) << row[0];
        SDL_JoystickSetVirtualButton(joystick, button, SDL_RELEASED);
        Idle();
        EXPECT_FALSE(IsKeyDown(code)) << row[0];
    }
    SDL_JoystickClose(joystick);
    SDL_JoystickDetachVirtual(index);
}

}  // namespace
