// What the row-clear and game-over animations draw on and change: board rows
// drawn at a scale into the back buffer, rows left out of the screen's own
// redraw, and rows emptied. The game screen is one; the animations need nothing
// else of it.
#pragma once

#include <cstdint>

class CQuarvelBoardCanvas {
  public:
    virtual ~CQuarvelBoardCanvas() = default;

    // Draws the tiles of a board row into the back buffer at `percent` of their
    // size about each cell's centre, moved by (dx, dy), in tile variant 0
    // (normal) or 1 (bright); empty cells draw nothing.
    virtual void drawScaledBoardRow(std::int32_t row, std::int32_t dx, std::int32_t dy,
                                    std::int32_t percent, std::int32_t variant) = 0;
    // Leaves the row out of the screen's redraw until the next game.
    virtual void hideBoardRow(std::int32_t row) = 0;
    // Empties the row of the board (all ten cells 255).
    virtual void emptyBoardRow(std::int32_t row) = 0;
};
