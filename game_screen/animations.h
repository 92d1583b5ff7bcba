// The game screen's animations: a cleared row shrinking away, and the stack
// exploding row by row at the end of a game. Both draw into the back buffer
// through the game screen's tile primitives (board_canvas.h).
#pragma once

#include <cstdint>

#include "game_screen/board_canvas.h"
#include "rules/board.h"

class CQuarvelRowAnim {
  public:
    virtual bool isFinished() = 0;
    // Draws the next frame into the back buffer and advances.
    virtual void drawFrame(CQuarvelBoardCanvas& screen) = 0;
    virtual ~CQuarvelRowAnim() = default;
};

// An ordinary row shrinks while it slides right; the fourth row of a landing
// splits into four bright copies flying apart along the diagonals.
class CQuarvelEmptyRowAnim : public CQuarvelRowAnim {
  public:
    CQuarvelEmptyRowAnim(std::int32_t rowIndex, std::int32_t startProgress, std::int32_t step,
                         bool isFourRow)
        : progress(startProgress), shrinkStep(step), row(rowIndex), fourRow(isFourRow) {}
    bool isFinished() override;
    void drawFrame(CQuarvelBoardCanvas& screen) override;

    std::int32_t progress;    // percent of the row's size still shown
    std::int32_t shrinkStep;  // taken off per frame for an ordinary row
    std::int32_t row;
    bool fourRow;
};

class CQuarvelGameOverAnim {
  public:
    virtual bool isFinished(CQuarvelBoardCanvas& screen) = 0;
    virtual void step(CQuarvelBoardCanvas& screen) = 0;
    virtual ~CQuarvelGameOverAnim() = default;
};

// Rows start exploding from the top, one every second step; each takes ten
// steps, in a style chosen by the level reached.
class CQuarvelExplodingTilesGameOverAnim : public CQuarvelGameOverAnim {
  public:
    void reset(std::int32_t level);
    bool isFinished(CQuarvelBoardCanvas& screen) override;
    void step(CQuarvelBoardCanvas& screen) override;

    std::int32_t rowsStarted = 0;
    std::int32_t rowProgress[BOARD_ROWS] = {};
    std::int32_t styleLevel = 0;
    std::int32_t frame = 0;
    bool finished = false;
};
