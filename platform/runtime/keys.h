// Key codes of the phone and the current state of its keys.
#pragma once

#include <cstdint>

constexpr std::uint32_t VK_LBUTTON = 1;
constexpr std::uint32_t VK_RBUTTON = 2;
constexpr std::uint32_t VK_CANCEL = 3;
constexpr std::uint32_t VK_MBUTTON = 4;
constexpr std::uint32_t VK_BACK = 8;
constexpr std::uint32_t VK_TAB = 9;
constexpr std::uint32_t VK_CLEAR = 12;
constexpr std::uint32_t VK_RETURN = 13;
constexpr std::uint32_t VK_SHIFT = 16;
constexpr std::uint32_t VK_CONTROL = 17;
constexpr std::uint32_t VK_MENU = 18;
constexpr std::uint32_t VK_ESCAPE = 27;
constexpr std::uint32_t VK_SPACE = 32;
constexpr std::uint32_t VK_END = 35;
constexpr std::uint32_t VK_HOME = 36;
constexpr std::uint32_t VK_LEFT = 37;
constexpr std::uint32_t VK_UP = 38;
constexpr std::uint32_t VK_RIGHT = 39;
constexpr std::uint32_t VK_DOWN = 40;
constexpr std::uint32_t VK_INSERT = 45;
constexpr std::uint32_t VK_DELETE = 46;
constexpr std::uint32_t VK_HELP = 47;
// Digit and letter keys have their character's code ('0'..'9', 'A'..'Z').
constexpr std::uint32_t VK_LWIN = 91;
constexpr std::uint32_t VK_RWIN = 92;
constexpr std::uint32_t VK_APPS = 93;
constexpr std::uint32_t VK_NUMPAD0 = 96;  // VK_NUMPAD0 .. VK_NUMPAD0 + 9
constexpr std::uint32_t VK_MULTIPLY = 106;
constexpr std::uint32_t VK_ADD = 107;
constexpr std::uint32_t VK_SEPARATOR = 108;
constexpr std::uint32_t VK_SUBTRACT = 109;
constexpr std::uint32_t VK_DECIMAL = 110;
constexpr std::uint32_t VK_DIVIDE = 111;
constexpr std::uint32_t VK_F1 = 112;      // the left soft key
constexpr std::uint32_t VK_F2 = 113;      // the right soft key
constexpr std::uint32_t VK_F24 = 135;     // function keys VK_F1 .. VK_F24
constexpr std::uint32_t VK_ACTION = 134;  // the phone's action (centre) key (VK_F23's code)
constexpr std::uint32_t VK_LSHIFT = 160;
constexpr std::uint32_t VK_RSHIFT = 161;
constexpr std::uint32_t VK_LCONTROL = 162;
constexpr std::uint32_t VK_RCONTROL = 163;
constexpr std::uint32_t VK_LMENU = 164;
constexpr std::uint32_t VK_RMENU = 165;
constexpr std::uint32_t VK_APP1 = 193;  // the six application keys
constexpr std::uint32_t VK_APP2 = 194;
constexpr std::uint32_t VK_APP3 = 195;
constexpr std::uint32_t VK_APP4 = 196;
constexpr std::uint32_t VK_APP5 = 197;
constexpr std::uint32_t VK_APP6 = 198;

constexpr std::uint32_t KEY_CODE_COUNT = 256;

// Whether the key is down now, from the input the host has delivered so far.
// Codes outside 0..255 are never down.
bool IsKeyDown(std::uint32_t code);

// Host side: record a key going down or up.
void SetKeyDown(std::uint32_t code, bool down);
void ReleaseAllKeys();
