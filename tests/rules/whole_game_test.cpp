#include <map>

#include "rules_test_support.h"
#include "tools/autoplayer.h"

namespace {

class WholeGameTest : public RulesTest {};

// An input script: at the given tick, key events (positive code: press, negative:
// release). Ticks are counted from the start of the game.
using Script = std::multimap<int, int>;

TEST_F(WholeGameTest, ScriptedGameFromStartToGameOver) {
    options.fixed_seed = 1;
    RecordingGame game;
    game.startGame(0, 2);
    // Every piece: one step left at tick 2 of its fall, then a double press.
    Script script;
    for (int t = 0; t < 3000; t += 40) {
        script.insert({t + 10, 37});
        script.insert({t + 10, -37});
        script.insert({t + 12, 40});
        script.insert({t + 12, -40});
        script.insert({t + 13, 40});
        script.insert({t + 13, -40});
    }
    int tick = 0;
    int pieces = 0;
    while (game.state != GameState::GameOver && tick < 3000) {
        auto [from, to] = script.equal_range(tick);
        for (auto it = from; it != to; ++it) {
            if (it->second > 0)
                game.onKeyDown(static_cast<std::uint32_t>(it->second), false);
            else
                game.onKeyUp(static_cast<std::uint32_t>(-it->second));
        }
        bool spawning = game.state == GameState::Spawn;
        Tick(game);
        pieces += spawning && game.state == GameState::Falling;
        ++tick;
    }
    ASSERT_EQ(game.state, GameState::GameOver);
    EXPECT_LT(tick, 3000);
    EXPECT_EQ(game.lines, 0);
    EXPECT_EQ(game.score, pieces * 5 * 2);
    EXPECT_EQ(game.landingCount, pieces + 1);
    EXPECT_EQ(game.soundNames().back(), GameSound::Lose);

    // The game is over: keys move nothing, and releasing Action reports it.
    game.onKeyDown(37, false);
    game.onKeyUp(134);
    Message m;
    ASSERT_TRUE(TakePostedMessage(m));
    EXPECT_EQ(m.wParam, 2u);
    EXPECT_EQ(m.lParam, game.score);
}

struct Outcome {
    std::int32_t score, lines, level, landings;
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

// Plays with the automatic player and checks the rules' invariants on every tick.
Outcome PlayChecked(std::int32_t junk, std::int32_t level, long maxTicks) {
    RecordingGame game;
    CQuarvelAutoPlayer player;
    SetClock(1000);
    game.startGame(junk, level);
    std::int32_t lastScore = 0;
    for (long t = 0; t < maxTicks && game.state != GameState::GameOver; ++t) {
        player.act(game);
        game.tick();
        AdvanceClock(33);
        EXPECT_GE(game.score, lastScore);
        lastScore = game.score;
        EXPECT_EQ(game.level, level + game.rowsRemoved / 10);
        EXPECT_TRUE(game.lines == game.rowsRemoved || game.lines == game.rowsRemoved + 1);
        if (game.state == GameState::Spawn) {
            EXPECT_EQ(game.findFullRow(), -1);
        }
        for (std::uint8_t cell : game.board) {
            if (cell != EMPTY_TILE && cell > 8) ADD_FAILURE() << "bad tile " << int{cell};
        }
        if (::testing::Test::HasFailure()) break;
    }
    EXPECT_EQ(game.state, GameState::GameOver);
    return {game.score, game.lines, game.level, game.landingCount};
}

TEST_F(WholeGameTest, AutomaticGamesKeepTheInvariantsAndReplayExactly) {
    options.fixed_seed = 1;
    options.extra_pieces = 1;
    Outcome first = PlayChecked(6, 4, 200000);
    EXPECT_GT(first.lines, 10);
    EXPECT_EQ(PlayChecked(6, 4, 200000), first);

    options.extra_pieces = 0;
    Outcome hard = PlayChecked(10, 8, 200000);
    EXPECT_GT(hard.landings, 20);
}

}  // namespace
