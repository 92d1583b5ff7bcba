// The desktop window as the phone's screen: its size and placement, the screen
// scaled into it by whole pixels, full screen, screenshots and the notices its
// title bar shows.
#pragma once

#include <cstdint>
#include <string>

#include "platform/runtime/types.h"

struct SDL_Window;

// The largest integer scale, at least 1, at which a screen of the given size fits
// an area of the desktop.
int ScaleToFit(std::int32_t screenWidth, std::int32_t screenHeight, std::int32_t areaWidth,
               std::int32_t areaHeight);

// Where the phone screen lies in a window: the largest integer scale that fits,
// centred, with black bars round it. A window smaller than the screen shows the
// screen's top-left part.
struct ScreenPlacement {
    int scale = 1;
    int left = 0;
    int top = 0;
};
ScreenPlacement PlaceScreen(std::int32_t screenWidth, std::int32_t screenHeight,
                            std::int32_t windowWidth, std::int32_t windowHeight);

class DesktopView {
  public:
    ~DesktopView() { close(); }
    DesktopView() = default;
    DesktopView(const DesktopView&) = delete;
    DesktopView& operator=(const DesktopView&) = delete;

    // Opens the window for a screen of the given size at `scale` (0: the largest
    // that fits the desktop); false with a message in `error` when it cannot.
    bool open(std::int32_t width, std::int32_t height, int scale, std::string& error);
    SDL_Window* window() const { return window_; }
    // Destroys the window (unless it was lost).
    void close();

    // Shows what changed on the composed screen; `force`: all of it, with the
    // bars round it.
    void present(bool force);
    // The window is gone (destroyed by another client, or the display): nothing
    // is drawn any more, and the window is not destroyed again at the end.
    void lose() { lost_ = true; }

    // Full screen on or off (Alt+Enter). Under a window manager the system's full
    // screen; without one (a bare X server) the window itself is made to cover
    // the display, which is all the system's would do there, and is put back at
    // its place and size when it ends.
    void toggleFullScreen();
    bool fullScreen() const { return fullScreen_; }

    // The phone pixel under a point of the window; a point beside the screen
    // lands on its nearest edge.
    Point phonePoint(std::int32_t x, std::int32_t y) const;

    // Saves the screen as the next free quarvel-NNN.png in the data folder and
    // says so on stdout and, for a while, in the window's title.
    void saveScreenshot();
    // Puts the title back when a notice's time is over at `now` (SDL_GetTicks64);
    // the milliseconds until then, or -1 when no notice is shown.
    int expireNotice(std::uint64_t now);

  private:
    void showNotice(const std::string& text);

    SDL_Window* window_ = nullptr;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    bool lost_ = false;
    bool fullScreen_ = false;
    bool byHand_ = false;  // the current full screen is the window covering the display
    int savedX_ = 0, savedY_ = 0, savedWidth_ = 0, savedHeight_ = 0;  // the window's before
    bool firstFrameLogged_ = false;
    std::uint64_t noticeEnd_ = 0;  // SDL_GetTicks64 when the title's notice ends; 0: none
};
