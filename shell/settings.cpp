#include "shell/settings.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/store/registry.h"
#include "shell/records/control_layout.h"
#include "shell/records/options.h"

HighScoreEntry highScores[HIGH_SCORE_COUNT] = {};
std::int32_t highlightedRow = -1;

namespace {

constexpr const char16_t* SETTINGS_KEY = u"Software\\Quarvel";
constexpr std::uint32_t KEY_ACCESS = KEY_READ | KEY_WRITE;  // 0x2001F
constexpr const char16_t* CONTROLS_VALUE = u"Controls";
constexpr const char16_t* OPTIONS_VALUE = u"Options";
constexpr const char16_t* HIGH_SCORES_VALUE = u"HighScores";
constexpr const char16_t* HIGHEST_LEVEL_VALUE = u"HighestLevel";
// An options value from before the sound option was added.
constexpr std::size_t OPTIONS_WITHOUT_SOUND_SIZE = 11;

struct DefaultEntry {
    const char16_t* name;
    std::uint32_t score;
};
constexpr DefaultEntry DEFAULT_HIGH_SCORES[HIGH_SCORE_COUNT] = {
    {u"Soraby", 50000}, {u"Idra", 40000}, {u"Pontrel", 30000}, {u"Melusk", 20000}, {u"Darvo", 10000},
};

// Copies at most 15 units of `text` (up to its terminator) into a row's name.
void SetName(HighScoreEntry& entry, const char16_t* text) {
    std::fill(std::begin(entry.name), std::end(entry.name), u'\0');
    for (std::int32_t i = 0; text != nullptr && text[i] != u'\0' && i < HIGH_SCORE_NAME_UNITS - 1;
         ++i) {
        entry.name[i] = text[i];
    }
}

// A key handle that closes itself.
class SettingsKey {
  public:
    // For reading: opens an existing key only. For writing: opens it or creates it.
    explicit SettingsKey(bool forWriting) {
        if (OpenRegistryKey(SETTINGS_KEY, KEY_ACCESS, key_)) return;
        key_ = nullptr;
        if (forWriting && !CreateRegistryKey(SETTINGS_KEY, KEY_ACCESS, key_)) key_ = nullptr;
    }
    ~SettingsKey() {
        if (key_ != nullptr) CloseRegistryKey(key_);
    }
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;
    RegistryKey get() const { return key_; }

  private:
    RegistryKey key_ = nullptr;
};

// Reads a binary value of at most `capacity` bytes into `buffer`; the size read
// goes to `size` (also when the value is of the wrong type, which fails).
bool ReadBinary(const char16_t* name, std::uint8_t* buffer, std::size_t capacity,
                std::size_t& size) {
    size = 0;
    SettingsKey key(false);
    if (key.get() == nullptr) return false;
    std::uint32_t type = 0;
    std::size_t got = capacity;
    if (!QueryRegistryValue(key.get(), name, type, buffer, got)) return false;
    size = got;
    return type == REG_BINARY;
}

bool WriteValue(const char16_t* name, std::uint32_t type, const std::uint8_t* data,
                std::size_t size) {
    SettingsKey key(true);
    if (key.get() == nullptr) return false;
    return SetRegistryValue(key.get(), name, type, data, size);
}

}  // namespace

void HighScoresToBytes(const HighScoreEntry (&table)[HIGH_SCORE_COUNT],
                       std::uint8_t (&bytes)[HIGH_SCORES_RECORD_SIZE]) {
    std::uint8_t* out = bytes;
    for (const HighScoreEntry& entry : table) {
        for (int b = 0; b < 4; ++b) *out++ = static_cast<std::uint8_t>(entry.score >> (8 * b));
        for (char16_t unit : entry.name) {
            *out++ = static_cast<std::uint8_t>(unit);
            *out++ = static_cast<std::uint8_t>(unit >> 8);
        }
    }
}

void HighScoresFromBytes(HighScoreEntry (&table)[HIGH_SCORE_COUNT], const std::uint8_t* bytes,
                         std::size_t count) {
    std::uint8_t image[HIGH_SCORES_RECORD_SIZE];
    HighScoresToBytes(table, image);
    std::memcpy(image, bytes, std::min(count, HIGH_SCORES_RECORD_SIZE));
    const std::uint8_t* in = image;
    for (HighScoreEntry& entry : table) {
        entry.score = 0;
        for (int b = 0; b < 4; ++b) entry.score |= std::uint32_t{*in++} << (8 * b);
        for (char16_t& unit : entry.name) {
            unit = static_cast<char16_t>(in[0] | in[1] << 8);
            in += 2;
        }
    }
}

bool LoadHighScores() {
    std::uint8_t bytes[HIGH_SCORES_RECORD_SIZE];
    std::size_t size = 0;
    if (!ReadBinary(HIGH_SCORES_VALUE, bytes, sizeof bytes, size)) return false;
    HighScoresFromBytes(highScores, bytes, size);
    return true;
}

bool LoadControls(WindowHandle window) {
    std::uint8_t bytes[CONTROLS_RECORD_SIZE];
    std::size_t size = 0;
    if (!ReadBinary(CONTROLS_VALUE, bytes, sizeof bytes, size)) return false;
    // The reserved first word has no field in the layout: only the codes are taken.
    ControlsFromBytes(controlLayout, bytes, size);
    controlLayout.claimAppKeys(window);
    return true;
}

bool LoadOptions() {
    std::uint8_t bytes[OPTIONS_RECORD_SIZE];
    std::size_t size = 0;
    bool read = ReadBinary(OPTIONS_VALUE, bytes, sizeof bytes, size);
    if (read) OptionsFromBytes(options, bytes, size);
    if (size == OPTIONS_WITHOUT_SOUND_SIZE) options.sound_on = 1;
    return read;
}

bool SaveControls() {
    std::uint8_t bytes[CONTROLS_RECORD_SIZE];
    ControlsToBytes(controlLayout, bytes);
    return WriteValue(CONTROLS_VALUE, REG_BINARY, bytes, sizeof bytes);
}

bool SaveOptions() {
    std::uint8_t bytes[OPTIONS_RECORD_SIZE];
    OptionsToBytes(options, bytes);
    return WriteValue(OPTIONS_VALUE, REG_BINARY, bytes, sizeof bytes);
}

bool SaveHighScores() {
    std::uint8_t bytes[HIGH_SCORES_RECORD_SIZE];
    HighScoresToBytes(highScores, bytes);
    return WriteValue(HIGH_SCORES_VALUE, REG_BINARY, bytes, sizeof bytes);
}

std::int32_t LoadHighestLevel() {
    SettingsKey key(false);
    if (key.get() == nullptr) return 0;
    std::uint8_t bytes[4] = {};
    std::uint32_t type = 0;
    std::size_t size = sizeof bytes;
    if (!QueryRegistryValue(key.get(), HIGHEST_LEVEL_VALUE, type, bytes, size)) return 0;
    if (type != REG_DWORD || size != sizeof bytes) return 0;
    return static_cast<std::int32_t>(std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                                     std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24);
}

bool SaveHighestLevel(std::int32_t level) {
    auto value = static_cast<std::uint32_t>(level);
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return WriteValue(HIGHEST_LEVEL_VALUE, REG_DWORD, bytes, sizeof bytes);
}

std::int32_t FindScorePlace(std::uint32_t score) {
    for (std::int32_t i = 0; i < HIGH_SCORE_COUNT; ++i) {
        if (highScores[i].score <= score) return i;
    }
    return -1;
}

void FillDefaultHighScores() {
    for (std::int32_t i = 0; i < HIGH_SCORE_COUNT; ++i) {
        if (highScores[i].score != 0) continue;
        highScores[i].score = DEFAULT_HIGH_SCORES[i].score;
        SetName(highScores[i], DEFAULT_HIGH_SCORES[i].name);
    }
}

void ResetHighScores() {
    highlightedRow = -1;
    for (HighScoreEntry& entry : highScores) entry.score = 0;
    FillDefaultHighScores();
}

std::int32_t EnterHighScore(std::uint32_t score, const char16_t* name) {
    std::int32_t place = FindScorePlace(score);
    if (place < 0) return -1;
    for (std::int32_t i = HIGH_SCORE_COUNT - 1; i > place; --i) highScores[i] = highScores[i - 1];
    highScores[place].score = score;
    SetName(highScores[place], name != nullptr && name[0] != u'\0' ? name : u"Player");
    return place;
}

void HighScoreName(const HighScoreEntry& entry, char16_t (&out)[HIGH_SCORE_NAME_UNITS + 1]) {
    std::int32_t i = 0;
    for (; i < HIGH_SCORE_NAME_UNITS && entry.name[i] != u'\0'; ++i) out[i] = entry.name[i];
    out[i] = u'\0';
}
