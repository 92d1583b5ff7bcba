#include <cstring>

#include "rules_test_support.h"

namespace {

class PieceTest : public RulesTest {
  protected:
    void SetUp() override {
        RulesTest::SetUp();
        std::memset(game.board, EMPTY_TILE, sizeof game.board);
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

TEST_F(PieceTest, EverythingOutsideTheBoardIsFilled) {
    EXPECT_EQ(game.boardCell(-1, 0), 1);
    EXPECT_EQ(game.boardCell(10, 0), 1);
    EXPECT_EQ(game.boardCell(0, -1), 1);
    EXPECT_EQ(game.boardCell(0, 20), 1);
    EXPECT_EQ(game.boardCell(9, 19), EMPTY_TILE);

    std::uint8_t before[BOARD_CELLS];
    std::memcpy(before, game.board, sizeof before);
    game.setBoardCell(-1, 0, 3);
    game.setBoardCell(10, 0, 3);
    game.setBoardCell(0, -1, 3);
    game.setBoardCell(0, 20, 3);
    EXPECT_EQ(std::memcmp(before, game.board, sizeof before), 0);
}

TEST_F(PieceTest, ShapeTableInvariants) {
    for (int kind = 0; kind < SHAPE_COUNT; ++kind) {
        const std::uint8_t* mask = pieceShapeTable[kind];
        bool row1 = mask[4] || mask[5] || mask[6] || mask[7];
        bool row3 = mask[12] || mask[13] || mask[14] || mask[15];
        bool column0 = mask[0] || mask[4] || mask[8] || mask[12];
        EXPECT_TRUE(row1) << kind;
        EXPECT_FALSE(row3) << kind;
        EXPECT_EQ(column0, kind == 1) << kind;
    }
}

TEST_F(PieceTest, SetKind) {
    CQuarvelPiece p;
    p.reset();
    EXPECT_TRUE(p.setKind(20, 2));
    EXPECT_EQ(FilledCells(p), (std::vector<int>{2, 6, 7, 9, 10}));
    EXPECT_EQ(p.cells[2], 2);
    EXPECT_EQ(p.x, 3);
    EXPECT_EQ(p.y, 0);

    p.x = 5;
    EXPECT_FALSE(p.setKind(21, 0));
    EXPECT_EQ(p.kind, 21);
    EXPECT_EQ(FilledCells(p), (std::vector<int>{2, 6, 7, 9, 10}));  // cells kept
    EXPECT_EQ(p.x, 5);
    EXPECT_FALSE(p.setKind(-5, 0));  // never indexes outside the table
}

TEST_F(PieceTest, PieceWithoutShapeIsInert) {
    CQuarvelPiece p;
    p.reset();
    EXPECT_FALSE(p.collides(game, pieceShapeTable[0], -5, -5));
    EXPECT_FALSE(p.moveLeft(game));
    EXPECT_FALSE(p.moveDown(game));
    EXPECT_FALSE(p.rotateClockwise(game));
    std::uint8_t before[BOARD_CELLS];
    std::memcpy(before, game.board, sizeof before);
    p.stamp(game);
    EXPECT_EQ(std::memcmp(before, game.board, sizeof before), 0);
}

TEST_F(PieceTest, MovesStopAtEveryEdgeAndAtTiles) {
    CQuarvelPiece p;
    p.setKind(0, 0);  // occupies grid columns 1-2, rows 1-2
    p.y = 5;
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

TEST_F(PieceTest, BarRotationNeedsRoomAboveAndNeverKicks) {
    CQuarvelPiece p;
    p.setKind(1, 1);
    ASSERT_TRUE(p.placeAtSpawn(game));
    EXPECT_EQ(p.y, -1);  // fills board row 0, columns 3-6
    EXPECT_FALSE(p.rotateClockwise(game));
    ASSERT_TRUE(p.moveDown(game));
    ASSERT_TRUE(p.rotateClockwise(game));
    EXPECT_EQ(FilledCells(p), (std::vector<int>{2, 6, 10, 14}));  // column 5, rows 0-3
    ASSERT_TRUE(p.rotateCounterClockwise(game));
    EXPECT_EQ(FilledCells(p), (std::vector<int>{4, 5, 6, 7}));

    // Standing vertically at the right wall, the turn would leave the board.
    ASSERT_TRUE(p.rotateClockwise(game));
    while (p.moveRight(game)) {
    }
    EXPECT_EQ(p.x, 7);
    EXPECT_FALSE(p.rotateClockwise(game));
    EXPECT_FALSE(p.rotateClockwise(game));
    EXPECT_EQ(p.x, 7);
    EXPECT_EQ(FilledCells(p), (std::vector<int>{2, 6, 10, 14}));
}

TEST_F(PieceTest, RotationCycles) {
    for (int kind : {2, 3}) {
        CQuarvelPiece p;
        p.setKind(kind, 0);
        p.y = 5;
        auto start = FilledCells(p);
        ASSERT_TRUE(p.rotateClockwise(game));
        EXPECT_NE(FilledCells(p), start);
        ASSERT_TRUE(p.rotateCounterClockwise(game));  // both directions toggle
        EXPECT_EQ(FilledCells(p), start);
        ASSERT_TRUE(p.rotateCounterClockwise(game));
        ASSERT_TRUE(p.rotateCounterClockwise(game));
        EXPECT_EQ(FilledCells(p), start);
    }

    CQuarvelPiece t;
    t.setKind(4, 4);
    t.y = 5;
    auto start = FilledCells(t);
    ASSERT_TRUE(t.rotateClockwise(game));
    EXPECT_EQ(FilledCells(t), (std::vector<int>{1, 2, 6, 10}));
    ASSERT_TRUE(t.rotateCounterClockwise(game));
    EXPECT_EQ(FilledCells(t), start);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(t.rotateClockwise(game));
    EXPECT_EQ(FilledCells(t), start);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(t.rotateCounterClockwise(game));
    EXPECT_EQ(FilledCells(t), start);

    // The square turns successfully without changing.
    CQuarvelPiece o;
    o.setKind(0, 0);
    o.y = 5;
    EXPECT_TRUE(o.rotateClockwise(game));
    EXPECT_EQ(FilledCells(o), (std::vector<int>{5, 6, 9, 10}));
}

TEST_F(PieceTest, RotationBlockedByTileLeavesPieceUnchanged) {
    CQuarvelPiece p;
    p.setKind(4, 4);
    p.x = 3;
    p.y = 5;
    game.setBoardCell(5, 5, 2);  // where cell 2 would go in a clockwise turn
    EXPECT_FALSE(p.rotateClockwise(game));
    EXPECT_EQ(FilledCells(p), (std::vector<int>{5, 6, 7, 9}));
    EXPECT_EQ(p.x, 3);
    EXPECT_EQ(p.y, 5);
}

TEST_F(PieceTest, SpawnRowsByShapeAndBlockedSpawns) {
    CQuarvelPiece p;
    p.setKind(9, 0);  // has a cell in grid row 0
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
