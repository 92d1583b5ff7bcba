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

}  // namespace
