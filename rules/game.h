// The rules of one game: the board, the four piece slots, spawning, gravity, the
// lock delay, row clearing, scoring, levels, junk rows, game over and the player's
// controls, run one timer tick at a time.
//
// What the rules ask of a screen (sounds, redraws, the row and game-over
// animations, the timer, the pause key's label) goes through the protected virtual
// hooks below. Their defaults do nothing, and a row or game-over animation counts
// as finished at once, so the class plays whole games on its own.
#pragma once

#include <cstdint>

#include "platform/runtime/types.h"
#include "rules/board.h"
#include "rules/piece.h"

enum class GameState : std::int32_t {
    Spawn = 0,
    Falling = 1,
    ClearRow = 2,
    RemoveRow = 3,
    CollapseRow = 4,
    GameOver = 255,
};

// The game's sounds, in the order in which a screen loads them.
enum class GameSound { Pop, Drop, Quarvel, Level, Lose, Junk };

constexpr int LEVEL_TABLE_SIZE = 40;
extern const std::int32_t gravityDelayTable[LEVEL_TABLE_SIZE];  // ticks per one-row fall
extern const std::int32_t junkIntervalTable[LEVEL_TABLE_SIZE];  // landings per junk row

// The entry of a level table for `level`, which is clamped to 1..40.
std::int32_t LevelTableEntry(const std::int32_t (&table)[LEVEL_TABLE_SIZE], std::int32_t level);

constexpr std::uint32_t LOCK_DELAY_CAP_MS = 2000;
constexpr std::uint32_t DOUBLE_PRESS_MS = 250;
constexpr std::int32_t LOCK_DELAY_TICKS = 10;
constexpr std::int32_t SPAWN_FRAME_DELAY = 8;
constexpr std::int32_t JUNK_FRAME_DELAY = 5;

// What a redraw covers: the playfield alone (most ticks) or the whole screen.
enum class RedrawArea { Playfield, Whole };

class CQuarvelGame : public CQuarvelBoard {
  public:
    CQuarvelGame();
    virtual ~CQuarvelGame() = default;
    CQuarvelGame(const CQuarvelGame&) = default;
    CQuarvelGame& operator=(const CQuarvelGame&) = default;

    // The whole set-up of a new game, the screen's part through its hooks; the
    // first tick spawns. No result: a new game always starts.
    void startGame(std::int32_t junkRows, std::int32_t startLevel);

    // One tick of the 33 ms game timer: the step of the current state and its
    // redraw. No result: what it changes is in the fields below.
    void tick();

    // The player's key presses and releases (the codes of the key layout); a
    // press the rules do not take is ignored, so there is nothing to report.
    void onKeyDown(std::uint32_t code, bool autoRepeat);
    void onKeyUp(std::uint32_t code);

    // Covers the board and stops the game; refused (nothing changes) in GameOver
    // and while paused. resume uncovers it and restarts the timer.
    virtual void pause();
    virtual void resume();

    // Posts WM_GAME_OVER_REPORT with the level and the score, once per game: a
    // second acknowledgement (a double tap) must not enter the score twice.
    void reportGameOver();

    std::uint8_t savedBoard[BOARD_CELLS];
    CQuarvelPiece piece;
    CQuarvelPiece nextPiece;
    CQuarvelPiece nextNextPiece;
    CQuarvelPiece shadowPiece;

    GameState state = GameState::GameOver;
    bool gameOverReported = false;
    std::int32_t level = 1;
    std::int32_t gravityDelay = 25;
    std::int32_t rowsRemoved = 0;
    std::int32_t lines = 0;
    std::int32_t score = 0;
    std::int32_t rowsThisLanding = 0;
    std::int32_t tickCount = 0;
    std::int32_t landingCount = 0;
    std::int32_t lockDelayTicks = 0;
    std::uint32_t lockDelayStart = 0;  // 0: no lock wait running
    std::uint8_t removedRowFlags[BOARD_ROWS];

    bool dropHeld = false;
    std::uint32_t lastDropPress = 0;  // 0: none
    std::int32_t rightRepeatCount = 0;
    std::int32_t rightRepeatDelay = 0;
    std::int32_t leftRepeatCount = 0;
    std::int32_t leftRepeatDelay = 0;

    std::int32_t frameDelay = 0;  // ticks on which the state machine only waits
    bool paused = false;
    std::uint32_t frameCount = 0;  // ticks received; drives the tile glints

  protected:
    // The rules' own steps, called from tick, the keys and startGame (and by the
    // tests through a derived game).

    // Seeds the generator for a new game: with the start level under the
    // fixed-seed option, otherwise with the clock.
    void seedForNewGame(std::int32_t startLevel);
    void resetForNewGame(std::int32_t junkRows, std::int32_t startLevel);
    // Moves the previews up and places the new falling piece; false: it does not
    // fit, the game is over.
    bool spawnPiece();
    // Gravity and the sideways repeats of one Falling tick; true: redraw the
    // playfield only, false: this tick began a row clear (redraw everything).
    bool fallTick();
    // One row down, or the landing; true: the piece was fixed and full rows wait
    // to be cleared (state ClearRow).
    bool stepDown();
    // Down to the bottom and fixed at once; true as for stepDown.
    bool hardDrop();
    // One row down, or the landing when the lock delay allows; true: the piece
    // was fixed, and `full` tells whether a full row now exists.
    bool tryLand(bool& full);
    // Stamps the falling piece into the board and scores it.
    void lockPiece();
    void armLockDelay();
    void cancelLockDelay();
    // The lowest full row, 0 to 19, or -1 when no row is full.
    std::int32_t findFullRow() const;
    // Empties the lowest full row and flags it; false: no row was full.
    bool removeFullRow();
    // Closes up the rows above the flagged row; false: no row was flagged.
    bool collapseRow();
    void levelUp();
    void endLanding();
    void pushJunkRow();
    void fillJunkRows(std::int32_t count);
    // The piece's landing place, after a spawn and each move of the piece.
    void updateShadow();
    // The sideways auto-repeat of each side, run by fallTick.
    void repeatRightStep();
    void repeatLeftStep();
    // Adds to the score, saturated at the largest 32-bit value.
    void addScore(std::int64_t points);

    // Plays a sound; a synchronous play returns when the sound has ended.
    virtual void playSound(GameSound, bool /*synchronous*/) {}
    // Redraws and shows the playfield alone or the whole screen.
    virtual void redrawScreen(RedrawArea) {}
    // A new game: the screen loads what it plays once the generator is seeded,
    // and resets its own state once the rules have reset theirs.
    virtual void loadGameResources() {}
    virtual void resetScreenForNewGame() {}
    // Chooses the background of a level; true when the picture changed.
    virtual bool chooseBackground(std::int32_t /*level*/) { return false; }

    // The row-clear animation: started for a row (false when it cannot be made),
    // asked whether it has finished, drawn one frame per tick, ended with a redraw
    // that leaves its row out, or thrown away.
    virtual bool hasRowAnim() const { return false; }
    virtual bool startRowAnim(std::int32_t /*row*/, bool /*fourRow*/) { return true; }
    virtual bool rowAnimFinished() { return true; }
    virtual void drawRowAnimFrame() {}
    virtual void finishRowAnim() {}
    virtual void discardRowAnim() {}

    // Game over: entered (the pause key goes), its animation reset and stepped.
    virtual void enterGameOver() {}
    virtual void resetGameOverAnim(std::int32_t /*level*/) {}
    virtual bool gameOverAnimFinished() { return true; }
    virtual void stepGameOverAnim() {}

    // The game timer and the pause key's label.
    virtual void startGameTimer() {}
    virtual void stopGameTimer() {}
    virtual void showPausedLabel(bool /*paused*/) {}

    // The window that receives the game-over report.
    virtual WindowHandle reportWindow() const { return nullptr; }

  private:
    bool clearRowStep();
    void sidewaysKey(bool right);
    void turnKey(bool clockwise);
    void dropKey();
    void repeatStep(std::int32_t& count, std::int32_t& delay, bool right);
    bool rowFull(std::int32_t row) const;
    void fillRow(std::int32_t row, std::uint8_t tile);
};
