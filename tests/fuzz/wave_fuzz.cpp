// Feeds arbitrary bytes to the WAVE reader as a sound resource of exactly that
// size. What it accepts must lie inside the bytes, be whole frames of a format
// the player takes, and last less than 2^31 ms. What it refuses answers -1, as
// the images of the corpus's reject folder must.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/internal/wave.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so that a read past them is caught.
    std::vector<std::uint8_t> image(data, data + size);
    const std::uint8_t* bytes = image.empty() ? nullptr : image.data();
    std::optional<WaveInfo> wave = ParseWave(bytes, size);
    if (!wave) return -1;
    if (wave->data < bytes || wave->dataSize == 0 || wave->data + wave->dataSize > bytes + size) {
        std::abort();
    }
    if (wave->channels < 1 || wave->channels > 2) std::abort();
    if (wave->bitsPerSample != 8 && wave->bitsPerSample != 16) std::abort();
    if (wave->blockAlign != wave->channels * wave->bitsPerSample / 8) std::abort();
    if (wave->dataSize % wave->blockAlign != 0 || wave->sampleRate == 0) std::abort();
    if (wave->lengthMs > MAX_WAVE_MS) std::abort();
    return 0;
}
