#include "host/host_options.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace {

template <typename T>
bool ParseNumber(std::string_view text, T low, T high, T& out) {
    T value{};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return false;
    }
    out = value;
    return true;
}

bool ParseScreen(std::string_view text, HostOptions& options) {
    std::size_t x = text.find('x');
    if (x == std::string_view::npos) return false;
    return ParseNumber<std::int32_t>(text.substr(0, x), 64, 4096, options.screenWidth) &&
           ParseNumber<std::int32_t>(text.substr(x + 1), 64, 4096, options.screenHeight);
}

// Where an option's value goes, and so what it is: the screen's size (read
// into both sides), a flag, a path, or a whole number in the row's range.
using Target = std::variant<std::monostate, bool HostOptions::*, std::string HostOptions::*,
                            std::int32_t HostOptions::*, std::uint64_t HostOptions::*,
                            std::optional<std::uint32_t> HostOptions::*,
                            std::optional<std::uint64_t> HostOptions::*>;

// One option: its name, its argument and its help as --help shows them (the
// manual page is made from --help), where its value goes, the range of a number,
// and what a bad value should have been.
struct HostOption {
    const char* name;
    const char* argument = nullptr;  // none for a flag
    Target target;
    std::uint64_t low = 0, high = 0;
    const char* expected = "a path";
    bool notFolder = false;  // a path that must not be a folder
    const char* help = "";   // its lines as --help shows them
};

// clang-format off
const HostOption OPTIONS[] = {
    {.name = "--screen", .argument = "WxH", .target = std::monostate{},
     .expected = "WIDTHxHEIGHT, 64 to 4096 each",
     .help = "phone screen size in pixels (default 240x320; packs exist\n"
             "for 176x220, 240x240 and 240x320)"},
    {.name = "--scale", .argument = "N", .target = &HostOptions::scale, .low = 1, .high = 16,
     .expected = "1 to 16", .help = "window scale, 1 to 16 (default: the largest that fits)"},
    {.name = "--store", .argument = "FILE", .target = &HostOptions::storePath, .notFolder = true,
     .help = "settings store (default: settings.reg in the user's data\n"
             "folder for quarvel; a --headless run without --store\n"
             "starts from the defaults and saves nothing)"},
    {.name = "--packs", .argument = "DIR", .target = &HostOptions::packsFolder,
     .help = "look for resource packs only in DIR (default: the\n"
             "installed ../share/quarvel/packs from the program's\n"
             "folder, then next to the program, then in its packs folder)"},
    {.name = "--mute", .target = &HostOptions::mute, .help = "no sound"},
    {.name = "--headless", .target = &HostOptions::headless,
     .help = "no window and no sound; run on a virtual clock from --script"},
    {.name = "--script", .argument = "FILE", .target = &HostOptions::scriptPath,
     .help = "the input script of a headless run"},
    {.name = "--log", .argument = "FILE", .target = &HostOptions::logPath,
     .help = "write one line per observable event (sounds, windows,\n"
             "dialogs, message boxes, menu and soft-key commands,\n"
             "links, screenshots, start and exit) to FILE"},
    {.name = "--clock-start", .argument = "MS", .target = &HostOptions::clockStart,
     .high = 0xFFFFFFFFu, .expected = "milliseconds, 0 to 4294967295",
     .help = "start the clock at MS milliseconds (it wraps at 2^32)"},
    {.name = "--record", .argument = "FILE", .target = &HostOptions::recordPath,
     .help = "record the run's input as a headless script in FILE, with\n"
             "a copy of the settings store at start in FILE.store"},
    {.name = "--soak", .argument = "TICKS", .target = &HostOptions::soakTicks, .low = 1,
     .high = 1000000000000u, .expected = "ticks, 1 to 10^12",
     .help = "(with --headless) after the script, if any, play random\n"
             "input for TICKS ticks of 33 ms, or until the program ends;\n"
             "report ticks, time and memory on stderr"},
    {.name = "--seed", .argument = "N", .target = &HostOptions::seed, .high = UINT64_MAX,
     .expected = "a number",
     .help = "the soak's random seed (default 1): the same seed plays\n"
             "the same input"},
    {.name = "--help", .target = &HostOptions::help, .help = "this text"},
    {.name = "--version", .target = &HostOptions::version, .help = "the version"},
};
// clang-format on

template <typename... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <typename... F>
Overloaded(F...) -> Overloaded<F...>;

const HostOption* FindOption(std::string_view name) {
    if (name == "-h") name = "--help";
    for (const HostOption& option : OPTIONS) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

// Reads the value of `option` into `options`; false when it is bad.
bool ReadValue(const HostOption& option, std::string_view value, HostOptions& options,
               std::string& error) {
    auto bad = [&](const std::string& what) {
        error = "bad value '" + std::string(value) + "' for " + option.name + ": " + what;
        return false;
    };
    const std::string expected = std::string("expected ") + option.expected;
    return std::visit(
        Overloaded{[&](std::monostate) { return ParseScreen(value, options) || bad(expected); },
                   [&](bool HostOptions::*flag) { return options.*flag = true; },
                   [&](std::string HostOptions::*path) {
                       std::error_code ec;
                       if (option.notFolder &&
                           std::filesystem::is_directory(std::string(value), ec)) {
                           return bad("a folder, not a file");
                       }
                       if (value.empty()) return bad(expected);
                       options.*path = value;
                       return true;
                   },
                   [&](auto HostOptions::*number) {
                       std::uint64_t n = 0;
                       if (!ParseNumber(value, option.low, option.high, n)) return bad(expected);
                       options.*number = n;  // the range keeps it within the field's type
                       return true;
                   }},
        option.target);
}

}  // namespace

bool ParseHostOptions(int argc, const char* const* argv, HostOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view value;
        std::size_t equals = arg.find('=');
        bool inlineValue = arg.starts_with("--") && equals != std::string_view::npos;
        if (inlineValue) {
            value = arg.substr(equals + 1);
            arg = arg.substr(0, equals);
        }
        const HostOption* option = FindOption(arg);
        if (option == nullptr) {
            error = "unknown option '" + std::string(argv[i]) + "' (see --help)";
            return false;
        }
        if (option->argument == nullptr && inlineValue) {
            // "--headless=0" must not turn headless on, nor "--mute=no" mute.
            error = "option " + std::string(arg) + " takes no value";
            return false;
        }
        if (option->argument != nullptr && !inlineValue) {
            if (i + 1 >= argc) {
                error = "option " + std::string(arg) + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (!ReadValue(*option, value, options, error)) return false;
    }
    if (options.headless && options.scriptPath.empty() && !options.soakTicks && !options.help &&
        !options.version) {
        error = "--headless needs --script FILE or --soak TICKS";
        return false;
    }
    if (options.soakTicks && !options.headless) {
        error = "--soak goes with --headless";
        return false;
    }
    if (!options.headless && !options.scriptPath.empty()) {
        error = "--script goes with --headless";
        return false;
    }
    if (options.headless && !options.recordPath.empty()) {
        error = "--record is for the desktop window, not --headless";
        return false;
    }
    std::error_code ec;
    if (!options.packsFolder.empty() && !std::filesystem::is_directory(options.packsFolder, ec)) {
        error = "bad value '" + options.packsFolder + "' for --packs: no such folder";
        return false;
    }
    return true;
}

namespace {

// --help after its options: the keys, closing the game and the script commands.
const char* const AFTER_OPTIONS = R"(Keys (desktop window):
  arrows             Left 37, Up 38, Right 39, Down 40
  Return             Return 13        keypad Enter   Action 134
  Escape, Backspace  Back 27          F1 / F2        left / right soft key
  letters, digits, F3-F12, keypad keys: their own codes
  Insert Home PageUp Delete End PageDown: application keys 1 to 6 (193-198)
  Shift, Ctrl        16, 17
  typed text         the characters the keyboard layout or input method makes
  mouse left button, a touch (first finger): the stylus
  Alt+Enter          full screen on/off
  PrintScreen        save a PNG of the phone screen in the user's data folder
                     (the title bar names it for two seconds)
Gamepad: D-pad arrows, A Action, B Back, Start / Back left / right soft key,
  X Y LB RB and the stick buttons application keys 1 to 6.
Leaving the window (another window, minimising) pauses a running game, as the
phone does when another program comes to the front; it stays paused on return.
The phone's task bar shows the local time of day (headless: 12:00 at clock 0).
Closing the game:
  closing the window, Ctrl+C, SIGTERM and SIGHUP close it in order (its
  settings are saved).

Headless scripts: one command per line, # starts a comment:
  down KEY | up KEY | press KEY      KEY: a code or left, right, up, down,
                                     return, action, back, f1..f12, app1..app6,
                                     shift, ctrl, space, a..z, 0..9
  text STRING        character messages
  pen-down X Y | pen-up X Y | tap X Y
  softkey left|right
  command ID         choose the command ID on the soft keys or their menus, as a
                     player would (a greyed item is refused and logged)
  wait MS            run the message loop for MS virtual milliseconds
  shot FILE.png      save the screen
  clock-start MS     (first command only) start the clock at MS
  close              ask the program to close
  deactivate | activate  another program takes the foreground, or gives it back
  keys-type on|off   whether key presses type characters (on at start; a
                     desktop recording turns it off and types with text)
)";

}  // namespace

const char* HostHelpText() {
    static const std::string text = [] {
        std::string help =
            "usage: quarvel [OPTIONS]\n\n"
            "Quarvel, the falling-block puzzle game, on an emulated phone screen.\n\n"
            "Options:\n";
        // "  --name ARG" in a column of 19, then the help; its further lines under it.
        constexpr std::size_t COLUMN = 21;
        for (const HostOption& option : OPTIONS) {
            std::string head = std::string("  ") + option.name;
            if (option.argument != nullptr) head += std::string(" ") + option.argument;
            std::string_view lines = option.help;
            for (bool first = true; !lines.empty(); first = false) {
                const std::size_t end = std::min(lines.find('\n'), lines.size());
                help += (first ? head : "") + std::string(COLUMN - (first ? head.size() : 0), ' ');
                help += std::string(lines.substr(0, end)) + "\n";
                lines.remove_prefix(std::min(end + 1, lines.size()));
            }
        }
        return help + "\n" + AFTER_OPTIONS;
    }();
    return text.c_str();
}
