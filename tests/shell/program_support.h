// The whole program on a fresh layer, in the test process: the built resource
// packs, a store file of the test's own, and a host that runs the test's steps
// and moves the clock only when asked. The program's globals are put back to
// their state at program load before each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/internal/host_interface.h"
#include "platform/runtime/types.h"

class ProgramHost : public HostDriver {
  public:
    // Run one per idle call, before any time passes.
    std::deque<std::function<void()>> steps;
    // While set, time passes up to `until`, stopping at each due timer.
    bool timed = false;
    std::uint32_t until = 0;
    bool idle(bool hasTimer, std::uint32_t nextTimerDue) override;
};

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The program's start as its main takes it, up to the message loop: the pack
    // for the screen, the place names, the class and the main window. False when
    // no pack loads.
    bool Start(std::int32_t width = 240, std::int32_t height = 320);
    // Destroys the main window (the settings are saved) and frees the pack.
    void Stop();
    // Runs the message loop until nothing is left to do at this time.
    void Pump();
    // Lets `ms` milliseconds pass, running the timers on the way.
    void Wait(std::uint32_t ms);
    void Press(std::uint32_t key);
    void Key(std::uint32_t key, bool down);
    void Tap(std::int32_t x, std::int32_t y);
    // Sends a menu command to the main window as the soft-key menu does.
    void Command(std::uint16_t id);
    // The log lines written since the last call.
    std::vector<std::string> TakeLog();
    // Whether some log line since the last TakeLog contains `text` (kept).
    bool Logged(const std::string& text) const;
    // The screen pixel as composed now.
    Colour ScreenPixel(std::int32_t x, std::int32_t y);

    // The store file's text, and writing a store as REGEDIT4 text.
    std::string StoreText() const;
    void WriteStore(const std::string& text) const;

    ProgramHost host;
    std::filesystem::path dir;
    std::filesystem::path storePath;
    std::vector<std::string> log;
};

// Copies the pack `from` to `to` without the entries whose names (before the
// extension) are listed, e.g. "MENUBAR/102" or "WAVE/sndDrop".
void CopyPackWithout(const std::filesystem::path& from, const std::filesystem::path& to,
                     const std::vector<std::string>& left_out);

// A REGEDIT4 store with the given value lines under the game's key.
std::string StoreWith(const std::string& values);
// The hex: text of a binary value.
std::string HexBytes(const std::vector<std::uint8_t>& bytes);
