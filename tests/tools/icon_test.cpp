// quarvel-icon's maskable variant, read back with SDL2_image: opaque to the
// edges, the background colour wherever a launcher's mask may cut (outside the
// safe zone, the central circle of 80 % of the side), and the design filling
// that zone; and a colour it cannot read refused.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "tests/support/processes.h"
#include "tests/support/test_files.h"

namespace {

struct Rgba {
    std::uint8_t r, g, b, a;
};

Rgba At(SDL_Surface* image, int x, int y) {
    const auto* row = static_cast<const std::uint8_t*>(image->pixels) + y * image->pitch;
    const std::uint8_t* p = row + x * 4;
    return Rgba{p[0], p[1], p[2], p[3]};
}

TEST(IconTest, MaskableVariantKeepsItsPictureInTheSafeZoneOnAFullBleedBackground) {
    const std::string file = (FreshTestFolder() / "maskable.png").string();
    ASSERT_EQ(ExitStatus(Spawn({ICON_TOOL, "--maskable=#12151b", file, "192"})), 0);
    SDL_Surface* loaded = IMG_Load(file.c_str());
    ASSERT_NE(loaded, nullptr) << IMG_GetError();
    SDL_Surface* image = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ABGR8888, 0);
    SDL_FreeSurface(loaded);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->w, 192);
    ASSERT_EQ(image->h, 192);
    const double centre = 192 / 2.0, safe = 0.4 * 192;
    double reach = 0;  // how far from the centre the design goes
    for (int y = 0; y < 192; ++y) {
        for (int x = 0; x < 192; ++x) {
            const Rgba p = At(image, x, y);
            ASSERT_EQ(p.a, 255) << x << "," << y;
            const double distance = std::hypot(x + 0.5 - centre, y + 0.5 - centre);
            const bool background = p.r == 0x12 && p.g == 0x15 && p.b == 0x1b;
            if (!background) reach = std::max(reach, distance);
        }
    }
    SDL_FreeSurface(image);
    EXPECT_LE(reach, safe + 1);
    EXPECT_GE(reach, safe - 4);
}

TEST(IconTest, MaskableColourItCannotReadIsRefused) {
    const std::string file = (FreshTestFolder() / "maskable.png").string();
    for (const char* colour : {"--maskable=12151b", "--maskable=#12151", "--maskable=#12151g"})
        EXPECT_EQ(ExitStatus(Spawn({ICON_TOOL, colour, file, "192"})), 2) << colour;
}

}  // namespace
