#include "platform/sound/sound.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "platform/internal/resources_internal.h"
#include "platform/internal/sound_names.h"
#include "platform/internal/wave.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/event_log.h"

namespace {

// The device plays signed 16-bit stereo at this rate; every sound is converted to it.
constexpr int DEVICE_RATE = 44100;
constexpr int DEVICE_CHANNELS = 2;
constexpr std::uint64_t DEVICE_FRAME_BYTES = 4;
constexpr Uint16 DEVICE_BUFFER_FRAMES = 1024;
// Limits of what is sent to the device; longer or stranger sounds stay silent but
// still keep their time on the clock.
constexpr std::uint64_t MAX_QUEUED_BYTES = 32u << 20;  // about three minutes
constexpr std::uint32_t MAX_PLAYABLE_RATE = 384000;
constexpr std::uint32_t CONVERT_FRAMES = 8192;
// A synchronous play polls the queue in these steps, and gives up after the sound's
// length plus the slack if the device stalls.
constexpr Uint32 WAIT_STEP_MS = 5;
constexpr Uint64 WAIT_SLACK_MS = 1000;

bool audioEnabled = false;
std::string (*nameLookup)(const void*) = nullptr;

// The audio device: opened on the first audible play, closed at exit. If it cannot
// be opened, sounds stay silent for the rest of the run.
class AudioOutput {
  public:
    ~AudioOutput() {
        if (device_ == 0) return;
        SDL_CloseAudioDevice(device_);
        if (SDL_WasInit(SDL_INIT_AUDIO) != 0) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    // Replaces whatever is playing with `wave`; false when it is not heard.
    bool play(const WaveInfo& wave) {
        if (!open()) return false;
        SDL_ClearQueuedAudio(device_);
        if (queue(wave)) return true;
        SDL_ClearQueuedAudio(device_);
        return false;
    }

    void stop() {
        if (device_ != 0) SDL_ClearQueuedAudio(device_);
    }

    // Waits in real time until the device has taken everything queued.
    void waitUntilPlayed(std::uint32_t lengthMs) {
        Uint64 deadline = SDL_GetTicks64() + lengthMs + WAIT_SLACK_MS;
        while (SDL_GetQueuedAudioSize(device_) > 0) {
            if (SDL_GetTicks64() >= deadline) {
                SDL_ClearQueuedAudio(device_);
                return;
            }
            SDL_Delay(WAIT_STEP_MS);
        }
    }

  private:
    bool open() {
        if (tried_) return device_ != 0;
        tried_ = true;
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        SDL_AudioSpec desired{};
        desired.freq = DEVICE_RATE;
        desired.format = AUDIO_S16SYS;
        desired.channels = DEVICE_CHANNELS;
        desired.samples = DEVICE_BUFFER_FRAMES;
        // No allowed changes: SDL converts to the hardware's own format if needed.
        device_ = SDL_OpenAudioDevice(nullptr, 0, &desired, nullptr, 0);
        if (device_ == 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return false;
        }
        SDL_PauseAudioDevice(device_, 0);
        return true;
    }

    // Converts the sound to the device format piece by piece and queues it.
    bool queue(const WaveInfo& wave) {
        if (wave.sampleRate > MAX_PLAYABLE_RATE) return false;
        std::uint64_t frames = wave.dataSize / wave.blockAlign;
        if (frames * DEVICE_RATE / wave.sampleRate * DEVICE_FRAME_BYTES > MAX_QUEUED_BYTES)
            return false;
        SDL_AudioFormat format = wave.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
        SDL_AudioStream* stream = SDL_NewAudioStream(format, static_cast<Uint8>(wave.channels),
                                                     static_cast<int>(wave.sampleRate),
                                                     AUDIO_S16SYS, DEVICE_CHANNELS, DEVICE_RATE);
        if (stream == nullptr) return false;
        bool ok = true;
        const std::uint32_t step = CONVERT_FRAMES * wave.blockAlign;
        for (std::uint32_t offset = 0; ok && offset < wave.dataSize; offset += step) {
            std::uint32_t size = std::min(step, wave.dataSize - offset);
            ok = SDL_AudioStreamPut(stream, wave.data + offset, static_cast<int>(size)) == 0 &&
                 drain(stream);
        }
        ok = ok && SDL_AudioStreamFlush(stream) == 0 && drain(stream);
        SDL_FreeAudioStream(stream);
        return ok;
    }

    bool drain(SDL_AudioStream* stream) {
        int got = 0;
        while ((got = SDL_AudioStreamGet(stream, buffer_.data(),
                                         static_cast<int>(buffer_.size()))) > 0) {
            if (SDL_QueueAudio(device_, buffer_.data(), static_cast<Uint32>(got)) != 0)
                return false;
        }
        return got == 0;
    }

    SDL_AudioDeviceID device_ = 0;
    bool tried_ = false;
    std::array<std::uint8_t, 16384> buffer_{};
};

AudioOutput output;

// How a sound appears in the log: its resource name, else its size, else "?".
std::string Label(const void* wave) {
    if (nameLookup != nullptr) {
        std::string name = nameLookup(wave);
        if (!name.empty()) return name;
    }
    if (std::optional<std::size_t> size = ResourceSizeAt(wave))
        return std::to_string(*size) + " bytes";
    if (std::optional<std::uint32_t> size = RiffImageSize(wave))
        return std::to_string(*size) + " bytes";
    return "?";
}

// The WAVE image at `wave`, read no further than it reaches: a resource's own
// size, or for other memory the size its header declares (the caller's buffer,
// which it vouches for, as with the platform's call that takes only a pointer).
std::optional<WaveInfo> ReadWave(const void* wave) {
    std::optional<std::size_t> size = ResourceSizeAt(wave);
    if (!size) {
        std::optional<std::uint32_t> declared = RiffImageSize(wave);
        if (!declared) return std::nullopt;
        size = *declared;
    }
    return ParseWave(wave, *size);
}

bool Play(const void* wave, std::uint32_t flags) {
    if (wave == nullptr) {
        output.stop();
        LogEvent("sound stop");
        return true;
    }
    // Only images in memory exist here; anything else would be a file name.
    if ((flags & SND_MEMORY) == 0) {
        LogEvent("sound not from memory");
        return false;
    }
    std::optional<WaveInfo> info = ReadWave(wave);
    if (!info) {
        LogEvent("sound " + Label(wave) + " malformed");
        return false;
    }
    bool async = (flags & SND_ASYNC) != 0;
    LogEvent("sound " + Label(wave) + (async ? " async " : " sync ") +
             std::to_string(info->lengthMs) + " ms");
    if (audioEnabled) {
        if (output.play(*info) && !async) output.waitUntilPlayed(info->lengthMs);
    }
    // The clock moves the same with or without a device, so timing never depends on
    // the host.
    if (!async) AdvanceClock(info->lengthMs);
    return true;
}

}  // namespace

bool PlaySound(const void* wave, std::uint32_t flags) {
    try {
        return Play(wave, flags);
    } catch (...) {
        return false;
    }
}

std::uint32_t WaveLengthMs(const void* wave) {
    std::optional<WaveInfo> info = ReadWave(wave);
    return info ? info->lengthMs : 0;
}

void SetAudioEnabled(bool enabled) {
    audioEnabled = enabled;
    if (!enabled) output.stop();
}

void SetSoundNameLookup(std::string (*lookup)(const void*)) {
    nameLookup = lookup;
}
