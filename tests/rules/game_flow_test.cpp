#include <algorithm>
#include <cstring>

#include "platform/runtime/random.h"
#include "rules_test_support.h"
#include "tools/autoplayer.h"

namespace {

class GameFlowTest : public RulesTest {
  protected:
    RecordingGame game;
};

using Sound = RecordingGame::Sound;

TEST_F(GameFlowTest, FirstTwoPiecesAreStandardEvenWithExtraShapes) {
    options.extra_pieces = 1;
    bool sawExtra = false;
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        SetClock(seed * 7919);
        game.startGame(0, 1);
        ASSERT_LT(game.nextPiece.kind, STANDARD_SHAPES);
        ASSERT_LT(game.nextNextPiece.kind, STANDARD_SHAPES);
        Tick(game);
        sawExtra |= game.nextNextPiece.kind >= STANDARD_SHAPES;
    }
    EXPECT_TRUE(sawExtra);  // the third piece on may be an extra shape
}

TEST_F(GameFlowTest, JunkRowsAtStart) {
    game.startGame(6, 4);  // medium
    for (int r = 0; r < 20; ++r) {
        const std::string row = BoardRow(game, r);
        const auto junk = std::count(row.begin(), row.end(), '#');
        EXPECT_EQ(junk + std::count(row.begin(), row.end(), '.'), 10) << r;
        EXPECT_TRUE(r < 14 ? junk == 0 : junk >= 1 && junk <= 5) << r;
    }
    game.fillJunkRows(25);  // more rows than the board has: all 20, nothing else
    for (int r = 0; r < 20; ++r)
        EXPECT_NE(BoardRow(game, r), "..........");
}

// A level rise scores, reseeds the generator with the new level, shortens the
// gravity delay (levels beyond the table keep its last entry) and plays the
// level sound when the screen changed the background.
TEST_F(GameFlowTest, LevelUp) {
    struct BackgroundGame : RecordingGame {
        bool chooseBackground(std::int32_t) override { return true; }
    } g;
    g.startGame(0, 6);
    g.levelUp();
    EXPECT_EQ(g.level, 7);
    EXPECT_EQ(g.score, 150);
    EXPECT_EQ(g.gravityDelay, 12);
    const std::int32_t drawn = NextRandom();
    SeedRandom(7);
    EXPECT_EQ(NextRandom(), drawn);
    EXPECT_EQ(g.sounds, (std::vector<Sound>{{GameSound::Level, true}}));

    options.level_backgrounds = 0;
    g.level = 45;
    g.levelUp();
    EXPECT_EQ(g.sounds.size(), 1u);
    EXPECT_EQ(g.gravityDelay, 1);
}

TEST_F(GameFlowTest, LevelUpBetweenTwoRowsOfOneLanding) {
    options.rising_junk = 0;
    game.startGame(0, 4);
    game.rowsRemoved = 9;
    SetBoard(game, {"6666....66", "6666....66"});
    PlacePiece(game, 0, 2, 16);  // fills columns 3-4 of rows 18-19
    SetBoard(game, {"666..66666", "666..66666"});
    ASSERT_TRUE(game.hardDrop());
    for (int i = 0; i < 30 && game.state != GameState::Spawn; ++i)
        Tick(game);
    const int L = 4;
    EXPECT_EQ(game.score, 5 * L + 10 * L + 25 * L + 20 * (L + 1));
    EXPECT_EQ(game.level, 5);
    EXPECT_EQ(game.rowsRemoved, 11);
    EXPECT_EQ(game.gravityDelay, 15);
}

TEST_F(GameFlowTest, RemoveAndCollapseOneRowAtATime) {
    game.startGame(0, 1);
    SetBoard(game, {"1.........", "2222222222", "3.3.......", "4444444444"});
    ASSERT_TRUE(game.removeFullRow());
    EXPECT_EQ(BoardRow(game, 19), "..........");
    EXPECT_EQ(game.removedRowFlags[19], 1);
    ASSERT_TRUE(game.collapseRow());
    EXPECT_EQ(BoardRow(game, 19), "3.3.......");
    EXPECT_EQ(BoardRow(game, 18), "2222222222");
    EXPECT_EQ(BoardRow(game, 17), "1.........");
    EXPECT_EQ(game.findFullRow(), 18);

    ASSERT_TRUE(game.removeFullRow());
    EXPECT_EQ(game.removedRowFlags[19], 0);
    EXPECT_EQ(game.removedRowFlags[18], 1);
    ASSERT_TRUE(game.collapseRow());
    EXPECT_EQ(BoardRow(game, 18), "1.........");
    EXPECT_FALSE(game.removeFullRow());
    EXPECT_EQ(game.findFullRow(), -1);
}

TEST_F(GameFlowTest, JunkRowPushesTopRowOffAndWaits) {
    options.rising_junk = 1;
    game.startGame(0, 40);
    SetBoard(game, {"3........."});
    game.setBoardCell(0, 0, 5);  // lost without a check
    game.landingCount = 7;
    game.endLanding();  // the eighth landing
    EXPECT_EQ(BoardRow(game, 18), "3.........");
    EXPECT_EQ(game.boardCell(0, 0), EMPTY_TILE);
    EXPECT_NE(BoardRow(game, 19).find('#'), std::string::npos);
    EXPECT_EQ(game.frameDelay, JUNK_FRAME_DELAY);
    EXPECT_EQ(game.sounds, (std::vector<Sound>{{GameSound::Junk, true}}));
    EXPECT_EQ(game.state, GameState::Spawn);

    // At levels 1 to 7 only the 255th landing brings one.
    game.level = 7;
    game.landingCount = 253;
    game.endLanding();
    EXPECT_EQ(game.sounds.size(), 1u);
    game.endLanding();
    EXPECT_EQ(game.sounds.size(), 2u);
}

// Gravity counts only ticks that move the game on: not the eight of a new
// piece's wait (when keys still move it), not those of a row animation, and
// not the tick of a level rise (which the game screen shows draws nothing).
TEST_F(GameFlowTest, WaitsAnimationsAndLevelRisesDoNotAdvanceGravity) {
    options.rising_junk = 0;
    game.startGame(0, 38);  // one row per tick
    Tick(game);
    ASSERT_EQ(game.state, GameState::Falling);
    const std::int32_t y = game.piece.y, x = game.piece.x, ticks = game.tickCount;
    Press(game, VK_LEFT);
    Tick(game, 8);
    EXPECT_EQ(game.piece.x, x - 1);
    EXPECT_EQ(game.piece.y, y);
    EXPECT_EQ(game.tickCount, ticks);
    Tick(game);
    EXPECT_EQ(game.piece.y, y + 1);
    EXPECT_EQ(game.tickCount, ticks + 1);

    game.rowAnimLength = 5;
    game.startGame(0, 1);
    SetBoard(game, {"1111111111"});
    game.state = GameState::ClearRow;
    game.rowsRemoved = 9;
    Tick(game, 6);  // five frames, then the finishing tick
    EXPECT_EQ(game.rowAnimFramesDrawn, 5);
    EXPECT_EQ(game.state, GameState::RemoveRow);
    EXPECT_EQ(game.lines, 1);
    Tick(game);
    EXPECT_EQ(game.level, 2);
    EXPECT_EQ(game.state, GameState::CollapseRow);
    EXPECT_EQ(game.tickCount, 0);
}

// A piece resting without input is fixed at the next fall. With gravity on
// every tick, a move holds a resting piece for ten ticks, and moves go on holding
// it for at most 2000 ms since the wait began, across the clock's wrap too; a
// drop ignores the delay.
TEST_F(GameFlowTest, LockDelay) {
    game.startGame(0, 1);
    PlacePiece(game, 0, 3, 17);
    game.tickCount = 25;  // the next tick is a gravity tick
    Tick(game);
    EXPECT_EQ(game.state, GameState::Spawn);
    EXPECT_EQ(BoardRow(game, 19), "....00....");
    EXPECT_EQ(game.score, 5);
    EXPECT_EQ(game.sounds, (std::vector<Sound>{{GameSound::Drop, false}}));

    game.gravityDelay = 1;
    for (std::uint32_t clock : {100000u, 0xFFFFFFFFu - 1000u, 0xFFFFFFFFu - 16u}) {
        SCOPED_TRACE(clock);
        SetClock(clock);
        SetBoard(game, {});
        PlacePiece(game, 0, 3, 17);
        Press(game, VK_LEFT);
        for (int i = 0; i < 9; ++i) {
            Tick(game);
            ASSERT_EQ(game.state, GameState::Falling) << i;
        }
        Tick(game);
        EXPECT_EQ(game.state, GameState::Spawn);

        PlacePiece(game, 0, 3, 15);
        const std::uint32_t start = GetTickCount();
        for (int ticks = 0; game.state == GameState::Falling && ticks < 200; ++ticks) {
            if (ticks % 5 == 0) Press(game, ticks % 10 == 0 ? VK_LEFT : VK_RIGHT);
            Tick(game);
        }
        // Fixed at the first tick whose clock is more than 2000 ms past the start.
        const std::uint32_t waited = GetTickCount() - 33 - start;
        EXPECT_EQ(game.state, GameState::Spawn);
        EXPECT_GT(waited, LOCK_DELAY_CAP_MS);
        EXPECT_LE(waited, LOCK_DELAY_CAP_MS + 33);

        SetBoard(game, {});
        PlacePiece(game, 0, 3, 5);
        Press(game, VK_LEFT);
        options.single_press_drop = 1;
        Press(game, VK_DOWN);
        options.single_press_drop = 0;
        EXPECT_EQ(game.state, GameState::Spawn);
        EXPECT_EQ(BoardRow(game, 19), "...00.....");
    }
}

TEST_F(GameFlowTest, GameOverWhenTheNewPieceDoesNotFit) {
    game.startGame(0, 3);
    SetBoard(game, {});
    for (int r = 0; r < 3; ++r) {
        for (int c = 3; c < 7; ++c)
            game.setBoardCell(c, r, 8);
    }
    std::uint8_t before[BOARD_CELLS];
    std::memcpy(before, game.board, sizeof before);
    Tick(game);
    EXPECT_EQ(game.state, GameState::GameOver);
    EXPECT_EQ(game.gameOverEntered, 1);
    EXPECT_EQ(game.piece.kind, NO_PIECE);
    EXPECT_EQ(game.sounds, (std::vector<Sound>{{GameSound::Lose, true}}));
    EXPECT_EQ(std::memcmp(before, game.board, sizeof before), 0);
    EXPECT_EQ(game.level, 3);
}

TEST_F(GameFlowTest, ScoreSaturatesInsteadOfOverflowing) {
    game.startGame(0, 1000);
    game.score = 2147483000;
    game.lockPiece();
    EXPECT_EQ(game.score, 2147483647);
    game.levelUp();
    EXPECT_EQ(game.score, 2147483647);
    EXPECT_EQ(game.level, 1001);
}

class WholeGameTest : public RulesTest {};

struct Outcome {
    std::int32_t score, lines, level, landings;
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

// Plays with the automatic player from clock `clock` and checks the rules'
// invariants on every tick.
Outcome PlayChecked(RecordingGame& game, std::int32_t junk, std::int32_t level, long maxTicks,
                    std::uint32_t clock) {
    CQuarvelAutoPlayer player;
    SetClock(clock);
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

Outcome PlayChecked(std::int32_t junk, std::int32_t level, long maxTicks, std::uint32_t clock) {
    RecordingGame game;
    return PlayChecked(game, junk, level, maxTicks, clock);
}

// A fixed-seed game draws the same pieces and junk holes whatever the clock
// says at its start.
TEST_F(WholeGameTest, AutomaticGamesKeepTheInvariantsAndReplayExactly) {
    options.fixed_seed = 1;
    options.extra_pieces = 1;
    Outcome first = PlayChecked(6, 4, 200000, 1000);
    EXPECT_GT(first.lines, 10);
    EXPECT_EQ(PlayChecked(6, 4, 200000, 987654), first);

    options.extra_pieces = 0;
    Outcome hard = PlayChecked(10, 8, 200000, 1000);
    EXPECT_GT(hard.landings, 20);
}

// A game started where the last one ended plays exactly as a first game: its
// score, lines, landings or a pause carry over into nothing.
TEST_F(WholeGameTest, ANewGameKeepsNothingOfTheLast) {
    options.fixed_seed = 1;
    RecordingGame game;
    const Outcome first = PlayChecked(game, 6, 4, 200000, 1000);
    game.paused = true;
    EXPECT_EQ(PlayChecked(game, 6, 4, 200000, 1000), first);
}

}  // namespace
