#include "rules_test_support.h"
#include "tests/support/test_files.h"

namespace {

class ControlsTest : public RulesTest {
  protected:
    void SetUp() override {
        RulesTest::SetUp();
        options.rising_junk = 0;
        game.startGame(0, 1);
        PlacePiece(game, 0, 3, 2);
    }
    RecordingGame game;
};

// The ticks after a press of the right key on which the auto-repeat moves the
// piece; the piece is put back each tick so that it never meets the wall.
std::vector<int> RepeatTicks(RecordingGame& game, int ticks) {
    game.onKeyDown(39, false);
    std::vector<int> moves;
    for (int t = 1; t <= ticks; ++t) {
        game.piece.x = 2;
        game.repeatRightStep();
        if (game.piece.x == 3) moves.push_back(t);
    }
    return moves;
}

TEST_F(ControlsTest, SidewaysRepeatSchedules) {
    for (const std::vector<std::string>& row : TableRows(TABLES "/sideways_repeat.txt")) {
        options.repeat_speed = std::stoi(row[0]);
        game.level = std::stoi(row[1]);
        std::vector<int> expected;
        for (std::size_t i = 2; i < row.size(); ++i) {
            for (int t = std::stoi(row[i]); t <= (row[i][0] == '+' ? 60 : std::stoi(row[i])); ++t)
                expected.push_back(t);
        }
        EXPECT_EQ(RepeatTicks(game, 60), expected) << "speed " << row[0] << " level " << row[1];
        game.onKeyUp(39);
    }
}

// Each side repeats on its own, and a release stops its side only. The key
// screen may put one key in both slots: its press starts the left repeat (left
// is tried first), so its release must stop the left one.
TEST_F(ControlsTest, ReleaseStopsTheRepeatOfItsSide) {
    game.onKeyDown(39, false);
    game.onKeyDown(37, false);
    game.onKeyUp(39);
    EXPECT_EQ(game.rightRepeatDelay, 0);
    EXPECT_GT(game.leftRepeatDelay, 0);
    game.onKeyUp(37);
    for (std::int32_t key : {37, 39}) {
        controlLayout.move_left_key = controlLayout.move_right_key = key;
        PlacePiece(game, 0, 3, 2);
        Press(game, static_cast<std::uint32_t>(key));
        EXPECT_EQ(game.piece.x, 2) << key;
        for (int i = 0; i < 30; ++i) {
            game.piece.y = 3;  // keep it falling
            Tick(game);
        }
        EXPECT_EQ(game.piece.x, 2) << key;  // no key is down: nothing slides
    }
}

TEST_F(ControlsTest, RepeatIgnoresFrameDelayTicksAndCarriesToTheNextPiece) {
    game.onKeyDown(39, false);
    game.frameDelay = 8;
    game.tick();
    EXPECT_EQ(game.rightRepeatCount, 0);  // waiting ticks do not count
    game.frameDelay = 0;
    game.tick();
    EXPECT_EQ(game.rightRepeatCount, 1);

    options.single_press_drop = 1;
    Press(game, 40);  // lands; the right key is still down
    Tick(game);       // spawn
    ASSERT_EQ(game.state, GameState::Falling);
    std::int32_t x = game.piece.x;
    game.frameDelay = 0;
    for (int i = 0; i < 10; ++i)
        Tick(game);
    EXPECT_GT(game.piece.x, x);
}

TEST_F(ControlsTest, WallPressStartsRepeatAndArmsOnlyAnExpiredDelay) {
    while (game.piece.moveLeft(game)) {
    }
    game.onKeyDown(37, false);
    EXPECT_EQ(game.leftRepeatDelay, 7);
    EXPECT_EQ(game.lockDelayTicks, LOCK_DELAY_TICKS);
    game.lockDelayTicks = 4;
    game.onKeyDown(37, false);
    EXPECT_EQ(game.lockDelayTicks, 4);  // failed move, delay still running
    game.onKeyDown(13, false);          // the square turns: a successful move
    EXPECT_EQ(game.lockDelayTicks, LOCK_DELAY_TICKS);
}

TEST_F(ControlsTest, KeySlotsAndPriority) {
    controlLayout.rotate_ccw_key = 13;  // same code as rotate_cw_key: clockwise wins
    PlacePiece(game, 4, 3, 5);
    game.onKeyDown(13, false);
    game.onKeyUp(13);
    EXPECT_EQ(game.piece.cells[1], 4);  // the clockwise turn fills cell 1

    controlLayout.drop_key = 195;
    std::int32_t y = game.piece.y;
    game.onKeyDown(40, false);  // no longer a game key
    EXPECT_EQ(game.piece.y, y);
    game.onKeyDown(195, false);
    EXPECT_EQ(game.piece.y, y + 1);
}

// The platform's own repeat, presses outside a falling piece's time and keys
// of no slot move nothing; while the drop key is held the piece falls every
// tick and the other keys do nothing, even when one of them is released.
TEST_F(ControlsTest, IgnoredPressesAndTheHeldDropKey) {
    const std::int32_t x = game.piece.x, y = game.piece.y;
    game.onKeyDown(37, true);
    game.onKeyDown(99, false);
    game.state = GameState::ClearRow;
    game.onKeyDown(37, false);
    game.state = GameState::Falling;
    EXPECT_EQ(game.piece.x, x);

    SetKeyDown(40, true);
    game.onKeyDown(40, false);
    ASSERT_TRUE(game.dropHeld);
    game.onKeyDown(37, false);
    EXPECT_EQ(game.piece.x, x);
    game.onKeyUp(13);
    Tick(game, 2);
    EXPECT_EQ(game.piece.y, y + 3);
    SetKeyDown(40, false);
    game.onKeyUp(40);
    EXPECT_FALSE(game.dropHeld);
}

// Down twice within 250 ms drops to the bottom, further apart it moves two
// single rows; "drop with one press" makes every press drop.
TEST_F(ControlsTest, DropPresses) {
    for (const std::vector<std::string>& row : TableRows(TABLES "/drop_presses.txt")) {
        SCOPED_TRACE(row[0]);
        const bool onePress = row[2] == "1", drops = row[3] == "1";
        SetClock(static_cast<std::uint32_t>(std::stoul(row[0])));
        options.single_press_drop = onePress ? 1 : 0;
        PlacePiece(game, 0, 3, 2);
        game.lastDropPress = 0;
        Press(game, 40);
        EXPECT_TRUE(onePress || game.piece.y == 3);
        AdvanceClock(static_cast<std::uint32_t>(std::stoul(row[1])));
        Press(game, 40);
        EXPECT_EQ(game.state, drops ? GameState::Spawn : GameState::Falling);
        EXPECT_TRUE(drops || game.piece.y == 4);
        EXPECT_EQ(game.lastDropPress != 0, !drops);
        SetBoard(game, {});
    }

    // A single step that fixes a resting piece: the next press may drop the next one.
    options.single_press_drop = 0;
    PlacePiece(game, 0, 3, 17);  // resting on the floor
    Press(game, 40);             // the single step fixes it
    ASSERT_EQ(game.state, GameState::Spawn);
    Tick(game);  // the next piece comes in
    ASSERT_EQ(game.state, GameState::Falling);
    AdvanceClock(100);
    Press(game, 40);
    EXPECT_EQ(game.state, GameState::Spawn);
    EXPECT_NE(BoardRow(game, 17), "..........");
}

TEST_F(ControlsTest, PressWhilePausedOnlyResumes) {
    std::uint8_t cell = game.board[199];
    game.pause();
    EXPECT_TRUE(game.paused);
    EXPECT_EQ(game.board[0], JUNK_TILE);
    std::int32_t x = game.piece.x;
    game.onKeyDown(37, false);
    EXPECT_FALSE(game.paused);
    EXPECT_EQ(game.piece.x, x);
    EXPECT_EQ(game.board[199], cell);

    game.state = GameState::GameOver;
    game.pause();
    EXPECT_FALSE(game.paused);  // refused in GameOver
}

TEST_F(ControlsTest, GameOverIsAcknowledgedByReleasingActionOrEnter) {
    game.state = GameState::GameOver;
    game.level = 7;
    game.score = 12345;
    Message m;
    game.onKeyUp(37);
    EXPECT_FALSE(TakePostedMessage(m));
    game.onKeyUp(134);
    ASSERT_TRUE(TakePostedMessage(m));
    EXPECT_EQ(m.message, WM_GAME_OVER_REPORT);
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_EQ(m.lParam, 12345);
    // One report per game: a second acknowledgement would enter the score twice.
    game.onKeyUp(13);
    game.onKeyUp(134);
    EXPECT_FALSE(TakePostedMessage(m));
    game.startGame(0, 1);
    game.state = GameState::GameOver;
    game.onKeyUp(13);
    EXPECT_TRUE(TakePostedMessage(m));
}

}  // namespace
