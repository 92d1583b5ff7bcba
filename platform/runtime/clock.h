// The layer's clock: milliseconds since start-up as an unsigned 32-bit value that
// wraps around. It is virtual: the host moves it forward (from real time or from a
// script), so a run is a function of its inputs and their times. Compare two times
// only by unsigned subtraction: `now - then` stays right across the wrap.
#pragma once

#include <cstdint>

std::uint32_t GetTickCount();

// Whether time `a` comes before time `b`, across the wrap: they are taken to be
// less than 2^31 ms apart.
inline bool ClockBefore(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::int32_t>(a - b) < 0;
}

// Host and test controls.
void SetClock(std::uint32_t ms);
void AdvanceClock(std::uint32_t ms);
