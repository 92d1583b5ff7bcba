// The game's sounds, synthesised: short tones, sweeps and filtered noise, mixed
// and written as 16-bit mono PCM WAVE files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace packgen {

constexpr int SAMPLE_RATE = 22050;

struct Sound {
    const char* name;             // the WAVE resource name
    std::vector<double> samples;  // -1..1
};

// The six sounds of a pack: sndPop, sndDrop, sndQuarvel, sndLevel, sndLose,
// sndJunk.
std::vector<Sound> GameSounds();

// A whole RIFF/WAVE file of the samples.
std::vector<std::uint8_t> WaveFile(const std::vector<double>& samples);

}  // namespace packgen
