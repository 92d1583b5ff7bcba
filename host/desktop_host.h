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

class DesktopHost : public HostDriver {
  public:
    DesktopHost();
    ~DesktopHost() override;

    // Opens the window; false with a message in `error` when it cannot.
    bool open(const HostOptions& options, std::string& error);
    bool idle(bool hasTimer, std::uint32_t nextTimerDue) override;

    // Polled while idle: another start of the program asked to be shown.
    void setRaiseCheck(bool (*check)()) { raiseCheck_ = check; }

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
    void present(bool force);
    // Where the phone screen lies in the window: scale and top-left corner.
    void placement(int& scale, int& left, int& top) const;
    void saveScreenshot();
    void requestClose();
    std::uint32_t realClock() const;

    SDL_Window* window_ = nullptr;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::uint64_t realStart_ = 0;
    std::uint32_t clockStart_ = 0;
    std::deque<Input> inputs_;
    bool fullScreen_ = false;
    bool firstFrameLogged_ = false;
    bool (*raiseCheck_)() = nullptr;

    // Recording: each delivered input with the virtual time since the program
    // last became idle after the previous one.
    std::ofstream record_;
    bool markPending_ = true;
    std::uint32_t mark_ = 0;
};
