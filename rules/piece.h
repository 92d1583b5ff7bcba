// The falling piece: a 4 x 4 grid of tile cells with a board position and a shape.
#pragma once

#include <cstdint>

#include "rules/board.h"

constexpr std::int32_t NO_PIECE = -1;
constexpr std::int32_t SHAPE_COUNT = 21;     // with the extra shapes
constexpr std::int32_t STANDARD_SHAPES = 7;  // kinds 0..6
constexpr int PIECE_CELLS = 16;

// Filled cells (1) of each shape's 4 x 4 mask, row-major.
extern const std::uint8_t pieceShapeTable[SHAPE_COUNT][PIECE_CELLS];

using PieceGrid = std::uint8_t[PIECE_CELLS];

class CQuarvelPiece {
  public:
    // All cells empty, at column 3 and row 0, no shape.
    void reset();

    // Takes the shape's mask, filled with `tile`, at column 3 and row 0. The kind is
    // stored whatever it is; a kind outside 0..20 leaves the cells and fails.
    bool setKind(std::int32_t newKind, std::uint8_t tile);

    // Whether `grid` placed at (column, row) overlaps a filled board cell or leaves
    // the board. A piece without a shape never collides.
    bool collides(const CQuarvelBoard& board, const PieceGrid& grid, std::int32_t column,
                  std::int32_t row) const;

    bool moveLeft(const CQuarvelBoard& board);
    bool moveRight(const CQuarvelBoard& board);
    bool moveDown(const CQuarvelBoard& board);

    // A quarter turn in place; fails without a shift when the turned cells collide.
    bool rotateClockwise(const CQuarvelBoard& board);
    bool rotateCounterClockwise(const CQuarvelBoard& board);

    // The cells after one quarter turn, without looking at the board.
    void turnedCells(bool clockwise, PieceGrid& trial) const;

    // Writes the filled cells into the board.
    void stamp(CQuarvelBoard& board) const;

    // Puts the piece at the top of the board, trying rows -2, -1 and 0 at column 3.
    bool placeAtSpawn(const CQuarvelBoard& board);

    std::uint8_t cells[PIECE_CELLS];
    std::int32_t x;
    std::int32_t y;
    std::int32_t kind;

  private:
    bool moveTo(const CQuarvelBoard& board, std::int32_t column, std::int32_t row);
    bool rotate(const CQuarvelBoard& board, bool clockwise);
};
