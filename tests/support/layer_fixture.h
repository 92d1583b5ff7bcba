// A fresh platform layer for each test: no windows, classes, timers, posted
// messages or keys down, the clock where the test wants it, a 240 x 320 screen,
// sound off and logged by resource name, the event log collected, and a host
// that runs the test's steps and lets time pass only when asked.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/internal/host_interface.h"
#include "platform/runtime/types.h"

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

    TestHost host;
    std::vector<std::string> log;

  private:
    std::uint32_t startClock_;
};
