#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "game_screen_support.h"
#include "platform/internal/host_interface.h"
#include "platform/resources/resources.h"
#include "platform/runtime/app_keys.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/keys.h"
#include "platform/runtime/messages.h"
#include "platform/windows/windows.h"
#include "shell/back_buffer.h"
#include "shell/control_layout.h"
#include "shell/layout_text.h"
#include "shell/options.h"
#include "shell/resource_pack.h"

namespace {

std::int32_t CellX(const TestLayout& l, std::int32_t column) {
    return l.boardLeft + column * l.tileSize;
}
std::int32_t CellY(const TestLayout& l, std::int32_t row) {
    return l.boardTop + row * l.tileSize;
}

int Count(const std::vector<std::string>& lines, const std::string& part) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.find(part) != std::string::npos;
    }));
}

TEST_F(GameScreenTest, FirstPieceWaitsEightTicksButMovesOnAKey) {
    Begin();
    Tick();
    ASSERT_EQ(screen.state, GameState::Falling);
    std::int32_t y = screen.piece.y, x = screen.piece.x;
    Key(37, true);
    Key(37, false);
    EXPECT_EQ(screen.piece.x, x - 1);
    Tick(8);
    EXPECT_EQ(screen.piece.y, y);
    std::int32_t ticks = screen.tickCount;
    Tick(25);  // one gravity period at level 1
    EXPECT_EQ(screen.piece.y, y + 1);
    EXPECT_EQ(screen.tickCount, ticks + 25);
}

TEST_F(GameScreenTest, FourRowLandingSoundsScoresAndAnimates) {
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
    std::int32_t ticksBefore = screen.tickCount;
    options.single_press_drop = 1;
    Key(40, true);
    Key(40, false);
    ASSERT_EQ(screen.state, GameState::ClearRow);
    int frames = 0;
    while (screen.state != GameState::Spawn && frames < 200) {
        Tick();
        ++frames;
    }
    EXPECT_EQ(screen.score, 15 + 30 + 60 + 90 + 120);
    EXPECT_EQ(screen.lines, 4);
    // 6 ticks per ordinary row and 14 for the fourth, each followed by removing and
    // closing up, then the tick that finds no row; gravity did not advance meanwhile.
    EXPECT_EQ(frames, 3 * (6 + 2) + (14 + 2) + 1);
    EXPECT_EQ(screen.tickCount, ticksBefore + 3 * 1 + 1 + 1);
    auto lines = TakeLog();
    EXPECT_EQ(Count(lines, "sound WAVE/sndPop async"), 3);
    EXPECT_EQ(Count(lines, "sound WAVE/sndQuarvel async"), 1);
    EXPECT_EQ(Count(lines, "sound WAVE/sndDrop"), 0);
}

TEST_F(GameScreenTest, LevelRiseSkipsItsRedraw) {
    options.rising_junk = 0;
    Begin(0, 4);
    Tick();  // the first frame builds the sprite surface with its background
    screen.frameDelay = 0;
    screen.rowsRemoved = 9;
    for (int c = 0; c < 10; ++c)
        screen.setBoardCell(c, 19, 2);
    screen.state = GameState::RemoveRow;
    ComposeScreen();
    Rect changed;
    Tick();
    ComposeScreen(&changed);
    EXPECT_EQ(screen.level, 5);
    EXPECT_EQ(changed, Rect{});
    EXPECT_EQ(Count(TakeLog(), "sound WAVE/sndLevel sync"), 1);  // the background changed
    Tick();
    ComposeScreen(&changed);
    EXPECT_NE(changed, Rect{});
}

TEST_F(GameScreenTest, TapsPauseAndGameOverReport) {
    screen.pause();
    EXPECT_FALSE(screen.paused);  // before any game
    Begin();
    Tick(3);
    screen.onMessage(WM_LBUTTONDOWN, 1, 0);
    EXPECT_FALSE(screen.paused);
    Message m;
    ClearPostedMessages();
    screen.onMessage(WM_COMMAND, PAUSE_COMMAND, 0);
    ASSERT_TRUE(screen.paused);
    EXPECT_EQ(screen.board[0], JUNK_TILE);
    screen.onMessage(WM_LBUTTONDOWN, 1, 0);
    EXPECT_FALSE(screen.paused);

    // Deactivation pauses and releases the application keys; activation does not resume.
    controlLayout.drop_key = 195;
    screen.onMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(AppKeyWindow(195), window);
    screen.onMessage(WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_TRUE(screen.paused);
    EXPECT_EQ(AppKeyWindow(195), nullptr);
    screen.onMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(screen.paused);
    controlLayout.drop_key = 40;
    screen.onMessage(WM_COMMAND, PAUSE_COMMAND, 0);

    screen.state = GameState::GameOver;
    screen.pause();
    EXPECT_FALSE(screen.paused);
    EXPECT_FALSE(TakePostedMessage(m));
    screen.onMessage(WM_LBUTTONDOWN, 1, 0);
    ASSERT_TRUE(TakePostedMessage(m));
    EXPECT_EQ(m.message, WM_GAME_OVER_REPORT);
    EXPECT_EQ(m.window, window);
    // A double tap, or a tap and a key release, reports only once.
    screen.onMessage(WM_LBUTTONDOWN, 1, 0);
    screen.onMessage(WM_KEYUP, 134, 0);
    EXPECT_FALSE(TakePostedMessage(m));
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
    EXPECT_EQ(ScreenPixel(CellX(layout, 0) + 3, CellY(layout, 0) + 3), TileColour(2, 1));
    EXPECT_EQ(ScreenPixel(CellX(layout, 3) + 3, CellY(layout, 5) + 3), TileColour(4, 0));
    screen.frameCount = 175;  // bright by the second rule
    screen.redraw(nullptr, RedrawArea::Whole, -1);
    EXPECT_EQ(ScreenPixel(CellX(layout, 0) + 3, CellY(layout, 0) + 3), TileColour(2, 1));
    screen.frameCount = 48;
    screen.redraw(nullptr, RedrawArea::Whole, -1);
    EXPECT_EQ(ScreenPixel(CellX(layout, 0) + 3, CellY(layout, 0) + 3), TileColour(2, 0));

    screen.redraw(nullptr, RedrawArea::Whole, 5);  // row 5 skipped: the background shows
    EXPECT_EQ(ScreenPixel(CellX(layout, 3) + 3, CellY(layout, 5) + 3), BackgroundColour(109));

    screen.pause();
    // Every cell is a translucent tile tinted by the background; the banner is drawn.
    Colour bg = BackgroundColour(109);
    Colour inside = ScreenPixel(CellX(layout, 7) + layout.tileSize / 2,
                                CellY(layout, 12) + layout.tileSize / 2);
    EXPECT_EQ(RedOf(inside), std::max(RedOf(bg) - 32, 0));
    EXPECT_EQ(BlueOf(inside), std::max(BlueOf(bg) - 32, 0));
    EXPECT_EQ(ScreenPixel(CellX(layout, 7), CellY(layout, 12)), bg);  // the rounded corner
    std::int32_t bx = (layout.width - 100) / 2, by = (layout.height - 46) / 4;
    EXPECT_EQ(ScreenPixel(bx + 50, by + 23), PAUSE_BANNER_COLOUR);
    EXPECT_EQ(ScreenPixel(bx + 1, by + 1), Rgb(0, 0, 0));  // magenta left the sprite's black
}

TEST_F(GameScreenTest, PreviewsAtFullAndHalfSize) {
    Begin();
    Tick();
    screen.nextPiece.setKind(0, 0);  // cells 5, 6, 9, 10
    screen.nextNextPiece.setKind(0, 0);
    screen.redraw(nullptr, RedrawArea::Whole, -1);
    const std::int32_t ts = layout.tileSize, px = layout.boardLeft + 10 * ts + 8;
    EXPECT_EQ(ScreenPixel(px + ts + 2, 30 + ts + 2), TileColour(0, 0));
    EXPECT_EQ(ScreenPixel(px + 2, 30 + 2), BackgroundColour(109));
    // Half size: cell (1, 1) at p = ts / 2, a 7-pixel tile inset by (14 - 7) >> 1 = 3.
    const std::int32_t p = ts / 2, s = ts * 50 / 100, inset = (ts - s) >> 1;
    EXPECT_EQ(ScreenPixel(px + p + inset + 1, 100 + p + inset + 1), TileColour(0, 0));
    EXPECT_EQ(ScreenPixel(px + p + inset - 1, 100 + p + inset + 1),
              BackgroundColour(109));  // inset
    EXPECT_EQ(ScreenPixel(px + p + inset + 1, 100 + inset + 1),
              BackgroundColour(109));  // cell (1, 0)
}

TEST_F(GameScreenTest, PauseBannerIntactWithLargeTiles) {
    // Tiles of 14 pixels: a whole four-variant sheet would reach y = 56 of the
    // sprite surface and overwrite the top of the pause banner at y = 52.
    Begin();
    Tick();
    screen.pause();
    std::int32_t bx = (layout.width - 100) / 2, by = (layout.height - 46) / 4;
    // The banner's top rows (its magenta frame, black in the sprite) stay black.
    for (std::int32_t y = 0; y < 4; ++y)
        EXPECT_EQ(ScreenPixel(bx + 20, by + y), Rgb(0, 0, 0)) << y;
    EXPECT_EQ(ScreenPixel(bx + 20, by + 4), PAUSE_BANNER_COLOUR);
}

}  // namespace

namespace {

// The test pack again with another layout text, loaded the way start-up loads
// a pack (game_width and game_height read by LoadResourcePack).
void LoadPackWithLayout(CQuarvelGameWnd& screen, const std::filesystem::path& dir,
                        const std::string& layoutText) {
    std::ofstream(dir / "src/TEXT/101.txt", std::ios::trunc) << layoutText;
    const std::filesystem::path folder = dir / "packs";
    std::filesystem::create_directories(folder);
    const std::string command = std::string(PACK_BUILD_TOOL) + " " + (dir / "src").string() +
                                " " + (folder / "240x320.dll").string();
    ASSERT_EQ(std::system(command.c_str()), 0);
    screen.onLeave();
    DeleteBackBuffer();
    FreeModule(resourcePack);
    LayoutMap.clear();
    SetModuleFolder(folder.c_str());
    ASSERT_TRUE(LoadResourcePack(240, 320));
    SetModuleFolder(nullptr);
    // The main window keeps its fonts for the whole run; here they are made again.
    DeleteFont(normalFont);
    DeleteFont(boldFont);
    CreateBackBuffer(nullptr);
}

}  // namespace

// Layout numbers at the ends of the 32-bit range, as a damaged or hostile pack
// may hold them: sizes are computed without overflow (the sanitizer build checks
// every step), an absurd game size gives no back buffer, and the game still
// plays, clears rows and ends.
TEST_F(GameScreenTest, AbsurdLayoutNumbersNeverOverflow) {
    const char* const extremes[] = {"2147483647", "-2147483648", "99999999999", "-1"};
    for (const char* size : extremes) {
        for (const char* place : extremes) {
            std::string text;
            for (const char* key : {"game_width", "game_height", "board_tile_size"})
                text += std::string(key) + ": " + size + "\n";
            for (const char* key : {"board_left", "board_top", "next_piece_x", "next_piece_y",
                                    "next_next_piece_x", "next_next_piece_y"})
                text += std::string(key) + ": " + place + "\n";
            for (const char* key : {"next_piece_label_rect", "score_label_rect", "score_rect",
                                    "level_rect", "lines_rect"}) {
                text += std::string(key) + ": " + place + "," + size + "," + size + "," + place +
                        "\n";
            }
            LoadPackWithLayout(screen, dir, text);
            EXPECT_LE(std::abs(std::int64_t{gameWidth}), MAX_LAYOUT_PIXELS);
            if (std::string(size) != "-1") {
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
