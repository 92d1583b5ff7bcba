// The desktop host: an SDL window that shows the emulated phone screen, turns the
// keyboard, text input, mouse, touch and gamepads into the phone's input, tells
// the layer when the window loses or regains the foreground, and moves the
// layer's clock to real time.
#pragma once

#include <cstdint>
#include <string>

#include "host/desktop_pads.h"
#include "host/desktop_view.h"
#include "host/desktop_wait.h"
#include "host/host_loop.h"
#include "host/host_options.h"
#include "host/x_display.h"
#include "platform/internal/host_interface.h"

union SDL_Event;

// Neither an X nor a Wayland display is set (nor a video driver chosen by hand).
bool DisplayMissing();
constexpr const char* NO_DISPLAY = "no display (set DISPLAY, or use --headless)";

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
        wait_.setRaiseSocket(socket);
    }

    DesktopView& view() { return view_; }
    SDL_Window* sdlWindow() const { return view_.window(); }
    void toggleFullScreen() { view_.toggleFullScreen(); }
    bool fullScreen() const { return view_.fullScreen(); }
    // Shows the composed screen; `force`: all of it, with the bars round it.
    void present(bool force);

    // The connection to the display was lost during the run.
    bool displayLost() const { return XDisplay::DisplayLost(); }

  private:
    void handleEvent(const SDL_Event& event);
    void handleWindowEvent(const SDL_Event& event);
    void queuePen(bool down, std::int32_t x, std::int32_t y);
    void raise();
    std::uint32_t realClock() const;

    DesktopView view_;
    XDisplay x_;
    DesktopPads pads_;
    DesktopWait wait_{x_, pads_};
    HostLoop loop_;
    std::uint64_t realStart_ = 0;
    std::uint32_t clockStart_ = 0;
    bool active_ = true;        // the layer was last told the window has the foreground
    bool lostHandled_ = false;  // the window's loss was turned into a close
    bool (*raiseCheck_)() = nullptr;
    bool penDown_ = false;      // the stylus is down (mouse button or first finger)
    std::int64_t finger_ = -1;  // the finger that holds the stylus down
};
