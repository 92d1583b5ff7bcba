#include "platform/runtime/random.h"

namespace {

constexpr std::uint64_t MULTIPLIER = 6364136223846793005ULL;
constexpr std::uint64_t INCREMENT = 109;  // any odd constant; fixed so sequences never change

constexpr std::uint32_t Step(std::uint64_t& state) {
    std::uint64_t old = state;
    state = old * MULTIPLIER + INCREMENT;
    auto xorshifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
    auto rot = static_cast<std::uint32_t>(old >> 59u);
    return (xorshifted >> rot) | (xorshifted << ((32u - rot) & 31u));
}

constexpr std::uint64_t SeededState(std::uint32_t seed) {
    std::uint64_t s = 0;
    Step(s);
    s += seed;
    Step(s);
    return s;
}

// Unseeded runs behave as if seeded with 1; constant-initialised, so it holds
// before any other static initialiser runs.
std::uint64_t state = SeededState(1);

}  // namespace

void SeedRandom(std::uint32_t seed) {
    state = SeededState(seed);
}

std::int32_t NextRandom() {
    return static_cast<std::int32_t>(Step(state) >> 1);
}
