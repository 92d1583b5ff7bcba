#include "front/key_names.h"

#include <map>

#include "tests/support/test_files.h"

namespace {

std::u16string Name(std::uint32_t code) {
    char16_t buffer[100];
    EXPECT_EQ(keyName(code, buffer), buffer);
    return buffer;
}

TEST(KeyNamesTest, TheGivenExamples) {
    for (const std::vector<std::string>& row : TableRows(TABLES "/key_names.txt", 2)) {
        const std::u16string name(row[1].begin(), row[1].end());  // ASCII
        EXPECT_EQ(Name(static_cast<std::uint32_t>(std::stoul(row[0]))), name) << row[0];
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
