#include "shell/layout_text.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class LayoutTextTest : public ::testing::Test {
  protected:
    void SetUp() override { LayoutMap.clear(); }
    void TearDown() override { LayoutMap.clear(); }
};

TEST_F(LayoutTextTest, ReadsEntries) {
    LoadLayoutText(
        "x:\n\n  y: 5\nboard_left: 12\r\n\r\n  board_top:30\n\n"
        "note: a #b: c  \nn:1\nn:2\nFull_Screen:1");
    EXPECT_EQ(LayoutMap.at("x"), "y: 5");  // an empty value takes the next non-blank line
    EXPECT_EQ(LayoutMap.count("y"), 0u);
    EXPECT_EQ(GetLayoutInt("board_left", 0), 12);
    EXPECT_EQ(GetLayoutInt("board_top", 0), 30);
    EXPECT_EQ(LayoutMap.at("note"), "a #b: c  ");  // value kept byte for byte
    EXPECT_EQ(GetLayoutInt("n", 0), 2);            // the last occurrence wins
    EXPECT_EQ(GetLayoutInt("full_screen", 0), 0);  // keys are case-sensitive
    EXPECT_EQ(LayoutMap.size(), 6u);
    LoadLayoutText("z:");
    EXPECT_EQ(LayoutMap.at("z"), "");
}

TEST_F(LayoutTextTest, MalformedLineEndsTheReading) {
    // A number sign, white space before the colon, a byte outside the key alphabet.
    for (const char* text : {"a:1\n# c\nb:2", "a:1\nb :2", "a:1\nb\xC3\xA9:2"}) {
        LayoutMap.clear();
        LoadLayoutText(text);
        EXPECT_EQ(LayoutMap.size(), 1u) << text;
        EXPECT_EQ(GetLayoutInt("a", 0), 1) << text;
    }
    LayoutMap.clear();
    LoadLayoutText("  \n # a:1\nb:2");
    EXPECT_TRUE(LayoutMap.empty());
}

TEST_F(LayoutTextTest, ReadEntryMovesCursorOnlyOnSuccess) {
    const char* cursor = "k.1-a_b:\tv v\r\n\r\nbad line";
    std::string key, value;
    ASSERT_TRUE(ReadLayoutEntry(cursor, key, value));
    EXPECT_EQ(key + "|" + value, "k.1-a_b|v v");
    EXPECT_STREQ(cursor, "bad line");
    const char* stop = cursor;
    EXPECT_FALSE(ReadLayoutEntry(cursor, key, value));
    EXPECT_EQ(cursor, stop);
    EXPECT_EQ(key + "|" + value, "k.1-a_b|v v");
}

TEST_F(LayoutTextTest, SizedTextNeedNotEndWithNul) {
    const std::string source = "a:1\nb:23";
    std::vector<char> bytes(source.begin(), source.end());  // exactly sized, no NUL
    LoadLayoutText(bytes.data(), bytes.size());
    EXPECT_EQ(GetLayoutInt("b", 0), 23);
}

TEST_F(LayoutTextTest, Numbers) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"12px", 12},
        {"-3", -3},
        {"abc", 0},
        {"+7  ", 7},
        {"- 5", 0},
        {"99999999999", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-99999999999", INT32_MIN},
    };
    for (const auto& [text, expected] : cases) {
        LayoutMap["n"] = text;
        EXPECT_EQ(GetLayoutInt("n", 9), expected) << text;
    }
    EXPECT_EQ(GetLayoutInt("missing", 9), 9);
    EXPECT_EQ(LayoutMap.size(), 1u);  // lookups never insert
}

TEST_F(LayoutTextTest, Rectangles) {
    const std::pair<const char*, Rect> cases[] = {
        {"1, 2, 3, 4", {1, 2, 3, 4}},
        {"1 ,2,3,4", {1, 0, 0, 0}},
        {"10,20", {10, 20, 0, 0}},
        {"-1,+2,\t-3,4  junk", {-1, 2, -3, 4}},
        {"x,1,2,3", {0, 0, 0, 0}},
        {"99999999999,-99999999999,0,0", {INT32_MAX, INT32_MIN, 0, 0}},
    };
    for (const auto& [text, expected] : cases) {
        LayoutMap["r"] = text;
        EXPECT_EQ(GetLayoutRect("r"), expected) << text;
    }
    EXPECT_EQ(GetLayoutRect("missing"), Rect{});
    EXPECT_EQ(LayoutMap.size(), 1u);
}

}  // namespace
