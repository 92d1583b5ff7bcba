#include "host/script.h"

#include <cctype>
#include <charconv>
#include <sstream>

#include "platform/runtime/keys.h"

namespace {

struct NamedKey {
    const char* name;
    std::uint32_t code;
};

constexpr NamedKey NAMED_KEYS[] = {
    {"left", VK_LEFT},     {"right", VK_RIGHT},   {"up", VK_UP},       {"down", VK_DOWN},
    {"return", VK_RETURN}, {"action", VK_ACTION}, {"back", VK_ESCAPE}, {"space", VK_SPACE},
    {"shift", VK_SHIFT},   {"ctrl", VK_CONTROL},  {"tab", VK_TAB},     {"backspace", VK_BACK},
};

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

template <typename T>
bool Number(const std::string& text, T& out) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

bool KeyCodeFromName(const std::string& rawName, std::uint32_t& code) {
    std::string name = Lower(rawName);
    for (const NamedKey& k : NAMED_KEYS) {
        if (name == k.name) {
            code = k.code;
            return true;
        }
    }
    std::uint32_t n = 0;
    if (name.size() > 3 && name.starts_with("app") && Number(name.substr(3), n) && n >= 1 &&
        n <= 6) {
        code = VK_APP1 + n - 1;
        return true;
    }
    if (name.size() > 1 && name[0] == 'f' && Number(name.substr(1), n) && n >= 1 && n <= 24) {
        code = VK_F1 + n - 1;
        return true;
    }
    if (name.size() == 1 && std::isalpha(static_cast<unsigned char>(name[0]))) {
        code = static_cast<std::uint32_t>(std::toupper(static_cast<unsigned char>(name[0])));
        return true;
    }
    if (Number(name, n) && n < KEY_CODE_COUNT) {
        // A single digit names the digit key; longer numbers are key codes.
        code = name.size() == 1 ? '0' + n : n;
        return true;
    }
    return false;
}

std::string KeyNameForScript(std::uint32_t code) {
    for (const NamedKey& k : NAMED_KEYS) {
        if (k.code == code) return k.name;
    }
    if (code >= VK_APP1 && code <= VK_APP6) return "app" + std::to_string(code - VK_APP1 + 1);
    if (code >= VK_F1 && code < VK_F1 + 24 && code != VK_ACTION) {
        return "f" + std::to_string(code - VK_F1 + 1);
    }
    if (code >= 'A' && code <= 'Z') return std::string(1, static_cast<char>(code - 'A' + 'a'));
    // Digit keys and others by their code; codes below 10 get two digits, since
    // one digit names the digit key.
    return (code < 10 ? "0" : "") + std::to_string(code);
}

bool ParseScript(const std::string& source, std::vector<ScriptCommand>& commands,
                 std::string& error) {
    std::istringstream lines(source);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        std::istringstream words(line.substr(start));
        std::string verb;
        words >> verb;
        ScriptCommand c;
        c.line = number;
        auto fail = [&](const std::string& what) {
            error = "line " + std::to_string(number) + ": " + what;
            return false;
        };
        std::string a, b, extra;
        if (verb == "down" || verb == "up" || verb == "press") {
            if (!(words >> a) || !KeyCodeFromName(a, c.code))
                return fail("expected a key after " + verb);
            c.kind = verb == "down" ? ScriptCommand::Kind::Down
                     : verb == "up" ? ScriptCommand::Kind::Up
                                    : ScriptCommand::Kind::Press;
        } else if (verb == "text") {
            std::size_t at = line.find("text", start) + 4;
            if (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
            c.kind = ScriptCommand::Kind::Text;
            c.text = line.substr(std::min(at, line.size()));
        } else if (verb == "pen-down" || verb == "pen-up" || verb == "tap") {
            if (!(words >> a >> b) || !Number(a, c.x) || !Number(b, c.y)) {
                return fail("expected X Y after " + verb);
            }
            c.kind = verb == "pen-down" ? ScriptCommand::Kind::PenDown
                     : verb == "pen-up" ? ScriptCommand::Kind::PenUp
                                        : ScriptCommand::Kind::Tap;
        } else if (verb == "softkey") {
            words >> a;
            if (a != "left" && a != "right") return fail("expected softkey left or right");
            c.kind = ScriptCommand::Kind::SoftKey;
            c.code = a == "left" ? 0 : 1;
        } else if (verb == "wait" || verb == "clock-start") {
            if (!(words >> a) || !Number(a, c.ms))
                return fail("expected milliseconds after " + verb);
            c.kind = verb == "wait" ? ScriptCommand::Kind::Wait : ScriptCommand::Kind::ClockStart;
            if (c.kind == ScriptCommand::Kind::ClockStart && !commands.empty()) {
                return fail("clock-start must be the first command");
            }
        } else if (verb == "shot") {
            if (!(words >> c.text)) return fail("expected a file after shot");
            c.kind = ScriptCommand::Kind::Shot;
        } else if (verb == "command") {
            if (!(words >> a) || !Number(a, c.code) || c.code == 0 || c.code > 0xFFFF) {
                return fail("expected a command id (1 to 65535) after command");
            }
            c.kind = ScriptCommand::Kind::Command;
        } else if (verb == "close") {
            c.kind = ScriptCommand::Kind::Close;
        } else if (verb == "activate" || verb == "deactivate") {
            c.kind = verb == "activate" ? ScriptCommand::Kind::Activate
                                        : ScriptCommand::Kind::Deactivate;
        } else if (verb == "keys-type") {
            words >> a;
            if (a != "on" && a != "off") return fail("expected keys-type on or off");
            c.kind = ScriptCommand::Kind::KeysType;
            c.code = a == "on" ? 1 : 0;
        } else {
            return fail("unknown command '" + verb + "'");
        }
        if (c.kind != ScriptCommand::Kind::Text && (words >> extra)) {
            return fail("unexpected '" + extra + "'");
        }
        commands.push_back(c);
    }
    return true;
}

std::string FormatScriptCommand(const ScriptCommand& c) {
    using Kind = ScriptCommand::Kind;
    const std::string at = " " + std::to_string(c.x) + " " + std::to_string(c.y);
    switch (c.kind) {
        case Kind::Down:
            return "down " + KeyNameForScript(c.code);
        case Kind::Up:
            return "up " + KeyNameForScript(c.code);
        case Kind::Press:
            return "press " + KeyNameForScript(c.code);
        case Kind::Text:
            return "text " + c.text;
        case Kind::PenDown:
            return "pen-down" + at;
        case Kind::PenUp:
            return "pen-up" + at;
        case Kind::Tap:
            return "tap" + at;
        case Kind::SoftKey:
            return c.code == 0 ? "softkey left" : "softkey right";
        case Kind::Wait:
            return "wait " + std::to_string(c.ms);
        case Kind::Shot:
            return "shot " + c.text;
        case Kind::Close:
            return "close";
        case Kind::ClockStart:
            return "clock-start " + std::to_string(c.ms);
        case Kind::Command:
            return "command " + std::to_string(c.code);
        case Kind::Activate:
            return "activate";
        case Kind::Deactivate:
            return "deactivate";
        case Kind::KeysType:
            return c.code != 0 ? "keys-type on" : "keys-type off";
    }
    return "";
}
