// Feeds arbitrary format strings to the text formatter, as a pack's string
// resources hold them, with arguments of every kind. Nothing may be written
// past the buffer, which always ends with its terminator, and the count
// returned is the text's length.
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/text/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // First byte: the buffer's capacity; second: which argument list.
    const std::int32_t capacity = data[0];
    const std::uint8_t pick = data[1];
    std::u16string format;
    for (std::size_t i = 2; i + 1 < size; i += 2) {
        format.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    }
    // A buffer of exactly `capacity` units (at least one, for the call to write
    // anything): a write past it is caught.
    std::vector<char16_t> buffer(capacity > 0 ? capacity : 1, u'\xFFFF');
    char16_t* out = capacity > 0 ? buffer.data() : nullptr;
    const std::initializer_list<FormatArg> lists[] = {
        {},
        {std::int32_t{-2147483647 - 1}, std::uint32_t{4294967295u}, u"text", std::int32_t{-7}},
        {u"", static_cast<const char16_t*>(nullptr), std::int32_t{1048577}, std::int32_t{-1048577},
         std::int32_t{65}},
        {std::int32_t{2147483647}, std::int32_t{-1}, std::uint32_t{0}, std::uint32_t{0xD800},
         u"\xD83D\xDE00"}};
    const std::int32_t count = FormatText(out, capacity, format.c_str(), lists[pick % 4]);
    if (capacity <= 0) {
        if (count != 0) std::abort();
        return 0;
    }
    if (count < 0 || count >= capacity || buffer[count] != u'\0') std::abort();
    return 0;
}
