// The sound system alone on the test backend: heaps, the screen window the
// device needs, and the recording sound device; plus a scriptable decoder.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/test/test_backend.h"
#include "platform/test/test_sound_device.h"
#include "player/player.h"
#include "player/player_state.h"
#include "runtime/heaps.h"
#include "sound/ogg_decoder.h"
#include "sound/sound.h"

namespace rodazaro_test {

class SoundFixture : public ::testing::Test {
protected:
    void SetUp() override {
        platform::test::Reset();
        platform::test::ResetSoundDevice();
        player::ResetAllModules();
        player::gPlayer.programHeap = runtime::CreateProgramHeap();
        runtime::CreateObjectHeap();
    }
    void TearDown() override {
        sound::CloseSoundDevice();
        EXPECT_EQ(platform::test::StaleSoundHandleUses(), 0) << "a released buffer or device was used";
        player::ResetAllModules();
        runtime::DestroyObjectHeap();
        runtime::DestroyProgramHeap();
        player::gPlayer.programHeap = nullptr;
        platform::test::ResetSoundDevice();
    }
    // Opens the device and forgets the calls that took.
    void Open() {
        ASSERT_EQ(sound::OpenSoundDevice(), 1);
        platform::test::ClearSoundCalls();
    }
    static const platform::test::SoundBufferInfo* Sound(std::int32_t number) {
        return platform::test::DescribeSoundBuffer(sound::LookupSound(number));
    }
    static std::vector<std::string> Calls() { return platform::test::SoundCalls(); }
    static bool Called(const std::string& line) {
        const auto& calls = platform::test::SoundCalls();
        return std::find(calls.begin(), calls.end(), line) != calls.end();
    }
    // Position of a call in the log, -1 when it was not made.
    static int IndexOf(const std::string& line) {
        const auto& calls = platform::test::SoundCalls();
        const auto found = std::find(calls.begin(), calls.end(), line);
        return found == calls.end() ? -1 : static_cast<int>(found - calls.begin());
    }
};

// A decoder whose answers the test sets: it accepts images that begin with
// its tag byte, reports the stream it is told to, and writes the bytes 1, 2,
// 3, ... up to `produce` bytes (never past the count it is given).
struct ScriptedDecoder {
    std::uint8_t tag = 0;
    std::int32_t channels = 2;
    std::int32_t frames = 10;
    std::int32_t frequency = 22050;
    std::uint32_t produce = 40;
    int opens = 0;
    int accepted = 0;
    std::vector<std::uint32_t> decodeCounts;  // byte count of every DecodeAll
    int closedWithoutRoom = 0;
};

// Two independent decoders are enough for every test.
template <int Slot>
struct ScriptedDecoderSlot {
    static ScriptedDecoder& State() {
        static ScriptedDecoder state;
        return state;
    }
    static std::int32_t OpenData(const void* data, std::uint32_t size) {
        ScriptedDecoder& s = State();
        ++s.opens;
        if (size == 0 || static_cast<const std::uint8_t*>(data)[0] != s.tag) return 0;
        ++s.accepted;
        return 1;
    }
    static void DecodeAll(void* destination, std::uint32_t byteCount) {
        ScriptedDecoder& s = State();
        s.decodeCounts.push_back(byteCount);
        if (destination == nullptr || byteCount == 0) {
            ++s.closedWithoutRoom;
            return;
        }
        auto* out = static_cast<std::uint8_t*>(destination);
        const std::uint32_t n = std::min(byteCount, s.produce);
        for (std::uint32_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(i + 1);
        for (std::uint32_t i = n; i < byteCount; ++i) out[i] = 0;
    }
    static std::int32_t Channels() { return State().channels; }
    static std::int32_t Frames() { return State().frames; }
    static std::int32_t Frequency() { return State().frequency; }
    static const sound::SoundDecoder& Record() {
        static const sound::SoundDecoder record{OpenData, DecodeAll, Channels, Frames, Frequency};
        return record;
    }
    static ScriptedDecoder& Reset(std::uint8_t tag) {
        State() = ScriptedDecoder{};
        State().tag = tag;
        return State();
    }
};

}  // namespace rodazaro_test
