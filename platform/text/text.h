// Text services: printf-style formatting into UTF-16 buffers, conversion between
// UTF-8 and UTF-16, and texts cut to fit a buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// One argument of a formatted text: a signed or unsigned integer, or a UTF-16
// string.
class FormatArg {
  public:
    enum class Kind { Signed, Unsigned, Text };
    FormatArg(std::int32_t v) : kind_(Kind::Signed), integer_(v) {}
    FormatArg(std::uint32_t v) : kind_(Kind::Unsigned), integer_(v) {}
    FormatArg(const char16_t* s) : kind_(Kind::Text), text_(s) {}
    Kind kind() const { return kind_; }
    std::int64_t integer() const { return integer_; }
    const char16_t* text() const { return text_; }

  private:
    Kind kind_;
    std::int64_t integer_ = 0;
    const char16_t* text_ = nullptr;
};

// Formats `format` into `buffer` of `capacity` code units, cut to capacity - 1 and
// always terminated. Conversions: %d, %i, %u, %s, %c, %%, with optional flags (-,
// 0), width and precision as in printf. Integer conversions take either integer
// kind as 32 bits (%c: one code unit). A conversion whose argument is missing or
// of another kind, or an unknown conversion, prints nothing; a null text prints
// "(null)". Returns the number of code units written.
std::int32_t FormatText(char16_t* buffer, std::int32_t capacity, const char16_t* format,
                        std::initializer_list<FormatArg> args);

// Conversions; invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
std::string Utf16ToUtf8(const char16_t* text);  // up to the NUL; null gives ""

// The length of `text` cut to at most `limit` code units, never keeping the first
// half of a surrogate pair without its second half.
std::size_t CutTextLength(std::u16string_view text, std::size_t limit);
// Copies `text` into `buffer` of `capacity` code units, cut so (to capacity - 1)
// and always terminated; returns the code units copied, 0 without a buffer.
std::int32_t CopyCutText(std::u16string_view text, char16_t* buffer, std::int32_t capacity);
