#include "tools/autoplayer.h"

#include <cstring>
#include <limits>

#include "shell/records/control_layout.h"

namespace {

struct Evaluation {
    int completeRows = 0;
    int aggregateHeight = 0;
    int holes = 0;
    int bumpiness = 0;

    // Weights of a well-known linear heuristic, scaled to integers.
    long score() const {
        return 76L * completeRows - 51L * aggregateHeight - 36L * holes - 18L * bumpiness;
    }
};

Evaluation Evaluate(const std::uint8_t (&board)[BOARD_CELLS]) {
    Evaluation e;
    int heights[BOARD_COLUMNS] = {};
    for (int c = 0; c < BOARD_COLUMNS; ++c) {
        bool seen = false;
        for (int r = 0; r < BOARD_ROWS; ++r) {
            bool filled = board[r * BOARD_COLUMNS + c] != EMPTY_TILE;
            if (filled && !seen) {
                seen = true;
                heights[c] = BOARD_ROWS - r;
            } else if (!filled && seen) {
                ++e.holes;
            }
        }
        e.aggregateHeight += heights[c];
        if (c > 0)
            e.bumpiness += heights[c] > heights[c - 1] ? heights[c] - heights[c - 1]
                                                       : heights[c - 1] - heights[c];
    }
    for (int r = 0; r < BOARD_ROWS; ++r) {
        bool full = true;
        for (int c = 0; c < BOARD_COLUMNS && full; ++c)
            full = board[r * BOARD_COLUMNS + c] != EMPTY_TILE;
        e.completeRows += full;
    }
    return e;
}

}  // namespace

CQuarvelAutoPlayer::Plan CQuarvelAutoPlayer::choose(const CQuarvelGame& game) {
    Plan best;
    long bestScore = std::numeric_limits<long>::min();
    CQuarvelPiece trial = game.piece;
    for (int turns = 0; turns < 4; ++turns) {
        if (turns > 0) {
            PieceGrid turned;
            trial.turnedCells(true, turned);
            std::memcpy(trial.cells, turned, sizeof turned);
        }
        for (std::int32_t column = -3; column < BOARD_COLUMNS; ++column) {
            // Find the resting row by letting the shape fall from the top.
            std::int32_t row = -3;
            while (row < BOARD_ROWS && trial.collides(game, trial.cells, column, row))
                ++row;
            if (row >= BOARD_ROWS) continue;
            while (!trial.collides(game, trial.cells, column, row + 1))
                ++row;
            std::uint8_t board[BOARD_CELLS];
            std::memcpy(board, game.board, sizeof board);
            for (int i = 0; i < PIECE_CELLS; ++i) {
                if (trial.cells[i] == EMPTY_TILE) continue;
                int r = row + i / 4, c = column + i % 4;
                if (r >= 0) board[r * BOARD_COLUMNS + c] = trial.cells[i];
            }
            long score = Evaluate(board).score();
            if (score > bestScore) {
                bestScore = score;
                best = Plan{turns, column};
            }
        }
    }
    return best;
}

void CQuarvelAutoPlayer::press(CQuarvelGame& game, std::int32_t code) {
    game.onKeyDown(static_cast<std::uint32_t>(code), false);
    game.onKeyUp(static_cast<std::uint32_t>(code));
}

void CQuarvelAutoPlayer::act(CQuarvelGame& game) {
    if (game.state != GameState::Falling || game.piece.kind == NO_PIECE) return;
    if (game.landingCount != plannedLanding) {
        plannedLanding = game.landingCount;
        plan = choose(game);
    }
    const CQuarvelControlLayout& keys = controlLayout;
    const CQuarvelPiece& p = game.piece;
    std::int32_t step = p.x < plan.column ? 1 : -1;
    bool canShift = p.x != plan.column && !p.collides(game, p.cells, p.x + step, p.y);
    std::int32_t shiftKey = step > 0 ? keys.move_right_key : keys.move_left_key;
    if (plan.turns > 0) {
        PieceGrid turned;
        p.turnedCells(true, turned);
        if (!p.collides(game, turned, p.x, p.y)) {
            press(game, keys.rotate_cw_key);
            --plan.turns;
            return;
        }
        // Near the top a turn may not fit yet: shift or wait while the piece falls.
        // Blocked keys are never pressed, since each blocked press re-arms the lock
        // delay and would hold a resting piece for ever.
        if (!p.collides(game, p.cells, p.x, p.y + 1)) {
            if (canShift) press(game, shiftKey);
            return;
        }
        plan.turns = 0;
    }
    if (canShift) {
        press(game, shiftKey);
        return;
    }
    // Double press: a single step, then a drop to the bottom.
    press(game, keys.drop_key);
    press(game, keys.drop_key);
}
