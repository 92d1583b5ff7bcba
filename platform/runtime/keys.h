// Key codes of the phone and the current state of its keys.
#pragma once

#include <cstdint>

constexpr std::uint32_t VK_LBUTTON = 1;
constexpr std::uint32_t VK_BACK = 8;
constexpr std::uint32_t VK_TAB = 9;
constexpr std::uint32_t VK_RETURN = 13;
constexpr std::uint32_t VK_ESCAPE = 27;
constexpr std::uint32_t VK_SPACE = 32;
constexpr std::uint32_t VK_LEFT = 37;
constexpr std::uint32_t VK_UP = 38;
constexpr std::uint32_t VK_RIGHT = 39;
constexpr std::uint32_t VK_DOWN = 40;
constexpr std::uint32_t VK_NUMPAD0 = 96;
constexpr std::uint32_t VK_F1 = 112;      // the left soft key
constexpr std::uint32_t VK_F2 = 113;      // the right soft key
constexpr std::uint32_t VK_ACTION = 134;  // the phone's action (centre) key
constexpr std::uint32_t VK_APP1 = 193;    // application keys VK_APP1 .. VK_APP6
constexpr std::uint32_t VK_APP6 = 198;

constexpr std::uint32_t KEY_CODE_COUNT = 256;

// Whether the key is down now, from the input the host has delivered so far.
// Codes outside 0..255 are never down.
bool IsKeyDown(std::uint32_t code);

// Host side: record a key going down or up.
void SetKeyDown(std::uint32_t code, bool down);
void ReleaseAllKeys();
