// Whole games run tick by tick by the rules alone, with a fixed seed.
#include <benchmark/benchmark.h>

#include "platform/runtime/clock.h"
#include "rules/game.h"
#include "shell/records/options.h"
#include "tools/autoplayer.h"

namespace {

// Plays one game to its end (or to maxTicks) and returns the ticks it took.
template <typename Player>
long PlayGame(Player&& player, std::int32_t level, std::int32_t junk, long maxTicks) {
    CQuarvelGame game;
    SetClock(1000);
    game.startGame(junk, level);
    long ticks = 0;
    while (game.state != GameState::GameOver && ticks < maxTicks) {
        player(game, ticks);
        game.tick();
        AdvanceClock(33);
        ++ticks;
    }
    return ticks;
}

// The greedy automatic player: rules plus the player's own planning.
void BM_GreedyPlayerGame(benchmark::State& state) {
    options.fixed_seed = 1;
    long ticks = 0;
    std::int32_t level = 1;
    for (auto _ : state) {
        CQuarvelAutoPlayer player;
        ticks += PlayGame([&](CQuarvelGame& g, long) { player.act(g); }, level, 0, 200000);
        level = level % 30 + 1;
    }
    state.counters["ticks/s"] =
        benchmark::Counter(static_cast<double>(ticks), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GreedyPlayerGame)->Unit(benchmark::kMillisecond);

// A scripted player that costs nothing: it moves every other piece to a side and
// drops every piece with a held drop key, so the time measured is the rules'.
void BM_ScriptedPlayerGame(benchmark::State& state) {
    options.fixed_seed = 1;
    long ticks = 0;
    std::int32_t level = 1;
    for (auto _ : state) {
        ticks += PlayGame(
            [](CQuarvelGame& g, long t) {
                if (g.state != GameState::Falling) return;
                std::uint32_t side = (g.landingCount / 2) % 3;
                if (t % 4 == 0 && side != 0) {
                    std::uint32_t key = side == 1 ? 37 : 39;
                    g.onKeyDown(key, false);
                    g.onKeyUp(key);
                } else if (t % 4 == 2) {
                    g.onKeyDown(38, false);
                    g.onKeyUp(38);
                }
                if (g.frameDelay == 0 && t % 8 == 7) g.dropHeld = true;
            },
            level, 6, 200000);
        level = level % 30 + 1;
    }
    state.counters["ticks/s"] =
        benchmark::Counter(static_cast<double>(ticks), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ScriptedPlayerGame)->Unit(benchmark::kMicrosecond);

}  // namespace
