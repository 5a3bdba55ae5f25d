// The SDL sound device: buffer formats, the mixer (through the capturing
// device), SDL's dummy and disk drivers, and the sound system on top of it.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "platform/sdl/sound_device.h"
#include "platform/sound_device.h"
#include "player/player.h"
#include "player/player_state.h"
#include "runtime/heaps.h"
#include "screen/screen.h"
#include "sdl/allocation_count.h"
#include "sound/ogg_decoder.h"
#include "sound/sound.h"
#include "sound/vorbis_files.h"
#include "sound/wav_builder.h"

namespace rodazaro_test {
namespace {

using Frames = std::vector<std::int16_t>;  // interleaved stereo

constexpr int kRate = 48000;

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            had_ = true;
            old_ = old;
        }
        setenv(name, value, 1);
    }
    ~ScopedEnv() {
        if (had_) setenv(name_.c_str(), old_.c_str(), 1);
        else unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::string old_;
    bool had_ = false;
};

platform::WaveFormat Format(int channels, std::uint32_t rate, int bits) {
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    return {1, static_cast<std::uint16_t>(channels), rate, rate * align, align, static_cast<std::uint16_t>(bits), 0};
}

Bytes LittleEndian(const std::vector<std::int16_t>& samples) {
    Bytes out;
    for (std::int16_t s : samples) PutU16(out, static_cast<std::uint16_t>(s));
    return out;
}

platform::Result Create(platform::SoundDevice* device, const platform::WaveFormat& format, std::uint32_t bytes,
                        platform::SoundBuffer** buffer, std::uint32_t formatBytes = sizeof(platform::WaveFormat)) {
    const platform::SoundBufferDesc desc{36, platform::kBufferStaticFlags, bytes, 0, &format, formatBytes};
    return platform::CreateSoundBuffer(device, &desc, buffer);
}

// A filled static buffer, or null.
platform::SoundBuffer* Filled(platform::SoundDevice* device, const platform::WaveFormat& format, const Bytes& bytes) {
    platform::SoundBuffer* buffer = nullptr;
    if (Create(device, format, static_cast<std::uint32_t>(bytes.size()), &buffer) != platform::kOk) return nullptr;
    void* first = nullptr;
    void* second = nullptr;
    std::uint32_t firstBytes = 0;
    std::uint32_t secondBytes = 0;
    if (platform::LockSoundBuffer(buffer, 0, static_cast<std::uint32_t>(bytes.size()), &first, &firstBytes, &second,
                                  &secondBytes) != platform::kOk ||
        firstBytes != bytes.size()) {
        platform::ReleaseSoundBuffer(buffer);
        return nullptr;
    }
    std::memcpy(first, bytes.data(), bytes.size());
    if (platform::UnlockSoundBuffer(buffer, first, firstBytes, second, secondBytes) != platform::kOk) {
        platform::ReleaseSoundBuffer(buffer);
        return nullptr;
    }
    return buffer;
}

// n stereo frames whose samples all differ: left 100 + i, right -100 - i.
std::vector<std::int16_t> Distinct(int n) {
    std::vector<std::int16_t> out;
    for (int i = 0; i < n; ++i) {
        out.push_back(static_cast<std::int16_t>(100 + i));
        out.push_back(static_cast<std::int16_t>(-100 - i));
    }
    return out;
}

std::vector<std::int16_t> Constant(int frames, int channels, std::int16_t value) {
    return std::vector<std::int16_t>(static_cast<std::size_t>(frames) * channels, value);
}

Frames Mix(int frames) {
    Frames out(static_cast<std::size_t>(frames) * 2, 0x7777);
    EXPECT_TRUE(platform::sdl::MixCaptured(out.data(), frames));
    return out;
}

bool Silent(const Frames& frames) {
    return std::all_of(frames.begin(), frames.end(), [](std::int16_t s) { return s == 0; });
}

class CapturingDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::sdl::UseCapturingSoundDevice(kRate);
        ASSERT_TRUE(platform::LoadSoundLibrary());
        ASSERT_EQ(platform::CreateSoundDevice(&device_), platform::kOk);
        ASSERT_EQ(platform::SetSoundCooperativeLevel(device_, 1, platform::kSoundPriority), platform::kOk);
    }
    void TearDown() override {
        for (platform::SoundBuffer* buffer : buffers_) platform::ReleaseSoundBuffer(buffer);
        platform::ReleaseSoundDevice(device_);
        platform::UnloadSoundLibrary();
        platform::sdl::UseOutputSoundDevice();
    }
    platform::SoundBuffer* Stereo(const std::vector<std::int16_t>& samples) {
        return Keep(Filled(device_, Format(2, kRate, 16), LittleEndian(samples)));
    }
    platform::SoundBuffer* Keep(platform::SoundBuffer* buffer) {
        EXPECT_NE(buffer, nullptr);
        if (buffer != nullptr) buffers_.push_back(buffer);
        return buffer;
    }
    static void Restart(platform::SoundBuffer* buffer) {
        platform::StopSoundBuffer(buffer);
        platform::SetSoundBufferPosition(buffer, 0);
        platform::PlaySoundBuffer(buffer, 0);
    }

    platform::SoundDevice* device_ = nullptr;
    std::vector<platform::SoundBuffer*> buffers_;
};

TEST_F(CapturingDeviceTest, DescribesItselfAndMixesSilenceWhenNothingPlays) {
    platform::sdl::SoundDeviceInfo info{};
    ASSERT_TRUE(platform::sdl::DescribeSoundDevice(&info));
    EXPECT_EQ(info.rate, kRate);
    EXPECT_TRUE(info.capturing);
    EXPECT_TRUE(Silent(Mix(1000)));
}

TEST_F(CapturingDeviceTest, AcceptsWhatAWavFormatChunkMayHoldAndRefusesTheRest) {
    struct Case {
        platform::WaveFormat format;
        std::uint32_t bytes;
        bool accepted;
    };
    platform::WaveFormat badAlign = Format(2, 22050, 16);
    badAlign.blockAlign = 2;
    platform::WaveFormat adpcm = Format(1, 22050, 16);
    adpcm.formatTag = 2;
    // clang-format off
    const Case cases[] = {
        {Format(1, 22050, 8), 100, true},     {Format(2, 22050, 8), 100, true},
        {Format(1, 44100, 16), 100, true},    {Format(2, 48000, 16), 100, true},
        {Format(1, 100, 16), 100, true},      {Format(2, 200000, 16), 100, true},
        {Format(1, 99, 16), 100, false},      {Format(2, 200001, 16), 100, false},
        {Format(3, 44100, 16), 96, false},    {Format(1, 44100, 24), 99, false},
        {Format(1, 44100, 32), 100, false},   {badAlign, 100, false},
        {adpcm, 100, false},                  {Format(2, 44100, 16), 0, false},
        {Format(1, 8000, 8), 0x10000000, false},
    };
    // clang-format on
    for (const Case& c : cases) {
        platform::SoundBuffer* buffer = nullptr;
        const platform::Result result = Create(device_, c.format, c.bytes, &buffer);
        EXPECT_EQ(result == platform::kOk, c.accepted)
            << c.format.channels << " ch " << c.format.bitsPerSample << " bits " << c.format.samplesPerSecond << " Hz "
            << c.bytes << " bytes";
        EXPECT_EQ(buffer != nullptr, c.accepted);
        if (buffer != nullptr) platform::ReleaseSoundBuffer(buffer);
    }
    // A format chunk of 16 bytes (no extra-size field) is enough; 14 is not.
    platform::SoundBuffer* buffer = nullptr;
    const platform::WaveFormat pcm = Format(1, 22050, 16);
    ASSERT_EQ(Create(device_, pcm, 100, &buffer, 16), platform::kOk);
    platform::ReleaseSoundBuffer(buffer);
    EXPECT_NE(Create(device_, pcm, 100, &buffer, 14), platform::kOk);
    EXPECT_NE(Create(device_, pcm, 100, &buffer, 0), platform::kOk);
}

TEST_F(CapturingDeviceTest, PrimaryBufferIsAStandInThatIsNeverHeard) {
    platform::SoundBufferDesc desc{36, platform::kBufferPrimary, 0, 0, nullptr, 0};
    platform::SoundBuffer* primary = nullptr;
    ASSERT_EQ(platform::CreateSoundBuffer(device_, &desc, &primary), platform::kOk);
    Keep(primary);
    EXPECT_EQ(platform::PlaySoundBuffer(primary, 0), platform::kOk);
    EXPECT_FALSE(platform::sdl::SoundBufferPlaying(primary));
    void* first = nullptr;
    void* second = nullptr;
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    EXPECT_NE(platform::LockSoundBuffer(primary, 0, 4, &first, &a, &second, &b), platform::kOk);
    EXPECT_TRUE(Silent(Mix(256)));
    desc.bufferBytes = 400;
    platform::SoundBuffer* refused = nullptr;
    EXPECT_NE(platform::CreateSoundBuffer(device_, &desc, &refused), platform::kOk);
}

TEST_F(CapturingDeviceTest, SoundStartsWithTheNextMixedFrameAndPlaysOnce) {
    const auto samples = Distinct(100);
    platform::SoundBuffer* buffer = Stereo(samples);
    EXPECT_TRUE(Silent(Mix(37)));  // loaded but not started: silence
    platform::PlaySoundBuffer(buffer, 0);
    EXPECT_TRUE(platform::sdl::SoundBufferPlaying(buffer));
    const Frames out = Mix(250);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), out.begin()));
    EXPECT_TRUE(Silent(Frames(out.begin() + 200, out.end())));
    EXPECT_FALSE(platform::sdl::SoundBufferPlaying(buffer));
    // Started again after its end, it plays from its first frame.
    platform::PlaySoundBuffer(buffer, 0);
    const Frames again = Mix(100);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), again.begin()));
}

TEST_F(CapturingDeviceTest, MixedInPiecesItIsTheSameSound) {
    const auto samples = Distinct(1000);
    platform::SoundBuffer* buffer = Stereo(samples);
    platform::PlaySoundBuffer(buffer, 0);
    Frames joined;
    for (int piece : {1, 7, 300, 255, 257, 180}) {
        const Frames out = Mix(piece);
        joined.insert(joined.end(), out.begin(), out.end());
    }
    ASSERT_EQ(joined.size(), samples.size());
    EXPECT_EQ(joined, Frames(samples.begin(), samples.end()));
}

TEST_F(CapturingDeviceTest, RestartRewindsAndStopKeepsThePlace) {
    const auto samples = Distinct(300);
    platform::SoundBuffer* buffer = Stereo(samples);
    platform::PlaySoundBuffer(buffer, 0);
    Mix(50);
    Restart(buffer);
    Frames out = Mix(10);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), samples.begin()));
    platform::StopSoundBuffer(buffer);
    EXPECT_TRUE(Silent(Mix(20)));
    platform::PlaySoundBuffer(buffer, 0);  // resumes where it stopped
    out = Mix(10);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), samples.begin() + 20));
    // A position in bytes of the buffer's own format.
    platform::StopSoundBuffer(buffer);
    ASSERT_EQ(platform::SetSoundBufferPosition(buffer, 4 * 200), platform::kOk);
    platform::PlaySoundBuffer(buffer, 0);
    out = Mix(10);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), samples.begin() + 400));
    EXPECT_NE(platform::SetSoundBufferPosition(buffer, 4 * 300 + 1), platform::kOk);
}

TEST_F(CapturingDeviceTest, OverlappingSoundsAddUp) {
    const auto a = Distinct(100);
    const auto b = Constant(100, 2, 1000);
    platform::SoundBuffer* first = Stereo(a);
    platform::SoundBuffer* second = Stereo(b);
    platform::PlaySoundBuffer(first, 0);
    Mix(30);
    platform::PlaySoundBuffer(second, 0);
    const Frames out = Mix(100);
    for (int i = 0; i < 100; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * 2;
        const int fromA = i + 30 < 100 ? a[at + 60] : 0;
        EXPECT_EQ(out[at], fromA + 1000) << i;
        const int fromARight = i + 30 < 100 ? a[at + 61] : 0;
        EXPECT_EQ(out[at + 1], fromARight + 1000) << i;
    }
}

TEST_F(CapturingDeviceTest, SumsSaturateInsteadOfWrappingAround) {
    platform::SoundBuffer* up1 = Stereo(Constant(64, 2, 30000));
    platform::SoundBuffer* up2 = Stereo(Constant(64, 2, 30000));
    platform::SoundBuffer* up3 = Stereo(Constant(64, 2, 20000));
    platform::SoundBuffer* down1 = Stereo(Constant(64, 2, -30000));
    platform::SoundBuffer* down2 = Stereo(Constant(64, 2, -30000));
    platform::PlaySoundBuffer(up1, 0);
    platform::PlaySoundBuffer(up2, 0);
    platform::PlaySoundBuffer(up3, 0);
    Frames out = Mix(64);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::int16_t s) { return s == 32767; }));
    platform::PlaySoundBuffer(down1, 0);
    platform::PlaySoundBuffer(down2, 0);
    out = Mix(64);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::int16_t s) { return s == -32768; }));
    // Opposite sounds cancel, whatever their order.
    platform::PlaySoundBuffer(up1, 0);
    platform::PlaySoundBuffer(down1, 0);
    platform::PlaySoundBuffer(up2, 0);
    out = Mix(64);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::int16_t s) { return s == 30000; }));
}

TEST_F(CapturingDeviceTest, MasterVolumeScalesTheSumAndAPauseHoldsEverySoundInPlace) {
    const auto samples = Distinct(300);
    platform::SoundBuffer* distinct = Stereo(samples);
    platform::SoundBuffer* loud = Stereo(Constant(300, 2, 30000));
    platform::PlaySoundBuffer(distinct, 0);
    platform::PlaySoundBuffer(loud, 0);
    // The gain applies to the sum, before it saturates.
    ASSERT_EQ(platform::SetSoundMasterVolume(device_, 50), platform::kOk);
    Frames out = Mix(10);
    for (std::size_t i = 0; i < out.size(); ++i) EXPECT_EQ(out[i], (samples[i] + 30000) * 50 / 100) << i;
    // Paused: silence, and no sound moves on; one started meanwhile waits too.
    ASSERT_EQ(platform::PauseSoundDevice(device_, true), platform::kOk);
    platform::StopSoundBuffer(loud);
    EXPECT_TRUE(Silent(Mix(500)));
    EXPECT_TRUE(platform::sdl::SoundBufferPlaying(distinct));
    ASSERT_EQ(platform::PauseSoundDevice(device_, false), platform::kOk);
    ASSERT_EQ(platform::SetSoundMasterVolume(device_, 100), platform::kOk);
    out = Mix(10);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), samples.begin() + 20)) << "resumed where it stood, untouched";
    ASSERT_EQ(platform::SetSoundMasterVolume(device_, 0), platform::kOk);
    EXPECT_TRUE(Silent(Mix(10)));
    EXPECT_NE(platform::SetSoundMasterVolume(device_, 101), platform::kOk);
    EXPECT_NE(platform::SetSoundMasterVolume(nullptr, 50), platform::kOk);
}

TEST_F(CapturingDeviceTest, EightBitMonoBecomesSixteenBitStereo) {
    const Bytes bytes = {0x80, 0xFF, 0x00, 0xC0, 0x40, 0x81};
    platform::SoundBuffer* buffer = Keep(Filled(device_, Format(1, kRate, 8), bytes));
    platform::PlaySoundBuffer(buffer, 0);
    const Frames out = Mix(8);
    // Unsigned bytes around 0x80 become signed samples around 0, the full
    // scale kept (SDL's converter may round by one).
    const std::int16_t expected[] = {0, 32512, -32768, 16384, -16384, 256, 0, 0};
    for (int i = 0; i < 8; ++i) {
        EXPECT_NEAR(out[static_cast<std::size_t>(i) * 2], expected[i], 2) << i;
        EXPECT_EQ(out[static_cast<std::size_t>(i) * 2 + 1], out[static_cast<std::size_t>(i) * 2]) << i;
    }
}

TEST_F(CapturingDeviceTest, OtherRatesAreConvertedToTheDeviceRate) {
    struct Case {
        std::uint32_t rate;
        int channels;
        int bits;
    };
    for (const Case& c : {Case{22050, 1, 16}, Case{44100, 2, 16}, Case{11025, 1, 8}, Case{96000, 2, 16}}) {
        const int frames = static_cast<int>(c.rate) / 5;  // 0.2 s
        const std::int16_t level = 8000;
        Bytes bytes;
        if (c.bits == 8) bytes.assign(static_cast<std::size_t>(frames) * c.channels, 0x80 + 8000 / 256);
        else bytes = LittleEndian(Constant(frames, c.channels, level));
        platform::SoundBuffer* buffer = Keep(Filled(device_, Format(c.channels, c.rate, c.bits), bytes));
        ASSERT_NE(buffer, nullptr);
        platform::PlaySoundBuffer(buffer, 0);
        const Frames out = Mix(kRate / 5 + 500);
        // Played for as long as it lasts: 0.2 s of the device's frames.
        int last = -1;
        for (int i = 0; i < kRate / 5 + 500; ++i) {
            if (out[static_cast<std::size_t>(i) * 2] != 0) last = i;
        }
        EXPECT_NEAR(last + 1, kRate / 5, 8) << c.rate;
        const std::int16_t expected = c.bits == 8 ? static_cast<std::int16_t>((8000 / 256) * 256) : level;
        // Away from the edges the level is kept, on both sides.
        for (int i = 200; i < kRate / 5 - 200; i += 97) {
            EXPECT_NEAR(out[static_cast<std::size_t>(i) * 2], expected, 64) << c.rate << " frame " << i;
            EXPECT_EQ(out[static_cast<std::size_t>(i) * 2], out[static_cast<std::size_t>(i) * 2 + 1]) << i;
        }
        EXPECT_FALSE(platform::sdl::SoundBufferPlaying(buffer));
    }
}

TEST_F(CapturingDeviceTest, WhatPlaysIsWhatWasUnlocked) {
    const auto samples = Distinct(64);
    platform::SoundBuffer* buffer = Stereo(samples);
    void* first = nullptr;
    void* second = nullptr;
    std::uint32_t firstBytes = 0;
    std::uint32_t secondBytes = 0;
    // A lock that runs past the end goes on at the start.
    ASSERT_EQ(platform::LockSoundBuffer(buffer, 200, 100, &first, &firstBytes, &second, &secondBytes), platform::kOk);
    EXPECT_EQ(firstBytes, 56u);
    EXPECT_EQ(secondBytes, 44u);
    ASSERT_NE(second, nullptr);
    std::memset(second, 0, secondBytes);  // frames 0 to 10 silent
    ASSERT_EQ(platform::UnlockSoundBuffer(buffer, first, firstBytes, second, secondBytes), platform::kOk);
    std::memset(second, 0x11, 4);  // written after the unlock: not heard
    platform::PlaySoundBuffer(buffer, 0);
    const Frames out = Mix(64);
    EXPECT_TRUE(Silent(Frames(out.begin(), out.begin() + 22)));
    EXPECT_TRUE(std::equal(out.begin() + 22, out.end(), samples.begin() + 22));
    // Locks that ask for nothing or for more than the buffer are refused.
    EXPECT_NE(platform::LockSoundBuffer(buffer, 0, 0, &first, &firstBytes, &second, &secondBytes), platform::kOk);
    EXPECT_NE(platform::LockSoundBuffer(buffer, 256, 4, &first, &firstBytes, &second, &secondBytes), platform::kOk);
    EXPECT_NE(platform::LockSoundBuffer(buffer, 0, 257, &first, &firstBytes, &second, &secondBytes), platform::kOk);
}

TEST_F(CapturingDeviceTest, ReleasedBuffersLeaveTheMix) {
    platform::SoundBuffer* loud = Stereo(Constant(200, 2, 5000));
    platform::SoundBuffer* quiet = Stereo(Constant(200, 2, 7));
    platform::PlaySoundBuffer(loud, 0);
    platform::PlaySoundBuffer(quiet, 0);
    Mix(10);
    platform::ReleaseSoundBuffer(loud);
    buffers_.erase(std::find(buffers_.begin(), buffers_.end(), loud));
    const Frames out = Mix(10);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::int16_t s) { return s == 7; }));
}

TEST_F(CapturingDeviceTest, PlayingAndMixingAllocateNothing) {
    platform::SoundBuffer* a = Stereo(Distinct(4000));
    platform::SoundBuffer* b = Stereo(Constant(3000, 2, 9));
    Frames out(2048 * 2);
    // The first start waits for the conversion the unlock handed over, which
    // allocates what it makes.
    Restart(a);
    Restart(b);
    const long before = AllocationCount();
    for (int turn = 0; turn < 20; ++turn) {
        Restart(a);
        Restart(b);
        platform::sdl::MixCaptured(out.data(), 2048);
    }
    EXPECT_EQ(AllocationCount(), before);
}

// A long sound at another rate is still being converted when the next call
// on its buffer comes; every call finds it converted, as if Unlock had done
// it, and a buffer or device that goes meanwhile takes its conversion along.
TEST_F(CapturingDeviceTest, TheNextCallAfterAnUnlockFindsTheSoundConverted) {
    constexpr int kFrames = 22050 * 4;  // 4 s at 22050 Hz
    std::vector<std::int16_t> ramp;
    for (int i = 0; i < kFrames; ++i) {
        ramp.push_back(static_cast<std::int16_t>((i % 2000) * 16 - 16000));
        ramp.push_back(static_cast<std::int16_t>(16000 - (i % 3000) * 10));
    }
    const Bytes bytes = LittleEndian(ramp);
    const platform::WaveFormat format = Format(2, 22050, 16);
    const int converted = static_cast<int>(static_cast<std::int64_t>(kFrames) * kRate / 22050);
    // The sound as the device plays it, once its conversion is surely done.
    platform::SoundBuffer* reference = Keep(Filled(device_, format, bytes));
    ASSERT_NE(reference, nullptr);
    platform::PlaySoundBuffer(reference, 0);
    const Frames expected = Mix(converted);
    ASSERT_FALSE(Silent(expected));
    ASSERT_FALSE(platform::sdl::SoundBufferPlaying(reference));

    const auto overwrite = [](platform::SoundBuffer* b) {
        void* first = nullptr;
        void* second = nullptr;
        std::uint32_t firstBytes = 0, secondBytes = 0;
        ASSERT_EQ(platform::LockSoundBuffer(b, 0, kFrames * 4, &first, &firstBytes, &second, &secondBytes),
                  platform::kOk);
        std::memset(first, 0, firstBytes);
        ASSERT_EQ(platform::UnlockSoundBuffer(b, first, firstBytes, second, secondBytes), platform::kOk);
    };
    struct Case {
        const char* name;
        // What the program does right after the unlock, and whether that
        // releases the buffer; then the frames it expects from the mix, as
        // a range of expected (empty: silence).
        std::function<void(platform::SoundBuffer*)> next;
        bool releases;
        int from;
        int to;
    };
    const int middle = converted / 2;
    const Case cases[] = {
        {"play", [](platform::SoundBuffer* b) { platform::PlaySoundBuffer(b, 0); }, false, 0, converted},
        {"a new position, then play",
         [](platform::SoundBuffer* b) {
             platform::SetSoundBufferPosition(b, static_cast<std::uint32_t>(kFrames / 2 * 4));
             platform::PlaySoundBuffer(b, 0);
         },
         false, middle, converted},
        {"silence written over it, then play",
         [&](platform::SoundBuffer* b) {
             overwrite(b);
             platform::PlaySoundBuffer(b, 0);
         },
         false, 0, 0},
        {"play, then silence written over it while it plays",
         [&](platform::SoundBuffer* b) {
             platform::PlaySoundBuffer(b, 0);
             overwrite(b);
         },
         false, 0, 0},
        {"released at once; another sound plays on",
         [&](platform::SoundBuffer* b) {
             platform::ReleaseSoundBuffer(b);
             Restart(reference);
         },
         true, 0, converted},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::SoundBuffer* buffer = Filled(device_, format, bytes);
        ASSERT_NE(buffer, nullptr);
        c.next(buffer);
        const Frames out = Mix(converted);
        if (!c.releases) platform::ReleaseSoundBuffer(buffer);
        const auto from = expected.begin() + static_cast<std::ptrdiff_t>(c.from) * 2;
        const auto to = expected.begin() + static_cast<std::ptrdiff_t>(c.to) * 2;
        EXPECT_TRUE(std::equal(from, to, out.begin()));
        EXPECT_TRUE(Silent(Frames(out.begin() + (to - from), out.end())));
    }
    // Buffers still waiting for their conversion when the device closes.
    for (int i = 0; i < 3; ++i) Keep(Filled(device_, format, bytes));
    platform::ReleaseSoundDevice(device_);
    device_ = nullptr;
}

TEST(CapturingDeviceSetup, RatesOutsideTheRangeAreRefusedAndNoDeviceMeansSilence) {
    platform::sdl::UseCapturingSoundDevice(1000);
    platform::SoundDevice* device = nullptr;
    EXPECT_NE(platform::CreateSoundDevice(&device), platform::kOk);
    EXPECT_EQ(device, nullptr);
    platform::sdl::UseCapturingSoundDevice(500000);
    EXPECT_NE(platform::CreateSoundDevice(&device), platform::kOk);
    platform::sdl::UseOutputSoundDevice();
    std::int16_t out[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(platform::sdl::MixCaptured(out, 4));
    EXPECT_TRUE(std::all_of(std::begin(out), std::end(out), [](std::int16_t s) { return s == 0; }));
    platform::sdl::SoundDeviceInfo info{};
    EXPECT_FALSE(platform::sdl::DescribeSoundDevice(&info));
}

// The output device on SDL's headless drivers.

bool WaitUntilStopped(platform::SoundBuffer* buffer, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (!platform::sdl::SoundBufferPlaying(buffer)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

TEST(OutputSoundDevice, DummyDriverPlaysBuffersToTheirEndWithShortLatency) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    platform::sdl::UseOutputSoundDevice();
    ASSERT_TRUE(platform::LoadSoundLibrary());
    platform::SoundDevice* device = nullptr;
    ASSERT_EQ(platform::CreateSoundDevice(&device), platform::kOk);
    platform::sdl::SoundDeviceInfo info{};
    ASSERT_TRUE(platform::sdl::DescribeSoundDevice(&info));
    EXPECT_FALSE(info.capturing);
    EXPECT_TRUE(info.rate == 44100 || info.rate == 48000) << info.rate;
    EXPECT_GT(info.bufferFrames, 0);
    EXPECT_LE(info.bufferFrames, 1024);
    platform::SoundBuffer* buffer = Filled(device, Format(2, 22050, 16), LittleEndian(Constant(2205, 2, 1234)));
    ASSERT_NE(buffer, nullptr);
    ASSERT_EQ(platform::PlaySoundBuffer(buffer, 0), platform::kOk);
    EXPECT_TRUE(WaitUntilStopped(buffer, std::chrono::seconds(5)));
    // Released while playing, then the device with it: no trace left.
    platform::SoundBuffer* second = Filled(device, Format(1, 8000, 8), Bytes(8000, 0xC0));
    ASSERT_NE(second, nullptr);
    platform::PlaySoundBuffer(second, 0);
    platform::ReleaseSoundBuffer(second);
    platform::SoundBuffer* third = Filled(device, Format(1, 8000, 8), Bytes(8000, 0xC0));
    ASSERT_NE(third, nullptr);
    platform::PlaySoundBuffer(third, 0);
    platform::ReleaseSoundDevice(device);
    EXPECT_FALSE(platform::sdl::SoundBufferPlaying(third));
    platform::ReleaseSoundBuffer(third);
    platform::ReleaseSoundBuffer(buffer);
    platform::UnloadSoundLibrary();
}

TEST(OutputSoundDevice, DiskDriverRecordsTheMix) {
    const std::string path = ::testing::TempDir() + "rodazaro_sound_disk.raw";
    std::remove(path.c_str());
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv file("SDL_DISKAUDIOFILE", path.c_str());
    platform::sdl::UseOutputSoundDevice();
    ASSERT_TRUE(platform::LoadSoundLibrary());
    platform::SoundDevice* device = nullptr;
    ASSERT_EQ(platform::CreateSoundDevice(&device), platform::kOk);
    platform::sdl::SoundDeviceInfo info{};
    ASSERT_TRUE(platform::sdl::DescribeSoundDevice(&info));
    // At the device's own rate the samples go out unchanged.
    const auto samples = Distinct(2000);
    platform::SoundBuffer* buffer = Filled(device, Format(2, static_cast<std::uint32_t>(info.rate), 16),
                                           LittleEndian(samples));
    ASSERT_NE(buffer, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    platform::PlaySoundBuffer(buffer, 0);
    EXPECT_TRUE(WaitUntilStopped(buffer, std::chrono::seconds(5)));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    platform::ReleaseSoundDevice(device);
    platform::ReleaseSoundBuffer(buffer);
    platform::UnloadSoundLibrary();

    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in.good());
    std::vector<char> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    Frames recorded(raw.size() / 2);
    std::memcpy(recorded.data(), raw.data(), recorded.size() * 2);
    const auto found = std::search(recorded.begin(), recorded.end(), samples.begin(), samples.end());
    ASSERT_NE(found, recorded.end()) << recorded.size() << " samples recorded";
    EXPECT_EQ((found - recorded.begin()) % 2, 0);
    // Silence before it: nothing else was playing.
    EXPECT_TRUE(std::all_of(recorded.begin(), found, [](std::int16_t s) { return s == 0; }));
}

TEST(OutputSoundDevice, WithoutAnAudioDriverTheDeviceFailsSilently) {
    ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
    platform::sdl::UseOutputSoundDevice();
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    platform::SoundDevice* device = nullptr;
    const bool loaded = platform::LoadSoundLibrary();
    const platform::Result created = platform::CreateSoundDevice(&device);
    if (loaded) platform::UnloadSoundLibrary();
    const std::string out = ::testing::internal::GetCapturedStdout();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(created, platform::kOk);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
}

// The sound system over the capturing device.

class SoundSystemOnSdlTest : public ::testing::Test {
protected:
    void SetUp() override {
        player::ResetAllModules();
        player::gPlayer.programHeap = runtime::CreateProgramHeap();
        runtime::CreateObjectHeap();
        // The screen window belongs to the display tests; the sound device
        // only needs one to exist.
        screen::gScreenWindow.window = 1;
        screen::gScreenWindow.windowCreated = 1;
        platform::sdl::UseCapturingSoundDevice(kRate);
        ASSERT_EQ(sound::OpenSoundDevice(), 1);
        sound::RegisterOggDecoder();
    }
    void TearDown() override {
        sound::CloseSoundDevice();
        platform::sdl::UseOutputSoundDevice();
        player::ResetAllModules();
        runtime::DestroyObjectHeap();
        runtime::DestroyProgramHeap();
        player::gPlayer.programHeap = nullptr;
    }
};

TEST_F(SoundSystemOnSdlTest, ScriptSoundsPlayFromTheirStartWhenStarted) {
    const auto samples = Distinct(500);
    const Bytes wav = Wav(2, kRate, 16, LittleEndian(samples));
    ASSERT_NE(sound::LoadSoundData(0, wav.data(), static_cast<std::uint32_t>(wav.size())), 0);
    EXPECT_TRUE(Silent(Mix(64)));
    sound::StartSound(0);
    Frames out = Mix(100);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), samples.begin()));
    sound::StartSound(0);  // a restart while it plays
    out = Mix(600);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), out.begin()));
    EXPECT_TRUE(Silent(Frames(out.begin() + 1000, out.end())));
    sound::StartSound(5);  // never loaded
    EXPECT_TRUE(Silent(Mix(64)));
}

TEST_F(SoundSystemOnSdlTest, OggSoundsPlayAsDecoded) {
    const Bytes ogg = EncodeVorbis(2, kRate, Tones(2, kRate, 4800));
    const ReferenceDecode reference = DecodeWithStdio(ogg);
    ASSERT_TRUE(reference.ok);
    ASSERT_NE(sound::LoadSoundData(1, ogg.data(), static_cast<std::uint32_t>(ogg.size())), 0);
    sound::StartSound(1);
    const Frames out = Mix(4800);
    ASSERT_EQ(reference.pcm.size(), out.size() * 2);
    EXPECT_EQ(std::memcmp(out.data(), reference.pcm.data(), reference.pcm.size()), 0);
}

TEST_F(SoundSystemOnSdlTest, ClosingEndsTheMix) {
    const Bytes wav = Wav(1, 22050, 16, LittleEndian(Constant(2000, 1, 3000)));
    ASSERT_NE(sound::LoadSoundData(2, wav.data(), static_cast<std::uint32_t>(wav.size())), 0);
    sound::StartSound(2);
    sound::CloseSoundDevice();
    Frames out(128, 5);
    EXPECT_FALSE(platform::sdl::MixCaptured(out.data(), 64));
    EXPECT_TRUE(Silent(out));
}

}  // namespace
}  // namespace rodazaro_test
