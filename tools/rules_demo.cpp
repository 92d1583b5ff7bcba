// Plays games with the rules alone and an automatic player, and prints per game the
// pieces, lines, level and score, and the rule ticks per second.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/runtime/clock.h"
#include "rules/game.h"
#include "shell/records/options.h"
#include "tools/autoplayer.h"

namespace {

constexpr const char* USAGE =
    "usage: quarvel-rules-demo [--games N] [--level L] [--junk J] [--extra] [--max-ticks T]";

bool ParseNumber(const char* text, long low, long high, long& out) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < low || value > high) return false;
    out = value;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    long games = 5, level = 1, junk = 0, maxTicks = 2000000;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        bool ok = true;
        if (arg == "--games" && hasValue)
            ok = ParseNumber(argv[++i], 1, 100000, games);
        else if (arg == "--level" && hasValue)
            ok = ParseNumber(argv[++i], 1, 1000, level);
        else if (arg == "--junk" && hasValue)
            ok = ParseNumber(argv[++i], 0, 20, junk);
        else if (arg == "--max-ticks" && hasValue)
            ok = ParseNumber(argv[++i], 1, 2000000000, maxTicks);
        else if (arg == "--extra")
            options.extra_pieces = 1;
        else if (arg == "--help") {
            std::puts(USAGE);
            return 0;
        } else
            ok = false;
        if (!ok) {
            std::fprintf(stderr, "quarvel-rules-demo: bad argument '%s'\n%s\n", arg.c_str(), USAGE);
            return 2;
        }
    }

    options.fixed_seed = 1;
    long totalTicks = 0;
    auto started = std::chrono::steady_clock::now();
    for (long g = 0; g < games; ++g) {
        CQuarvelGame game;
        CQuarvelAutoPlayer player;
        // Each game starts one level higher so that the games differ.
        std::int32_t startLevel = static_cast<std::int32_t>(level + g);
        SetClock(1000);
        game.startGame(static_cast<std::int32_t>(junk), startLevel);
        long ticks = 0;
        while (game.state != GameState::GameOver && ticks < maxTicks) {
            player.act(game);
            game.tick();
            AdvanceClock(33);
            ++ticks;
        }
        totalTicks += ticks;
        std::printf(
            "game %ld: start level %d, pieces %d, lines %d, level %d, score %d, ticks %ld%s\n",
            g + 1, startLevel, game.landingCount - 1, game.lines, game.level, game.score, ticks,
            game.state == GameState::GameOver ? "" : " (stopped)");
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%ld ticks in %.3f s: %.0f ticks per second\n", totalTicks, seconds,
                seconds > 0 ? totalTicks / seconds : 0.0);
    return 0;
}
