// Files for tests: a fresh folder for each test, files read whole, the game's
// REGEDIT4 store written with binary values in their own byte layouts, and an
// environment variable set for a while.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

// Sets an environment variable (unsets it, for null) until the end of the scope,
// which puts back what it was.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value != nullptr ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

// An empty folder of the running test's own under the temporary folder, open to
// the user alone (as a runtime folder must be).
inline std::filesystem::path FreshTestFolder() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("quarvel-" + std::to_string(::getpid()) + "-" +
                                                  test->test_suite_name() + "-" + test->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all);  // private
    return dir;
}

// The whole file; empty when it cannot be read.
inline std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The rows of a table kept as a text file beside its test: each line's fields
// split at white space, the last of `columns` (when given) taking the rest of
// the line, spaces and all. Blank lines and those starting with '#' are skipped;
// a table that cannot be read fails the test.
inline std::vector<std::vector<std::string>> TableRows(const std::filesystem::path& path,
                                                       std::size_t columns = 0) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(FileText(path));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::vector<std::string> row;
        for (std::string field; (columns == 0 || row.size() + 1 < columns) && fields >> field;)
            row.push_back(field);
        std::string rest;
        if (std::getline(fields >> std::ws, rest)) row.push_back(rest);
        if (!row.empty() && row[0][0] != '#') rows.push_back(row);
    }
    EXPECT_FALSE(rows.empty()) << "no table in " << path;
    return rows;
}

// A REGEDIT4 store with the given value lines under the game's key.
inline std::string StoreWith(const std::string& values) {
    return "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarvel]\n" + values + "\n";
}

// The hex: text of a binary value.
inline std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
    std::string text = "hex:";
    char part[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(part, sizeof part, i > 0 ? ",%02x" : "%02x", bytes[i]);
        text += part;
    }
    return text;
}

// Stored high-score rows: the score (32 bits, little-endian), then the name in
// 16 UTF-16 code units, padded with zeros.
inline std::vector<std::uint8_t> HighScoreBytes(
    const std::vector<std::pair<std::uint32_t, std::u16string>>& rows) {
    std::vector<std::uint8_t> bytes;
    for (const auto& [score, name] : rows) {
        for (int b = 0; b < 4; ++b)
            bytes.push_back(static_cast<std::uint8_t>(score >> (8 * b)));
        for (std::size_t i = 0; i < 16; ++i) {
            const char16_t unit = i < name.size() ? name[i] : 0;
            bytes.push_back(static_cast<std::uint8_t>(unit));
            bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
        }
    }
    return bytes;
}
