// The game options: one global record of 12 bytes whose byte image is what the
// settings store keeps.
#pragma once

#include <cstddef>
#include <cstdint>

struct OptionsRecord {
    std::uint8_t rising_junk = 1;        // junk rows rise during play
    std::uint8_t level_backgrounds = 1;  // the background changes with the level
    std::uint8_t show_shadow = 1;        // the landing shadow is drawn
    std::uint8_t single_press_drop = 0;  // every drop press drops to the bottom
    std::int32_t repeat_speed = 5;       // sideways auto-repeat speed, 1 to 10
    std::uint8_t fixed_seed = 0;         // a new game seeds the generator with its level
    std::uint8_t extra_pieces = 0;       // 21 shapes instead of 7
    std::uint8_t sound_on = 1;           // sounds play
    std::uint8_t reserved = 0;           // always 0
};

constexpr std::size_t OPTIONS_RECORD_SIZE = 12;
static_assert(sizeof(OptionsRecord) == OPTIONS_RECORD_SIZE);
static_assert(offsetof(OptionsRecord, repeat_speed) == 4);
static_assert(offsetof(OptionsRecord, fixed_seed) == 8);
static_assert(offsetof(OptionsRecord, reserved) == 11);

extern constinit OptionsRecord options;

// The record's stored byte image (integers little-endian).
void OptionsToBytes(const OptionsRecord& record, std::uint8_t (&bytes)[OPTIONS_RECORD_SIZE]);

// Replaces the first `count` bytes of the record's image (at most 12) with `bytes`;
// the rest of the record keeps its values.
void OptionsFromBytes(OptionsRecord& record, const std::uint8_t* bytes, std::size_t count);

// repeat_speed limited to the range 1..10 in which it has a meaning; a stored
// record may hold any value.
std::int32_t ClampedRepeatSpeed(const OptionsRecord& record);
