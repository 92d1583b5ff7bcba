#include "rules/game.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/runtime/clock.h"
#include "platform/runtime/keys.h"
#include "platform/runtime/random.h"
#include "shell/records/control_layout.h"
#include "shell/records/game_over_report.h"
#include "shell/records/options.h"

// clang-format off
const std::int32_t gravityDelayTable[LEVEL_TABLE_SIZE] = {
    25, 22, 20, 18, 15, 13, 12, 11, 10, 9,
    8, 7, 6, 5, 5, 5, 5, 4, 4, 4,
    4, 3, 3, 3, 3, 3, 3, 3, 3, 2,
    2, 2, 2, 2, 2, 2, 2, 1, 1, 1,
};

const std::int32_t junkIntervalTable[LEVEL_TABLE_SIZE] = {
    255, 255, 255, 255, 255, 255, 255, 200, 180, 150,
    100, 80, 60, 40, 30, 28, 26, 24, 22, 20,
    19, 18, 17, 16, 15, 14, 13, 12, 11, 10,
    10, 10, 10, 10, 9, 9, 9, 9, 8, 8,
};
// clang-format on

namespace {

// Counters run for the whole game; stepping them wraps instead of overflowing.
void Increment(std::int32_t& counter) {
    counter = static_cast<std::int32_t>(static_cast<std::uint32_t>(counter) + 1u);
}

}  // namespace

std::int32_t LevelTableEntry(const std::int32_t (&table)[LEVEL_TABLE_SIZE], std::int32_t level) {
    return table[std::clamp(level, 1, LEVEL_TABLE_SIZE) - 1];
}

CQuarvelGame::CQuarvelGame() {
    std::memset(savedBoard, 0, sizeof savedBoard);
    std::memset(removedRowFlags, 0, sizeof removedRowFlags);
    piece.reset();
    nextPiece.reset();
    nextNextPiece.reset();
    shadowPiece.reset();
}

// ---- Board ----

void CQuarvelGame::updateShadow() {
    shadowPiece = piece;
    while (shadowPiece.moveDown(*this)) {
    }
}

bool CQuarvelGame::rowFull(std::int32_t row) const {
    const std::uint8_t* cells = board + row * BOARD_COLUMNS;
    return std::none_of(cells, cells + BOARD_COLUMNS,
                        [](std::uint8_t t) { return t == EMPTY_TILE; });
}

void CQuarvelGame::fillRow(std::int32_t row, std::uint8_t tile) {
    std::memset(board + row * BOARD_COLUMNS, tile, BOARD_COLUMNS);
}

// ---- Game set-up ----

void CQuarvelGame::seedForNewGame(std::int32_t startLevel) {
    SeedRandom(options.fixed_seed ? static_cast<std::uint32_t>(startLevel) : GetTickCount());
}

void CQuarvelGame::resetForNewGame(std::int32_t junkRows, std::int32_t startLevel) {
    std::memset(board, EMPTY_TILE, sizeof board);
    level = startLevel;
    gravityDelay = LevelTableEntry(gravityDelayTable, level);
    rowsRemoved = 0;
    frameDelay = 0;
    tickCount = 0;
    landingCount = 0;
    paused = false;
    dropHeld = false;
    NextRandom();
    piece.reset();
    // The first two pieces always come from the standard shapes.
    std::int32_t v = NextRandom() % STANDARD_SHAPES;
    nextPiece.setKind(v, static_cast<std::uint8_t>(v));
    std::int32_t w = NextRandom() % STANDARD_SHAPES;
    nextNextPiece.setKind(w, static_cast<std::uint8_t>(w));
    shadowPiece = piece;
    fillJunkRows(junkRows);
    rightRepeatCount = rightRepeatDelay = leftRepeatCount = leftRepeatDelay = 0;
    lockDelayTicks = 0;
    lockDelayStart = 0;
    score = 0;
    rowsThisLanding = 0;
    lines = 0;
    lastDropPress = 0;
    gameOverReported = false;
    state = GameState::Spawn;
}

void CQuarvelGame::startGame(std::int32_t junkRows, std::int32_t startLevel) {
    seedForNewGame(startLevel);
    loadGameResources();
    stopGameTimer();
    resetForNewGame(junkRows, startLevel);
    frameCount = 0;
    discardRowAnim();
    resetScreenForNewGame();
    resetGameOverAnim(1);
    startGameTimer();
    endLanding();
}

// ---- Spawning and falling ----

bool CQuarvelGame::spawnPiece() {
    shadowPiece.kind = NO_PIECE;
    piece = nextPiece;
    nextPiece = nextNextPiece;
    std::int32_t v = NextRandom();
    std::int32_t k = options.extra_pieces ? v % SHAPE_COUNT : v % STANDARD_SHAPES;
    nextNextPiece.setKind(k, static_cast<std::uint8_t>(k % 9));
    if (!piece.placeAtSpawn(*this)) {
        piece.reset();
        return false;
    }
    updateShadow();
    return true;
}

bool CQuarvelGame::fallTick() {
    bool result = true;
    if (tickCount % gravityDelay == 0 || dropHeld) result = !stepDown();
    repeatRightStep();
    repeatLeftStep();
    return result;
}

// ---- Landing ----

bool CQuarvelGame::stepDown() {
    if (paused) resume();
    bool full = false;
    if (!tryLand(full)) return false;
    if (full) {
        state = GameState::ClearRow;
        return true;
    }
    endLanding();
    return false;
}

bool CQuarvelGame::tryLand(bool& full) {
    if (piece.kind == NO_PIECE) return false;
    if (piece.moveDown(*this)) {
        lockDelayStart = 0;
        full = false;
        return false;
    }
    // The piece rests: a lock wait armed by a recent move may hold it, for at most
    // LOCK_DELAY_CAP_MS from the start of the wait.
    if (lockDelayTicks > 0) {
        std::uint32_t now = GetTickCount();
        if (lockDelayStart == 0) {
            lockDelayStart = now;
            full = false;
            return false;
        }
        if (now - lockDelayStart > LOCK_DELAY_CAP_MS) {
            cancelLockDelay();
        } else {
            full = false;
            return false;
        }
    }
    lastDropPress = 0;
    lockPiece();
    cancelLockDelay();
    full = findFullRow() >= 0;
    if (!full) playSound(GameSound::Drop, false);
    return true;
}

void CQuarvelGame::lockPiece() {
    addScore(std::int64_t{5} * level);
    piece.stamp(*this);
    piece.kind = NO_PIECE;
    shadowPiece.kind = NO_PIECE;
}

void CQuarvelGame::armLockDelay() {
    if (lockDelayTicks == 0) lockDelayStart = GetTickCount();
    lockDelayTicks = LOCK_DELAY_TICKS;
}

void CQuarvelGame::cancelLockDelay() {
    lockDelayTicks = 0;
    lockDelayStart = 0;
}

bool CQuarvelGame::hardDrop() {
    if (paused) resume();
    if (piece.kind == NO_PIECE) return false;
    while (piece.moveDown(*this))
        redrawScreen(RedrawArea::Playfield);
    lockPiece();
    lockDelayTicks = 0;
    if (findFullRow() >= 0) {
        state = GameState::ClearRow;
        return true;
    }
    playSound(GameSound::Drop, false);
    endLanding();
    return false;
}

// ---- Rows ----

std::int32_t CQuarvelGame::findFullRow() const {
    for (std::int32_t r = BOARD_ROWS - 1; r >= 0; --r) {
        if (rowFull(r)) return r;
    }
    return -1;
}

bool CQuarvelGame::removeFullRow() {
    for (std::int32_t r = BOARD_ROWS - 1; r >= 0; --r) {
        bool full = rowFull(r);
        removedRowFlags[r] = full;
        if (full) {
            fillRow(r, EMPTY_TILE);
            return true;
        }
    }
    return false;
}

bool CQuarvelGame::collapseRow() {
    for (std::int32_t r = BOARD_ROWS - 1; r >= 0; --r) {
        if (removedRowFlags[r]) {
            std::memmove(board + BOARD_COLUMNS, board, static_cast<std::size_t>(r) * BOARD_COLUMNS);
            fillRow(0, EMPTY_TILE);
            return true;
        }
    }
    return false;
}

void CQuarvelGame::addScore(std::int64_t points) {
    std::int64_t total = std::int64_t{score} + points;
    score = static_cast<std::int32_t>(
        std::min<std::int64_t>(total, std::numeric_limits<std::int32_t>::max()));
}

void CQuarvelGame::levelUp() {
    addScore(std::int64_t{25} * level);
    Increment(level);
    SeedRandom(static_cast<std::uint32_t>(level));
    if (options.level_backgrounds && chooseBackground(level)) playSound(GameSound::Level, true);
    gravityDelay = LevelTableEntry(gravityDelayTable, level);
}

// ---- Between pieces ----

void CQuarvelGame::endLanding() {
    Increment(landingCount);
    state = GameState::Spawn;
    if (options.rising_junk && landingCount % LevelTableEntry(junkIntervalTable, level) == 0) {
        pushJunkRow();
    }
}

void CQuarvelGame::pushJunkRow() {
    // The top row is pushed off the board without any check.
    std::memmove(board, board + BOARD_COLUMNS, BOARD_CELLS - BOARD_COLUMNS);
    fillJunkRows(1);
    redrawScreen(RedrawArea::Playfield);
    playSound(GameSound::Junk, true);
    frameDelay = JUNK_FRAME_DELAY;
}

void CQuarvelGame::fillJunkRows(std::int32_t count) {
    for (std::int32_t row = BOARD_ROWS - 1; count > 0 && row >= 0; --count, --row) {
        std::int32_t previous = NextRandom() % BOARD_COLUMNS;
        fillRow(row, EMPTY_TILE);
        for (int i = 0; i < 5; ++i) {
            std::int32_t c = NextRandom() % BOARD_COLUMNS;
            if (c == previous) c = NextRandom() % BOARD_COLUMNS;
            board[row * BOARD_COLUMNS + c] = JUNK_TILE;
            previous = c;
        }
    }
}

// ---- The timer tick ----

void CQuarvelGame::tick() {
    ++frameCount;
    RedrawArea area = RedrawArea::Whole;
    if (frameDelay > 0) {
        --frameDelay;
        redrawScreen(RedrawArea::Playfield);
        return;
    }
    if (lockDelayTicks > 0) --lockDelayTicks;

    switch (state) {
        case GameState::Spawn:
            rowsThisLanding = 0;
            if (spawnPiece()) {
                state = GameState::Falling;
                frameDelay = SPAWN_FRAME_DELAY;
            } else {
                state = GameState::GameOver;
                enterGameOver();
                playSound(GameSound::Lose, true);
                resetGameOverAnim(level);
            }
            break;
        case GameState::Falling:
            area = fallTick() ? RedrawArea::Playfield : RedrawArea::Whole;
            break;
        case GameState::ClearRow:
            if (!clearRowStep()) return;
            break;
        case GameState::RemoveRow:
            if (removeFullRow()) {
                discardRowAnim();
                state = GameState::CollapseRow;
                Increment(rowsRemoved);
                if (rowsRemoved % 10 == 0) {
                    levelUp();
                    return;  // no redraw on the tick of a level rise
                }
            } else {
                endLanding();
            }
            break;
        case GameState::CollapseRow:
            if (collapseRow()) {
                state = GameState::ClearRow;
                redrawScreen(RedrawArea::Whole);
                return;
            }
            endLanding();
            break;
        case GameState::GameOver:
            if (!gameOverAnimFinished()) {
                stepGameOverAnim();
                return;
            }
            stopGameTimer();
            break;
    }
    Increment(tickCount);
    redrawScreen(area);
}

// One tick of ClearRow; false when the tick ends here rather than at the common end.
bool CQuarvelGame::clearRowStep() {
    if (!hasRowAnim()) {
        std::int32_t row = findFullRow();
        if (row < 0) {
            endLanding();
            return true;
        }
        bool fourRow = rowsThisLanding == 3;
        playSound(fourRow ? GameSound::Quarvel : GameSound::Pop, false);
        if (!startRowAnim(row, fourRow)) return true;
    }
    if (rowAnimFinished()) {
        Increment(rowsThisLanding);
        addScore(std::int64_t{10} * level * rowsThisLanding);
        Increment(lines);
        finishRowAnim();
        state = GameState::RemoveRow;
        return false;
    }
    drawRowAnimFrame();
    return false;
}

// ---- Pause ----

void CQuarvelGame::pause() {
    if (paused || state == GameState::GameOver) return;
    std::memcpy(savedBoard, board, sizeof board);
    std::memset(board, JUNK_TILE, sizeof board);
    stopGameTimer();
    paused = true;
    redrawScreen(RedrawArea::Whole);
    showPausedLabel(true);
}

void CQuarvelGame::resume() {
    showPausedLabel(false);
    std::memcpy(board, savedBoard, sizeof board);
    paused = false;
    redrawScreen(RedrawArea::Whole);
    startGameTimer();
}

void CQuarvelGame::reportGameOver() {
    if (gameOverReported) return;
    gameOverReported = true;
    PostMessage(reportWindow(), WM_GAME_OVER_REPORT,
                static_cast<WParam>(static_cast<std::uint32_t>(level)), static_cast<LParam>(score));
}

// ---- Player controls ----

void CQuarvelGame::onKeyDown(std::uint32_t code, bool autoRepeat) {
    if (paused) {
        resume();  // the press that ends a pause does nothing else
        return;
    }
    if (dropHeld || autoRepeat || state != GameState::Falling) return;
    const CQuarvelControlLayout& keys = controlLayout;
    auto is = [code](std::int32_t slot) { return code == static_cast<std::uint32_t>(slot); };
    if (is(keys.rotate_cw_key)) {
        turnKey(true);
    } else if (is(keys.rotate_ccw_key)) {
        turnKey(false);
    } else if (is(keys.move_left_key)) {
        sidewaysKey(false);
    } else if (is(keys.move_right_key)) {
        sidewaysKey(true);
    } else if (is(keys.drop_key)) {
        dropKey();
    }
}

void CQuarvelGame::turnKey(bool clockwise) {
    bool moved = clockwise ? piece.rotateClockwise(*this) : piece.rotateCounterClockwise(*this);
    if (moved) {
        updateShadow();
        armLockDelay();
    } else if (lockDelayTicks == 0) {
        armLockDelay();
    }
    redrawScreen(RedrawArea::Playfield);
}

void CQuarvelGame::sidewaysKey(bool right) {
    bool moved = right ? piece.moveRight(*this) : piece.moveLeft(*this);
    if (moved) {
        updateShadow();
        armLockDelay();
    } else if (lockDelayTicks == 0) {
        armLockDelay();
    }
    // The repeat starts whether or not the piece could move.
    std::int32_t divisor = (level < 20 ? 12 : 11) - ClampedRepeatSpeed(options);
    (right ? rightRepeatCount : leftRepeatCount) = 0;
    (right ? rightRepeatDelay : leftRepeatDelay) = divisor;
    redrawScreen(RedrawArea::Playfield);
}

void CQuarvelGame::dropKey() {
    cancelLockDelay();
    dropHeld = true;
    std::uint32_t now = GetTickCount();
    bool rowClear;
    // A second press soon after a single step drops to the bottom; 0 means no
    // earlier press, whatever the clock reads.
    if ((lastDropPress != 0 && now - lastDropPress <= DOUBLE_PRESS_MS) ||
        options.single_press_drop) {
        rowClear = hardDrop();
        lastDropPress = 0;
    } else {
        rowClear = stepDown();
        lastDropPress = GetTickCount();
    }
    redrawScreen(rowClear ? RedrawArea::Whole : RedrawArea::Playfield);
}

void CQuarvelGame::onKeyUp(std::uint32_t code) {
    dropHeld = IsKeyDown(static_cast<std::uint32_t>(controlLayout.drop_key));
    if (state == GameState::GameOver && (code == VK_ACTION || code == VK_RETURN)) {
        reportGameOver();
        return;
    }
    // Each side on its own: when one key holds both slots, its press started the
    // left repeat, and its release must stop that one too.
    if (code == static_cast<std::uint32_t>(controlLayout.move_right_key)) {
        rightRepeatCount = rightRepeatDelay = 0;
    }
    if (code == static_cast<std::uint32_t>(controlLayout.move_left_key)) {
        leftRepeatCount = leftRepeatDelay = 0;
    }
}

void CQuarvelGame::repeatRightStep() {
    repeatStep(rightRepeatCount, rightRepeatDelay, true);
}
void CQuarvelGame::repeatLeftStep() {
    repeatStep(leftRepeatCount, leftRepeatDelay, false);
}

void CQuarvelGame::repeatStep(std::int32_t& count, std::int32_t& delay, bool right) {
    if (delay <= 0) return;
    Increment(count);
    if (count % delay != 0) return;
    if (right ? piece.moveRight(*this) : piece.moveLeft(*this)) {
        updateShadow();
        armLockDelay();  // a failed repeat does not arm the delay
    }
    if (--delay == 0) delay = 1;
}
