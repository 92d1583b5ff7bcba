#include <gtest/gtest.h>

#include "platform/text/text.h"

namespace {

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
