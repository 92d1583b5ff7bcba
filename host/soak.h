// Soak runs: the headless host fed with random input instead of a script, for a
// given number of ticks, from a fixed seed so that a failure repeats exactly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/script.h"

class SoakInput {
  public:
    // One tick is the game timer's period.
    static constexpr std::uint32_t TICK_MS = 33;

    SoakInput(std::uint64_t seed, std::uint64_t ticks, std::int32_t screenWidth,
              std::int32_t screenHeight);

    // Appends the next few commands: one input (a key press or hold, a soft key,
    // a tap or drag anywhere on the screen, text, a menu command) and the wait
    // after it.
    void next(std::vector<ScriptCommand>& commands);
    // The ticks have all been given out.
    bool done() const { return givenMs_ >= totalMs_; }
    std::uint64_t ticksGiven() const { return givenMs_ / TICK_MS; }

    // The process's resident set in KiB, now and at its peak, sampled when the
    // first hundredth of the ticks or the first 1000 ticks have been given out,
    // whichever comes first (start), and at the end.
    struct Memory {
        long rssKb = 0;
        long peakKb = 0;
    };
    Memory memoryAtStart() const { return start_; }
    static Memory MemoryNow();

  private:
    std::uint64_t random();
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); }
    std::uint32_t randomKey();
    void wait(std::vector<ScriptCommand>& commands, std::uint32_t ms);

    std::uint64_t state_;
    std::uint64_t totalMs_;
    std::uint64_t givenMs_ = 0;
    std::int32_t width_, height_;
    Memory start_;
    bool sampled_ = false;
};
