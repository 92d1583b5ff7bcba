#include "front/key_names.h"

#include "platform/runtime/keys.h"

namespace {

struct FixedName {
    std::uint32_t code;
    const char16_t* name;
};

constexpr FixedName FIXED_NAMES[] = {
    {VK_LBUTTON, u"Left Button"},
    {VK_RBUTTON, u"Right Button"},
    {VK_CANCEL, u"Cancel"},
    {VK_MBUTTON, u"Middle Button"},
    {VK_BACK, u"Back"},
    {VK_TAB, u"Tab"},
    {VK_CLEAR, u"Clear"},
    {VK_RETURN, u"Return"},
    {VK_SHIFT, u"Shift"},
    {VK_CONTROL, u"Ctrl"},
    {VK_MENU, u"Menu"},
    {VK_ESCAPE, u"Esc"},
    {VK_SPACE, u"Space"},
    {VK_END, u"End"},
    {VK_HOME, u"Home"},
    {VK_LEFT, u"Left"},
    {VK_UP, u"Up"},
    {VK_RIGHT, u"Right"},
    {VK_DOWN, u"Down"},
    {VK_INSERT, u"Insert"},
    {VK_DELETE, u"Delete"},
    {VK_HELP, u"Help"},
    {VK_LWIN, u"Left Win"},
    {VK_RWIN, u"Right Win"},
    {VK_APPS, u"Apps"},
    {VK_MULTIPLY, u"*"},
    {VK_ADD, u"+"},
    {VK_SEPARATOR, u"|"},
    {VK_SUBTRACT, u"-"},
    {VK_DECIMAL, u"."},
    {VK_DIVIDE, u"/"},
    {VK_LSHIFT, u"Left Shift"},
    {VK_RSHIFT, u"Right Shift"},
    {VK_LCONTROL, u"Left Ctrl"},
    {VK_RCONTROL, u"Right Ctrl"},
    {VK_LMENU, u"Left Menu"},
    {VK_RMENU, u"Right Menu"},
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
    if (code >= VK_NUMPAD0 && code <= VK_NUMPAD0 + 9) {
        end = AppendNumber(Append(end, u"Numpad "), code - VK_NUMPAD0);
    } else if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) {
        // Digit and letter keys have the character's own code.
        *end++ = static_cast<char16_t>(code);
    } else if (code == VK_ACTION) {
        end = Append(end, u"Action Key");
    } else if (code >= VK_F1 && code <= VK_F24) {
        end = AppendNumber(Append(end, u"F"), code - VK_F1 + 1);
    } else if (code >= VK_APP1 && code <= VK_APP6) {
        end = AppendNumber(Append(end, u"App Key "), code - VK_APP1 + 1);
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
