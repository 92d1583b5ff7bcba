#include "game_screen/animations.h"

#include <algorithm>

#include "shell/resource_pack.h"

// ---- Row clearing ----

bool CQuarvelEmptyRowAnim::isFinished() {
    return progress <= 0 || row < 0 || row >= BOARD_ROWS;
}

void CQuarvelEmptyRowAnim::drawFrame(CQuarvelBoardCanvas& screen) {
    if (isFinished()) return;
    const std::int32_t p = progress;
    if (!fourRow) {
        std::int32_t d = (100 - p) * (gameWidth / 2) / 100;
        screen.drawScaledBoardRow(row, d, 0, p, 0);
        progress -= shrinkStep;
        return;
    }
    std::int32_t d = (100 - p) * gameWidth / 100;
    screen.drawScaledBoardRow(row, d, d, p, 1);
    screen.drawScaledBoardRow(row, d, -d, p, 1);
    screen.drawScaledBoardRow(row, -d, d, p, 1);
    screen.drawScaledBoardRow(row, -d, -d, p, 1);
    progress -= 8;
}

// ---- Game over ----

void CQuarvelExplodingTilesGameOverAnim::reset(std::int32_t level) {
    rowsStarted = 0;
    for (std::int32_t& p : rowProgress)
        p = 0;
    styleLevel = level;
    frame = 0;
    finished = false;
}

bool CQuarvelExplodingTilesGameOverAnim::isFinished(CQuarvelBoardCanvas&) {
    return finished;
}

void CQuarvelExplodingTilesGameOverAnim::step(CQuarvelBoardCanvas& screen) {
    if (frame % 2 == 0 && rowsStarted < BOARD_ROWS) {
        screen.hideBoardRow(rowsStarted);
        ++rowsStarted;
    }
    bool done = true;
    const std::int32_t level = styleLevel;
    for (std::int32_t i = 0; i < rowsStarted; ++i) {
        if (rowProgress[i] >= 100) continue;
        rowProgress[i] = std::min(rowProgress[i] + 10, 100);
        const std::int32_t p = rowProgress[i];
        const std::int32_t size = 100 - p;
        if (level < 10) {
            screen.drawScaledBoardRow(i, 0, 0, size, 1);
        } else if (level < 15) {
            std::int32_t d = 6 * p * level / 100;
            screen.drawScaledBoardRow(i, d, 0, size, 1);
        } else if (level < 20) {
            std::int32_t d = 5 * p * level / 100;
            screen.drawScaledBoardRow(i, d, 0, size, 1);
            screen.drawScaledBoardRow(i, -d, 0, size, 1);
        } else {
            std::int32_t d = 4 * p * level / 100;
            screen.drawScaledBoardRow(i, d, d, size, 1);
            screen.drawScaledBoardRow(i, d, -d, size, 1);
            screen.drawScaledBoardRow(i, -d, d, size, 1);
            screen.drawScaledBoardRow(i, -d, -d, size, 1);
        }
        done = false;
        if (p == 100) screen.emptyBoardRow(i);
    }
    finished = done;
    ++frame;
}
