#include "host/desktop_view.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#include "host/desktop_services.h"
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

// Four pixels, as one vector.
typedef std::uint32_t Pixels4 __attribute__((vector_size(16)));

// Output vector `M` of four pixels widened `Scale` times: pixel i of the
// widened run is pixel i / Scale of the four.
template <int Scale, int M>
inline Pixels4 Widened(Pixels4 p) {
    return __builtin_shufflevector(p, p, (4 * M) / Scale, (4 * M + 1) / Scale, (4 * M + 2) / Scale,
                                   (4 * M + 3) / Scale);
}

template <int Scale, int... M>
inline void StoreWidened(std::uint32_t* to, Pixels4 p, std::integer_sequence<int, M...>) {
    (..., [&] {
        const Pixels4 v = Widened<Scale, M>(p);
        std::memcpy(to + 4 * M, &v, sizeof v);
    }());
}

// A row of `count` pixels written `Scale` times each, four source pixels at a
// time as `Scale` vector stores; the last few one by one.
template <int Scale>
void WidenRow(const std::uint32_t* from, std::int32_t count, std::uint32_t* to) {
    std::int32_t x = 0;
    for (; x + 4 <= count; x += 4) {
        Pixels4 p;
        std::memcpy(&p, from + x, sizeof p);
        StoreWidened<Scale>(to + x * Scale, p, std::make_integer_sequence<int, Scale>{});
    }
    for (; x < count; ++x) {
        for (int j = 0; j < Scale; ++j)
            to[x * Scale + j] = from[x];
    }
}

}  // namespace

void ScaleRows(const std::uint32_t* from, std::size_t fromPitch, std::int32_t count,
               std::int32_t rows, std::uint8_t* to, std::size_t toPitch, int scale) {
    // Each row is widened once into the first of its target rows and copied to
    // the rows below, so nothing is read back but a row just written.
    for (std::int32_t y = 0; y < rows; ++y, from += fromPitch) {
        auto* first = reinterpret_cast<std::uint32_t*>(to + std::size_t(y) * scale * toPitch);
        switch (scale) {
            case 1:
                std::memcpy(first, from, std::size_t(count) * 4);
                continue;
            case 2:
                WidenRow<2>(from, count, first);
                break;
            case 3:
                WidenRow<3>(from, count, first);
                break;
            case 4:
                WidenRow<4>(from, count, first);
                break;
            default: {
                std::uint32_t* out = first;
                for (std::int32_t x = 0; x < count; ++x) {
                    for (int k = 0; k < scale; ++k)
                        *out++ = from[x];
                }
            }
        }
        for (int k = 1; k < scale; ++k) {
            std::memcpy(to + (std::size_t(y) * scale + k) * toPitch, first,
                        std::size_t(count) * scale * 4);
        }
    }
}

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

bool DesktopView::present(bool force) {
    // Of what was drawn on, only the bands of pixels that differ from those
    // shown are scaled and sent: a game redraws its whole playfield at every
    // tick, where a falling piece and its shadow change a few rows.
    Bands bands;
    BitmapHandle screen = ComposeScreen(nullptr, nullptr, &bands);
    if (lost_) return false;
    SDL_Surface* target = SDL_GetWindowSurface(window_);
    PixelRows rows = BitmapPixels(screen);
    if (target == nullptr || rows.pixels == nullptr) return false;
    if (force) {
        bands.clear();
        bands.add(Rect{0, 0, width_, height_});
        SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
    }
    // Placed by the surface's own size, which is what is written to; a window
    // smaller than the screen (at scale 1) shows what fits of it.
    const ScreenPlacement p = PlaceScreen(width_, height_, target->w, target->h);
    const int scale = p.scale, left = p.left, top = p.top;
    bands.clip(Rect{0, 0, std::min(width_, (target->w - left) / scale),
                    std::min(height_, (target->h - top) / scale)});
    SDL_Rect changed[Bands::MAX];
    int count = 0;
    const bool direct = target->format->BytesPerPixel == 4 && target->format->Rmask == 0xFF0000 &&
                        target->format->Gmask == 0xFF00 && target->format->Bmask == 0xFF;
    SDL_Surface* source = direct ? nullptr
                                 : SDL_CreateRGBSurfaceWithFormatFrom(
                                       const_cast<std::uint32_t*>(rows.pixels), rows.width,
                                       rows.height, 32, rows.pitch * 4, SDL_PIXELFORMAT_RGB888);
    if (direct) SDL_LockSurface(target);
    for (const Rect& area : bands) {
        SDL_Rect& to = changed[count++];
        to = SDL_Rect{left + area.left * scale, top + area.top * scale,
                      (area.right - area.left) * scale, (area.bottom - area.top) * scale};
        if (direct) {
            // Nearest-neighbour integer scaling.
            auto* base = static_cast<std::uint8_t*>(target->pixels) +
                         std::size_t(to.y) * target->pitch + std::size_t(to.x) * 4;
            ScaleRows(rows.pixels + std::size_t(area.top) * rows.pitch + area.left,
                      std::size_t(rows.pitch), area.right - area.left, area.bottom - area.top, base,
                      std::size_t(target->pitch), scale);
        } else if (source != nullptr) {
            // Any other window format: let SDL convert and scale.
            SDL_Rect from{area.left, area.top, area.right - area.left, area.bottom - area.top};
            SDL_Rect into = to;
            SDL_BlitScaled(source, &from, target, &into);
        }
    }
    if (direct) SDL_UnlockSurface(target);
    if (source != nullptr) SDL_FreeSurface(source);
    if (force) {
        SDL_UpdateWindowSurface(window_);
    } else if (count > 0) {
        SDL_UpdateWindowSurfaceRects(window_, changed, count);
    }
    if (count == 0) return force;
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
    return true;
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
