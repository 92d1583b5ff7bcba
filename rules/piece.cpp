#include "rules/piece.h"

#include <cstring>
#include <initializer_list>

// clang-format off
const std::uint8_t pieceShapeTable[SHAPE_COUNT][PIECE_CELLS] = {
    {0,0,0,0, 0,1,1,0, 0,1,1,0, 0,0,0,0},  // 0  square
    {0,0,0,0, 1,1,1,1, 0,0,0,0, 0,0,0,0},  // 1  bar
    {0,0,0,0, 0,0,1,1, 0,1,1,0, 0,0,0,0},  // 2
    {0,0,0,0, 0,1,1,0, 0,0,1,1, 0,0,0,0},  // 3
    {0,0,0,0, 0,1,1,1, 0,1,0,0, 0,0,0,0},  // 4
    {0,0,0,0, 0,1,1,1, 0,0,0,1, 0,0,0,0},  // 5
    {0,0,0,0, 0,1,1,1, 0,0,1,0, 0,0,0,0},  // 6
    {0,0,0,0, 0,0,1,0, 0,0,0,0, 0,0,0,0},  // 7  single cell
    {0,0,0,1, 0,0,1,1, 0,1,1,1, 0,0,0,0},  // 8
    {0,1,0,0, 0,1,1,0, 0,1,1,0, 0,0,0,0},  // 9
    {0,0,0,0, 0,1,1,0, 0,0,1,0, 0,0,0,0},  // 10
    {0,0,1,0, 0,0,1,0, 0,0,1,0, 0,0,0,0},  // 11
    {0,1,1,1, 0,0,1,0, 0,0,1,0, 0,0,0,0},  // 12
    {0,1,0,0, 0,1,0,0, 0,1,1,1, 0,0,0,0},  // 13
    {0,1,0,0, 0,1,1,0, 0,0,1,1, 0,0,0,0},  // 14
    {0,1,1,0, 0,0,1,0, 0,0,1,1, 0,0,0,0},  // 15
    {0,1,0,0, 0,1,1,1, 0,0,0,1, 0,0,0,0},  // 16
    {0,1,1,1, 0,1,0,1, 0,0,0,0, 0,0,0,0},  // 17
    {0,0,0,0, 0,1,1,1, 0,1,1,1, 0,0,0,0},  // 18
    {0,0,0,0, 0,0,1,0, 0,1,0,0, 0,0,0,0},  // 19 two cells touching at a corner
    {0,0,1,0, 0,0,1,1, 0,1,1,0, 0,0,0,0},  // 20
};
// clang-format on

namespace {

// Where each cell of the 3 x 3 box (rows 0..2, columns 1..3) comes from in a quarter
// turn about cell 6; cells of column 0 and row 3 stay.
constexpr int TURNED_CELLS[8] = {1, 3, 11, 9, 2, 7, 10, 5};
constexpr int CLOCKWISE_SOURCE[8] = {9, 1, 3, 11, 5, 2, 7, 10};
constexpr int COUNTER_CLOCKWISE_SOURCE[8] = {3, 11, 9, 1, 7, 10, 5, 2};

void SetCells(PieceGrid& grid, std::initializer_list<int> indexes, std::uint8_t value) {
    for (int i : indexes)
        grid[i] = value;
}

}  // namespace

void CQuarvelPiece::reset() {
    std::memset(cells, EMPTY_TILE, sizeof cells);
    x = 3;
    y = 0;
    kind = NO_PIECE;
}

bool CQuarvelPiece::setKind(std::int32_t newKind, std::uint8_t tile) {
    kind = newKind;
    if (newKind < 0 || newKind >= SHAPE_COUNT) return false;
    for (int i = 0; i < PIECE_CELLS; ++i) {
        cells[i] = pieceShapeTable[newKind][i] ? tile : EMPTY_TILE;
    }
    x = 3;
    y = 0;
    return true;
}

bool CQuarvelPiece::collides(const CQuarvelBoard& board, const PieceGrid& grid, std::int32_t column,
                             std::int32_t row) const {
    if (kind == NO_PIECE) return false;
    for (int i = 0; i < PIECE_CELLS; ++i) {
        if (grid[i] != EMPTY_TILE && board.boardCell(column + i % 4, row + i / 4) != EMPTY_TILE) {
            return true;
        }
    }
    return false;
}

bool CQuarvelPiece::moveTo(const CQuarvelBoard& board, std::int32_t column, std::int32_t row) {
    if (kind == NO_PIECE || collides(board, cells, column, row)) return false;
    x = column;
    y = row;
    return true;
}

bool CQuarvelPiece::moveLeft(const CQuarvelBoard& board) {
    return moveTo(board, x - 1, y);
}
bool CQuarvelPiece::moveRight(const CQuarvelBoard& board) {
    return moveTo(board, x + 1, y);
}
bool CQuarvelPiece::moveDown(const CQuarvelBoard& board) {
    return moveTo(board, x, y + 1);
}

void CQuarvelPiece::turnedCells(bool clockwise, PieceGrid& trial) const {
    std::memcpy(trial, cells, sizeof trial);
    // The two-state kinds toggle between their states; cell 6 is filled in both.
    std::uint8_t tile = cells[6];
    switch (kind) {
        case 0:
            break;
        case 1:
            if (cells[2] == EMPTY_TILE) {
                SetCells(trial, {2, 10, 14}, tile);
                SetCells(trial, {4, 5, 7}, EMPTY_TILE);
            } else {
                SetCells(trial, {4, 5, 7}, tile);
                SetCells(trial, {2, 10, 14}, EMPTY_TILE);
            }
            break;
        case 2:
            if (cells[2] == EMPTY_TILE) {
                SetCells(trial, {2, 11}, tile);
                SetCells(trial, {9, 10}, EMPTY_TILE);
            } else {
                SetCells(trial, {2, 11}, EMPTY_TILE);
                SetCells(trial, {9, 10}, tile);
            }
            break;
        case 3:
            if (cells[3] == EMPTY_TILE) {
                SetCells(trial, {3, 7}, tile);
                SetCells(trial, {5, 11}, EMPTY_TILE);
            } else {
                SetCells(trial, {3, 7}, EMPTY_TILE);
                SetCells(trial, {5, 11}, tile);
            }
            break;
        default: {
            const int* source = clockwise ? CLOCKWISE_SOURCE : COUNTER_CLOCKWISE_SOURCE;
            for (int i = 0; i < 8; ++i)
                trial[TURNED_CELLS[i]] = cells[source[i]];
            break;
        }
    }
}

bool CQuarvelPiece::rotate(const CQuarvelBoard& board, bool clockwise) {
    if (kind == NO_PIECE) return false;
    PieceGrid trial;
    turnedCells(clockwise, trial);
    // No wall kick: the turn happens in place or not at all.
    if (collides(board, trial, x, y)) return false;
    std::memcpy(cells, trial, sizeof cells);
    return true;
}

bool CQuarvelPiece::rotateClockwise(const CQuarvelBoard& board) {
    return rotate(board, true);
}
bool CQuarvelPiece::rotateCounterClockwise(const CQuarvelBoard& board) {
    return rotate(board, false);
}

void CQuarvelPiece::stamp(CQuarvelBoard& board) const {
    if (kind == NO_PIECE) return;
    for (int i = 0; i < PIECE_CELLS; ++i) {
        if (cells[i] != EMPTY_TILE) board.setBoardCell(x + i % 4, y + i / 4, cells[i]);
    }
}

bool CQuarvelPiece::placeAtSpawn(const CQuarvelBoard& board) {
    x = 3;
    y = -2;
    while (collides(board, cells, x, y)) {
        if (++y >= 1) return false;
    }
    return true;
}
