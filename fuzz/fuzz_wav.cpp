// Fuzz target: the WAV reader (sound/wav.cpp) and the sound loader
// (sound/sound.cpp) on the test backend's recording sound device.
//
// The input is the file image.  The chunks ReadWavImage finds must lie
// inside the image; then the loader makes a sound of it as LSND does, plays
// it and frees it with the device.  No other decoder is registered: an image
// that is not a RIFF file is simply refused.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_sound_device.h"
#include "player/player.h"
#include "player/player_state.h"
#include "runtime/heaps.h"
#include "sound/sound.h"
#include "sound/wav.h"

namespace {

bool Inside(const void* part, std::uint64_t bytes, const std::uint8_t* image, std::uint32_t size) {
    const auto* p = static_cast<const std::uint8_t*>(part);
    return p >= image && p <= image + size && bytes <= static_cast<std::uint64_t>(image + size - p);
}

}  // namespace

// libFuzzer hands over a heap block of exactly the input's size, so a read
// past the image's end is caught.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    const auto length = static_cast<std::uint32_t>(size);

    sound::WavImage parts{};
    if (sound::ReadWavImage(data, length, &parts) == sound::WavProblem::None) {
        fuzz_support::Require(Inside(parts.format, parts.formatBytes, data, length), "format chunk outside the image");
        fuzz_support::Require(Inside(parts.samples, parts.sampleBytes, data, length), "data chunk outside the image");
        fuzz_support::Touch(parts.format, parts.formatBytes);
        fuzz_support::Touch(parts.samples, parts.sampleBytes);
    }

    platform::test::Reset();
    player::ResetAllModules();
    player::gPlayer.programHeap = runtime::CreateProgramHeap();
    runtime::CreateObjectHeap();
    sound::OpenSoundDevice();
    if (sound::LoadSoundData(3, data, length) != 0) {
        const platform::test::SoundBufferInfo* info = platform::test::DescribeSoundBuffer(sound::LookupSound(3));
        fuzz_support::Require(info != nullptr && !info->locked, "a loaded sound has no unlocked buffer");
        sound::StartSound(3);
    }
    sound::CloseSoundDevice();
    fuzz_support::Require(platform::test::StaleSoundHandleUses() == 0, "a released buffer or device was used");
    fuzz_support::Require(platform::test::LiveSoundBufferCount() == 0, "a sound buffer outlived the device");
    player::ResetAllModules();
    runtime::DestroyObjectHeap();
    runtime::DestroyProgramHeap();
    return 0;
}
