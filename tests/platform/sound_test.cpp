#include <chrono>
#include <fstream>
#include <thread>

#include "platform/internal/resources_internal.h"
#include "platform/internal/sound_names.h"
#include "platform/internal/wave.h"
#include "platform/resources/resources.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/event_log.h"
#include "platform/sound/sound.h"
#include "tests/support/test_files.h"
#include "tests/support/wave_image.h"
#include "tests/support/zip_writer.h"

namespace {

using Bytes = WaveBytes;

const void* namedSound = nullptr;

TEST(SoundTest, LengthFollowsFormatAndData) {
    EXPECT_EQ(WaveLengthMs(WaveImage(2, 11025, 8, 99).data()), 4u);       // rounded down
    EXPECT_EQ(WaveLengthMs(WaveImage(2, 22050, 16, 8823).data()), 100u);  // partial frame dropped
    EXPECT_EQ(WaveLengthMs(WaveImage(1, 8000, 8, 5000000).data()), 625000u);  // past 32 bits
    // Other chunks are skipped, odd ones with their pad byte, which the last may lack.
    Bytes b = RiffWave(
        {{"LIST", {1}}, {"fmt ", WaveFormat(1, 8000, 8)}, {"data", Bytes(80, 0)}, {"junk", {1}}});
    b.pop_back(), b[4] -= 1;
    EXPECT_EQ(WaveLengthMs(b.data()), 10u);
}

TEST(SoundTest, PlaysLogAndOnlySynchronousOnesMoveTheClock) {
    std::string log;
    SetEventSink([&log](const std::string& line) { log += line + '|'; });
    const Bytes plain = WaveImage(2, 44100, 16, 44100), pop = WaveImage(1, 8000, 8, 1440);
    SetClock(0xFFFFFF00u);
    EXPECT_TRUE(PlaySound(plain.data(), 6) && GetTickCount() == 250u - 0x100u);
    EXPECT_TRUE(PlaySound(plain.data(), 7) && GetTickCount() == 250u - 0x100u);
    EXPECT_TRUE(PlaySound(nullptr, 7) && !PlaySound("sound.wav", SND_NODEFAULT));
    namedSound = pop.data();
    SetSoundNameLookup([](const void* p) { return std::string(p == namedSound ? "WAVE/x" : ""); });
    EXPECT_TRUE(PlaySound(pop.data(), 7));
    EXPECT_FALSE(PlaySound(RiffWave({{"fmt ", WaveFormat(1, 0, 8)}, {"data", {0, 0}}}).data(), 7));
    EXPECT_FALSE(PlaySound(Bytes(12, 0).data(), 6));
    EXPECT_EQ(log,
              "sound 44144 bytes sync 250 ms|sound 44144 bytes async 250 ms|sound stop|"
              "sound not from memory|sound WAVE/x async 180 ms|sound 46 bytes malformed|"
              "sound ? malformed|");
    SetSoundNameLookup(nullptr), SetEventSink(nullptr);
}

// Images the reader refuses are in tests/fuzz/corpus/wave/reject/; here two too
// large to keep there, and one without data: none plays, nor moves the clock.
TEST(SoundTest, MalformedImagesPlayNothing) {
    const Bytes images[] = {
        // 2^32 ms, and 2^31 ms: a clock step that long would read as one backwards.
        RiffWave({{"fmt ", WaveFormat(1, 1, 8)}, {"data", Bytes(4294968, 0)}}),
        RiffWave({{"fmt ", WaveFormat(1, 1, 8)}, {"data", Bytes(2147484, 0)}}),
        RiffWave({{"fmt ", WaveFormat(1, 8000, 8)}})};
    SetClock(1000);
    for (std::size_t i = 0; i < std::size(images); ++i) {
        EXPECT_EQ(WaveLengthMs(images[i].data()), 0u) << i;
        EXPECT_FALSE(PlaySound(images[i].data(), 6) || PlaySound(images[i].data(), 7)) << i;
    }
    EXPECT_EQ(GetTickCount(), 1000u);
}

// A pack's sound whose header claims more than the entry holds is read only as
// far as the entry goes: it plays nothing, and neither does a pack entry too
// short for a header. A sound that fits its entry plays.
TEST(SoundTest, ResourceSoundsAreBoundByTheirEntrySize) {
    const Bytes good = WaveImage(1, 8000, 8, 800);
    Bytes claims = good;
    PutLittle(claims, good.size() - 8 + 4000, 4, 4);  // the RIFF size
    PutLittle(claims, 800 + 4000, 4, 40);             // the data chunk's size
    auto text = [](const Bytes& b) { return std::string(b.begin(), b.end()); };
    const std::string path = testing::TempDir() + "quarvel-sound-pack.zip";
    ASSERT_TRUE(WriteZip(path, {{"WAVE/sndJunk.wav", text(claims)},
                                {"WAVE/sndTiny.wav", "RIF"},
                                {"WAVE/sndPop.wav", text(good)}}));
    ModuleHandle pack = LoadModuleFromFile(path);
    ASSERT_NE(pack, nullptr);
    const ResourceData junk = FindResource(pack, "sndJunk", "WAVE");
    ASSERT_EQ(junk.size, claims.size());
    EXPECT_FALSE(ParseWave(junk.bytes, junk.size));
    SetClock(500);
    EXPECT_EQ(WaveLengthMs(junk.bytes), 0u);
    EXPECT_FALSE(PlaySound(junk.bytes, SND_MEMORY));
    EXPECT_FALSE(PlaySound(FindResource(pack, "sndTiny", "WAVE").bytes, SND_MEMORY));
    EXPECT_EQ(GetTickCount(), 500u);
    EXPECT_TRUE(PlaySound(FindResource(pack, "sndPop", "WAVE").bytes, SND_MEMORY));
    EXPECT_EQ(GetTickCount(), 600u);
    FreeModule(pack);
    std::remove(path.c_str());
}

// SDL's dummy driver drains the queue in real time without hardware.
TEST(SoundTest, DeviceWaitsForSynchronousPlaysOnly) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SetAudioEnabled(true);
    SetClock(0);
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(PlaySound(WaveImage(2, 48000, 16, 19200).data(), 6));  // 100 ms, resampled
    auto synchronous = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(PlaySound(WaveImage(1, 8000, 8, 800).data(), 7) && PlaySound(nullptr, 7));
    EXPECT_GE(synchronous, std::chrono::milliseconds(50));
    EXPECT_LT(std::chrono::steady_clock::now() - start - synchronous,
              std::chrono::milliseconds(50));
    EXPECT_EQ(GetTickCount(), 100u);
    // Silent for long enough, the device is closed (its thread stops waking),
    // and the next sound opens it again.
    EXPECT_GT(CloseAudioWhenSilent(SteadyMs()), 0);
    EXPECT_EQ(CloseAudioWhenSilent(SteadyMs() + 60000), -1);
    EXPECT_EQ(CloseAudioWhenSilent(SteadyMs()), -1);
    start = std::chrono::steady_clock::now();
    EXPECT_TRUE(PlaySound(WaveImage(2, 48000, 16, 19200).data(), 6));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    // A device that stops taking sound is not looked at for ever: long past
    // the sound's end, what is still queued goes and the device closes.
    EXPECT_TRUE(PlaySound(WaveImage(2, 48000, 16, 1920000).data(), 7));  // 10 s
    EXPECT_GT(CloseAudioWhenSilent(SteadyMs()), 1000);
    EXPECT_EQ(CloseAudioWhenSilent(SteadyMs() + 60000), -1);
    SetAudioEnabled(false);
}

// SDL's disk driver writes what its thread hands the device to a file, so the
// file's growth shows whether the thread runs.
TEST(SoundTest, TheDeviceThreadRestsWhileNothingPlays) {
    const std::string out = (FreshTestFolder() / "out.raw").string();
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv file("SDL_DISKAUDIOFILE", out.c_str());
    auto written = [&] { return std::filesystem::file_size(out); };
    auto wait = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    // Once the sound is over, the wait is for the device's closing (seconds
    // away), no longer for the sound's end; bounded for a loaded machine.
    auto rest = [&] {
        for (int i = 0; i < 300 && CloseAudioWhenSilent(SteadyMs()) < 1000; ++i)
            wait(10);
    };
    // The file's size once it has not grown for 100 ms (bounded).
    auto settled = [&] {
        std::uintmax_t size = written();
        for (int i = 0; i < 30; ++i) {
            wait(100);
            if (written() == size) break;
            size = written();
        }
        return size;
    };
    SetAudioEnabled(true);
    const Bytes sound = WaveImage(1, 8000, 8, 400);  // 50 ms
    std::uintmax_t before = 0;
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(PlaySound(sound.data(), 7));
        EXPECT_FALSE(AudioResting()) << "round " << round;  // a host must not rest it now
        rest();
        EXPECT_TRUE(AudioResting()) << "round " << round;
        const std::uintmax_t rested = settled();
        EXPECT_GT(rested, before) << "round " << round;  // the sound went out
        wait(200);
        EXPECT_EQ(written(), rested) << "round " << round;
        before = rested;
    }
    // A resting device closes, and closes at the end, without waiting for its
    // thread forever.
    EXPECT_EQ(CloseAudioWhenSilent(SteadyMs() + 60000), -1);
    EXPECT_FALSE(AudioResting());  // closed, not resting
    ASSERT_TRUE(PlaySound(sound.data(), 7));
    rest();
    SetAudioEnabled(false);
}

// What reaches the device, through SDL's disk driver: a sound in the packs' own
// format frame for frame (it needs no resampling), and one at another rate
// resampled to its whole length, neither sped up nor cut short.
TEST(SoundTest, SoundsReachTheDeviceWhole) {
    const std::string out = (FreshTestFolder() / "out.raw").string();
    {
        ScopedEnv driver("SDL_AUDIODRIVER", "disk");
        ScopedEnv file("SDL_DISKAUDIOFILE", out.c_str());
        SetAudioEnabled(true);
        EXPECT_TRUE(PlaySound(WaveImage(1, 22050, 16, 4410, 0x20).data(), SND_MEMORY));  // 8224
        EXPECT_TRUE(PlaySound(WaveImage(1, 11025, 16, 2204, 0xE0).data(), SND_MEMORY));  // -7968
        SetAudioEnabled(false);
    }
    std::ifstream raw(out, std::ios::binary);
    std::int16_t frame[2];
    int uneven = 0, packs = 0, other = 0;
    while (raw.read(reinterpret_cast<char*>(frame), sizeof frame)) {
        uneven += frame[0] != frame[1];
        packs += frame[0] >= 8222 && frame[0] <= 8226;
        other += frame[0] < -4000;  // past half its level
    }
    EXPECT_EQ(uneven, 0);
    // 100 ms each at the device's 22050 Hz.
    EXPECT_EQ(packs, 2205);
    EXPECT_NEAR(other, 2204, 8);
}

// Without a sound device the host hears of it once, the audio library's own
// messages stay off stderr, and the run goes on silent.
TEST(SoundTest, NoDeviceIsReportedOnceAndQuietly) {
    ScopedEnv driver("SDL_AUDIODRIVER", "alsa");
    ScopedEnv device("AUDIODEV", "hw:99");  // no such card
    static int reports = 0;
    SetNoAudioDeviceHandler([] { ++reports; });
    testing::internal::CaptureStderr();
    SetAudioEnabled(true);
    SetClock(0);
    EXPECT_TRUE(PlaySound(WaveImage(1, 8000, 8, 800).data(), 6));
    EXPECT_TRUE(PlaySound(WaveImage(1, 8000, 8, 800).data(), 7));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(GetTickCount(), 100u);
    SetAudioEnabled(false);
    SetNoAudioDeviceHandler(nullptr);
}

}  // namespace
