// The playfield: 10 columns by 20 rows of tiles, row-major, row 0 at the top, and
// the tile values a cell holds. The game holds one; the pieces read and write it.
#pragma once

#include <cstdint>

constexpr std::int32_t BOARD_COLUMNS = 10;
constexpr std::int32_t BOARD_ROWS = 20;
constexpr std::int32_t BOARD_CELLS = BOARD_COLUMNS * BOARD_ROWS;

constexpr std::uint8_t EMPTY_TILE = 255;
constexpr std::uint8_t JUNK_TILE = 7;

class CQuarvelBoard {
  public:
    // The tile of a cell; everything outside the board (negative numbers
    // included) reads as filled, 1.
    std::uint8_t boardCell(std::int32_t column, std::int32_t row) const {
        if (static_cast<std::uint32_t>(column) >= BOARD_COLUMNS ||
            static_cast<std::uint32_t>(row) >= BOARD_ROWS) {
            return 1;
        }
        return board[row * BOARD_COLUMNS + column];
    }
    // Stores a tile in a cell; outside the board it does nothing.
    void setBoardCell(std::int32_t column, std::int32_t row, std::uint8_t tile) {
        if (static_cast<std::uint32_t>(column) < BOARD_COLUMNS &&
            static_cast<std::uint32_t>(row) < BOARD_ROWS) {
            board[row * BOARD_COLUMNS + column] = tile;
        }
    }

    std::uint8_t board[BOARD_CELLS] = {};
};
