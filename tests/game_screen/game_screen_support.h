// A game screen on a test window of a fresh layer, with the small pack of
// tests/game_screen/pack/ whose pictures are solid colours, so that pixels tell
// which tile, variant or background is drawn. With it, the shell's headers that
// the game screen's tests share.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "game_screen/game_wnd.h"
#include "shell/back_buffer.h"
#include "shell/layout_text.h"
#include "shell/records/control_layout.h"
#include "shell/records/options.h"
#include "shell/resource_pack.h"
#include "tests/support/layer_fixture.h"

// The test pack's layout (its TEXT/101.txt): 14-pixel tiles, the board at (4, 6), the two previews
// at (PANEL_X, 30) and (PANEL_X, 100), a game area of 240 x 294.
constexpr std::int32_t TILE = 14, BOARD_LEFT = 4, BOARD_TOP = 6;
constexpr std::int32_t PANEL_X = BOARD_LEFT + 10 * TILE + 8;
constexpr std::int32_t GAME_WIDTH = 240, GAME_HEIGHT = 294;

// The colour of tile `tile` in variant `variant` of the test tile sheet (BITMAP/104).
Colour TileColour(int tile, int variant);
// The colour of background picture `id` (109..118); the banners 119 and 120 are
// red and PAUSE_BANNER_COLOUR inside a magenta frame four pixels wide.
Colour BackgroundColour(int id);
constexpr Colour PAUSE_BANNER_COLOUR = Rgb(0, 200, 0);

class GameScreenTest : public LayerTest {
  protected:
    GameScreenTest() : LayerTest(100000) {}
    void SetUp() override;
    void TearDown() override;
    // Builds the test pack with this layout text and loads it as start-up does.
    void LoadPack(const std::string& layoutText);
    // Starts a game on the test window.
    void Begin(std::int32_t junk = 0, std::int32_t level = 1);
    // Delivers timer ticks, moving the clock on by 33 ms each.
    void Tick(int count = 1);
    void Key(std::uint32_t code, bool down);

    CQuarvelGameWnd screen;
    WindowHandle window = nullptr;
    std::filesystem::path dir;
};
