#include <gtest/gtest.h>

#include "platform/runtime/app_keys.h"
#include "shell/control_layout.h"

namespace {

// A layout claims its application keys for a window, leaving other claims; without
// a window, and at its end, it frees all six.
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
