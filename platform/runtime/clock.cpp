#include "platform/runtime/clock.h"

namespace {
std::uint32_t now = 0;
}

std::uint32_t GetTickCount() {
    return now;
}

void SetClock(std::uint32_t ms) {
    now = ms;
}

void AdvanceClock(std::uint32_t ms) {
    now += ms;
}
