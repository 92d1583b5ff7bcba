#include <cstdlib>
#include <cstring>

#include "game_screen_support.h"
#include "tests/support/test_files.h"

namespace {

constexpr std::int32_t CellX(std::int32_t column) {
    return BOARD_LEFT + column * TILE;
}
constexpr std::int32_t CellY(std::int32_t row) {
    return BOARD_TOP + row * TILE;
}

int Count(const std::vector<std::string>& lines, const std::string& part) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.find(part) != std::string::npos;
    }));
}

// Four rows at level 3 score 15 for the drop and 300 for the rows. The row
// animation takes 6 ticks for an ordinary row and 14 for the fourth, with their
// sounds; gravity does not advance meanwhile.
TEST_F(GameScreenTest, FourRowLandingSoundsAndAnimates) {
    options.rising_junk = 0;
    Begin(0, 3);
    Tick(9);
    for (int r = 16; r < 20; ++r) {
        for (int c = 1; c < 10; ++c)
            screen.setBoardCell(c, r, 5);
    }
    screen.piece.setKind(1, 1);
    screen.piece.turnedCells(true, screen.piece.cells);
    screen.piece.x = -2;
    screen.piece.y = 0;
    options.single_press_drop = 1;
    Key(VK_DOWN, true);
    Key(VK_DOWN, false);
    ASSERT_EQ(screen.state, GameState::ClearRow);
    int frames = 0;
    while (screen.state != GameState::Spawn && frames < 200) {
        Tick();
        ++frames;
    }
    EXPECT_EQ(screen.lines, 4);
    EXPECT_EQ(screen.score, 315);
    EXPECT_EQ(std::count(screen.board, screen.board + 200, EMPTY_TILE), 200);
    // Each row's frames, then removing and closing up; then the tick that finds no row.
    EXPECT_EQ(frames, 3 * (6 + 2) + (14 + 2) + 1);
    const auto lines = TakeLog();
    EXPECT_EQ(Count(lines, "sound WAVE/sndPop async"), 3);
    EXPECT_EQ(Count(lines, "sound WAVE/sndQuarvel async"), 1);
    EXPECT_EQ(Count(lines, "sound WAVE/sndDrop"), 0);
}

// The tick of a level rise draws nothing; the level sound plays because the
// picture changes from level 4 to 5 (and not from 5 to 6).
TEST_F(GameScreenTest, LevelRiseSkipsItsRedrawAndSoundsOnANewBackground) {
    options.rising_junk = 0;
    Begin(0, 4);
    Tick();  // the first frame builds the sprite surface with its background
    for (int rise = 0; rise < 2; ++rise) {
        screen.frameDelay = 0;
        screen.rowsRemoved = 9 + 10 * rise;
        for (int c = 0; c < 10; ++c)
            screen.setBoardCell(c, 19, 2);
        screen.state = GameState::RemoveRow;
        ComposeScreen();
        Rect changed;
        Tick();
        ComposeScreen(&changed);
        EXPECT_EQ(screen.level, 5 + rise);
        EXPECT_EQ(changed, Rect{});
        EXPECT_EQ(Count(TakeLog(), "sound WAVE/sndLevel sync"), rise == 0 ? 1 : 0);
        Tick();
        ComposeScreen(&changed);
        EXPECT_NE(changed, Rect{});
    }
}

// A tap resumes a paused game; deactivation pauses and releases the application
// keys, activation claims them without resuming. (A tap at the game's end is
// pinned end to end.)
TEST_F(GameScreenTest, TapsAndActivation) {
    Begin();
    Tick(3);
    screen.onMessage(WM_COMMAND, PAUSE_COMMAND, 0);
    ASSERT_TRUE(screen.paused);
    screen.onMessage(WM_LBUTTONDOWN, 1, 0);
    EXPECT_FALSE(screen.paused);

    controlLayout.drop_key = VK_APP1 + 2;
    screen.onMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(AppKeyWindow(VK_APP1 + 2), window);
    screen.onMessage(WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_TRUE(screen.paused);
    EXPECT_EQ(AppKeyWindow(VK_APP1 + 2), nullptr);
    screen.onMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(screen.paused);
}

TEST_F(GameScreenTest, GameOverAnimationTakes49StepsAndEmptiesTheBoard) {
    Begin(0, 12);
    for (int r = 0; r < 20; ++r) {
        for (int c = 0; c < 10; c += 2)
            screen.setBoardCell(c, r, 3);
    }
    screen.state = GameState::Spawn;
    Tick();  // the spawn fails
    ASSERT_EQ(screen.state, GameState::GameOver);
    EXPECT_EQ(Count(TakeLog(), "sound WAVE/sndLose sync"), 1);
    Tick(2);  // steps 0 and 1: row 0 hidden
    EXPECT_EQ(screen.hiddenRows[0], 1);
    EXPECT_EQ(screen.hiddenRows[1], 0);
    Tick(47);  // steps 2 to 48
    EXPECT_TRUE(screen.explodingAnim.finished);
    EXPECT_EQ(screen.explodingAnim.frame, 49);
    for (std::uint8_t cell : screen.board)
        ASSERT_EQ(cell, EMPTY_TILE);
    for (std::int32_t hidden : screen.hiddenRows)
        EXPECT_EQ(hidden, 1);
}

TEST_F(GameScreenTest, PixelsOfBoardGlintsSkippedRowsAndPause) {
    Begin();
    screen.setBoardCell(0, 0, 2);
    screen.setBoardCell(3, 5, 4);
    screen.frameCount = 0;  // the cell of column 0, row 0 is bright
    screen.redraw(nullptr, RedrawArea::Whole, -1);
    EXPECT_EQ(ScreenPixel(CellX(0) + 3, CellY(0) + 3), TileColour(2, 1));
    EXPECT_EQ(ScreenPixel(CellX(3) + 3, CellY(5) + 3), TileColour(4, 0));
    screen.frameCount = 175;  // bright by the second rule
    screen.redraw(nullptr, RedrawArea::Whole, -1);
    EXPECT_EQ(ScreenPixel(CellX(0) + 3, CellY(0) + 3), TileColour(2, 1));
    screen.frameCount = 48;
    screen.redraw(nullptr, RedrawArea::Whole, -1);
    EXPECT_EQ(ScreenPixel(CellX(0) + 3, CellY(0) + 3), TileColour(2, 0));

    screen.redraw(nullptr, RedrawArea::Whole, 5);  // row 5 skipped: the background shows
    EXPECT_EQ(ScreenPixel(CellX(3) + 3, CellY(5) + 3), BackgroundColour(109));

    screen.pause();
    // Every cell is a translucent tile tinted by the background; the banner is
    // drawn whole (the tile sheet's lower variants would reach into it).
    const Colour bg = BackgroundColour(109);
    const Colour inside = ScreenPixel(CellX(7) + TILE / 2, CellY(12) + TILE / 2);
    EXPECT_EQ(RedOf(inside), std::max(RedOf(bg) - 32, 0));
    EXPECT_EQ(BlueOf(inside), std::max(BlueOf(bg) - 32, 0));
    EXPECT_EQ(ScreenPixel(CellX(7), CellY(12)), bg);  // the rounded corner
    const std::int32_t bx = (GAME_WIDTH - 100) / 2, by = (GAME_HEIGHT - 46) / 4;
    EXPECT_EQ(ScreenPixel(bx + 50, by + 23), PAUSE_BANNER_COLOUR);
    EXPECT_EQ(ScreenPixel(bx + 1, by + 1), Rgb(0, 0, 0));  // magenta left the sprite's black
}

// The playfield as the back buffer holds it, its border included.
std::vector<std::uint32_t> PlayfieldPixels() {
    const PixelRows p = BitmapPixels(backBitmap);
    std::vector<std::uint32_t> pixels;
    for (std::int32_t y = BOARD_TOP - 1; y <= CellY(20); ++y) {
        const std::uint32_t* row = p.pixels + std::ptrdiff_t{y} * p.pitch;
        pixels.insert(pixels.end(), row + BOARD_LEFT - 1, row + CellX(10) + 1);
    }
    return pixels;
}

// Frames of the playfield alone draw only the cells that changed. Through games
// of moves, turns, drops, landings, cleared rows, pauses and the shadow turned
// off and on, each such frame must equal the same frame drawn whole.
TEST_F(GameScreenTest, FramesOfChangedCellsEqualWholeFrames) {
    std::uint32_t random = 7;
    auto next = [&random](std::uint32_t below) {
        random = random * 1103515245 + 12345;
        return (random >> 16) % below;
    };
    int compared = 0;
    Begin(8, 1);
    for (int tick = 0; tick < 3000; ++tick) {
        if (screen.state == GameState::GameOver) Begin(8, 1 + next(20));
        const std::uint32_t keys[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_RETURN, VK_DOWN};
        if (next(3) == 0) {
            const std::uint32_t key = keys[next(5)];
            Key(key, true);
            Key(key, false);
        }
        if (next(200) == 0) {  // paused, then resumed by a tap
            screen.onMessage(WM_COMMAND, PAUSE_COMMAND, 0);
            screen.onMessage(WM_LBUTTONDOWN, 0, 0);
        }
        if (next(300) == 0) options.show_shadow = !options.show_shadow;
        const bool known = screen.drawnCellsKnown;
        Tick();
        if (!known || !screen.drawnCellsKnown) continue;  // drawn whole anyway
        const std::vector<std::uint32_t> changed = PlayfieldPixels();
        screen.drawnCellsKnown = false;
        screen.compose(nullptr, RedrawArea::Playfield, -1);
        ASSERT_EQ(changed, PlayfieldPixels()) << "tick " << tick;
        ++compared;
    }
    EXPECT_GT(compared, 2000);

    // A piece put partly above the board (no game puts one there) draws on the
    // playfield's border, and the next frame must clear it.
    Begin(0, 1);
    Tick(2);
    const std::int32_t row = screen.piece.y;
    for (const std::int32_t y : {-2, row}) {
        screen.piece.y = y;
        screen.redraw(nullptr, RedrawArea::Playfield, -1);
        const std::vector<std::uint32_t> changed = PlayfieldPixels();
        screen.drawnCellsKnown = false;
        screen.compose(nullptr, RedrawArea::Playfield, -1);
        EXPECT_EQ(changed, PlayfieldPixels()) << "piece at row " << y;
    }
}

TEST_F(GameScreenTest, PreviewsAtFullAndHalfSize) {
    Begin();
    Tick();
    screen.nextPiece.setKind(0, 0);  // cells 5, 6, 9, 10
    screen.nextNextPiece.setKind(0, 0);
    screen.redraw(nullptr, RedrawArea::Whole, -1);
    EXPECT_EQ(ScreenPixel(PANEL_X + TILE + 2, 30 + TILE + 2), TileColour(0, 0));
    EXPECT_EQ(ScreenPixel(PANEL_X + 2, 30 + 2), BackgroundColour(109));
    // Half size: cell (1, 1) at p = TILE / 2, a 7-pixel tile inset by (14 - 7) >> 1 = 3.
    const std::int32_t p = TILE / 2, inset = (TILE - TILE * 50 / 100) >> 1;
    EXPECT_EQ(ScreenPixel(PANEL_X + p + inset + 1, 100 + p + inset + 1), TileColour(0, 0));
    EXPECT_EQ(ScreenPixel(PANEL_X + p + inset - 1, 100 + p + inset + 1), BackgroundColour(109));
    EXPECT_EQ(ScreenPixel(PANEL_X + p + inset + 1, 100 + inset + 1), BackgroundColour(109));
}

// Layout numbers at the ends of the 32-bit range, as a damaged or hostile pack
// may hold them: sizes are computed without overflow (the sanitizer build checks
// every step), an absurd game size gives no back buffer, and the game still
// plays, clears rows and ends.
TEST_F(GameScreenTest, AbsurdLayoutNumbersNeverOverflow) {
    // Every size and every place of the layout, each set to one of the extremes.
    const std::string layout = FileText(TABLES "/absurd_layout.txt");
    ASSERT_NE(layout.find("SIZE"), std::string::npos);
    const std::string extremes[] = {"2147483647", "-2147483648", "99999999999", "-1"};
    for (const std::string& size : extremes) {
        for (const std::string& place : extremes) {
            std::string text = layout;
            for (const auto& [name, value] : {std::pair{"SIZE", size}, {"PLACE", place}}) {
                for (std::size_t at; (at = text.find(name)) != std::string::npos;)
                    text.replace(at, std::strlen(name), value);
            }
            LoadPack(text);
            EXPECT_LE(std::abs(std::int64_t{gameWidth}), MAX_LAYOUT_PIXELS);
            if (size != "-1") {
                EXPECT_EQ(backBitmap, nullptr);
            }

            Begin(4, 19);
            for (int r = 16; r < 20; ++r) {
                for (int c = 0; c < 10; ++c)
                    screen.setBoardCell(c, r, r == 19 && c == 4 ? EMPTY_TILE : 2);
            }
            Key(VK_RIGHT, true), Key(VK_RIGHT, false);
            Tick(3);
            screen.onMessage(WM_COMMAND, PAUSE_COMMAND, 0);  // paused, drawn, resumed
            screen.onMessage(WM_LBUTTONDOWN, 0, 0);
            Key(VK_DOWN, true), Key(VK_DOWN, false), Key(VK_DOWN, true), Key(VK_DOWN, false);
            Tick(400);
            for (int r = 0; r < 20; ++r)
                screen.setBoardCell(0, r, 3);
            screen.state = GameState::Spawn;
            Tick(80);  // the spawn fails: the game-over animation runs to its end
            EXPECT_EQ(screen.state, GameState::GameOver);
            screen.redraw(nullptr, RedrawArea::Whole, -1);
        }
    }
}

}  // namespace
