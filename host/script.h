// Headless input scripts: one command per line, '#' starts a comment.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ScriptCommand {
    enum class Kind {
        Down,
        Up,
        Press,
        Text,
        PenDown,
        PenUp,
        Tap,
        SoftKey,
        Wait,
        Shot,
        Close,
        ClockStart,
        Command,
        Activate,    // the system's foreground comes back to the program
        Deactivate,  // another program takes it
        KeysType     // code 1: key presses type characters (at start), 0: only text does
    };
    Kind kind = Kind::Wait;
    std::uint32_t code = 0;  // key code; for SoftKey 0 left, 1 right; Command's id
    std::int32_t x = 0, y = 0;
    std::uint32_t ms = 0;
    std::string text;  // Text (UTF-8) and Shot (file)
    int line = 0;
};

// Parses a script; on the first bad line returns false with "line N: ..." in
// `error`.
bool ParseScript(const std::string& source, std::vector<ScriptCommand>& commands,
                 std::string& error);

// The line that parses back to the command (no line number, no newline).
std::string FormatScriptCommand(const ScriptCommand& command);

// A key code from a name ("left", "app1", "a", "f5") or a number 0..255.
bool KeyCodeFromName(const std::string& name, std::uint32_t& code);
// The name the recorder writes for a code (a name when there is one, else the number).
std::string KeyNameForScript(std::uint32_t code);
