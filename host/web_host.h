// The web host: the program in a browser page. The page (host/web/) gathers the
// keyboard, the pointer and touch, its on-screen keypad, gamepads, the tab's
// visibility and focus, and its closing, and hands them to the functions below,
// which queue them; the program waits for them, or for its next timer, by
// yielding to the browser. What it draws is put onto the page's canvas, the
// changed bands only. Its store is mirrored into the browser's storage.
#pragma once

#include <cstdint>
#include <vector>

#include "host/headless_host.h"
#include "host/host_loop.h"
#include "platform/internal/host_interface.h"

// The page's canvas, as large as the phone's screen (the page scales it).
class WebCanvas {
  public:
    WebCanvas(std::int32_t width, std::int32_t height) : width_(width), height_(height) {}
    // Puts what changed on the composed screen onto the canvas (`all`: the whole
    // screen); the page is told of the first frame that shows the program's
    // window.
    void present(bool all = false);

  private:
    std::int32_t width_;
    std::int32_t height_;
    std::vector<std::uint8_t> rgba_;  // a band's pixels as the canvas takes them
    bool firstFrameTold_ = false;
};

// A game played in the page, on the real clock.
class WebHost : public HostDriver {
  public:
    WebHost(std::int32_t width, std::int32_t height);
    ~WebHost() override;
    bool idle(bool hasTimer, std::uint32_t nextTimerDue) override;

    HostLoop& loop() { return loop_; }

  private:
    std::uint32_t realClock() const;

    WebCanvas canvas_;
    HostLoop loop_;
    double realStart_ = 0;
    std::uint32_t clockStart_ = 0;
    bool panelUp_ = false;  // the page was last told the text-input panel is up
    bool audioResting_ = false;  // the page was last told the audio may rest
};

// A headless script played in the page on the virtual clock, as the headless
// host plays it, for the browser tests: the canvas shows each shot the script
// takes, so that it can be compared with the headless host's picture.
class WebScriptHost : public HostDriver {
  public:
    WebScriptHost(std::int32_t width, std::int32_t height, std::vector<ScriptCommand> commands);
    bool idle(bool hasTimer, std::uint32_t nextTimerDue) override;

    // The script took a shot (the event log says so).
    void noteShot() { shot_ = true; }
    const std::string& failure() const { return headless_.failure(); }

  private:
    WebCanvas canvas_;
    HeadlessHost headless_;
    bool shot_ = false;
    double lastYield_ = 0;
};

// What the store and the program tell the page: the host's side of the store's
// mirror in the browser's storage, and the links the About dialog opens.
bool MirrorStoreInPage(const char* text, std::size_t size);
bool OpenLinkInPage(const char* link);
// Milliseconds since the local midnight, by the browser's clock.
std::uint32_t PageTimeOfDay();
// The program has ended with `code`.
void TellPageClosed(int code);
// Tells the page that the store it gave could not be read, so that it keeps
// its copy aside before any save replaces it.
void TellPageStoreUnreadable();
