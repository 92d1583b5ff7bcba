#include "front/key_names.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

std::u16string Name(std::uint32_t code) {
    char16_t buffer[100];
    EXPECT_EQ(keyName(code, buffer), buffer);
    return buffer;
}

TEST(KeyNamesTest, TheGivenExamples) {
    const std::pair<std::uint32_t, const char16_t*> examples[] = {
        {134, u"Action Key"}, {133, u"F22"},     {135, u"F24"},       {112, u"F1"},
        {123, u"F12"},        {97, u"Numpad 1"}, {106, u"*"},         {111, u"/"},
        {65, u"A"},           {90, u"Z"},        {48, u"0"},          {57, u"9"},
        {193, u"App Key 1"},  {198, u"App Key 6"}, {108, u"|"},       {13, u"Return"},
        {4, u"Middle Button"}, {165, u"Right Menu"}, {27, u"Esc"},    {40, u"Down"},
    };
    for (const auto& [code, name] : examples) EXPECT_EQ(Name(code), name) << code;
    for (std::uint32_t code : {0u, 5u, 19u, 94u, 199u, 0xFFFFFFFFu}) {
        EXPECT_EQ(Name(code), u"(assigned)") << code;
    }
}

// Every code gets a short name, and no two keys share one: a player can tell
// the five assigned keys apart on the key screen.
TEST(KeyNamesTest, EveryCodeHasAShortNameAndNamedKeysDiffer) {
    std::map<std::u16string, std::uint32_t> seen;
    int named = 0;
    for (std::uint32_t code = 0; code < 512; ++code) {
        const std::u16string name = Name(code);
        ASSERT_FALSE(name.empty()) << code;
        EXPECT_LE(name.size(), 13u) << code;
        if (name == u"(assigned)") continue;
        ++named;
        const auto [at, fresh] = seen.emplace(name, code);
        EXPECT_TRUE(fresh) << code << " and " << at->second;
    }
    // Digits, letters, keypad digits, 24 function keys, six application keys and
    // the 37 keys with names of their own.
    EXPECT_EQ(named, 10 + 26 + 10 + 24 + 6 + 37);
}

}  // namespace
