// The hosts' command-line options. They configure the emulated phone, not the
// program, which is given its own (empty) command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct HostOptions {
    std::int32_t screenWidth = 240;
    std::int32_t screenHeight = 320;
    std::int32_t scale = 0;  // 0: the largest that fits the desktop
    std::string storePath;   // empty: the default store
    std::string packsFolder;
    bool mute = false;
    bool headless = false;
    std::string scriptPath;
    std::string logPath;
    std::optional<std::uint32_t> clockStart;
    std::string recordPath;
    std::optional<std::uint64_t> soakTicks;  // a headless soak run of this many ticks
    std::uint64_t seed = 1;                  // the soak's random input
    bool help = false;
    bool version = false;
};

// Parses the arguments; on a bad option or value returns false with a one-line
// message in `error`.
bool ParseHostOptions(int argc, const char* const* argv, HostOptions& options, std::string& error);

// The --help text: options and the key mapping.
const char* HostHelpText();
