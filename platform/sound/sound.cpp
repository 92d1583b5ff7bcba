#include "platform/sound/sound.h"

#include <SDL.h>
#ifdef QUARVEL_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/internal/resources_internal.h"
#include "platform/internal/sound_names.h"
#include "platform/internal/wave.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/event_log.h"

namespace {

// The device plays signed 16-bit stereo; every sound is converted to it.
constexpr int DEVICE_CHANNELS = 2;
constexpr std::uint64_t DEVICE_FRAME_BYTES = 4;
// The desktop's sound server converts to its output's rate itself, so the device
// takes the packs' own rate: their sounds need no resampling when they play.
// 23 ms buffers: a sound that replaces one still playing waits behind the buffer
// being handed on and the one the server holds, which keeps it within 50 ms. A
// host may ask for another format (SetAudioDeviceFormat).
int deviceRate = 22050;
Uint16 deviceBufferFrames = 512;
// Limits of what is sent to the device; longer or stranger sounds stay silent but
// still keep their time on the clock.
constexpr std::uint64_t MAX_QUEUED_BYTES = 32u << 20;  // minutes of sound
constexpr std::uint32_t MAX_PLAYABLE_RATE = 384000;
// The conversion is done in one buffer, as large as the image times what the
// conversion may grow it by.
constexpr std::uint64_t MAX_CONVERT_BYTES = 64u << 20;
// A synchronous play polls the queue in these steps, and gives up after the sound's
// length plus the slack if the device stalls.
constexpr Uint32 WAIT_STEP_MS = 5;
constexpr Uint64 WAIT_SLACK_MS = 1000;
// The device's thread is parked as soon as nothing is queued; the device itself
// is closed after this long without a sound, so that the system's sound server
// may let its output rest.
constexpr Uint64 SILENCE_MS = 10000;
// While a sound is still queued past its end (a slow device), the queue is looked
// at again after this long.
constexpr Uint64 LOOK_AGAIN_MS = 20;

bool audioEnabled = false;
std::string (*nameLookup)(const void*) = nullptr;
void (*noDeviceHandler)() = nullptr;

#ifdef QUARVEL_HAVE_ALSA
// The audio library's own messages (a machine without a sound card gets eight
// lines at every start) are kept off the program's error output.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif

// The audio device: opened at an audible play, closed after a silence and at
// exit. If it cannot be opened, sounds stay silent for the rest of the run.
class AudioOutput {
  public:
    ~AudioOutput() { release(); }

    // Replaces whatever is playing with `wave`; false when it is not heard.
    bool play(const WaveInfo& wave) {
        if (!open()) return false;
        SDL_ClearQueuedAudio(device_);
        playingUntil_ = SteadyMs() + wave.lengthMs;
        const bool queued = queue(wave);
        if (!queued) SDL_ClearQueuedAudio(device_);
        // Queued first, so that the thread's first buffer after a rest begins
        // with the sound.
        unpark();
        return queued;
    }

    // Parks the device's thread once nothing is queued and closes the device
    // once it has been silent long enough at `now`; the milliseconds until the
    // next of these is due, or -1 when the device is closed.
    int closeWhenSilent(std::uint64_t now) {
        if (device_ == 0) return -1;
        if (!parked_) {
            if (SDL_GetQueuedAudioSize(device_) > 0) {
                // A device that takes nothing (a browser whose audio may not
                // start yet) would be looked at every few milliseconds for
                // ever: past the sound's end and the slack, what is left goes.
                if (now < playingUntil_ + WAIT_SLACK_MS) {
                    return static_cast<int>(std::clamp<std::uint64_t>(
                        std::max(playingUntil_, now) - now, LOOK_AGAIN_MS, 1 << 30));
                }
                SDL_ClearQueuedAudio(device_);
            }
            park();
        }
        if (now < playingUntil_ + SILENCE_MS)
            return static_cast<int>(
                std::min<std::uint64_t>(playingUntil_ + SILENCE_MS - now, 1 << 30));
        close();
        return -1;
    }

    void stop() {
        if (device_ != 0) SDL_ClearQueuedAudio(device_);
    }

    bool resting() const { return device_ != 0 && parked_; }

    // Sound off: the device and the audio subsystem close, and a device that
    // could not be opened is tried again when sound comes back on.
    void release() {
        close();
        if (SDL_WasInit(SDL_INIT_AUDIO) != 0) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        failed_ = false;
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
    // Even with nothing queued, the device's thread hands the device a buffer of
    // silence every few milliseconds, and the device's pausing does not stop it.
    // Holding the device's lock does: the thread finishes handing on the buffer
    // it holds (the end of the last sound) and then waits for the lock, while the
    // device runs dry. The lock is recursive, so this thread may still queue.
    void park() {
        if (parked_) return;
        SDL_LockAudioDevice(device_);
        parked_ = true;
    }

    void unpark() {
        if (!parked_) return;
        SDL_UnlockAudioDevice(device_);
        parked_ = false;
    }

    void close() {
        unpark();  // the thread must be free to end
        if (device_ != 0) SDL_CloseAudioDevice(device_);
        device_ = 0;
    }

    bool open() {
        if (device_ != 0) return true;
        if (failed_) return false;
#ifdef QUARVEL_HAVE_ALSA
        snd_lib_error_set_handler(QuietAlsa);
#endif
        if (SDL_WasInit(SDL_INIT_AUDIO) == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return fail();
        SDL_AudioSpec desired{};
        desired.freq = deviceRate;
        desired.format = AUDIO_S16SYS;
        desired.channels = DEVICE_CHANNELS;
        desired.samples = deviceBufferFrames;
        // No allowed changes: SDL converts to the hardware's own format if needed.
        device_ = SDL_OpenAudioDevice(nullptr, 0, &desired, nullptr, 0);
        if (device_ == 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return fail();
        }
        SDL_PauseAudioDevice(device_, 0);
        return true;
    }

    bool fail() {
        failed_ = true;
        if (noDeviceHandler != nullptr) noDeviceHandler();
        return false;
    }

    // Converts the sound to the device format in one piece and queues it (SDL's
    // audio streams drop the end of a sound they resample).
    bool queue(const WaveInfo& wave) {
        if (wave.sampleRate > MAX_PLAYABLE_RATE) return false;
        std::uint64_t frames = wave.dataSize / wave.blockAlign;
        if (frames * deviceRate / wave.sampleRate * DEVICE_FRAME_BYTES > MAX_QUEUED_BYTES)
            return false;
        SDL_AudioFormat format = wave.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
        SDL_AudioCVT cvt;
        if (SDL_BuildAudioCVT(&cvt, format, static_cast<Uint8>(wave.channels),
                              static_cast<int>(wave.sampleRate), AUDIO_S16SYS, DEVICE_CHANNELS,
                              deviceRate) < 0)
            return false;
        if (cvt.needed == 0) return SDL_QueueAudio(device_, wave.data, wave.dataSize) == 0;
        if (std::uint64_t{wave.dataSize} * cvt.len_mult > MAX_CONVERT_BYTES) return false;
        std::vector<std::uint8_t> buffer(std::size_t{wave.dataSize} * cvt.len_mult);
        std::copy_n(wave.data, wave.dataSize, buffer.data());
        cvt.buf = buffer.data();
        cvt.len = static_cast<int>(wave.dataSize);
        return SDL_ConvertAudio(&cvt) == 0 &&
               SDL_QueueAudio(device_, cvt.buf, static_cast<Uint32>(cvt.len_cvt)) == 0;
    }

    SDL_AudioDeviceID device_ = 0;
    bool failed_ = false;
    bool parked_ = false;
    std::uint64_t playingUntil_ = 0;  // SteadyMs when the last sound ends
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

std::uint64_t SteadyMs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

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

void SetAudioDeviceFormat(int rate, std::uint16_t bufferFrames) {
    output.release();  // opened again, in the new format, at the next sound
    deviceRate = rate;
    deviceBufferFrames = bufferFrames;
}

void SetAudioEnabled(bool enabled) {
    audioEnabled = enabled;
    if (!enabled) output.release();
}

void SetSoundNameLookup(std::string (*lookup)(const void*)) {
    nameLookup = lookup;
}

void SetNoAudioDeviceHandler(void (*handler)()) {
    noDeviceHandler = handler;
}

int CloseAudioWhenSilent(std::uint64_t now) {
    return output.closeWhenSilent(now);
}

bool AudioResting() {
    return output.resting();
}
