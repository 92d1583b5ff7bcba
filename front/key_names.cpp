#include "front/key_names.h"

namespace {

struct FixedName {
    std::uint32_t code;
    const char16_t* name;
};

constexpr FixedName FIXED_NAMES[] = {
    {1, u"Left Button"},   {2, u"Right Button"}, {3, u"Cancel"},       {4, u"Middle Button"},
    {8, u"Back"},          {9, u"Tab"},          {12, u"Clear"},       {13, u"Return"},
    {16, u"Shift"},        {17, u"Ctrl"},        {18, u"Menu"},        {27, u"Esc"},
    {32, u"Space"},        {35, u"End"},         {36, u"Home"},        {37, u"Left"},
    {38, u"Up"},           {39, u"Right"},       {40, u"Down"},        {45, u"Insert"},
    {46, u"Delete"},       {47, u"Help"},        {91, u"Left Win"},    {92, u"Right Win"},
    {93, u"Apps"},         {106, u"*"},          {107, u"+"},          {108, u"|"},
    {109, u"-"},           {110, u"."},          {111, u"/"},          {160, u"Left Shift"},
    {161, u"Right Shift"}, {162, u"Left Ctrl"},  {163, u"Right Ctrl"}, {164, u"Left Menu"},
    {165, u"Right Menu"},
};

// Copies `text` to `out` and returns the position after it (not terminated).
char16_t* Append(char16_t* out, const char16_t* text) {
    while (*text != u'\0')
        *out++ = *text++;
    return out;
}

// Appends the decimal digits of `value` (at most two are ever needed here, but
// any value works).
char16_t* AppendNumber(char16_t* out, std::uint32_t value) {
    char16_t digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0)
        *out++ = digits[--count];
    return out;
}

}  // namespace

char16_t* keyName(std::uint32_t code, char16_t* buffer) {
    char16_t* end = buffer;
    if (code >= 96 && code <= 105) {
        end = AppendNumber(Append(end, u"Numpad "), code - 96);
    } else if ((code >= 48 && code <= 57) || (code >= 65 && code <= 90)) {
        // Digit and letter keys have the character's own code.
        *end++ = static_cast<char16_t>(code);
    } else if (code == 134) {
        end = Append(end, u"Action Key");
    } else if (code >= 112 && code <= 135) {
        end = AppendNumber(Append(end, u"F"), code - 111);
    } else if (code >= 193 && code <= 198) {
        end = AppendNumber(Append(end, u"App Key "), code - 192);
    } else {
        const char16_t* name = u"(assigned)";
        for (const FixedName& entry : FIXED_NAMES) {
            if (entry.code == code) {
                name = entry.name;
                break;
            }
        }
        end = Append(end, name);
    }
    *end = u'\0';
    return buffer;
}
