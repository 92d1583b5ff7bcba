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
    // after it, never waiting past the ticks asked for. The soak's time starts
    // at the first call, on the layer's clock.
    void next(std::vector<ScriptCommand>& commands);
    // The ticks asked for have run.
    bool done() const { return ranMs() >= totalMs_; }
    // The whole ticks that have run since the soak started, at most those asked
    // for (a press's hold after the last wait, or closing, runs past them).
    std::uint64_t ticksRun() const { return ranMs() / TICK_MS; }

    // The process's resident set in KiB, now and at its peak, sampled when the
    // first hundredth of the ticks or the first 1000 ticks have run, whichever
    // comes first (start), and at the end.
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
    std::uint64_t ranMs() const;

    std::uint64_t state_;
    std::uint64_t totalMs_;
    bool started_ = false;
    std::uint64_t ranMs_ = 0;      // up to the clock at `lastClock_`
    std::uint32_t lastClock_ = 0;  // the clock at the last call of next()
    std::uint64_t plannedMs_ = 0;  // the waits of the commands next() is appending
    std::int32_t width_, height_;
    Memory start_;
    bool sampled_ = false;
};
