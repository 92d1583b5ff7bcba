#include "shell/layout_text.h"

#include "tests/support/test_files.h"

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
    const std::string sized = "a:1\nb:23";
    const std::vector<char> bytes(sized.begin(), sized.end());  // exactly sized, no NUL
    LoadLayoutText(bytes.data(), bytes.size());
    EXPECT_EQ(GetLayoutInt("b", 0), 23);
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

TEST_F(LayoutTextTest, NumbersAndRectangles) {
    for (const std::vector<std::string>& row : TableRows(TABLES "/layout_ints.txt", 2)) {
        LayoutMap["n"] = row[1];
        EXPECT_EQ(GetLayoutInt("n", 9), std::stoi(row[0])) << row[1];
    }
    EXPECT_EQ(GetLayoutInt("missing", 9), 9);
    for (const std::vector<std::string>& row : TableRows(TABLES "/layout_rects.txt", 5)) {
        LayoutMap["n"] = row[4];
        const Rect expected{std::stoi(row[0]), std::stoi(row[1]), std::stoi(row[2]),
                            std::stoi(row[3])};
        EXPECT_EQ(GetLayoutRect("n"), expected) << row[4];
    }
    EXPECT_EQ(GetLayoutRect("missing"), Rect{});
    EXPECT_EQ(LayoutMap.size(), 1u);  // lookups never insert
}

}  // namespace
