#include "host/soak.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/runtime/clock.h"
#include "platform/runtime/keys.h"

namespace {

// Keys the phone has, the game's own first: arrows, Return, Action, Back, the soft
// keys and the application keys; then digits, letters and a few others.
constexpr std::uint32_t COMMON_KEYS[] = {
    VK_LEFT,   VK_RIGHT,  VK_UP,   VK_DOWN, VK_DOWN, VK_LEFT, VK_RIGHT, VK_RETURN,
    VK_ACTION, VK_ESCAPE, VK_APP1, VK_APP2, VK_APP3, VK_APP4, VK_APP5,  VK_APP6};
constexpr std::uint32_t OTHER_KEYS[] = {VK_SPACE,       VK_TAB, VK_BACK, VK_SHIFT,
                                        VK_CONTROL,     VK_F1,  VK_F2,   VK_NUMPAD0,
                                        VK_NUMPAD0 + 5, 0xBE,   255};

const char* const TEXTS[] = {
    "a",  "Z",    "7", " ", "Quarvel", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
    "\"", "%d%s", "\\"};

}  // namespace

SoakInput::SoakInput(std::uint64_t seed, std::uint64_t ticks, std::int32_t screenWidth,
                     std::int32_t screenHeight)
    : state_(seed), totalMs_(ticks * TICK_MS), width_(screenWidth), height_(screenHeight) {}

// splitmix64: the same numbers from a seed on every machine.
std::uint64_t SoakInput::random() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

std::uint32_t SoakInput::randomKey() {
    if (below(5) != 0) return COMMON_KEYS[below(std::size(COMMON_KEYS))];
    switch (below(3)) {
        case 0:
            return '0' + below(10);
        case 1:
            return 'A' + below(26);
        default:
            return OTHER_KEYS[below(std::size(OTHER_KEYS))];
    }
}

std::uint64_t SoakInput::ranMs() const {
    if (!started_) return 0;
    return std::min<std::uint64_t>(ranMs_ + (GetTickCount() - lastClock_), totalMs_);
}

void SoakInput::wait(std::vector<ScriptCommand>& commands, std::uint32_t ms) {
    const std::uint64_t left = totalMs_ - std::min(totalMs_, ranMs_ + plannedMs_);
    ScriptCommand c;
    c.kind = ScriptCommand::Kind::Wait;
    c.ms = static_cast<std::uint32_t>(std::min<std::uint64_t>(ms, left));
    commands.push_back(c);
    plannedMs_ += c.ms;
}

void SoakInput::next(std::vector<ScriptCommand>& commands) {
    // The clock is read at every call, long before it could wrap between two.
    const std::uint32_t now = GetTickCount();
    if (started_) ranMs_ = ranMs();
    started_ = true;
    lastClock_ = now;
    plannedMs_ = 0;
    if (!sampled_ && ranMs_ >= std::min<std::uint64_t>(totalMs_ / 100, 1000 * TICK_MS)) {
        start_ = MemoryNow();
        sampled_ = true;
    }
    ScriptCommand c;
    const std::uint32_t choice = below(100);
    if (choice < 45) {
        c.kind = ScriptCommand::Kind::Press;
        c.code = randomKey();
        commands.push_back(c);
    } else if (choice < 55) {
        // A key held down: repeats, fast drops, long presses.
        c.kind = ScriptCommand::Kind::Down;
        c.code = randomKey();
        commands.push_back(c);
        wait(commands, 100 + below(1500));
        c.kind = ScriptCommand::Kind::Up;
        commands.push_back(c);
    } else if (choice < 63) {
        c.kind = ScriptCommand::Kind::SoftKey;
        c.code = below(2);
        commands.push_back(c);
    } else if (choice < 78) {
        c.kind = ScriptCommand::Kind::Tap;
        c.x = static_cast<std::int32_t>(below(static_cast<std::uint32_t>(width_)));
        c.y = static_cast<std::int32_t>(below(static_cast<std::uint32_t>(height_)));
        commands.push_back(c);
    } else if (choice < 82) {
        // A drag, which may end off the screen.
        c.kind = ScriptCommand::Kind::PenDown;
        c.x = static_cast<std::int32_t>(below(static_cast<std::uint32_t>(width_)));
        c.y = static_cast<std::int32_t>(below(static_cast<std::uint32_t>(height_)));
        commands.push_back(c);
        wait(commands, below(800));
        c.kind = ScriptCommand::Kind::PenUp;
        c.x = static_cast<std::int32_t>(below(static_cast<std::uint32_t>(width_ + 40))) - 20;
        c.y = static_cast<std::int32_t>(below(static_cast<std::uint32_t>(height_ + 40))) - 20;
        commands.push_back(c);
    } else if (choice < 86) {
        c.kind = ScriptCommand::Kind::Text;
        c.text = TEXTS[below(std::size(TEXTS))];
        commands.push_back(c);
    } else if (choice < 90) {
        // A menu command chosen on the soft keys, as a script's "command" does,
        // from the range the game's menus use; one that is not there is passed by.
        // Not 40005, the game's Exit, which would end most runs early: it is still
        // reached through the menu now and then.
        c.kind = ScriptCommand::Kind::Command;
        c.code = 40000 + below(64);
        if (c.code == 40005) c.code = 40006;
        commands.push_back(c);
    }
    // Mostly short pauses, as a player's; now and then a long one, where the
    // game runs on by itself.
    const std::uint32_t pause = below(20) == 0 ? 1000 + below(20000) : below(400);
    wait(commands, pause);
}

SoakInput::Memory SoakInput::MemoryNow() {
    Memory memory;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        std::istringstream words(line);
        std::string name;
        long kb = 0;
        words >> name >> kb;
        if (name == "VmRSS:") memory.rssKb = kb;
        if (name == "VmHWM:") memory.peakKb = kb;
    }
    return memory;
}
