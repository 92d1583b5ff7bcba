// A game screen on a test window of a fresh layer, with a small pack whose pictures are solid
// colours, so that pixels tell which tile, variant or background is drawn.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "game_screen/game_wnd.h"
#include "platform/drawing/drawing.h"
#include "platform/runtime/types.h"
#include "tests/support/layer_fixture.h"

// The colour of tile `tile` in variant `variant` of the test tile sheet.
Colour TileColour(int tile, int variant);
// The colour of background picture `id` (109..118).
Colour BackgroundColour(int id);
constexpr Colour PAUSE_BANNER_COLOUR = Rgb(0, 200, 0);
constexpr Colour GAME_OVER_BANNER_COLOUR = Rgb(200, 0, 0);

struct TestLayout {
    std::int32_t tileSize = 14;
    std::int32_t boardLeft = 4;
    std::int32_t boardTop = 6;
    std::int32_t width = 240;
    std::int32_t height = 294;
};

class GameScreenTest : public LayerTest {
  protected:
    GameScreenTest() : LayerTest(100000) {}
    void SetUp() override;
    void TearDown() override;
    // Loads a test pack with this layout as the resource pack.
    void UsePack(const TestLayout& layout);
    // Starts a game on the test window.
    void Begin(std::int32_t junk = 0, std::int32_t level = 1);
    // Delivers one timer tick (the clock moves on by 33 ms).
    void Tick(int count = 1);
    void Key(std::uint32_t code, bool down);
    Colour BackPixel(std::int32_t x, std::int32_t y);

    TestLayout layout;
    CQuarvelGameWnd screen;
    WindowHandle window = nullptr;
    std::filesystem::path dir;
};
