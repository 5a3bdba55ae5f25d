// The sound device's life, the sound table, playing and replacing sounds.

#include "sound/sound_fixture.h"
#include "sound/wav_builder.h"

#include "screen/screen.h"
#include "sound/sound_test_support.h"

namespace rodazaro_test {
namespace {

using platform::test::SoundDeviceFaults;

class SoundSystemTest : public SoundFixture {};

const Bytes kTone = Wav(1, 22050, 16, Ramp(40));

TEST_F(SoundSystemTest, OpeningSetsUpDescriptionTableAndDeviceOnTheScreenWindow) {
    ASSERT_EQ(sound::OpenSoundDevice(), 1);
    EXPECT_EQ(sound::gSoundDevice.description.size, 36u);
    EXPECT_EQ(sound::gSoundDevice.description.reserved, 0u);
    EXPECT_EQ(sound::SoundTable().capacity, 50);
    for (std::int32_t n = 0; n <= 50; ++n) EXPECT_EQ(sound::LookupSound(n), nullptr) << n;
    ASSERT_NE(screen::gScreenWindow.window, 0u);
    const std::vector<std::string> expected = {
        "load", "create device", "level window=" + std::to_string(screen::gScreenWindow.window) + " level=2",
        "create primary -> #1"};
    EXPECT_EQ(Calls(), expected);
    ASSERT_NE(sound::gSoundDevice.primary, nullptr);
    EXPECT_TRUE(platform::test::DescribeSoundBuffer(sound::gSoundDevice.primary)->primary);
    EXPECT_FALSE(platform::test::DescribeSoundBuffer(sound::gSoundDevice.primary)->playing);
}

TEST_F(SoundSystemTest, EachMissingPieceFailsTheOpenAndEveryLoadThenFailsQuietly) {
    const SoundDeviceFaults cases[] = {
        {.library = true}, {.device = true}, {.cooperativeLevel = true}, {.primary = true}};
    for (const SoundDeviceFaults& faults : cases) {
        TearDown();
        SetUp();
        platform::test::SetSoundDeviceFaults(faults);
        EXPECT_EQ(sound::OpenSoundDevice(), 0);
        platform::test::ClearSoundCalls();
        if (sound::gSoundDevice.device == nullptr) {
            // No device: a load touches nothing at all.
            EXPECT_EQ(sound::LoadSoundData(0, kTone.data(), static_cast<std::uint32_t>(kTone.size())), 0);
            sound::StartSound(0);
            EXPECT_TRUE(Calls().empty());
        }
        EXPECT_EQ(sound::LookupSound(0), nullptr);
    }
}

TEST_F(SoundSystemTest, SecondOpenKeepsTheDevice) {
    Open();
    platform::SoundDevice* device = sound::gSoundDevice.device;
    EXPECT_EQ(sound::OpenSoundDevice(), 1);
    EXPECT_EQ(sound::gSoundDevice.device, device);
    EXPECT_FALSE(Called("create device"));
}

TEST_F(SoundSystemTest, StartRestartsFromTheFirstByteWithoutLooping) {
    Open();
    ASSERT_NE(sound::LoadSoundData(3, kTone.data(), static_cast<std::uint32_t>(kTone.size())), 0);
    const int id = Sound(3)->id;
    platform::test::ClearSoundCalls();
    sound::StartSound(3);
    sound::StartSound(3);  // still playing: rewinds and plays again
    const std::string b = "#" + std::to_string(id);
    const std::vector<std::string> expected = {"stop " + b, "position " + b + " 0", "play " + b + " flags=0",
                                               "stop " + b, "position " + b + " 0", "play " + b + " flags=0"};
    EXPECT_EQ(Calls(), expected);
    EXPECT_TRUE(Sound(3)->playing);
    EXPECT_EQ(Sound(3)->position, 0u);
    EXPECT_EQ(Sound(3)->plays, 2);
}

TEST_F(SoundSystemTest, StartOrFreeOfAnEmptyNumberDoesNothing) {
    Open();
    for (std::int32_t n : {0, 9, 50, 51, 1000, -1, -2, 0x40000000}) {
        sound::StartSound(n);
        sound::FreeSound(n);
    }
    EXPECT_TRUE(Calls().empty());
    EXPECT_EQ(sound::SoundTable().capacity, 50);
}

TEST_F(SoundSystemTest, NewSoundReplacesTheOldOnlyOnceFilled) {
    Open();
    ASSERT_NE(sound::LoadSoundData(1, kTone.data(), static_cast<std::uint32_t>(kTone.size())), 0);
    const std::string old = "#" + std::to_string(Sound(1)->id);
    const Bytes second = Wav(2, 44100, 16, Ramp(16, 100));
    const std::intptr_t result = sound::LoadSoundData(1, second.data(), static_cast<std::uint32_t>(second.size()));
    ASSERT_NE(result, 0);
    EXPECT_EQ(result, reinterpret_cast<std::intptr_t>(sound::LookupSound(1)));
    const std::string fresh = "#" + std::to_string(Sound(1)->id);
    ASSERT_NE(fresh, old);
    const int lock = IndexOf("lock " + fresh);
    const int release = IndexOf("release " + old);
    const int unlock = IndexOf("unlock " + fresh);
    ASSERT_GE(lock, 0);
    EXPECT_LT(lock, release);
    EXPECT_LT(release, unlock);
    EXPECT_EQ(Sound(1)->data, Ramp(16, 100));
    EXPECT_EQ(platform::test::LiveSoundBufferCount(), 2);  // primary + the new sound
}

TEST_F(SoundSystemTest, FailedLoadKeepsTheEarlierSoundPlayable) {
    Open();
    ASSERT_NE(sound::LoadSoundData(4, kTone.data(), static_cast<std::uint32_t>(kTone.size())), 0);
    platform::SoundBuffer* before = sound::LookupSound(4);
    const Bytes garbage = {'n', 'o', 't', ' ', 'a', ' ', 's', 'o', 'u', 'n', 'd'};
    EXPECT_EQ(sound::LoadSoundData(4, garbage.data(), static_cast<std::uint32_t>(garbage.size())), 0);
    const Bytes empty = Wav(1, 22050, 16, {});
    EXPECT_EQ(sound::LoadSoundData(4, empty.data(), static_cast<std::uint32_t>(empty.size())), 0);
    platform::test::SetSoundDeviceFaults({.lock = true});
    EXPECT_EQ(sound::LoadSoundData(4, kTone.data(), static_cast<std::uint32_t>(kTone.size())), 0);
    platform::test::SetSoundDeviceFaults({});
    EXPECT_EQ(sound::LookupSound(4), before);
    sound::StartSound(4);
    EXPECT_TRUE(Sound(4)->playing);
    // Buffers made for the failed loads are gone again.
    EXPECT_EQ(platform::test::LiveSoundBufferCount(), 2);
}

TEST_F(SoundSystemTest, ScriptNumbersNeverGrowTheTableAndLargerOnesDo) {
    Open();
    for (std::int32_t n = 0; n <= 9; ++n) {
        ASSERT_NE(sound::LoadSoundData(n, kTone.data(), static_cast<std::uint32_t>(kTone.size())), 0);
    }
    EXPECT_EQ(sound::SoundTable().capacity, 50);
    // A number at the capacity grows the table all the same.
    ASSERT_NE(sound::LoadSoundData(50, kTone.data(), static_cast<std::uint32_t>(kTone.size())), 0);
    EXPECT_EQ(sound::SoundTable().capacity, 60);
    ASSERT_NE(sound::LoadSoundData(75, kTone.data(), static_cast<std::uint32_t>(kTone.size())), 0);
    EXPECT_EQ(sound::SoundTable().capacity, 85);
    for (std::int32_t n : {0, 9, 50, 75}) EXPECT_NE(sound::LookupSound(n), nullptr) << n;
}

TEST_F(SoundSystemTest, NumberBelowMinusOneHasNoEntryAndLeavesNoBuffer) {
    Open();
    EXPECT_EQ(sound::LoadSoundData(-2, kTone.data(), static_cast<std::uint32_t>(kTone.size())), 0);
    EXPECT_EQ(platform::test::LiveSoundBufferCount(), 1);  // the primary
}

TEST_F(SoundSystemTest, DynamicSoundsGetHandlesAndPlayUnderThem) {
    Open();
    const std::intptr_t a = sound::LoadSoundData(-1, kTone.data(), static_cast<std::uint32_t>(kTone.size()));
    const std::intptr_t b = sound::LoadSoundData(-1, kTone.data(), static_cast<std::uint32_t>(kTone.size()));
    ASSERT_GE(a, runtime::kFirstDynamicHandle);
    ASSERT_GE(b, runtime::kFirstDynamicHandle);
    EXPECT_NE(a, b);
    sound::StartSound(static_cast<std::int32_t>(b));
    EXPECT_TRUE(Sound(static_cast<std::int32_t>(b))->playing);
    EXPECT_FALSE(Sound(static_cast<std::int32_t>(a))->playing);
    sound::FreeSound(static_cast<std::int32_t>(a));
    EXPECT_EQ(sound::LookupSound(static_cast<std::int32_t>(a)), nullptr);
    EXPECT_EQ(runtime::DynamicObjectCount(sound::SoundTable()), 1);
}

TEST_F(SoundSystemTest, CloseReleasesEverySoundThenPrimaryThenDeviceThenUnloads) {
    Open();
    for (std::int32_t n : {0, 9, 49, 50, 84}) {
        ASSERT_NE(sound::LoadSoundData(n, kTone.data(), static_cast<std::uint32_t>(kTone.size())), 0);
    }
    ASSERT_NE(sound::LoadSoundData(-1, kTone.data(), static_cast<std::uint32_t>(kTone.size())), 0);
    platform::test::ClearSoundCalls();
    sound::CloseSoundDevice();
    EXPECT_EQ(platform::test::LiveSoundBufferCount(), 0);
    EXPECT_FALSE(platform::test::SoundDeviceLive());
    EXPECT_FALSE(platform::test::SoundLibraryLoaded());
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 9u);
    EXPECT_EQ(calls[6], "release #1");  // the primary, after the six sounds
    EXPECT_EQ(calls[7], "release device");
    EXPECT_EQ(calls[8], "unload");
    EXPECT_EQ(runtime::DynamicObjectCount(sound::SoundTable()), 0);
    // Afterwards there is no device: loads fail without a call.
    platform::test::ClearSoundCalls();
    EXPECT_EQ(sound::LoadSoundData(0, kTone.data(), static_cast<std::uint32_t>(kTone.size())), 0);
    EXPECT_TRUE(Calls().empty());
}

TEST_F(SoundSystemTest, CloseAfterAFailedOpenUnloadsWhatWasLoaded) {
    platform::test::SetSoundDeviceFaults({.device = true});
    EXPECT_EQ(sound::OpenSoundDevice(), 0);
    EXPECT_TRUE(platform::test::SoundLibraryLoaded());
    sound::CloseSoundDevice();
    EXPECT_FALSE(platform::test::SoundLibraryLoaded());
    EXPECT_FALSE(Called("release device"));
}

}  // namespace
}  // namespace rodazaro_test
