// The game screen: owns the one game, runs it from its 33 ms timer, routes keys
// and taps, pauses and resumes, plays the sounds, draws the playfield and the
// side panel, and reports the end of a game to the main window.
#pragma once

#include <cstdint>
#include <memory>

#include "game_screen/animations.h"
#include "game_screen/board_canvas.h"
#include "platform/drawing/drawing.h"
#include "rules/game.h"
#include "shell/resource_ids.h"
#include "shell/screen.h"

constexpr std::uintptr_t GAME_TIMER_ID = 247;
constexpr std::uint32_t GAME_TIMER_PERIOD_MS = 33;
constexpr std::int32_t PAUSE_COMMAND = IDM_SCREEN_KEY;
constexpr std::uint32_t PAUSE_LABEL_RUNNING = IDS_PAUSE_RUNNING;
constexpr std::uint32_t PAUSE_LABEL_PAUSED = IDS_PAUSE_PAUSED;
constexpr std::int32_t LABEL_TEXT_SIZE = 50;

class CQuarvelGameWnd : public CQuarvelWnd, public CQuarvelGame, public CQuarvelBoardCanvas {
  public:
    CQuarvelGameWnd() = default;
    ~CQuarvelGameWnd() override;
    CQuarvelGameWnd(const CQuarvelGameWnd&) = delete;
    CQuarvelGameWnd& operator=(const CQuarvelGameWnd&) = delete;

    std::int32_t onMessage(std::uint32_t message, WParam wParam, LParam lParam) override;
    void onLeave() override;

    // Starts a new game with junk rows at a start level on the main window.
    void beginGame(WindowHandle mainWindow, SurfaceHandle backBuffer, std::int32_t junkRows,
                   std::int32_t startLevel);

    void pause() override;

    // Composes a frame of the area into the back buffer, leaving out row
    // `skipRow` (or -1); `compatible` is a surface the sprites are made for (the
    // window's when null).
    void compose(SurfaceHandle compatible, RedrawArea area, std::int32_t skipRow);
    // Copies the area of the back buffer to the surface (the window's when null).
    void present(SurfaceHandle surface, RedrawArea area);
    // Both: composes and shows a frame.
    void redraw(SurfaceHandle surface, RedrawArea area, std::int32_t skipRow);
    // Loads the level's background into the sprite surface; true when it changed.
    bool loadBackground(std::int32_t forLevel);

    // Tile primitives (255 draws nothing).
    void drawBoardTile(std::uint8_t tile, std::int32_t column, std::int32_t row,
                       std::int32_t variant);
    void drawTileAt(std::uint8_t tile, std::int32_t x, std::int32_t y, std::int32_t variant);
    void drawScaledBoardTile(std::uint8_t tile, std::int32_t column, std::int32_t row,
                             std::int32_t dx, std::int32_t dy, std::int32_t percent,
                             std::int32_t variant);
    void drawScaledBoardRow(std::int32_t row, std::int32_t dx, std::int32_t dy,
                            std::int32_t percent, std::int32_t variant) override;
    void hideBoardRow(std::int32_t row) override;
    void emptyBoardRow(std::int32_t row) override;
    void drawScaledTileAt(std::uint8_t tile, std::int32_t x, std::int32_t y, std::int32_t percent);
    void drawTranslucentBoardTile(std::uint8_t tile, std::int32_t column, std::int32_t row);

    // The WAVE data of a named sound of the resource pack, or null.
    static const void* loadSound(const char* name);

    // Drawing resources, all owned.
    SurfaceHandle spriteDC = nullptr;
    BitmapHandle spriteBitmap = nullptr;
    BitmapHandle backgroundBitmap = nullptr;
    BitmapHandle gameOverBitmap = nullptr;
    BitmapHandle pausedBitmap = nullptr;
    RegionHandle playfieldClip = nullptr;
    std::int32_t backgroundId = 0;

    // Sounds from the pack, loaded once and never freed.
    const void* sndPop = nullptr;
    const void* sndDrop = nullptr;
    const void* sndQuarvel = nullptr;
    const void* sndLevel = nullptr;
    const void* sndJunk = nullptr;
    const void* sndLose = nullptr;

    // Layout, read at every new game.
    std::int32_t tileSize = 0;
    std::int32_t boardLeft = 0;
    std::int32_t boardTop = 0;
    std::int32_t nextPieceX = 0, nextPieceY = 0;
    std::int32_t nextNextPieceX = 0, nextNextPieceY = 0;
    Rect nextPieceLabelRect, scoreLabelRect, scoreRect, levelRect, linesRect;
    char16_t nextLabel[LABEL_TEXT_SIZE] = {};
    char16_t scoreLabel[LABEL_TEXT_SIZE] = {};
    char16_t levelFormat[LABEL_TEXT_SIZE] = {};
    char16_t linesFormat[LABEL_TEXT_SIZE] = {};

    std::unique_ptr<CQuarvelRowAnim> rowAnim;
    std::int32_t rowAnimRow = -1;  // the row the running animation clears
    CQuarvelExplodingTilesGameOverAnim explodingAnim;
    std::int32_t hiddenRows[BOARD_ROWS] = {};

    // What a cell of the playfield shows, layer by layer: the board's tile and
    // how it looks, a shadow tile over it, the falling piece's tile over both.
    struct CellPicture {
        std::uint8_t board = EMPTY_TILE;
        std::uint8_t look = 0;  // the board tile: 0 normal, 1 bright, 2 translucent
        std::uint8_t shadow = EMPTY_TILE;
        std::uint8_t piece = EMPTY_TILE;
        bool operator==(const CellPicture&) const = default;
    };
    // The cells as the back buffer's playfield shows them, so that a frame of
    // the playfield alone draws only the cells whose picture changed. Unknown
    // (false) after anything else drew on the back buffer: a whole frame, an
    // animation, another screen.
    CellPicture drawnCells[BOARD_CELLS];
    bool drawnCellsKnown = false;

  protected:
    void playSound(GameSound sound, bool synchronous) override;
    void redrawScreen(RedrawArea area) override;
    void loadGameResources() override;
    void resetScreenForNewGame() override;
    bool chooseBackground(std::int32_t forLevel) override;
    bool hasRowAnim() const override;
    bool startRowAnim(std::int32_t row, bool fourRow) override;
    bool rowAnimFinished() override;
    void drawRowAnimFrame() override;
    void finishRowAnim() override;
    void discardRowAnim() override;
    void enterGameOver() override;
    void resetGameOverAnim(std::int32_t forLevel) override;
    bool gameOverAnimFinished() override;
    void stepGameOverAnim() override;
    void startGameTimer() override;
    void stopGameTimer() override;
    void showPausedLabel(bool isPaused) override;
    WindowHandle reportWindow() const override;

  private:
    void readLayout();
    void createSpriteSurface(SurfaceHandle compatible);
    void drawPreviews();
    void drawSideTexts();
    // What each cell of the playfield shows now, leaving out row `skipRow`;
    // false when a tile lies off the board.
    bool pictureCells(std::int32_t skipRow, CellPicture* cells) const;
    // Draws a cell's board tile as it looks (nothing for an empty cell).
    void drawCellBoardTile(const CellPicture& p, std::int32_t column, std::int32_t row);
    // Draws the cells whose picture differs from the one drawn last, each over
    // its own background.
    void drawChangedCells(const CellPicture* cells);
};
