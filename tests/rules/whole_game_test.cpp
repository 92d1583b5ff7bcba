#include "rules_test_support.h"
#include "tools/autoplayer.h"

namespace {

class WholeGameTest : public RulesTest {};

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
