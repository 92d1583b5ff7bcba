#include "platform/internal/wave.h"

#include <cstring>

namespace {

constexpr std::uint16_t FORMAT_PCM = 1;
constexpr std::uint32_t CHUNK_HEADER_SIZE = 8;
constexpr std::uint32_t FMT_MIN_SIZE = 16;

// Little-endian reads byte by byte: the image need not be aligned.
std::uint16_t Read16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Read32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool HasTag(const std::uint8_t* p, const char* tag) {
    return std::memcmp(p, tag, 4) == 0;
}

// Fills the format fields from a "fmt " chunk body; false when it is not a PCM
// format we can play.
bool ReadFormat(const std::uint8_t* body, std::uint32_t size, WaveInfo& info) {
    if (size < FMT_MIN_SIZE) return false;
    if (Read16(body) != FORMAT_PCM) return false;
    info.channels = Read16(body + 2);
    info.sampleRate = Read32(body + 4);
    info.blockAlign = Read16(body + 12);
    info.bitsPerSample = Read16(body + 14);
    if (info.channels != 1 && info.channels != 2) return false;
    if (info.bitsPerSample != 8 && info.bitsPerSample != 16) return false;
    if (info.sampleRate == 0) return false;
    return info.blockAlign == info.channels * info.bitsPerSample / 8;
}

}  // namespace

std::optional<std::uint32_t> RiffImageSize(const void* image) {
    if (image == nullptr) return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(image);
    if (!HasTag(bytes, "RIFF")) return std::nullopt;
    std::uint32_t riffSize = Read32(bytes + 4);
    // The body holds at least the "WAVE" form type.
    if (riffSize < 4 || riffSize > MAX_RIFF_SIZE) return std::nullopt;
    return CHUNK_HEADER_SIZE + riffSize;
}

std::optional<WaveInfo> ParseWave(const void* image, std::size_t available) {
    if (image == nullptr || available < 12) return std::nullopt;
    std::optional<std::uint32_t> imageSize = RiffImageSize(image);
    // A header that claims more than there is marks a cut or damaged image.
    if (!imageSize || *imageSize > available) return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(image);
    if (!HasTag(bytes + 8, "WAVE")) return std::nullopt;

    WaveInfo info;
    bool haveFormat = false;
    bool haveData = false;
    // Every chunk must lie inside the image; the first "fmt " and "data" count.
    std::uint32_t pos = 12;
    while (pos < *imageSize) {
        if (*imageSize - pos < CHUNK_HEADER_SIZE) return std::nullopt;
        const std::uint8_t* header = bytes + pos;
        std::uint32_t size = Read32(header + 4);
        std::uint32_t room = *imageSize - pos - CHUNK_HEADER_SIZE;
        if (size > room) return std::nullopt;
        const std::uint8_t* body = header + CHUNK_HEADER_SIZE;
        if (HasTag(header, "fmt ") && !haveFormat) {
            if (!ReadFormat(body, size, info)) return std::nullopt;
            haveFormat = true;
        } else if (HasTag(header, "data") && !haveData) {
            info.data = body;
            info.dataSize = size;
            haveData = true;
        }
        // Chunks are word-aligned; the last one may lack its pad byte.
        pos += CHUNK_HEADER_SIZE + size;
        if (size % 2 == 1 && pos < *imageSize) ++pos;
    }
    if (!haveFormat || !haveData) return std::nullopt;

    info.dataSize -= info.dataSize % info.blockAlign;
    if (info.dataSize == 0) return std::nullopt;
    std::uint64_t bytesPerSecond = std::uint64_t{info.sampleRate} * info.blockAlign;
    std::uint64_t lengthMs = std::uint64_t{info.dataSize} * 1000 / bytesPerSecond;
    if (lengthMs > MAX_WAVE_MS) return std::nullopt;
    info.lengthMs = static_cast<std::uint32_t>(lengthMs);
    return info;
}
