#include <cstring>

#include "rules_test_support.h"

namespace {

class PieceTest : public RulesTest {
  protected:
    void SetUp() override {
        RulesTest::SetUp();
        std::memset(game.board, EMPTY_TILE, sizeof game.board);
    }
    // A piece of `kind` (tile = kind) at (x, y) on the empty board.
    static CQuarvelPiece At(std::int32_t kind, std::int32_t x, std::int32_t y) {
        CQuarvelPiece p;
        p.setKind(kind, static_cast<std::uint8_t>(kind));
        p.x = x;
        p.y = y;
        return p;
    }
    RecordingGame game;
};

std::vector<int> FilledCells(const CQuarvelPiece& p) {
    std::vector<int> cells;
    for (int i = 0; i < PIECE_CELLS; ++i) {
        if (p.cells[i] != EMPTY_TILE) cells.push_back(i);
    }
    return cells;
}

// Outside the board everything reads as filled and nothing is written; a piece
// without a shape never touches it, and a kind outside the table is refused.
TEST_F(PieceTest, NothingReachesOutsideTheBoardOrTheShapeTable) {
    for (auto [c, r] : {std::pair{-1, 0}, {10, 0}, {0, -1}, {0, 20}}) {
        EXPECT_EQ(game.boardCell(c, r), 1);
        game.setBoardCell(c, r, 3);
    }
    CQuarvelPiece p;
    p.reset();
    EXPECT_FALSE(p.collides(game, pieceShapeTable[0], -5, -5));
    EXPECT_FALSE(p.moveLeft(game) || p.moveDown(game) || p.rotateClockwise(game));
    p.stamp(game);
    for (std::uint8_t cell : game.board)
        ASSERT_EQ(cell, EMPTY_TILE);
    EXPECT_FALSE(p.setKind(SHAPE_COUNT, 0));
    EXPECT_FALSE(p.setKind(-5, 0));
}

TEST_F(PieceTest, MovesStopAtEveryEdgeAndAtTiles) {
    CQuarvelPiece p = At(0, 3, 5);  // occupies grid columns 1-2, rows 1-2
    while (p.moveLeft(game)) {
    }
    EXPECT_EQ(p.x, -1);
    while (p.moveRight(game)) {
    }
    EXPECT_EQ(p.x, 7);
    while (p.moveDown(game)) {
    }
    EXPECT_EQ(p.y, 17);  // grid row 2 on board row 19
    EXPECT_FALSE(p.collides(game, p.cells, 7, -1));
    EXPECT_TRUE(p.collides(game, p.cells, 7, -2));  // grid row 1 above the board

    game.setBoardCell(5, 10, 4);
    p.x = 3;
    p.y = 5;
    while (p.moveDown(game)) {
    }
    EXPECT_EQ(p.y, 7);  // grid row 2 (board row 9) rests on the tile in row 10
}

// A turn that would collide is refused and the piece stays where and as it was.
TEST_F(PieceTest, RotationNeedsRoomAndNeverKicks) {
    CQuarvelPiece p = At(1, 3, 0);
    ASSERT_TRUE(p.placeAtSpawn(game));
    EXPECT_EQ(p.y, -1);  // the bar fills board row 0, columns 3-6
    EXPECT_FALSE(p.rotateClockwise(game));
    ASSERT_TRUE(p.moveDown(game));
    ASSERT_TRUE(p.rotateClockwise(game));
    EXPECT_EQ(FilledCells(p), (std::vector<int>{2, 6, 10, 14}));  // column 5, rows 0-3
    while (p.moveRight(game)) {
    }
    EXPECT_EQ(p.x, 7);
    EXPECT_FALSE(p.rotateClockwise(game));  // would leave the board at the right wall
    EXPECT_EQ(p.x, 7);
    EXPECT_EQ(FilledCells(p), (std::vector<int>{2, 6, 10, 14}));

    CQuarvelPiece t = At(4, 3, 5);
    game.setBoardCell(5, 5, 2);  // where cell 2 would go in a clockwise turn
    EXPECT_FALSE(t.rotateClockwise(game));
    EXPECT_EQ(FilledCells(t), (std::vector<int>{5, 6, 7, 9}));
    EXPECT_EQ(t.y, 5);
}

// A turn and the turn back give the shape it started with; four turns either
// way too. The T turned clockwise fills cells 1, 2, 6 and 10; the square turns
// without changing.
TEST_F(PieceTest, RotationCycles) {
    for (int kind : {0, 1, 2, 3, 4, 5, 9, 20}) {
        CQuarvelPiece p = At(kind, 3, 5);
        const auto start = FilledCells(p);
        ASSERT_TRUE(p.rotateClockwise(game) && p.rotateCounterClockwise(game)) << kind;
        EXPECT_EQ(FilledCells(p), start) << kind;
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(p.rotateCounterClockwise(game)) << kind;
        EXPECT_EQ(FilledCells(p), start) << kind;
        ASSERT_TRUE(p.rotateClockwise(game));
        EXPECT_EQ(FilledCells(p) == start, kind == 0) << kind;
        EXPECT_TRUE(kind != 4 || FilledCells(p) == (std::vector<int>{1, 2, 6, 10}));
    }
}

TEST_F(PieceTest, SpawnRowsByShapeAndBlockedSpawns) {
    CQuarvelPiece p = At(9, 0, 0);  // has a cell in grid row 0
    ASSERT_TRUE(p.placeAtSpawn(game));
    EXPECT_EQ(p.x, 3);
    EXPECT_EQ(p.y, 0);
    p.setKind(0, 0);
    ASSERT_TRUE(p.placeAtSpawn(game));
    EXPECT_EQ(p.y, -1);

    game.setBoardCell(4, 0, 7);
    ASSERT_TRUE(p.placeAtSpawn(game));
    EXPECT_EQ(p.y, 0);  // rows 1 and 2
    game.setBoardCell(5, 2, 7);
    EXPECT_FALSE(p.placeAtSpawn(game));
    EXPECT_EQ(p.y, 1);
}

TEST_F(PieceTest, StampAndShadow) {
    PlacePiece(game, 5, 3, 0);  // cells 5 6 7 11: row 1 columns 4-6, row 2 column 6
    SetBoard(game, {"......#..."});
    game.updateShadow();
    EXPECT_EQ(game.shadowPiece.y, 16);  // column 6 rests on the tile in row 19
    EXPECT_EQ(game.shadowPiece.x, 3);
    game.shadowPiece.stamp(game);
    EXPECT_EQ(BoardRow(game, 17), "....555...");
    EXPECT_EQ(BoardRow(game, 18), "......5...");
    EXPECT_EQ(BoardRow(game, 19), "......#...");
}

}  // namespace
