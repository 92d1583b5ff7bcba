// A RIFF/WAVE image of 8-bit mono sound at 8000 Hz: `samples` bytes of `level`,
// so its length is samples / 8 ms.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

inline std::vector<std::uint8_t> WaveImage(std::uint32_t samples, std::uint8_t level = 128) {
    std::vector<std::uint8_t> w(44 + samples, level);
    auto put32 = [&w](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            w[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    std::memcpy(&w[0], "RIFF----WAVEfmt ", 16);
    put32(4, 36 + samples);
    put32(16, 16);
    put32(20, 1 | 1 << 16);  // PCM, mono
    put32(24, 8000);         // samples a second
    put32(28, 8000);         // bytes a second
    put32(32, 1 | 8 << 16);  // one byte a sample, 8 bits
    std::memcpy(&w[36], "data", 4);
    put32(40, samples);
    return w;
}
