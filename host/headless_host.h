// The headless host: no window and no sound; the clock is virtual and moves only
// as the script says, as fast as the processor allows.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "host/script.h"
#include "host/soak.h"
#include "platform/internal/host_interface.h"

class HeadlessHost : public HostDriver {
  public:
    explicit HeadlessHost(std::vector<ScriptCommand> commands);
    ~HeadlessHost() override;
    bool idle(bool hasTimer, std::uint32_t nextTimerDue) override;

    // Takes its input from `soak` (not owned) once the script's commands are done,
    // until the soak has given out all its ticks.
    void setSoak(SoakInput* soak) { soak_ = soak; }

    // How long the program may run on after the script has ended and it was asked
    // to close, before the host gives up (virtual milliseconds).
    static constexpr std::uint32_t CLOSE_GRACE_MS = 60000;

    // Set when a shot could not be written.
    const std::string& failure() const { return failure_; }

  private:
    // Moves the clock towards `target`, stopping at a timer due on the way.
    void runUntil(std::uint32_t target, bool hasTimer, std::uint32_t nextTimerDue);
    // Runs the next command; true when it delivered something or let time pass.
    bool step();

    std::vector<ScriptCommand> commands_;
    std::size_t next_ = 0;
    bool waiting_ = false;
    std::uint32_t waitTarget_ = 0;
    // What is left of a wait beyond its current step: no single step of the clock
    // reaches 2^31 ms, which would read as one backwards.
    std::uint64_t waitBeyond_ = 0;
    SoakInput* soak_ = nullptr;
    std::vector<ScriptCommand> pending_;  // the second halves of press and tap
    bool closeSent_ = false;
    std::uint32_t closeDeadline_ = 0;
    std::string failure_;
};
