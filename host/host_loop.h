// What a host on a real clock does when the program is idle, whatever its window
// system: the input it gathered waits in a queue and is delivered one item at a
// time; the layer's clock moves to real time but stops at each timer's due time;
// and every delivered input can be recorded as a headless script that replays
// the run exactly.
#pragma once

#include <cstdint>
#include <deque>
#include <fstream>
#include <string>

#include "host/script.h"

// Hands one input to the layer: a key (Down, Up), text, the stylus (PenDown,
// PenUp), a close request, or the system's activation. Other commands are not
// input and do nothing.
void DeliverInput(const ScriptCommand& input);

class HostLoop {
  public:
    // Starts recording to `path`, beginning with the clock's start and whether
    // key presses type (a desktop's text comes from its system, not its keys).
    // False with a message in `error` when the file cannot be written.
    bool record(const std::string& path, bool keysType, std::string& error);

    void queue(const ScriptCommand& input);
    void queueKey(std::uint32_t code, bool down);
    void queueClose();

    // The program has handled everything delivered so far: later waits count
    // from here, as a headless replay's do. Call at the start of each idle.
    void noteIdle();

    // One step of the idle: delivers the next input, or moves the clock to a
    // timer that is due (true: the program has work); or moves the clock to
    // `realNow` and answers false with the milliseconds to sleep in `sleepMs`
    // (until the next timer, at most `maxSleepMs`).
    bool step(bool hasTimer, std::uint32_t nextTimerDue, std::uint32_t realNow, int maxSleepMs,
              int& sleepMs);

  private:
    void write(const ScriptCommand& input);

    std::deque<ScriptCommand> inputs_;
    std::ofstream record_;
    bool markPending_ = true;
    std::uint32_t mark_ = 0;
};
