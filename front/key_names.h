// Display names of key codes for the key-assignment screen.
#pragma once

#include <cstdint>

// Writes the display name of the virtual-key `code` into `buffer` (at least 100
// code units) as a NUL-terminated UTF-16 string and returns `buffer`. Codes
// without a name of their own read "(assigned)".
char16_t* keyName(std::uint32_t code, char16_t* buffer);
