// Drawing of the game screen: the sprite surface built from the pack's pictures,
// frames composed in the back buffer, and copies of the playfield or the whole
// screen to the window.
#include <algorithm>

#include "game_screen/game_wnd.h"
#include "platform/resources/resources.h"
#include "platform/text/text.h"
#include "platform/windows/windows.h"
#include "shell/back_buffer.h"
#include "shell/records/options.h"
#include "shell/resource_pack.h"

namespace {

constexpr std::int32_t BANNER_WIDTH = 100;
constexpr std::int32_t BANNER_HEIGHT = 46;
constexpr std::int32_t PAUSE_BANNER_Y = 52;
constexpr std::int32_t GAME_OVER_BANNER_Y = 98;
constexpr std::int32_t FIRST_BACKGROUND = IDB_FIRST_BACKGROUND;
constexpr std::int32_t LAST_BACKGROUND = IDB_LAST_BACKGROUND;
constexpr std::int32_t TEXT_BUFFER = 100;
// How a cell's board tile is drawn: the tile sheet's variant (normal, bright),
// or translucent as while paused.
constexpr std::uint8_t TRANSLUCENT_LOOK = 2;
// The smallest tile whose drawing stays inside its cell (the translucent tile's
// rounded rectangle is inset by a pixel).
constexpr std::int32_t MIN_CELL_TILE = 4;

// Copies a bitmap onto a surface through a temporary surface, magenta left out.
void DrawPicture(SurfaceHandle target, std::int32_t x, std::int32_t y, std::int32_t width,
                 std::int32_t height, BitmapHandle picture) {
    if (picture == nullptr) return;
    ScopedSurface source(target, picture);
    TransparentCopy(target, x, y, width, height, source.get(), 0, 0, width, height, MAGENTA);
}

std::uint8_t AddClamped(std::int32_t value, std::int32_t delta) {
    return static_cast<std::uint8_t>(std::clamp(value + delta, 0, 255));
}

}  // namespace

void CQuarvelGameWnd::createSpriteSurface(SurfaceHandle compatible) {
    if (spriteDC != nullptr) return;
    drawnCellsKnown = false;
    spriteBitmap = CreateBitmap(compatible, 2 * gameWidth, gameHeight);
    spriteDC = CreateMemorySurface(compatible);
    SelectBitmap(spriteDC, spriteBitmap);
    gameOverBitmap = LoadImageResource(resourcePack, IDB_GAME_OVER);
    DrawPicture(spriteDC, 0, GAME_OVER_BANNER_Y, BANNER_WIDTH, BANNER_HEIGHT, gameOverBitmap);
    pausedBitmap = LoadImageResource(resourcePack, IDB_PAUSED);
    DrawPicture(spriteDC, 0, PAUSE_BANNER_Y, BANNER_WIDTH, BANNER_HEIGHT, pausedBitmap);
    loadBackground(level);
    // Only the two tile variants that are drawn (normal and bright): with tiles
    // over 13 pixels the rows below them would overwrite the pause banner.
    BitmapHandle tiles = LoadBitmapResource(resourcePack, IDB_TILES);
    if (tiles != nullptr) {
        {
            ScopedSurface source(spriteDC, tiles);
            BlockCopy(spriteDC, 0, 0, 9 * tileSize, 2 * tileSize, source.get(), 0, 0);
        }
        DeleteBitmap(tiles);
    }
}

bool CQuarvelGameWnd::loadBackground(std::int32_t forLevel) {
    if (spriteDC == nullptr) return false;
    if (backgroundBitmap != nullptr) DeleteBitmap(backgroundBitmap);
    backgroundBitmap = nullptr;
    std::int32_t id =
        std::clamp(FIRST_BACKGROUND + (forLevel - 1) / 4, FIRST_BACKGROUND, LAST_BACKGROUND);
    if (id == backgroundId) return false;
    backgroundBitmap = LoadImageResource(resourcePack, static_cast<std::uint32_t>(id));
    drawnCellsKnown = false;
    DrawPicture(spriteDC, gameWidth, 0, gameWidth, gameHeight, backgroundBitmap);
    backgroundId = id;
    return true;
}

// ---- Tile primitives ----

void CQuarvelGameWnd::drawTileAt(std::uint8_t tile, std::int32_t x, std::int32_t y,
                                 std::int32_t variant) {
    drawnCellsKnown = false;
    if (tile == EMPTY_TILE) return;
    BlockCopy(backDC, x, y, tileSize, tileSize, spriteDC, tile * tileSize, variant * tileSize);
}

void CQuarvelGameWnd::drawBoardTile(std::uint8_t tile, std::int32_t column, std::int32_t row,
                                    std::int32_t variant) {
    drawTileAt(tile, boardLeft + column * tileSize, boardTop + row * tileSize, variant);
}

void CQuarvelGameWnd::drawScaledBoardTile(std::uint8_t tile, std::int32_t column, std::int32_t row,
                                          std::int32_t dx, std::int32_t dy, std::int32_t percent,
                                          std::int32_t variant) {
    drawnCellsKnown = false;
    if (tile == EMPTY_TILE) return;
    std::int32_t s = tileSize * percent / 100;
    std::int32_t inset = (tileSize - s) >> 1;
    StretchCopy(backDC, boardLeft + column * tileSize + inset + dx,
                boardTop + row * tileSize + inset + dy, s, s, spriteDC, tile * tileSize,
                variant * tileSize, tileSize, tileSize);
}

void CQuarvelGameWnd::drawScaledBoardRow(std::int32_t row, std::int32_t dx, std::int32_t dy,
                                         std::int32_t percent, std::int32_t variant) {
    for (std::int32_t c = 0; c < BOARD_COLUMNS; ++c) {
        drawScaledBoardTile(boardCell(c, row), c, row, dx, dy, percent, variant);
    }
}

void CQuarvelGameWnd::hideBoardRow(std::int32_t row) {
    if (row >= 0 && row < BOARD_ROWS) hiddenRows[row] = 1;
}

void CQuarvelGameWnd::emptyBoardRow(std::int32_t row) {
    for (std::int32_t c = 0; c < BOARD_COLUMNS; ++c)
        setBoardCell(c, row, EMPTY_TILE);
}

void CQuarvelGameWnd::drawScaledTileAt(std::uint8_t tile, std::int32_t x, std::int32_t y,
                                       std::int32_t percent) {
    drawnCellsKnown = false;
    if (tile == EMPTY_TILE) return;
    std::int32_t s = tileSize * percent / 100;
    std::int32_t inset = (tileSize - s) >> 1;
    StretchCopy(backDC, x + inset, y + inset, s, s, spriteDC, tile * tileSize, 0, tileSize,
                tileSize);
}

void CQuarvelGameWnd::drawTranslucentBoardTile(std::uint8_t tile, std::int32_t column,
                                               std::int32_t row) {
    drawnCellsKnown = false;
    if (tile == EMPTY_TILE) return;
    std::int32_t x = boardLeft + column * tileSize;
    std::int32_t y = boardTop + row * tileSize;
    std::int32_t t = tileSize / 3;
    // The average of four pixels under the tile tints it.
    std::int32_t sum[3] = {};
    for (Point p : {Point{x + t, y + t}, Point{x + 2 * t, y + t}, Point{x + t, y + 2 * t},
                    Point{x + 2 * t, y + 2 * t}}) {
        Colour c = GetPixel(backDC, p.x, p.y);
        sum[0] += RedOf(c);
        sum[1] += GreenOf(c);
        sum[2] += BlueOf(c);
    }
    std::int32_t average[3] = {sum[0] / 4, sum[1] / 4, sum[2] / 4};
    BrushHandle brush = CreateSolidBrush(
        Rgb(AddClamped(average[0], -32), AddClamped(average[1], -32), AddClamped(average[2], -32)));
    PenHandle pen = CreateSolidPen(
        0, Rgb(AddClamped(average[0], 50), AddClamped(average[1], 50), AddClamped(average[2], 50)));
    PenHandle oldPen = SelectPen(backDC, pen);
    BrushHandle oldBrush = SelectBrush(backDC, brush);
    DrawRoundRect(backDC, x + 1, y + 1, x + tileSize - 1, y + tileSize - 1, tileSize / 2,
                  tileSize / 2);
    SelectPen(backDC, oldPen);
    SelectBrush(backDC, oldBrush);
    DeletePen(pen);
    DeleteBrush(brush);
}

// ---- Frames ----

void CQuarvelGameWnd::redraw(SurfaceHandle surface, RedrawArea area, std::int32_t skipRow) {
    ScreenSurface target(window, surface);
    if (target.get() == nullptr) return;
    compose(target.get(), area, skipRow);
    present(target.get(), area);
}

void CQuarvelGameWnd::compose(SurfaceHandle compatible, RedrawArea area, std::int32_t skipRow) {
    ScreenSurface target(window, compatible);
    if (target.get() == nullptr) return;
    createSpriteSurface(target.get());
    const bool playfieldOnly = area == RedrawArea::Playfield;

    if (playfieldOnly) {
        if (playfieldClip == nullptr) {
            playfieldClip = CreateRectRegion(boardLeft - 1, boardTop - 1,
                                             boardLeft + BOARD_COLUMNS * tileSize + 1,
                                             boardTop + BOARD_ROWS * tileSize + 1);
        }
        SelectClipRegion(backDC, playfieldClip);
    } else {
        SelectClipRegion(backDC, nullptr);
    }
    CellPicture cells[BOARD_CELLS];
    const bool onBoard = pictureCells(skipRow, cells);
    // Most frames of the playfield change a few cells (a piece moved, a glint);
    // redrawing only those gives the same pixels. Each cell's drawing stays in
    // the cell, given tiles of a few pixels at least.
    if (playfieldOnly && onBoard && drawnCellsKnown && tileSize >= MIN_CELL_TILE) {
        drawChangedCells(cells);
    } else {
        BlockCopy(backDC, 0, 0, gameWidth, gameHeight, spriteDC, gameWidth, 0);
        // The board, with two diagonal glints moving across the stack.
        for (std::int32_t r = 0; r < BOARD_ROWS; ++r) {
            for (std::int32_t c = 0; c < BOARD_COLUMNS; ++c)
                drawCellBoardTile(cells[r * BOARD_COLUMNS + c], c, r);
        }
        bool playing = state != GameState::GameOver && !paused;
        if (options.show_shadow && shadowPiece.kind != NO_PIECE && playing) {
            for (int i = 0; i < PIECE_CELLS; ++i) {
                drawTranslucentBoardTile(shadowPiece.cells[i], shadowPiece.x + i % 4,
                                         shadowPiece.y + i / 4);
            }
        }
        if (piece.kind != NO_PIECE && playing) {
            for (int i = 0; i < PIECE_CELLS; ++i) {
                drawBoardTile(piece.cells[i], piece.x + i % 4, piece.y + i / 4, 0);
            }
        }
    }
    std::copy(std::begin(cells), std::end(cells), drawnCells);
    // A whole frame's texts and banners may lie over the playfield, and a tile
    // off the board on its border.
    drawnCellsKnown = playfieldOnly && onBoard;
    if (!playfieldOnly) drawSideTexts();
}

bool CQuarvelGameWnd::pictureCells(std::int32_t skipRow, CellPicture* cells) const {
    std::fill(cells, cells + BOARD_CELLS, CellPicture{});
    for (std::int32_t r = 0; r < BOARD_ROWS; ++r) {
        if (r == skipRow || hiddenRows[r] != 0) continue;
        for (std::int32_t c = 0; c < BOARD_COLUMNS; ++c) {
            const std::uint8_t tile = board[r * BOARD_COLUMNS + c];
            if (tile == EMPTY_TILE) continue;
            CellPicture& p = cells[r * BOARD_COLUMNS + c];
            p.board = tile;
            if (paused) {
                p.look = TRANSLUCENT_LOOK;
            } else {
                auto first = static_cast<std::uint32_t>(c + 2 * r);
                auto second = static_cast<std::uint32_t>(2 * r + 4 * c);
                p.look = first == frameCount % 500 || second == (frameCount + 175) % 350;
            }
        }
    }
    bool onBoard = true;
    auto place = [cells, &onBoard](const CQuarvelPiece& tiles, std::uint8_t CellPicture::*layer) {
        for (int i = 0; i < PIECE_CELLS; ++i) {
            if (tiles.cells[i] == EMPTY_TILE) continue;
            const std::int64_t c = std::int64_t{tiles.x} + i % 4;
            const std::int64_t r = std::int64_t{tiles.y} + i / 4;
            if (c < 0 || c >= BOARD_COLUMNS || r < 0 || r >= BOARD_ROWS) {
                onBoard = false;
                continue;
            }
            cells[r * BOARD_COLUMNS + c].*layer = tiles.cells[i];
        }
    };
    const bool playing = state != GameState::GameOver && !paused;
    if (options.show_shadow && shadowPiece.kind != NO_PIECE && playing)
        place(shadowPiece, &CellPicture::shadow);
    if (piece.kind != NO_PIECE && playing) place(piece, &CellPicture::piece);
    return onBoard;
}

void CQuarvelGameWnd::drawCellBoardTile(const CellPicture& p, std::int32_t column,
                                        std::int32_t row) {
    if (p.look == TRANSLUCENT_LOOK) {
        drawTranslucentBoardTile(p.board, column, row);
    } else {
        drawBoardTile(p.board, column, row, p.look);
    }
}

void CQuarvelGameWnd::drawChangedCells(const CellPicture* cells) {
    for (std::int32_t r = 0; r < BOARD_ROWS; ++r) {
        for (std::int32_t c = 0; c < BOARD_COLUMNS; ++c) {
            const std::size_t at = static_cast<std::size_t>(r * BOARD_COLUMNS + c);
            const CellPicture& p = cells[at];
            if (p == drawnCells[at]) continue;
            const std::int32_t x = boardLeft + c * tileSize;
            const std::int32_t y = boardTop + r * tileSize;
            BlockCopy(backDC, x, y, tileSize, tileSize, spriteDC, gameWidth + x, y);
            drawCellBoardTile(p, c, r);
            drawTranslucentBoardTile(p.shadow, c, r);
            drawBoardTile(p.piece, c, r, 0);
        }
    }
}

void CQuarvelGameWnd::drawPreviews() {
    if (nextNextPiece.kind != NO_PIECE) {
        std::int32_t p = tileSize / 2;
        for (int i = 0; i < PIECE_CELLS; ++i) {
            drawScaledTileAt(nextNextPiece.cells[i], nextNextPieceX + (i % 4) * p,
                             nextNextPieceY + (i / 4) * p, 50);
        }
    }
    if (nextPiece.kind != NO_PIECE) {
        for (int i = 0; i < PIECE_CELLS; ++i) {
            drawTileAt(nextPiece.cells[i], nextPieceX + (i % 4) * tileSize,
                       nextPieceY + (i / 4) * tileSize, 0);
        }
    }
}

void CQuarvelGameWnd::drawSideTexts() {
    char16_t text[TEXT_BUFFER];
    SetTextColour(backDC, Rgb(255, 255, 255));
    SetBackgroundMode(backDC, BackgroundMode::Transparent);
    DrawText(backDC, nextLabel, -1, nextPieceLabelRect, DT_CENTER);
    if (!paused) drawPreviews();
    SetBackgroundMode(backDC, BackgroundMode::Transparent);
    FormatText(text, TEXT_BUFFER, scoreLabel, {});
    DrawText(backDC, text, -1, scoreLabelRect, DT_CENTER | DT_VCENTER);
    SelectFont(backDC, boldFont);
    SetTextColour(backDC, Rgb(255, 255, 0));
    FormatText(text, TEXT_BUFFER, u"%d", {score});
    DrawText(backDC, text, -1, scoreRect, DT_CENTER | DT_VCENTER);
    SelectFont(backDC, normalFont);
    SetTextColour(backDC, Rgb(255, 255, 255));
    FormatText(text, TEXT_BUFFER, levelFormat, {level});
    DrawText(backDC, text, -1, levelRect, DT_CENTER | DT_VCENTER);
    FormatText(text, TEXT_BUFFER, linesFormat, {lines});
    DrawText(backDC, text, -1, linesRect, DT_CENTER | DT_VCENTER);

    std::int32_t bannerX = (gameWidth - BANNER_WIDTH) / 2;
    std::int32_t bannerY = (gameHeight - BANNER_HEIGHT) / 4;
    if (state == GameState::GameOver) {
        BlockCopy(backDC, bannerX, bannerY, BANNER_WIDTH, BANNER_HEIGHT, spriteDC, 0,
                  GAME_OVER_BANNER_Y);
    } else if (paused) {
        BlockCopy(backDC, bannerX, bannerY, BANNER_WIDTH, BANNER_HEIGHT, spriteDC, 0,
                  PAUSE_BANNER_Y);
    }
}

void CQuarvelGameWnd::present(SurfaceHandle surface, RedrawArea area) {
    ScreenSurface screen(window, surface);
    SurfaceHandle target = screen.get();
    if (target == nullptr) return;
    if (area == RedrawArea::Playfield) {
        BlockCopy(target, boardLeft - 1, boardTop - 1, BOARD_COLUMNS * tileSize + 2,
                  BOARD_ROWS * tileSize + 2, backDC, boardLeft - 1, boardTop - 1);
    } else {
        BlockCopy(target, 0, 0, gameWidth, gameHeight, backDC, 0, 0);
    }
}
