#include <gtest/gtest.h>

#include <cstring>

#include "platform/runtime/app_keys.h"
#include "shell/control_layout.h"
#include "shell/options.h"

namespace {

TEST(OptionsTest, DefaultsAndByteImage) {
    OptionsRecord record;
    std::uint8_t bytes[OPTIONS_RECORD_SIZE];
    OptionsToBytes(record, bytes);
    const std::uint8_t expected[OPTIONS_RECORD_SIZE] = {1, 1, 1, 0, 5, 0, 0, 0, 0, 0, 1, 0};
    EXPECT_EQ(std::memcmp(bytes, expected, sizeof bytes), 0);

    // The global holds the defaults from program load.
    OptionsToBytes(options, bytes);
    EXPECT_EQ(std::memcmp(bytes, expected, sizeof bytes), 0);
}

TEST(OptionsTest, PartialImageReplacesOnlyItsBytes) {
    OptionsRecord record;
    const std::uint8_t stored[OPTIONS_RECORD_SIZE] = {0, 0, 0, 1, 0x0A, 0, 0, 0, 1, 1, 0, 0};
    OptionsFromBytes(record, stored, 6);  // up to the middle of repeat_speed
    EXPECT_EQ(record.rising_junk, 0);
    EXPECT_EQ(record.single_press_drop, 1);
    EXPECT_EQ(record.repeat_speed, 10);
    EXPECT_EQ(record.fixed_seed, 0);  // beyond the stored bytes: unchanged
    EXPECT_EQ(record.sound_on, 1);

    const std::uint8_t negative[OPTIONS_RECORD_SIZE] = {1,    1,    1, 0, 0xFF, 0xFF,
                                                        0xFF, 0xFF, 0, 0, 1,    0};
    OptionsFromBytes(record, negative, sizeof negative);
    EXPECT_EQ(record.repeat_speed, -1);
    EXPECT_EQ(ClampedRepeatSpeed(record), 1);
    record.repeat_speed = 0x7FFFFFFF;
    EXPECT_EQ(ClampedRepeatSpeed(record), 10);
}

TEST(ControlLayoutTest, DefaultsAndByteImageSkipReservedWord) {
    CQuarvelControlLayout layout;
    EXPECT_EQ(layout.move_left_key, 37);
    EXPECT_EQ(layout.move_right_key, 39);
    EXPECT_EQ(layout.rotate_cw_key, 13);
    EXPECT_EQ(layout.rotate_ccw_key, 38);
    EXPECT_EQ(layout.drop_key, 40);

    std::uint8_t stored[CONTROLS_RECORD_SIZE];
    layout.drop_key = 195;
    ControlsToBytes(layout, stored);
    EXPECT_EQ(stored[20], 195);

    // Any reserved word loads the same codes.
    std::memset(stored, 0xAB, 4);
    CQuarvelControlLayout loaded;
    ControlsFromBytes(loaded, stored, sizeof stored);
    EXPECT_EQ(loaded.drop_key, 195);
    EXPECT_EQ(loaded.move_left_key, 37);

    // A short image replaces only what it holds.
    CQuarvelControlLayout partial;
    const std::uint8_t shortImage[8] = {0, 0, 0, 0, 100, 0, 0, 0};
    ControlsFromBytes(partial, shortImage, sizeof shortImage);
    EXPECT_EQ(partial.move_left_key, 100);
    EXPECT_EQ(partial.move_right_key, 39);
}

TEST(ControlLayoutTest, ClaimAppKeys) {
    auto* window = reinterpret_cast<WindowHandle>(0x42);
    CQuarvelControlLayout layout;
    layout.drop_key = 195;
    layout.rotate_cw_key = 198;
    AssociateAppKey(193, window);  // already associated: stays so

    layout.claimAppKeys(window);
    EXPECT_EQ(AppKeyWindow(195), window);
    EXPECT_EQ(AppKeyWindow(198), window);
    EXPECT_EQ(AppKeyWindow(193), window);
    EXPECT_EQ(AppKeyWindow(194), nullptr);

    layout.claimAppKeys(nullptr);  // frees all six
    for (std::uint32_t code = 193; code <= 198; ++code)
        EXPECT_EQ(AppKeyWindow(code), nullptr);

    {
        CQuarvelControlLayout scoped;
        scoped.drop_key = 196;
        scoped.claimAppKeys(window);
        EXPECT_EQ(AppKeyWindow(196), window);
    }  // the destructor releases the keys
    EXPECT_EQ(AppKeyWindow(196), nullptr);
}

}  // namespace
