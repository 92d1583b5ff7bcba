// The layout text of the resource pack: lines of "key: value" read once into a
// global map, and the two lookups the screens use to fetch numbers and
// rectangles from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "platform/runtime/types.h"

// Keys and values are 8-bit byte strings; keys compare byte by byte, so they
// are case-sensitive.
using LayoutMapType = std::map<std::string, std::string>;

extern LayoutMapType LayoutMap;

// Reads entries from the NUL-terminated text into LayoutMap until the text ends
// or an entry cannot be read; a later entry with the same key replaces an
// earlier one. A malformed line (or a '#') silently ends the reading.
void LoadLayoutText(const char* text);

// Same, for a block of `size` bytes that need not end with a NUL.
void LoadLayoutText(const char* bytes, std::size_t size);

// Reads one "key: value" entry at the cursor and moves the cursor past the
// entry's line breaks. Returns false, changing nothing, when no entry can be
// read there.
bool ReadLayoutEntry(const char*& cursor, std::string& key, std::string& value);

// The key's value as a decimal number (clamped to the int32 range), or
// `defaultValue` when the key is absent.
std::int32_t GetLayoutInt(const char* key, std::int32_t defaultValue);

// Layout numbers that are positions or sizes in pixels are used within this
// magnitude: sums and products of a few of them (a board of 20 tiles, a surface
// twice the game's width) cannot overflow, and a size that large is refused by
// the drawing services anyway, which gives a missing surface or picture.
constexpr std::int32_t MAX_LAYOUT_PIXELS = 1 << 22;

// GetLayoutInt (key, 0) clamped to -MAX_LAYOUT_PIXELS..MAX_LAYOUT_PIXELS, for a
// number that is a position or a size in pixels.
std::int32_t GetLayoutPixels(const char* key);

// The key's value read as "left,top,right,bottom"; fields that cannot be read
// stay 0, and an absent key gives all zeros.
Rect GetLayoutRect(const char* key);
