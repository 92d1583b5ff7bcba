// A browser's keys and gamepad buttons as the phone's keys: the desktop's map,
// reached from the names the browser gives them.
#pragma once

#include <cstdint>
#include <string_view>

// The phone's key code for a browser key event: its `code` (the key's place,
// "ArrowLeft", "KeyA", "Numpad4") and its `key` (what it means in the keyboard
// layout, "a"); letters follow the layout, as on the desktop. 0 for keys the
// phone does not have.
std::uint32_t WebKeyCode(std::string_view code, std::string_view key);

// The phone's key code for a button of a gamepad in the browser's standard
// mapping (its index in Gamepad.buttons); 0 for buttons not mapped.
std::uint32_t WebButtonCode(int index);
