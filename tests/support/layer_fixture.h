// A fresh platform layer for each test: no windows, classes, timers, posted
// messages or keys down, the clock where the test wants it, a 240 x 320 screen,
// sound off and logged by resource name, the event log collected, and a host
// that runs the test's steps and lets time pass only when asked. With it, the
// layer's headers that its users share.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/drawing/drawing.h"
#include "platform/internal/drawing_internal.h"
#include "platform/internal/host_interface.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/runtime/app_keys.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/keys.h"
#include "platform/runtime/messages.h"
#include "platform/windows/windows.h"

class TestHost : public HostDriver {
  public:
    // Run one per idle call, before any time passes.
    std::deque<std::function<void()>> steps;
    // While set, time passes up to `until`, stopping at each due timer on the way.
    bool timed = false;
    std::uint32_t until = 0;
    bool idle(bool hasTimer, std::uint32_t nextTimerDue) override;
};

// Input delivered without running the loop, as a step of a modal loop does:
// keys pressed and released in turn, and a tap at a point or on a window (its
// middle, or `dx` pixels from its left edge, half-way down).
void DeliverPresses(std::initializer_list<std::uint32_t> keys);
void DeliverTap(std::int32_t x, std::int32_t y);
void DeliverTapOn(WindowHandle window, std::int32_t dx = -1);

// Fills a rectangle of a window (its client coordinates) with a colour.
void FillWindow(WindowHandle window, const Rect& rect, Colour colour);

// Windows of the class "Recording" keep the messages of the kinds registered in
// `heard`, in order, after `onHeard` has seen them; then they answer as the
// default procedure does. The class's background is white.
extern std::vector<Message> heard;
extern std::function<void(const Message&)> onHeard;
void RegisterRecordingClass(std::initializer_list<std::uint32_t> kinds);
WindowHandle RecordingWindow(const char16_t* title = u"", std::uint32_t style = WS_VISIBLE,
                             WindowHandle owner = nullptr);
// How many of the messages heard are of this kind (and, when given, this wParam).
std::size_t HeardCount(std::uint32_t message, WParam wParam = ~WParam{0});

class LayerTest : public ::testing::Test {
  protected:
    explicit LayerTest(std::uint32_t clock = 1000) : startClock_(clock) {}
    void SetUp() override;
    void TearDown() override;

    // Runs the message loop until nothing is left to do at this time; returns
    // the last fetch's answer (-1: the host ended the run, 0: WM_QUIT).
    std::int32_t Pump();
    // Lets `ms` milliseconds pass, running the messages and timers on the way.
    void Wait(std::uint32_t ms);
    // A key pressed and released, a tap of the stylus, each with what it brings.
    void Press(std::uint32_t key);
    void Tap(std::int32_t x, std::int32_t y);
    // The log lines written since the last call.
    std::vector<std::string> TakeLog();
    // Whether some log line since the last TakeLog contains `text`.
    bool Logged(const std::string& text) const;
    // A pixel of the screen as composed now; INVALID_COLOUR outside it.
    Colour ScreenPixel(std::int32_t x, std::int32_t y);
    // How many pixels of the rectangle on the screen as composed now have the colour.
    std::int32_t ScreenPixelsOf(const Rect& r, Colour colour);

    TestHost host;
    std::vector<std::string> log;

  private:
    std::uint32_t startClock_;
};
