// The process-wide pseudo-random generator.
//
// Algorithm: PCG32 (permuted congruential generator, XSH-RR output) with the fixed
// stream increment 109 and the standard multiplier 6364136223846793005. Seeding
// with s sets the state to 0, steps once, adds s, steps once more. Each draw steps
// the 64-bit state and returns the 32-bit XSH-RR output shifted right by one, so
// every value is in 0 .. 2^31 - 1. The sequence for a seed is the same on every
// machine and compiler: only fixed-width unsigned arithmetic is used.
#pragma once

#include <cstdint>

void SeedRandom(std::uint32_t seed);
std::int32_t NextRandom();
