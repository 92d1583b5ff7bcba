#include "packs/generator/sounds.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "packs/generator/raster.h"

namespace packgen {

namespace {

constexpr double TAU = 2 * std::numbers::pi;

enum class Timbre {
    Sine,
    Warm,      // a little second and third harmonic
    Triangle,  // odd harmonics falling with their square
    Reed,      // odd harmonics falling with their order: a soft square
    Bell,      // slightly stretched partials that die away faster than the base
};

// Note frequencies used below.
constexpr double F_SHARP3 = 185.0;
constexpr double A3 = 220.0;
constexpr double C4 = 261.63;
constexpr double E4 = 329.63;
constexpr double G5 = 783.99;
constexpr double C6 = 1046.50;
constexpr double E6 = 1318.51;
constexpr double G6 = 1567.98;
constexpr double C7 = 2093.00;

struct Voice {
    double start = 0;   // seconds
    double length = 0;  // seconds
    double from = 440;  // Hz at the start
    double to = 440;    // Hz at the end of the sweep
    double sweep = 0;   // seconds the glide takes; 0: the whole length
    double amplitude = 1;
    double attack = 0.003;
    double decay = 1;  // time constant of the exponential fall, seconds
    Timbre timbre = Timbre::Sine;
    double vibrato = 0;  // relative depth of a 5.5 Hz vibrato
};

struct Noise {
    double start = 0;
    double length = 0;
    double cutoff = 1000;  // Hz of a one-pole low-pass
    double amplitude = 1;
    double decay = 1;
};

double Partials(Timbre timbre, double phase, double t) {
    switch (timbre) {
        case Timbre::Sine:
            return std::sin(phase);
        case Timbre::Warm:
            return std::sin(phase) + 0.35 * std::sin(2 * phase) + 0.12 * std::sin(3 * phase);
        case Timbre::Triangle: {
            double sum = 0;
            for (int n = 1, sign = 1; n <= 9; n += 2, sign = -sign) {
                sum += sign * std::sin(n * phase) / (n * n);
            }
            return sum * 1.2;
        }
        case Timbre::Reed: {
            double sum = 0;
            for (int n = 1; n <= 9; n += 2)
                sum += std::sin(n * phase) / n;
            return sum;
        }
        case Timbre::Bell:
            return std::sin(phase) + 0.45 * std::sin(2.01 * phase) * std::exp(-t / 0.08) +
                   0.25 * std::sin(3.03 * phase) * std::exp(-t / 0.05) +
                   0.12 * std::sin(4.2 * phase) * std::exp(-t / 0.03);
    }
    return 0;
}

class Mixer {
  public:
    explicit Mixer(double seconds) : samples_(std::size_t(seconds * SAMPLE_RATE), 0.0) {}

    void add(const Voice& v) {
        const int first = int(v.start * SAMPLE_RATE);
        const int count = int(v.length * SAMPLE_RATE);
        const double sweep = v.sweep > 0 ? v.sweep : v.length;
        double phase = 0;
        for (int i = 0; i < count && first + i < int(samples_.size()); ++i) {
            const double t = double(i) / SAMPLE_RATE;
            // Exponential glide: equal steps in pitch.
            double f = v.from * std::pow(v.to / v.from, std::min(t / sweep, 1.0));
            f *= 1 + v.vibrato * std::sin(TAU * 5.5 * t);
            phase += TAU * f / SAMPLE_RATE;
            samples_[first + i] += v.amplitude * envelope(t, v.length, v.attack, v.decay) *
                                   Partials(v.timbre, phase, t);
        }
    }

    void add(const Noise& n, std::uint32_t seed) {
        Random random(seed);
        const int first = int(n.start * SAMPLE_RATE);
        const int count = int(n.length * SAMPLE_RATE);
        const double k = 1 - std::exp(-TAU * n.cutoff / SAMPLE_RATE);
        double low = 0;
        for (int i = 0; i < count && first + i < int(samples_.size()); ++i) {
            const double t = double(i) / SAMPLE_RATE;
            const double white = random.below(20001) / 10000.0 - 1.0;
            low += k * (white - low);
            samples_[first + i] += n.amplitude * envelope(t, n.length, 0.001, n.decay) * low;
        }
    }

    // Scales to the given peak and fades the last milliseconds, so the sound
    // starts and ends without a click.
    std::vector<double> finish(double peak) {
        double highest = 0;
        for (double s : samples_)
            highest = std::max(highest, std::fabs(s));
        const double gain = highest > 0 ? peak / highest : 0;
        const int fade = SAMPLE_RATE * 4 / 1000;
        const int n = int(samples_.size());
        for (int i = 0; i < n; ++i) {
            samples_[i] *= gain * std::min(1.0, double(n - 1 - i) / fade);
        }
        return samples_;
    }

  private:
    static double envelope(double t, double length, double attack, double decay) {
        const double release = 0.008;
        const double rise = std::min(1.0, t / attack);
        const double fall = std::exp(-t / decay);
        const double end = std::clamp((length - t) / release, 0.0, 1.0);
        return rise * fall * end;
    }

    std::vector<double> samples_;
};

// A row is cleared: a quick rising bubble.
std::vector<double> Pop() {
    Mixer m(0.13);
    m.add(Voice{.length = 0.13,
                .from = 620,
                .to = 1180,
                .sweep = 0.05,
                .decay = 0.035,
                .timbre = Timbre::Warm});
    m.add(Voice{.start = 0.012,
                .length = 0.1,
                .from = 1240,
                .to = 1760,
                .sweep = 0.04,
                .amplitude = 0.3,
                .decay = 0.025});
    return m.finish(0.55);
}

// A piece lands (and the title screen's click): a short soft knock.
std::vector<double> Drop() {
    Mixer m(0.09);
    m.add(Voice{.length = 0.09,
                .from = 240,
                .to = 95,
                .sweep = 0.06,
                .attack = 0.001,
                .decay = 0.03,
                .timbre = Timbre::Warm});
    m.add(Noise{.length = 0.02, .cutoff = 2500, .amplitude = 0.3, .decay = 0.006}, 7);
    return m.finish(0.6);
}

// The fourth row of one landing: a run of bells with a glittering sweep.
std::vector<double> Quarvel() {
    Mixer m(0.62);
    const double notes[] = {C6, E6, G6, C7};
    for (int i = 0; i < 4; ++i) {
        m.add(Voice{.start = 0.07 * i,
                    .length = 0.4,
                    .from = notes[i],
                    .to = notes[i],
                    .amplitude = 0.6,
                    .attack = 0.002,
                    .decay = 0.14,
                    .timbre = Timbre::Bell});
    }
    m.add(Voice{
        .length = 0.3, .from = 2000, .to = 4000, .amplitude = 0.1, .attack = 0.01, .decay = 0.1});
    return m.finish(0.55);
}

// The level rises: a rising arpeggio resolving on a chord.
std::vector<double> Level() {
    Mixer m(0.75);
    const double run[] = {G5, C6, E6};
    for (int i = 0; i < 3; ++i) {
        m.add(Voice{.start = 0.09 * i,
                    .length = 0.2,
                    .from = run[i],
                    .to = run[i],
                    .amplitude = 0.55,
                    .decay = 0.09,
                    .timbre = Timbre::Triangle});
    }
    for (double note : {C6, E6, G6, C7}) {
        m.add(Voice{.start = 0.27,
                    .length = 0.48,
                    .from = note,
                    .to = note,
                    .amplitude = 0.35,
                    .attack = 0.006,
                    .decay = 0.16,
                    .timbre = Timbre::Triangle});
    }
    return m.finish(0.55);
}

// The game is lost: three falling notes, the last sinking further.
std::vector<double> Lose() {
    Mixer m(0.95);
    m.add(Voice{.length = 0.26,
                .from = E4,
                .to = E4,
                .amplitude = 0.6,
                .attack = 0.008,
                .decay = 0.4,
                .timbre = Timbre::Triangle});
    m.add(Voice{.start = 0.24,
                .length = 0.26,
                .from = C4,
                .to = C4,
                .amplitude = 0.6,
                .attack = 0.008,
                .decay = 0.4,
                .timbre = Timbre::Triangle});
    m.add(Voice{.start = 0.48,
                .length = 0.47,
                .from = A3,
                .to = F_SHARP3,
                .amplitude = 0.7,
                .attack = 0.008,
                .decay = 0.35,
                .timbre = Timbre::Triangle,
                .vibrato = 0.012});
    return m.finish(0.6);
}

// A junk row pushes in from below: a low rumbling shove.
std::vector<double> Junk() {
    Mixer m(0.26);
    m.add(Voice{.length = 0.26,
                .from = 110,
                .to = 70,
                .amplitude = 0.6,
                .attack = 0.004,
                .decay = 0.09,
                .timbre = Timbre::Reed});
    m.add(Noise{.length = 0.26, .cutoff = 600, .amplitude = 1.4, .decay = 0.08}, 99);
    return m.finish(0.6);
}

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutTag(std::vector<std::uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(tag[i]));
}

}  // namespace

std::vector<Sound> GameSounds() {
    return {{"sndPop", Pop()},     {"sndDrop", Drop()}, {"sndQuarvel", Quarvel()},
            {"sndLevel", Level()}, {"sndLose", Lose()}, {"sndJunk", Junk()}};
}

std::vector<std::uint8_t> WaveFile(const std::vector<double>& samples) {
    const std::uint32_t dataBytes = std::uint32_t(samples.size() * 2);
    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes);
    PutTag(out, "RIFF");
    Put32(out, 36 + dataBytes);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1);  // PCM
    Put16(out, 1);  // mono
    Put32(out, SAMPLE_RATE);
    Put32(out, SAMPLE_RATE * 2);  // bytes per second
    Put16(out, 2);                // bytes per frame
    Put16(out, 16);               // bits per sample
    PutTag(out, "data");
    Put32(out, dataBytes);
    for (double s : samples) {
        const long v = std::lround(std::clamp(s, -1.0, 1.0) * 32767);
        Put16(out, std::uint32_t(std::uint16_t(std::int16_t(v))));
    }
    return out;
}

}  // namespace packgen
