#include <gtest/gtest.h>

#include <set>

#include "platform/runtime/app_keys.h"
#include "platform/runtime/keys.h"
#include "platform/runtime/random.h"

namespace {

// The published PCG32 reference outputs for seed 42, stream 54 (0xa15c02b7,
// 0x7b47f409, 0xba1d3330), shifted right by one: pins the generator so that
// fixed-seed games replay the same everywhere, whatever was drawn before.
TEST(RandomTest, KnownSequenceNonNegativeAndSpread) {
    for (int run = 0; run < 2; ++run) {
        SeedRandom(42);
        EXPECT_EQ(NextRandom(), 1353580891);
        EXPECT_EQ(NextRandom(), 1034156548);
        EXPECT_EQ(NextRandom(), 1561237912);
    }
    SeedRandom(43);
    EXPECT_NE(NextRandom(), 1353580891);

    SeedRandom(7);
    std::set<std::int32_t> remainders;
    for (int i = 0; i < 10000; ++i) {
        std::int32_t v = NextRandom();
        ASSERT_GE(v, 0);
        remainders.insert(v % 21);
    }
    EXPECT_EQ(remainders.size(), 21u);
}

// Codes outside the key and application-key tables are ignored, never written
// past them.
TEST(KeysTest, CodesOutsideTheTablesAreIgnored) {
    SetKeyDown(5000, true);
    EXPECT_FALSE(IsKeyDown(5000));
    auto* window = reinterpret_cast<WindowHandle>(0x1234);
    for (std::uint32_t code : {VK_APP1 - 1, VK_APP6 + 1}) {
        EXPECT_FALSE(AssociateAppKey(code, window));
        EXPECT_EQ(AppKeyWindow(code), nullptr);
    }
}

}  // namespace
