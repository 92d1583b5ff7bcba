// Sound: plays a complete WAVE file image held in memory.
#pragma once

#include <cstdint>

constexpr std::uint32_t SND_ASYNC = 1;      // return at once; replaces a playing sound
constexpr std::uint32_t SND_NODEFAULT = 2;  // no default sound when it cannot play
constexpr std::uint32_t SND_MEMORY = 4;     // the sound is a WAVE image in memory

// Plays the WAVE image. A synchronous play returns when the sound has ended and
// moves the layer's clock on by the sound's length (also with no audio device,
// so timing is the same everywhere). A malformed image plays nothing and returns
// false. A null sound stops what is playing.
bool PlaySound(const void* wave, std::uint32_t flags);

// The length in milliseconds of a WAVE image; 0 when it is malformed.
std::uint32_t WaveLengthMs(const void* wave);

// Host side: whether sound goes to the audio device (false: silent).
void SetAudioEnabled(bool enabled);
// Host side: the audio device's rate and buffer, in frames (by default the
// packs' own 22050 Hz and 512 frames, for a sound server that converts).
void SetAudioDeviceFormat(int rate, std::uint16_t bufferFrames);
// Host side: called once when sound is on but no audio device opens (the run
// goes on silent).
void SetNoAudioDeviceHandler(void (*handler)());
// Host side, when idle: the audio device's thread wakes dozens of times a second
// even while nothing plays, so it is stopped as soon as nothing is queued, and
// the device is closed after some seconds without a sound (and opened again at
// the next). `now` is std::chrono::steady_clock's time in milliseconds; returns
// the milliseconds until the next of these is due, or -1 when the device is closed.
int CloseAudioWhenSilent(std::uint64_t now);
// Host side: whether the audio device is open with nothing to play (its thread
// stopped, as above). A host whose device runs on regardless (a browser's audio
// graph) may rest it until this turns false, at the next sound.
bool AudioResting();
// std::chrono::steady_clock's time in milliseconds, the `now` above.
std::uint64_t SteadyMs();
