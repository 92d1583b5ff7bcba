// The layer's clock: milliseconds since start-up as an unsigned 32-bit value that
// wraps around. It is virtual: the host moves it forward (from real time or from a
// script), so a run is a function of its inputs and their times. Compare two times
// only by unsigned subtraction: `now - then` stays right across the wrap.
#pragma once

#include <cstdint>

std::uint32_t GetTickCount();

// Host and test controls.
void SetClock(std::uint32_t ms);
void AdvanceClock(std::uint32_t ms);
