#include "host/host_options.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string_view>

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
        auto needValue = [&]() -> bool {
            if (inlineValue) return true;
            if (i + 1 >= argc) {
                error = "option " + std::string(arg) + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        auto bad = [&](const char* what) {
            error = "bad value '" + std::string(value) + "' for " + std::string(arg) + ": " + what;
            return false;
        };
        const bool flag = arg == "--help" || arg == "-h" || arg == "--version" || arg == "--mute" ||
                          arg == "--headless";
        if (flag && inlineValue) {
            // "--headless=0" must not turn headless on, nor "--mute=no" mute.
            error = "option " + std::string(arg) + " takes no value";
            return false;
        }
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--mute") {
            options.mute = true;
        } else if (arg == "--headless") {
            options.headless = true;
        } else if (arg == "--screen") {
            if (!needValue()) return false;
            if (!ParseScreen(value, options)) return bad("expected WIDTHxHEIGHT, 64 to 4096 each");
        } else if (arg == "--scale") {
            if (!needValue()) return false;
            if (!ParseNumber<std::int32_t>(value, 1, 16, options.scale))
                return bad("expected 1 to 16");
        } else if (arg == "--clock-start") {
            if (!needValue()) return false;
            std::uint32_t start = 0;
            if (!ParseNumber<std::uint32_t>(value, 0, 0xFFFFFFFFu, start)) {
                return bad("expected milliseconds, 0 to 4294967295");
            }
            options.clockStart = start;
        } else if (arg == "--soak" || arg == "--seed") {
            if (!needValue()) return false;
            std::uint64_t number = 0;
            if (!ParseNumber<std::uint64_t>(value, arg == "--soak" ? 1 : 0,
                                            arg == "--soak" ? 1000000000000u : UINT64_MAX,
                                            number)) {
                return bad(arg == "--soak" ? "expected ticks, 1 to 10^12" : "expected a number");
            }
            if (arg == "--soak")
                options.soakTicks = number;
            else
                options.seed = number;
        } else if (arg == "--store" || arg == "--packs" || arg == "--script" || arg == "--log" ||
                   arg == "--record") {
            if (!needValue()) return false;
            if (value.empty()) return bad("expected a path");
            std::string path(value);
            std::error_code ec;
            if (arg == "--store" && std::filesystem::is_directory(path, ec)) {
                return bad("a folder, not a file");
            }
            if (arg == "--store")
                options.storePath = path;
            else if (arg == "--packs")
                options.packsFolder = path;
            else if (arg == "--script")
                options.scriptPath = path;
            else if (arg == "--log")
                options.logPath = path;
            else
                options.recordPath = path;
        } else {
            error = "unknown option '" + std::string(argv[i]) + "' (see --help)";
            return false;
        }
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

const char* HostHelpText() {
    return R"(usage: quarvel [OPTIONS]

Quarvel, the falling-block puzzle game, on an emulated phone screen.

Options:
  --screen WxH       phone screen size in pixels (default 240x320; packs exist
                     for 176x220, 240x240 and 240x320)
  --scale N          window scale, 1 to 16 (default: the largest that fits)
  --store FILE       settings store (default: settings.reg in the user's data
                     folder for quarvel; a --headless run without --store
                     starts from the defaults and saves nothing)
  --packs DIR        look for resource packs only in DIR (default: the
                     installed ../share/quarvel/packs from the program's
                     folder, then next to the program, then in its packs folder)
  --mute             no sound
  --headless         no window and no sound; run on a virtual clock from --script
  --script FILE      the input script of a headless run
  --log FILE         write one line per observable event (sounds, windows,
                     dialogs, message boxes, menu and soft-key commands,
                     links, screenshots, start and exit) to FILE
  --clock-start MS   start the clock at MS milliseconds (it wraps at 2^32)
  --record FILE      record the run's input as a headless script in FILE, with
                     a copy of the settings store at start in FILE.store
  --soak TICKS       (with --headless) after the script, if any, play random
                     input for TICKS ticks of 33 ms, or until the program ends;
                     report ticks, time and memory on stderr
  --seed N           the soak's random seed (default 1): the same seed plays
                     the same input
  --help             this text
  --version          the version

Keys (desktop window):
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
}
