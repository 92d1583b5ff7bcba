#include "front/key_names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Name(std::uint32_t code) {
    char16_t buffer[100];
    EXPECT_EQ(keyName(code, buffer), buffer);
    return buffer;
}

std::u16string Wide(const std::string& ascii) {
    return {ascii.begin(), ascii.end()};
}

TEST(KeyNamesTest, FixedNames) {
    const std::pair<std::uint32_t, const char16_t*> table[] = {
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
    for (const auto& [code, name] : table) {
        EXPECT_EQ(Name(code), name) << code;
    }
}

TEST(KeyNamesTest, NumberedRangesAndUnnamedCodes) {
    for (std::uint32_t c = 96; c <= 105; ++c) {
        EXPECT_EQ(Name(c), Wide("Numpad " + std::to_string(c - 96)));
    }
    for (std::uint32_t c = 48; c <= 90; ++c) {
        if (c > 57 && c < 65) continue;  // between the digits and the letters
        EXPECT_EQ(Name(c), std::u16string(1, char16_t(c)));
    }
    for (std::uint32_t c = 112; c <= 135; ++c) {
        EXPECT_EQ(Name(c), c == 134 ? u"Action Key" : Wide("F" + std::to_string(c - 111)));
    }
    for (std::uint32_t c = 193; c <= 198; ++c) {
        EXPECT_EQ(Name(c), Wide("App Key " + std::to_string(c - 192)));
    }
    for (std::uint32_t c : {0u, 5u, 19u, 58u, 64u, 94u, 136u, 166u, 192u, 199u, 0xFFFFFFFFu}) {
        EXPECT_EQ(Name(c), u"(assigned)") << c;
    }
}

}  // namespace
