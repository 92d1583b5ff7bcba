#include "game_screen/game_wnd.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/phone_shell/phone_shell.h"
#include "platform/resources/resources.h"
#include "platform/runtime/keys.h"
#include "platform/sound/sound.h"
#include "platform/windows/windows.h"
#include "shell/layout_text.h"
#include "shell/records/control_layout.h"
#include "shell/records/options.h"
#include "shell/resource_pack.h"
#include "shell/soft_keys.h"

CQuarvelGameWnd::~CQuarvelGameWnd() {
    onLeave();
}

void CQuarvelGameWnd::onLeave() {
    drawnCellsKnown = false;  // other screens draw on the back buffer
    if (window != nullptr) KillTimer(window, GAME_TIMER_ID);
    if (spriteDC != nullptr) {
        DeleteSurface(spriteDC);  // before its bitmap, which it holds selected
        spriteDC = nullptr;
    }
    for (BitmapHandle* bitmap :
         {&spriteBitmap, &backgroundBitmap, &gameOverBitmap, &pausedBitmap}) {
        if (*bitmap != nullptr) DeleteBitmap(*bitmap);
        *bitmap = nullptr;
    }
    rowAnim.reset();
    if (playfieldClip != nullptr) DeleteRegion(playfieldClip);
    playfieldClip = nullptr;
    backgroundId = 0;
}

const void* CQuarvelGameWnd::loadSound(const char* name) {
    return FindResource(resourcePack, name, WAVE_TYPE).bytes;
}

// Positions and sizes are clamped (GetLayoutPixels), so the drawing's arithmetic
// on them cannot overflow whatever the pack says.
void CQuarvelGameWnd::readLayout() {
    tileSize = GetLayoutPixels("board_tile_size");
    boardLeft = GetLayoutPixels("board_left");
    boardTop = GetLayoutPixels("board_top");
    nextPieceX = GetLayoutPixels("next_piece_x");
    nextPieceY = GetLayoutPixels("next_piece_y");
    nextNextPieceX = GetLayoutPixels("next_next_piece_x");
    nextNextPieceY = GetLayoutPixels("next_next_piece_y");
    nextPieceLabelRect = GetLayoutRect("next_piece_label_rect");
    scoreLabelRect = GetLayoutRect("score_label_rect");
    scoreRect = GetLayoutRect("score_rect");
    levelRect = GetLayoutRect("level_rect");
    linesRect = GetLayoutRect("lines_rect");
    LoadString(resourcePack, IDS_NEXT_LABEL, nextLabel, LABEL_TEXT_SIZE);
    LoadString(resourcePack, IDS_SCORE_LABEL, scoreLabel, LABEL_TEXT_SIZE);
    LoadString(resourcePack, IDS_LEVEL_FORMAT, levelFormat, LABEL_TEXT_SIZE);
    LoadString(resourcePack, IDS_LINES_FORMAT, linesFormat, LABEL_TEXT_SIZE);
}

void CQuarvelGameWnd::beginGame(WindowHandle mainWindow, SurfaceHandle backBuffer,
                                std::int32_t junkRows, std::int32_t startLevel) {
    window = mainWindow;
    backDC = backBuffer;
    drawnCellsKnown = false;
    readLayout();
    startGame(junkRows, startLevel);
}

namespace {

// Each sound of the game: the screen's field that holds it and its name in the
// pack, in the order of GameSound, which is the order they are loaded in.
struct SoundSlot {
    const void* CQuarvelGameWnd::*data;
    const char* name;
};
constexpr SoundSlot SOUND_SLOTS[] = {
    {&CQuarvelGameWnd::sndPop, SND_POP},         {&CQuarvelGameWnd::sndDrop, SND_DROP},
    {&CQuarvelGameWnd::sndQuarvel, SND_QUARVEL}, {&CQuarvelGameWnd::sndLevel, SND_LEVEL},
    {&CQuarvelGameWnd::sndLose, SND_LOSE},       {&CQuarvelGameWnd::sndJunk, SND_JUNK},
};

}  // namespace

void CQuarvelGameWnd::loadGameResources() {
    for (const SoundSlot& slot : SOUND_SLOTS) {
        if (this->*slot.data == nullptr) this->*slot.data = loadSound(slot.name);
    }
}

void CQuarvelGameWnd::resetScreenForNewGame() {
    std::fill(std::begin(hiddenRows), std::end(hiddenRows), 0);
    backgroundId = 0;
    SetSoftKeyVisible(this, PAUSE_COMMAND, true);
    SetSoftKeyLabel(this, PAUSE_COMMAND, PAUSE_LABEL_RUNNING);
    loadBackground(level);
}

// ---- Messages ----

std::int32_t CQuarvelGameWnd::onMessage(std::uint32_t message, WParam wParam, LParam lParam) {
    switch (message) {
        case WM_ACTIVATE:
            if (LowWord(wParam) != 0) {
                controlLayout.claimAppKeys(window);
            } else {
                controlLayout.claimAppKeys(nullptr);
                pause();
            }
            break;
        case WM_KILLFOCUS:
        case WM_INITMENUPOPUP:
            pause();
            break;
        case WM_PAINT: {
            PaintInfo paint;
            SurfaceHandle surface = BeginPaint(window, paint);
            if (surface != nullptr) redraw(surface, RedrawArea::Whole, -1);
            EndPaint(window, paint);
            break;
        }
        case WM_KEYDOWN: {
            // A repeat: the key was down before (bit 30) and this is no release (bit 31).
            bool autoRepeat = (lParam & KEY_WAS_DOWN) != 0 && (lParam & KEY_RELEASED) == 0;
            onKeyDown(static_cast<std::uint32_t>(wParam), autoRepeat);
            break;
        }
        case WM_CHAR:
            if (wParam >= VK_APP1 && wParam <= VK_APP6)
                onKeyDown(static_cast<std::uint32_t>(wParam), false);
            break;
        case WM_KEYUP:
            onKeyUp(static_cast<std::uint32_t>(wParam));
            break;
        case WM_COMMAND:
            if (LowWord(wParam) == PAUSE_COMMAND) {
                if (paused)
                    resume();
                else
                    pause();
            }
            break;
        case WM_TIMER:
            if (wParam == GAME_TIMER_ID) tick();
            break;
        case WM_LBUTTONDOWN:
            if (paused) {
                resume();
            } else if (state == GameState::GameOver) {
                reportGameOver();
            }
            break;
        default:
            break;
    }
    return 0;
}

void CQuarvelGameWnd::pause() {
    // The key screen, opened over a paused game, draws on the back buffer.
    drawnCellsKnown = false;
    if (window == nullptr) return;
    CQuarvelGame::pause();
}

// ---- Hooks of the rules ----

void CQuarvelGameWnd::playSound(GameSound sound, bool synchronous) {
    const void* data = this->*SOUND_SLOTS[static_cast<int>(sound)].data;
    if (!options.sound_on || data == nullptr) return;
    PlaySound(data, SND_MEMORY | SND_NODEFAULT | (synchronous ? 0 : SND_ASYNC));
}

void CQuarvelGameWnd::redrawScreen(RedrawArea area) {
    redraw(nullptr, area, -1);
}

bool CQuarvelGameWnd::chooseBackground(std::int32_t forLevel) {
    return loadBackground(forLevel);
}

bool CQuarvelGameWnd::hasRowAnim() const {
    return rowAnim != nullptr;
}

bool CQuarvelGameWnd::startRowAnim(std::int32_t row, bool fourRow) {
    rowAnim.reset(new (std::nothrow) CQuarvelEmptyRowAnim(row, 100, 20, fourRow));
    rowAnimRow = row;
    return rowAnim != nullptr;
}

bool CQuarvelGameWnd::rowAnimFinished() {
    return rowAnim == nullptr || rowAnim->isFinished();
}

void CQuarvelGameWnd::drawRowAnimFrame() {
    compose(nullptr, RedrawArea::Whole, rowAnimRow);
    if (rowAnim != nullptr) rowAnim->drawFrame(*this);
    present(nullptr, RedrawArea::Whole);
}

void CQuarvelGameWnd::finishRowAnim() {
    redraw(nullptr, RedrawArea::Whole, rowAnimRow);
    rowAnim.reset();
}

void CQuarvelGameWnd::discardRowAnim() {
    rowAnim.reset();
}

void CQuarvelGameWnd::enterGameOver() {
    SetSoftKeyVisible(this, PAUSE_COMMAND, false);
}

void CQuarvelGameWnd::resetGameOverAnim(std::int32_t forLevel) {
    explodingAnim.reset(forLevel);
}

bool CQuarvelGameWnd::gameOverAnimFinished() {
    return explodingAnim.isFinished(*this);
}

void CQuarvelGameWnd::stepGameOverAnim() {
    // The animation takes its step even when nothing can be drawn.
    ScreenSurface screen(window, nullptr);
    if (screen.get() != nullptr) compose(screen.get(), RedrawArea::Whole, -1);
    explodingAnim.step(*this);
    if (screen.get() != nullptr) present(screen.get(), RedrawArea::Whole);
}

void CQuarvelGameWnd::startGameTimer() {
    if (window != nullptr) SetTimer(window, GAME_TIMER_ID, GAME_TIMER_PERIOD_MS);
}

void CQuarvelGameWnd::stopGameTimer() {
    if (window != nullptr) KillTimer(window, GAME_TIMER_ID);
}

void CQuarvelGameWnd::showPausedLabel(bool isPaused) {
    SetSoftKeyLabel(this, PAUSE_COMMAND, isPaused ? PAUSE_LABEL_PAUSED : PAUSE_LABEL_RUNNING);
}

WindowHandle CQuarvelGameWnd::reportWindow() const {
    return window;
}
