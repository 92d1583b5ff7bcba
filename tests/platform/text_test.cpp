#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/text/text.h"

namespace {

struct Case {
    const char16_t* format;
    std::initializer_list<FormatArg> args;
    const char16_t* expected;
};

void ExpectFormats(const Case& c) {
    char16_t buffer[64];
    std::int32_t written = FormatText(buffer, 64, c.format, c.args);
    EXPECT_EQ(std::u16string(buffer), c.expected) << Utf16ToUtf8(c.format);
    EXPECT_EQ(written, static_cast<std::int32_t>(std::u16string(c.expected).size()));
}

TEST(TextFormatTest, ConvertsAsPrintfAndSkipsWhatDoesNotFit) {
    const Case cases[] = {
        {u"%d|%i|%u", {-5, 7, 4294967295u}, u"-5|7|4294967295"},
        {u"[%5d][%-5d][%05d]", {42, 42, -42}, u"[   42][42   ][-0042]"},
        {u"[%.3d][%8.3d][%-6.3d][%05.3d]", {7, -7, 7, 7}, u"[007][    -007][007   ][  007]"},
        {u"[%.0d][%.d][%3.0d]", {0, 0, 0}, u"[][][   ]"},
        {u"%d %d", {INT32_MIN, INT32_MAX}, u"-2147483648 2147483647"},
        {u"%d|%u", {4294967295u, -1}, u"-1|4294967295"},
        {u"[%s][%6s][%-6s][%.2s][%05s]",
         {u"abc", u"abc", u"abc", u"abc", u"ab"},
         u"[abc][   abc][abc   ][ab][   ab]"},
        {u"[%c][%3c][%-3c][%c]", {65, 0x263A, 66u, 0}, u"[A][  \u263A][B  ][]"},
        {u"100%% %5%", {}, u"100% %"},
        {u"[%s][%.3s]", {nullptr, nullptr}, u"[(null)][(nu]"},
        // Mismatched, missing and unknown conversions print nothing.
        {u"[%s][%d]", {1, 2}, u"[][2]"},  // a wrong kind still uses up its argument
        {u"[%d][%s]", {u"x", u"y"}, u"[][y]"},
        {u"[%c][%u]", {u"x", 5}, u"[][5]"},
        {u"[%d][%d][%s]", {1}, u"[1][][]"},  // missing arguments
        {u"[%q][%y%d]", {3}, u"[][3]"},      // unknown conversions use no argument
        {u"[%5q][%-08.3Z]", {}, u"[][]"},
        {u"[%+d][%*d][%ld]", {3}, u"[d][d][d]"},  // printf's other flags are unknown here
        {u"abc%", {1}, u"abc"},                   // a lone '%' at the end
        {u"abc%-05.", {}, u"abc"},
    };
    for (const Case& c : cases)
        ExpectFormats(c);
}

TEST(TextFormatTest, CutsAtCapacityAndAlwaysTerminates) {
    char16_t buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(FormatText(buffer, 0, u"abc", {}), 0);
    EXPECT_EQ(FormatText(nullptr, 8, u"abc", {}), 0);
    EXPECT_EQ(FormatText(buffer, -1, u"abc", {}), 0);
    EXPECT_EQ(buffer[0], u'#');
    EXPECT_EQ(FormatText(buffer, 1, u"abc", {}), 0);
    EXPECT_EQ(FormatText(buffer, 8, nullptr, {1}), 0);  // no format: an empty text
    EXPECT_EQ(buffer[0], u'\0');
    EXPECT_EQ(buffer[1], u'#');
    EXPECT_EQ(FormatText(buffer, 5, u"%s-%d", {u"ab", 12345}), 4);
    EXPECT_EQ(std::u16string(buffer), u"ab-1");
    EXPECT_EQ(buffer[5], u'#');
    EXPECT_EQ(FormatText(buffer, 6, u"%-10d|", {-1}), 5);
    EXPECT_EQ(std::u16string(buffer), u"-1   ");
    EXPECT_EQ(FormatText(buffer, 8, u"%99999999999999999999d|", {1}), 7);  // absurd width
    EXPECT_EQ(std::u16string(buffer), u"       ");
}

TEST(TextUtfTest, RoundTripsEveryPlane) {
    const std::u16string text = u"Quarvel é ★ \U0001F600";
    EXPECT_EQ(Utf16ToUtf8(text), "Quarvel \xC3\xA9 \xE2\x98\x85 \xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
    EXPECT_EQ(Utf16ToUtf8(static_cast<const char16_t*>(nullptr)), "");
}

TEST(TextUtfTest, InvalidSequencesBecomeReplacementCharacters) {
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");            // overlong
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // a surrogate
    EXPECT_EQ(Utf8ToUtf16("\xE2\x98"), u"\uFFFD\uFFFD");            // cut short
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

// A text cut to fit (a string resource, a dialog item's text, a deleted
// character) never keeps half of a surrogate pair.
TEST(TextUtfTest, CutsWithoutSplittingAPair) {
    const std::u16string text = u"ab😀c";  // the pair at 2 and 3
    EXPECT_EQ(CutTextLength(text, 3), 2u);
    EXPECT_EQ(CutTextLength(text, 4), 4u);
    EXPECT_EQ(CutTextLength(text, 2), 2u);
    EXPECT_EQ(CutTextLength(text, 99), text.size());
    EXPECT_EQ(CutTextLength(u"\xD800", 1), 1u);  // a lone half at the end stays
    char16_t buffer[4] = {u'#', u'#', u'#', u'#'};
    EXPECT_EQ(CopyCutText(text, buffer, 4), 2);
    EXPECT_EQ(std::u16string(buffer), u"ab");
    EXPECT_EQ(CopyCutText(text, buffer, 1), 0);
    EXPECT_EQ(buffer[0], u'\0');
    EXPECT_EQ(CopyCutText(text, nullptr, 4), 0);
    buffer[0] = u'#';
    EXPECT_EQ(CopyCutText(text, buffer, 0), 0);
    EXPECT_EQ(buffer[0], u'#');
}

}  // namespace
