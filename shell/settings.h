// What the game keeps between runs in the registry key "Software\Quarvel": the
// key layout ("Controls"), the options ("Options"), the high-score table
// ("HighScores") and the highest level ever reached ("HighestLevel"); and the
// high-score table itself.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/runtime/types.h"

constexpr std::int32_t HIGH_SCORE_COUNT = 5;
constexpr std::int32_t HIGH_SCORE_NAME_UNITS = 16;  // 15 characters and the terminator

// One row of the table; its stored image is 36 bytes: the score (little-endian),
// then the name's 16 UTF-16 code units.
struct HighScoreEntry {
    std::uint32_t score = 0;  // 0 marks an empty row
    char16_t name[HIGH_SCORE_NAME_UNITS] = {};
};
constexpr std::size_t HIGH_SCORE_ENTRY_SIZE = 36;
constexpr std::size_t HIGH_SCORES_RECORD_SIZE = HIGH_SCORE_ENTRY_SIZE * HIGH_SCORE_COUNT;
static_assert(sizeof(HighScoreEntry) == HIGH_SCORE_ENTRY_SIZE);

// The table, best first; all rows empty until loaded.
extern HighScoreEntry highScores[HIGH_SCORE_COUNT];
// The row the latest qualifying game took, -1 for none. Not stored.
extern std::int32_t highlightedRow;

// Loads return true when the stored value was read; a missing, too long or
// wrongly typed value leaves the record as it was, and a shorter one replaces
// only the bytes it has.
bool LoadHighScores();
// On success also ties the key layout's application keys to `window`.
bool LoadControls(WindowHandle window);
// An 11-byte stored value (from before the sound option) turns sound on.
bool LoadOptions();
bool SaveControls();
bool SaveOptions();
bool SaveHighScores();
// The stored highest level, 0 when there is none. Read each time it is needed.
std::int32_t LoadHighestLevel();
bool SaveHighestLevel(std::int32_t level);

// The index 0..4 at which `score` would enter the table (above an equal score),
// or -1 when it is below every row.
std::int32_t FindScorePlace(std::uint32_t score);
// Gives every empty row the default name and score of its position.
void FillDefaultHighScores();
// All five rows back to their defaults, and no highlight.
void ResetHighScores();
// Enters `score` at its place, moving the rows below down one (the last drops
// out); an empty name becomes "Player" and a long one is cut to 15 characters.
// Returns the place, or -1 (table unchanged) when the score does not qualify.
std::int32_t EnterHighScore(std::uint32_t score, const char16_t* name);

// A row's name as a terminated string: it ends at its first NUL or after its 16
// code units, whichever comes first.
void HighScoreName(const HighScoreEntry& entry, char16_t (&out)[HIGH_SCORE_NAME_UNITS + 1]);

// The table's stored image and back (the first `count` bytes replace the table's).
void HighScoresToBytes(const HighScoreEntry (&table)[HIGH_SCORE_COUNT],
                       std::uint8_t (&bytes)[HIGH_SCORES_RECORD_SIZE]);
void HighScoresFromBytes(HighScoreEntry (&table)[HIGH_SCORE_COUNT], const std::uint8_t* bytes,
                         std::size_t count);
