// The desktop's keys and gamepad buttons as the phone's keys.
#pragma once

#include <cstdint>

// The phone's key code for a desktop key (an SDL key code); 0 for keys the phone
// does not have.
std::uint32_t PhoneKeyCode(std::int32_t key);

// The phone's key code for a game controller button (SDL's numbering); 0 for
// buttons not mapped.
std::uint32_t PhoneButtonCode(std::uint8_t button);
