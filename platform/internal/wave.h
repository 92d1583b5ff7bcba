// Reading WAVE file images held in memory. Layer-internal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

// The largest RIFF body accepted; anything bigger is taken as garbage.
constexpr std::uint32_t MAX_RIFF_SIZE = 64u << 20;

// A PCM WAVE image that passed every check. `data` points into the image.
struct WaveInfo {
    std::uint16_t channels = 0;       // 1 or 2
    std::uint32_t sampleRate = 0;     // frames per second, at least 1
    std::uint16_t bitsPerSample = 0;  // 8 (unsigned) or 16 (signed little-endian)
    std::uint16_t blockAlign = 0;     // bytes per frame: channels * bitsPerSample / 8
    const std::uint8_t* data = nullptr;
    std::uint32_t dataSize = 0;  // bytes of whole frames; a trailing partial frame is dropped
    std::uint32_t lengthMs = 0;  // dataSize / (sampleRate * blockAlign) * 1000, rounded down
};

// The whole image's size (8 + the RIFF size) found from its first 8 bytes, reading
// nothing else; empty when they are not a RIFF header with a plausible size.
std::optional<std::uint32_t> RiffImageSize(const void* image);

// Parses a WAVE image of which `available` bytes can be read, reading no byte
// beyond them. Empty when the RIFF header claims more than that, when the image
// is not a PCM WAVE of 8 or 16 bits, mono or stereo, with a format and a
// non-empty data chunk that lie inside it, or when it lasts 2^31 ms or more (no
// single step of the clock may be that long: times are compared by unsigned
// subtraction).
std::optional<WaveInfo> ParseWave(const void* image, std::size_t available);

// The longest sound accepted, in milliseconds.
constexpr std::uint32_t MAX_WAVE_MS = 0x7FFFFFFF;
