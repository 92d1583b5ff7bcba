// RIFF/WAVE images for tests: of any chunks in any order, or of plain PCM sound.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

using WaveBytes = std::vector<std::uint8_t>;

// Writes `v` as `n` little-endian bytes: appended, or over the bytes from `at`.
inline void PutLittle(WaveBytes& b, std::uint64_t v, int n, std::size_t at = SIZE_MAX) {
    for (int i = 0; i < n; ++i, v >>= 8)
        at == SIZE_MAX ? b.push_back(std::uint8_t(v)) : void(b[at + i] = std::uint8_t(v));
}

// The body of a "fmt " chunk (encoding 1 is PCM).
inline WaveBytes WaveFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                            int encoding = 1) {
    WaveBytes b;
    PutLittle(b, encoding, 2);
    PutLittle(b, channels, 2);
    PutLittle(b, rate, 4);
    PutLittle(b, rate * channels * bits / 8, 4);  // bytes a second
    PutLittle(b, channels * bits / 8, 2);         // bytes a frame
    PutLittle(b, bits, 2);
    return b;
}

// A RIFF WAVE image of (tag, body) chunks, odd ones padded.
inline WaveBytes RiffWave(const std::vector<std::pair<const char*, WaveBytes>>& chunks) {
    WaveBytes b{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const auto& [tag, body] : chunks) {
        b.insert(b.end(), tag, tag + 4);
        PutLittle(b, body.size(), 4);
        b.insert(b.end(), body.begin(), body.end());
        if (body.size() % 2 == 1) b.push_back(0);
    }
    PutLittle(b, b.size() - 8, 4, 4);
    return b;
}

// PCM sound of `bytes` bytes of `level`.
inline WaveBytes WaveImage(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                           std::size_t bytes, std::uint8_t level = 128) {
    return RiffWave(
        {{"fmt ", WaveFormat(channels, rate, bits)}, {"data", WaveBytes(bytes, level)}});
}

// 8-bit mono sound at 8000 Hz, `samples` bytes of `level`: samples / 8 ms long.
inline WaveBytes WaveImage(std::uint32_t samples, std::uint8_t level = 128) {
    return WaveImage(1, 8000, 8, samples, level);
}
