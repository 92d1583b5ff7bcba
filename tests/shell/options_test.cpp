#include <gtest/gtest.h>

#include "platform/runtime/app_keys.h"
#include "shell/control_layout.h"
#include "shell/options.h"

namespace {

// The byte images of both records, their defaults and short images are pinned
// through the store in settings_test.cpp; here the clamp of a stored speed.
TEST(OptionsTest, StoredRepeatSpeedIsClampedWhereItIsUsed) {
    OptionsRecord record;
    const std::uint8_t negative[OPTIONS_RECORD_SIZE] = {1,    1,    1, 0, 0xFF, 0xFF,
                                                        0xFF, 0xFF, 0, 0, 1,    0};
    OptionsFromBytes(record, negative, sizeof negative);
    EXPECT_EQ(record.repeat_speed, -1);
    EXPECT_EQ(ClampedRepeatSpeed(record), 1);
    record.repeat_speed = 0x7FFFFFFF;
    EXPECT_EQ(ClampedRepeatSpeed(record), 10);
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
