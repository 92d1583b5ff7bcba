// A sound's latency through the system's sound server: from the PlaySound call
// to the first frame of the sound arriving at the monitor of the server's
// default sink (desktop_run.py --latency starts a server with a null sink). The
// arrival is read as a recording client sees it, so the figure includes the
// monitor's few milliseconds and is an upper bound of the time to the sink.
//
// Three cases, each a number of times: a sound that opens the closed device, one
// that wakes the device resting after an earlier sound, and one that replaces a
// sound still playing. The sounds are in the packs' own format (22050 Hz mono
// 16-bit), steady levels of opposite sign, so that the recording tells which
// sound it hears from its first frames on. For the sounds on a resting device
// it also gives what each costs the program: the processor time of the
// PlaySound call, and of the device's thread from the call until it rests.
//
// usage: sound_latency [ROUNDS]; prints one line per figure: its name, then its
// value for each sound (milliseconds; microseconds for the _us ones).
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound/sound.h"

namespace {

constexpr std::uint32_t PACK_RATE = 22050;
constexpr std::uint32_t RECORD_RATE = 44100;
constexpr std::size_t RECORD_FRAMES = 88;  // 2 ms: the monitor's delivery step
constexpr std::int16_t LEVEL = 8000;
constexpr int HEARD = LEVEL / 2;     // a frame past this level is the sound's
constexpr double GIVE_UP_MS = 2000;  // a sound not heard by then counts as this

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::milli>(end - start).count();
}

void Put(std::vector<std::uint8_t>& b, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A WAVE image of `ms` milliseconds at a steady `level`.
std::vector<std::uint8_t> SteadyWave(std::int16_t level, std::uint32_t ms) {
    const std::uint32_t frames = PACK_RATE * ms / 1000, data = frames * 2;
    std::vector<std::uint8_t> b;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    Put(b, 36 + data, 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put(b, 16, 4), Put(b, 1, 2), Put(b, 1, 2), Put(b, PACK_RATE, 4), Put(b, PACK_RATE * 2, 4);
    Put(b, 2, 2), Put(b, 16, 2);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    Put(b, data, 4);
    for (std::uint32_t i = 0; i < frames; ++i)
        Put(b, static_cast<std::uint16_t>(level), 2);
    return b;
}

// The calling thread's processor time so far.
double ThreadCpuUs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

// The processor time of the audio device's threads (SDL's) so far.
double DeviceThreadUs() {
    double ns = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        if (name.rfind("SDLAudio", 0) != 0) continue;
        std::ifstream stat(task.path() / "schedstat");
        double used = 0;
        if (stat >> used) ns += used;
    }
    return ns / 1e3;
}

// Reads the monitor in its own thread and notes when it first hears the sign
// it is waiting for, and when it last heard anything.
class Listener {
  public:
    bool start() {
        const pa_sample_spec spec{PA_SAMPLE_S16LE, RECORD_RATE, 2};
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.fragsize = RECORD_FRAMES * 4;
        int error = 0;
        pulse_ = pa_simple_new(nullptr, "sound_latency", PA_STREAM_RECORD, "@DEFAULT_MONITOR@",
                               "monitor", &spec, nullptr, &attr, &error);
        if (pulse_ == nullptr) return false;
        thread_ = std::thread([this] { run(); });
        return true;
    }

    ~Listener() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (pulse_ != nullptr) pa_simple_free(pulse_);
    }

    // From now on, waits for a frame of this sign.
    void await(int sign) {
        std::lock_guard<std::mutex> hold(lock_);
        heardAt_ = 0;
        sign_ = sign;
    }

    // Whether the awaited sound arrived within the give-up time, and when.
    bool heard(Clock::time_point since, Clock::time_point& at) {
        while (MsSince(since, Clock::now()) < GIVE_UP_MS) {
            if (const auto t = heardAt_.load(); t != 0) {
                at = Clock::time_point(Clock::duration(t));
                return true;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        return false;
    }

    // Waits until nothing has been heard for `ms`.
    void awaitSilence(double ms) {
        while (MsSince(Clock::time_point(Clock::duration(lastSound_.load())), Clock::now()) < ms)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

  private:
    void run() {
        std::vector<std::int16_t> frames(RECORD_FRAMES * 2);
        int error = 0;
        while (!stop_ && pa_simple_read(pulse_, frames.data(), frames.size() * 2, &error) >= 0) {
            const auto now = Clock::now().time_since_epoch().count();
            std::lock_guard<std::mutex> hold(lock_);
            for (const std::int16_t sample : frames) {
                if (sample > HEARD || sample < -HEARD) lastSound_ = now;
                if (sign_ * sample > HEARD && heardAt_ == 0) heardAt_ = now;
            }
        }
    }

    pa_simple* pulse_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex lock_;  // a fragment is read against one awaited sign
    int sign_ = 0;
    std::atomic<Clock::rep> heardAt_{0};
    std::atomic<Clock::rep> lastSound_{0};
};

// The device rests once the sound has ended, as the host's idle loop does it.
void Rest() {
    for (int i = 0; i < 200 && CloseAudioWhenSilent(SteadyMs()) < 1000; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    Listener listener;
    if (!listener.start()) {
        std::fprintf(stderr, "sound_latency: no sound server to listen to\n");
        return 1;
    }
    // A null sink renders far ahead until it learns of the listener's low
    // latency, and the first sounds would reach it late: a few seconds settle it.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const std::vector<std::uint8_t> high = SteadyWave(LEVEL, 100);
    const std::vector<std::uint8_t> low = SteadyWave(-LEVEL, 100);
    const std::vector<std::uint8_t> longHigh = SteadyWave(LEVEL, 1000);
    SetAudioEnabled(true);
    std::vector<double> opening, resting, replacing, callUs, deviceUs;
    double lastCallUs = 0;
    // Plays `sound` and returns the milliseconds until it is heard.
    auto play = [&](const std::vector<std::uint8_t>& sound, int sign) {
        listener.await(sign);
        const Clock::time_point start = Clock::now();
        const double cpu = ThreadCpuUs();
        PlaySound(sound.data(), SND_MEMORY | SND_ASYNC);
        lastCallUs = ThreadCpuUs() - cpu;
        Clock::time_point at;
        return listener.heard(start, at) ? MsSince(start, at) : GIVE_UP_MS;
    };
    for (int round = 0; round < rounds; ++round) {
        CloseAudioWhenSilent(SteadyMs() + 3600000);  // closes the device
        listener.awaitSilence(100);
        opening.push_back(play(high, 1));
        Rest();
        listener.awaitSilence(100);
        // Past any buffer's length, so that the device is at rest for certain.
        std::this_thread::sleep_for(std::chrono::milliseconds(100 + 7 * round));
        const double device = DeviceThreadUs();
        resting.push_back(play(high, 1));
        callUs.push_back(lastCallUs);
        Rest();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the thread's last buffer
        deviceUs.push_back(DeviceThreadUs() - device);
        listener.awaitSilence(100);
        play(longHigh, 1);
        // At a different point of the device's buffer each round.
        std::this_thread::sleep_for(std::chrono::milliseconds(200 + 13 * round));
        replacing.push_back(play(low, -1));
        Rest();
    }
    SetAudioEnabled(false);
    auto print = [](const char* name, const std::vector<double>& ms) {
        std::string line = name;
        for (const double v : ms)
            line += " " + std::to_string(v);
        std::puts(line.c_str());
    };
    print("opening", opening);
    print("resting", resting);
    print("replacing", replacing);
    print("resting_call_us", callUs);
    print("resting_device_thread_us", deviceUs);
    return 0;
}
