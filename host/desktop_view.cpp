#include "host/desktop_view.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "host/desktop_services.h"
#include "host/window_surface.h"
#include "host/x_display.h"
#include "platform/internal/drawing_internal.h"
#include "platform/internal/drawing_sdl.h"
#include "platform/internal/host_interface.h"
#include "platform/resources/resources.h"
#include "platform/runtime/event_log.h"

namespace {

// The program's icon in its own module.
constexpr std::uint32_t PROGRAM_ICON_ID = 101;
constexpr const char* TITLE = "Quarvel";
// How long the title bar shows a notice.
constexpr std::uint64_t NOTICE_MS = 2000;

// Room left round the window for a window manager's frame.
constexpr int FRAME_WIDTH = 8;
constexpr int FRAME_HEIGHT = 40;

}  // namespace

int ScaleToFit(std::int32_t screenWidth, std::int32_t screenHeight, std::int32_t areaWidth,
               std::int32_t areaHeight) {
    if (screenWidth <= 0 || screenHeight <= 0) return 1;
    return std::max(1, std::min(areaWidth / screenWidth, areaHeight / screenHeight));
}

ScreenPlacement PlaceScreen(std::int32_t screenWidth, std::int32_t screenHeight,
                            std::int32_t windowWidth, std::int32_t windowHeight) {
    ScreenPlacement p;
    p.scale = ScaleToFit(screenWidth, screenHeight, windowWidth, windowHeight);
    p.left = std::max(0, (windowWidth - screenWidth * p.scale) / 2);
    p.top = std::max(0, (windowHeight - screenHeight * p.scale) / 2);
    return p;
}

void DesktopView::close() {
    if (window_ != nullptr && !lost_) SDL_DestroyWindow(window_);
    window_ = nullptr;
}

bool DesktopView::open(std::int32_t width, std::int32_t height, int scale, std::string& error) {
    width_ = width;
    height_ = height;
    if (scale == 0) {
        // The largest that fits the desktop's usable area (without its panels),
        // with room for a window manager's frame: a title bar and thin borders.
        SDL_Rect usable{0, 0, 1280, 720};
        SDL_GetDisplayUsableBounds(0, &usable);
        scale = ScaleToFit(width_, height_, usable.w - FRAME_WIDTH, usable.h - FRAME_HEIGHT);
    }
    // The window's surface goes straight to the display (X11 shared memory), not
    // through an OpenGL texture, which costs far more when there is no GPU.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    window_ = SDL_CreateWindow(TITLE, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               width_ * scale, height_ * scale, SDL_WINDOW_RESIZABLE);
    if (window_ == nullptr) {
        error = std::string("cannot open a window: ") + SDL_GetError();
        return false;
    }
    // Never smaller than the phone's screen, where a window manager keeps to it.
    SDL_SetWindowMinimumSize(window_, width_, height_);
    // The window's icon, for the title bar and the task switcher: the program's
    // icon 101, as on the phone (its transparent pixels have alpha 0).
    ResourceData icon = FindResource(ProgramModule(), PROGRAM_ICON_ID, RT_ICON);
    if (SDL_Surface* image = DecodePng(icon.bytes, icon.size, true, 1024, 1 << 20)) {
        SDL_SetWindowIcon(window_, image);
        SDL_FreeSurface(image);
    }
    // The screen is scaled by hand into the window's own surface: only what
    // changed is copied, and no renderer keeps the processor busy.
    if (SDL_GetWindowSurface(window_) == nullptr) {
        error = std::string("cannot draw in the window: ") + SDL_GetError();
        return false;
    }
    return true;
}

Point DesktopView::phonePoint(std::int32_t x, std::int32_t y) const {
    int w = width_, h = height_;
    SDL_GetWindowSize(window_, &w, &h);
    const ScreenPlacement p = PlaceScreen(width_, height_, w, h);
    return Point{std::clamp((x - p.left) / p.scale, 0, width_ - 1),
                 std::clamp((y - p.top) / p.scale, 0, height_ - 1)};
}

void DesktopView::toggleFullScreen() {
    if (lost_) return;
    if (!fullScreen_) {
        SDL_GetWindowPosition(window_, &savedX_, &savedY_);
        SDL_GetWindowSize(window_, &savedWidth_, &savedHeight_);
        byHand_ = !WindowManagerRunning(window_);
        if (byHand_) {
            // Nobody would carry out the system's full screen (SDL would only
            // think it done): the window covers its display itself.
            SDL_Rect bounds{0, 0, savedWidth_, savedHeight_};
            SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(window_)), &bounds);
            SDL_SetWindowBordered(window_, SDL_FALSE);
            SDL_SetWindowPosition(window_, bounds.x, bounds.y);
            SDL_SetWindowSize(window_, bounds.w, bounds.h);
            SDL_RaiseWindow(window_);
        } else {
            SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
        }
        fullScreen_ = true;
    } else {
        if (!byHand_) SDL_SetWindowFullscreen(window_, 0);
        // Back exactly where and as large as it was.
        SDL_SetWindowSize(window_, savedWidth_, savedHeight_);
        SDL_SetWindowPosition(window_, savedX_, savedY_);
        if (byHand_) SDL_SetWindowBordered(window_, SDL_TRUE);
        fullScreen_ = false;
    }
    present(true);
}

void DesktopView::present(bool force) {
    // Of what was drawn on, only the bands of pixels that differ from those
    // shown are scaled and sent: a game redraws its whole playfield at every
    // tick, where a falling piece and its shadow change a few rows.
    Bands bands;
    BitmapHandle screen = ComposeScreen(nullptr, nullptr, &bands);
    if (lost_) return;
    PixelRows rows = BitmapPixels(screen);
    if (rows.pixels == nullptr) return;
    if (force) {
        bands.clear();
        bands.add(Rect{0, 0, width_, height_});
    }
    if (!ShowInWindowSurface(window_, rows, bands, force)) return;
    if (!firstFrameLogged_ && ProgramMainWindow() != nullptr) {
        // For start-up measurements: the system's monotonic time of the first frame
        // that shows the program's window.
        firstFrameLogged_ = true;
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        LogEvent(
            "first frame at monotonic " +
            std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(now).count()) +
            " us");
    }
}

void DesktopView::saveScreenshot() {
    std::string folder = DataFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "quarvel: no folder for screenshots: %s\n", SDL_GetError());
        return;
    }
    for (int n = 1; n < 1000; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "quarvel-%03d.png", n);
        std::string path = folder + name;
        std::error_code ec;
        if (std::filesystem::exists(path, ec)) continue;
        if (SaveBitmapPng(ComposeScreen(), path.c_str())) {
            std::printf("quarvel: screenshot saved as %s\n", path.c_str());
            std::fflush(stdout);
            showNotice(std::string("Saved ") + name);
        } else {
            std::fprintf(stderr, "quarvel: could not save %s\n", path.c_str());
            showNotice(std::string("Could not save ") + name);
        }
        return;
    }
    std::fprintf(stderr, "quarvel: no free screenshot name in %s\n", folder.c_str());
    showNotice("No free screenshot name");
}

void DesktopView::showNotice(const std::string& text) {
    if (lost_) return;
    SDL_SetWindowTitle(window_, text.c_str());
    noticeEnd_ = std::max<std::uint64_t>(SDL_GetTicks64() + NOTICE_MS, 1);
}

int DesktopView::expireNotice(std::uint64_t now) {
    if (noticeEnd_ == 0) return -1;
    if (now < noticeEnd_) return static_cast<int>(noticeEnd_ - now);
    noticeEnd_ = 0;
    if (!lost_) SDL_SetWindowTitle(window_, TITLE);
    return -1;
}
