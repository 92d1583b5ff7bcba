// The desktop host: an SDL window that shows the emulated phone screen at an
// integer scale, turns the keyboard, mouse and gamepads into the phone's input,
// and moves the layer's clock to real time.
#pragma once

#include <cstdint>
#include <deque>
#include <fstream>
#include <memory>
#include <string>

#include "host/host_options.h"
#include "platform/internal/host_interface.h"

struct SDL_Window;
union SDL_Event;

// The largest integer scale, at least 1, at which a screen of the given size fits
// an area of the desktop.
int ScaleToFit(std::int32_t screenWidth, std::int32_t screenHeight, std::int32_t areaWidth,
               std::int32_t areaHeight);

// Where the phone screen lies in a window: the largest integer scale that fits,
// centred, with black bars round it.
struct ScreenPlacement {
    int scale = 1;
    int left = 0;
    int top = 0;
};
ScreenPlacement PlaceScreen(std::int32_t screenWidth, std::int32_t screenHeight,
                            std::int32_t windowWidth, std::int32_t windowHeight);

class DesktopHost : public HostDriver {
  public:
    DesktopHost();
    ~DesktopHost() override;

    // Opens the window; false with a message in `error` when it cannot.
    bool open(const HostOptions& options, std::string& error);
    bool idle(bool hasTimer, std::uint32_t nextTimerDue) override;

    // Polled when the loop wakes from sleeping: another start of the program asked
    // to be shown. With the socket such a request comes to, only when it did.
    void setRaiseCheck(bool (*check)(), int socket = -1) {
        raiseCheck_ = check;
        raiseSocket_ = socket;
    }

    // Full screen on or off (Alt+Enter). Under a window manager the system's full
    // screen; without one (a bare X server) the window itself is made to cover
    // the display, which is all the system's would do there, and is put back at
    // its place and size when it ends.
    void toggleFullScreen();
    bool fullScreen() const { return fullScreen_; }
    SDL_Window* sdlWindow() const { return window_; }
    // Shows the composed screen; `force`: all of it, with the bars round it.
    void present(bool force);

  private:
    struct Input {
        enum class Kind { Key, Pen, Close } kind;
        std::uint32_t code;
        bool down;
        std::int32_t x, y;
    };

    void handleEvent(const SDL_Event& event);
    void queueKey(std::uint32_t code, bool down);
    void deliver(const Input& input);
    // Where the phone screen lies in the window now.
    ScreenPlacement placement() const;
    void saveScreenshot();
    void requestClose();
    std::uint32_t realClock() const;
    // Whether the loop waits on the X server's socket rather than in SDL.
    bool waitsOnX() const;
    // Whether SDL should gather events now (see the definition).
    bool eventsDue();
    // Waits up to `timeout` ms for input.
    void sleep(int timeout);

    SDL_Window* window_ = nullptr;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::uint64_t realStart_ = 0;
    std::uint32_t clockStart_ = 0;
    std::deque<Input> inputs_;
    bool fullScreen_ = false;
    bool byHand_ = false;  // the current full screen is the window covering the display
    int savedX_ = 0, savedY_ = 0, savedWidth_ = 0, savedHeight_ = 0;  // the window's before
    bool firstFrameLogged_ = false;
    bool (*raiseCheck_)() = nullptr;
    int raiseSocket_ = -1;
    // The raise check should look: the loop has slept since it last looked, and
    // the raise socket had something to read (or is not watched).
    bool raiseDue_ = true;
    int joysticks_ = 0;               // as SDL last gathered
    int xConnection_ = -1;            // the X server's socket; -1 when SDL does not run on X
    void* xDisplay_ = nullptr;        // SDL's X display, when it runs on X
    bool gatherPending_ = true;       // SDL should gather events before the loop sleeps
    std::uint64_t lastGathered_ = 0;  // when SDL last gathered (SDL_GetTicks64)
    std::uint64_t lastLooked_ = 0;    // when the X socket was last looked at

    // Recording: each delivered input with the virtual time since the program
    // last became idle after the previous one.
    std::ofstream record_;
    bool markPending_ = true;
    std::uint32_t mark_ = 0;
};
