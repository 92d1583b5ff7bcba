#include "platform/runtime/keys.h"

#include <bitset>

namespace {
std::bitset<KEY_CODE_COUNT> keysDown;
}

bool IsKeyDown(std::uint32_t code) {
    return code < KEY_CODE_COUNT && keysDown[code];
}

void SetKeyDown(std::uint32_t code, bool down) {
    if (code < KEY_CODE_COUNT) keysDown[code] = down;
}

void ReleaseAllKeys() {
    keysDown.reset();
}
