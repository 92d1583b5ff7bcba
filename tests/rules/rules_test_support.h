// Shared set-up for the rules tests: a game that records what it asks of a
// screen, and boards drawn from text.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/runtime/clock.h"
#include "platform/runtime/keys.h"
#include "platform/runtime/messages.h"
#include "rules/game.h"
#include "shell/records/control_layout.h"
#include "shell/records/game_over_report.h"
#include "shell/records/options.h"

class RecordingGame : public CQuarvelGame {
  public:
    // The rules' steps, for the tests that run one at a time.
    using CQuarvelGame::collapseRow;
    using CQuarvelGame::endLanding;
    using CQuarvelGame::fillJunkRows;
    using CQuarvelGame::findFullRow;
    using CQuarvelGame::hardDrop;
    using CQuarvelGame::levelUp;
    using CQuarvelGame::lockPiece;
    using CQuarvelGame::removeFullRow;
    using CQuarvelGame::repeatRightStep;
    using CQuarvelGame::updateShadow;

    struct Sound {
        GameSound sound;
        bool synchronous;
        friend bool operator==(const Sound&, const Sound&) = default;
    };
    std::vector<Sound> sounds;
    int gameOverEntered = 0;
    // Frames a row animation runs before it reports finished (0: at once).
    int rowAnimLength = 0;
    int rowAnimFramesDrawn = 0;

  protected:
    void playSound(GameSound sound, bool synchronous) override {
        sounds.push_back({sound, synchronous});
    }
    void redrawScreen(RedrawArea) override {}
    bool hasRowAnim() const override { return animRunning; }
    bool startRowAnim(std::int32_t, bool) override {
        animRunning = true;
        animLeft = rowAnimLength;
        return true;
    }
    bool rowAnimFinished() override { return animLeft <= 0; }
    void drawRowAnimFrame() override {
        --animLeft;
        ++rowAnimFramesDrawn;
    }
    void finishRowAnim() override { animRunning = false; }
    void discardRowAnim() override { animRunning = false; }
    void enterGameOver() override { ++gameOverEntered; }

  private:
    bool animRunning = false;
    int animLeft = 0;
};

// Every test starts from the defaults of a fresh program run.
class RulesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        options = OptionsRecord{};
        controlLayout = CQuarvelControlLayout{};
        SetClock(100000);
        ReleaseAllKeys();
        ClearPostedMessages();
    }
};

// Runs timer ticks, moving the clock on by 33 ms each.
inline void Tick(CQuarvelGame& game, int count = 1) {
    for (int i = 0; i < count; ++i) {
        game.tick();
        AdvanceClock(33);
    }
}

inline void Press(CQuarvelGame& game, std::uint32_t code) {
    game.onKeyDown(code, false);
    game.onKeyUp(code);
}

// Fills the board from text rows ending at the bottom row: '.' empty, a digit that
// tile, '#' the junk tile. Rows above the text are emptied.
inline void SetBoard(CQuarvelGame& game, const std::vector<std::string>& rows) {
    std::fill(std::begin(game.board), std::end(game.board), EMPTY_TILE);
    const int top = BOARD_ROWS - static_cast<int>(rows.size());
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        for (int c = 0; c < BOARD_COLUMNS; ++c) {
            const char ch = rows[r][c];
            game.setBoardCell(c, top + r,
                              ch == '.'   ? EMPTY_TILE
                              : ch == '#' ? JUNK_TILE
                                          : static_cast<std::uint8_t>(ch - '0'));
        }
    }
}

inline std::string BoardRow(const CQuarvelGame& game, int row) {
    std::string text;
    for (int c = 0; c < BOARD_COLUMNS; ++c) {
        const std::uint8_t t = game.boardCell(c, row);
        text += t == EMPTY_TILE ? '.' : t == JUNK_TILE ? '#' : static_cast<char>('0' + t);
    }
    return text;
}

// Puts a fresh piece of `kind` at (x, y) as the falling piece of a running game.
inline void PlacePiece(RecordingGame& game, std::int32_t kind, std::int32_t x, std::int32_t y) {
    game.piece.setKind(kind, static_cast<std::uint8_t>(kind % 9));
    game.piece.x = x;
    game.piece.y = y;
    game.state = GameState::Falling;
    game.frameDelay = 0;
    game.updateShadow();
}
