// printf-style formatting into UTF-16 buffers. The format may come from a resource
// pack, so every conversion checks its argument's kind and nothing reads past the
// argument list or the buffer.
#include <cstdint>

#include "platform/text/text.h"

namespace {

// Widths and precisions beyond this are cut here; the buffer is full long before.
constexpr std::int32_t MAX_FIELD = 1 << 20;

class Output {
  public:
    Output(char16_t* buffer, std::int32_t capacity) : buffer_(buffer), room_(capacity - 1) {}
    bool full() const { return count_ >= room_; }
    std::int32_t count() const { return count_; }
    void put(char16_t c) {
        if (!full()) buffer_[count_++] = c;
    }
    void repeat(char16_t c, std::int64_t times) {
        for (; times > 0 && !full(); --times)
            put(c);
    }
    void finish() { buffer_[count_] = u'\0'; }

  private:
    char16_t* buffer_;
    std::int32_t room_;
    std::int32_t count_ = 0;
};

struct Field {
    bool left = false;
    bool zero = false;
    std::int32_t width = 0;
    std::int32_t precision = -1;  // -1: none
};

class Arguments {
  public:
    Arguments(const FormatArg* begin, const FormatArg* end) : next_(begin), end_(end) {}
    // The next argument, or null when they have run out.
    const FormatArg* take() { return next_ == end_ ? nullptr : next_++; }

  private:
    const FormatArg* next_;
    const FormatArg* end_;
};

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

std::int32_t ReadNumber(const char16_t*& p) {
    std::int32_t value = 0;
    for (; IsDigit(*p); ++p) {
        value = value >= MAX_FIELD ? MAX_FIELD : value * 10 + (*p - u'0');
    }
    return value;
}

// Text padded with spaces to the field's width.
void PutText(Output& out, const Field& field, const char16_t* text, std::int64_t length) {
    if (!field.left) out.repeat(u' ', field.width - length);
    for (std::int64_t i = 0; i < length && !out.full(); ++i)
        out.put(text[i]);
    if (field.left) out.repeat(u' ', field.width - length);
}

void PutInteger(Output& out, const Field& field, bool negative, std::uint32_t magnitude) {
    char16_t digits[10];
    std::int32_t count = 0;
    for (; magnitude != 0; magnitude /= 10)
        digits[count++] = u'0' + magnitude % 10;
    // printf prints at least one digit unless the precision is an explicit zero.
    std::int32_t minimum = field.precision < 0 ? 1 : field.precision;
    std::int32_t zeros = minimum > count ? minimum - count : 0;
    std::int64_t length = std::int64_t{count} + zeros + (negative ? 1 : 0);
    std::int64_t pad = field.width > length ? field.width - length : 0;
    bool zeroPad = field.zero && !field.left && field.precision < 0;
    if (!field.left && !zeroPad) out.repeat(u' ', pad);
    if (negative) out.put(u'-');
    if (zeroPad) out.repeat(u'0', pad);
    out.repeat(u'0', zeros);
    while (count > 0)
        out.put(digits[--count]);
    if (field.left) out.repeat(u' ', pad);
}

// Reads one conversion after its '%' and prints it; `p` ends past it. Anything
// else printf knows (the flags '+', ' ' and '#', '*' for a width, 'l') is taken
// as an unknown conversion: the game's formats need none of it.
void Convert(Output& out, const char16_t*& p, Arguments& args) {
    Field field;
    for (;; ++p) {
        if (*p == u'-') {
            field.left = true;
        } else if (*p == u'0') {
            field.zero = true;
        } else {
            break;
        }
    }
    field.width = ReadNumber(p);
    if (*p == u'.') {
        ++p;
        field.precision = ReadNumber(p);
    }

    char16_t conversion = *p;
    if (conversion == u'\0') return;  // a lone '%' at the end prints nothing
    ++p;
    if (conversion == u'%') {
        out.put(u'%');
        return;
    }
    bool integral =
        conversion == u'd' || conversion == u'i' || conversion == u'u' || conversion == u'c';
    if (!integral && conversion != u's') return;  // unknown: nothing, and no argument used

    const FormatArg* arg = args.take();
    if (arg == nullptr || (arg->kind() == FormatArg::Kind::Text) == integral) return;
    // Integers are taken as 32 bits, signed for %d and %i, unsigned for %u and %c.
    auto bits = static_cast<std::uint32_t>(arg->integer());
    if (conversion == u'd' || conversion == u'i') {
        auto value = static_cast<std::int32_t>(bits);
        PutInteger(out, field, value < 0, value < 0 ? 0u - bits : bits);
    } else if (conversion == u'u') {
        PutInteger(out, field, false, bits);
    } else if (conversion == u'c') {
        const char16_t unit = static_cast<char16_t>(bits);
        PutText(out, field, &unit, unit == u'\0' ? 0 : 1);
    } else {
        const char16_t* text = arg->text() != nullptr ? arg->text() : u"(null)";
        std::int64_t length = 0;
        while ((field.precision < 0 || length < field.precision) && text[length] != u'\0') {
            ++length;
        }
        PutText(out, field, text, length);
    }
}

}  // namespace

std::int32_t FormatText(char16_t* buffer, std::int32_t capacity, const char16_t* format,
                        std::initializer_list<FormatArg> args) {
    if (buffer == nullptr || capacity <= 0) return 0;
    Output out(buffer, capacity);
    Arguments arguments(args.begin(), args.end());
    for (const char16_t* p = format; p != nullptr && *p != u'\0' && !out.full();) {
        if (*p == u'%') {
            ++p;
            Convert(out, p, arguments);
        } else {
            out.put(*p++);
        }
    }
    out.finish();
    return out.count();
}
