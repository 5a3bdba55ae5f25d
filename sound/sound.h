// The sound system: numbered sounds decoded whole at load time into static
// buffers of the sound device, played once from their start.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/sound_device.h"
#include "runtime/object_table.h"
#include "runtime/prepared_loads.h"

namespace sound {

// A decoder of sound files other than WAV.  OpenData is always called
// first; the other operations refer to the stream it opened.  DecodeAll
// writes at most byteCount bytes of interleaved signed 16-bit samples and
// closes the stream; given no room (byteCount 0) it only closes the stream.
struct SoundDecoder {
    std::int32_t (*OpenData)(const void* data, std::uint32_t size);
    void (*DecodeAll)(void* destination, std::uint32_t byteCount);
    std::int32_t (*GetChannels)();
    std::int32_t (*GetSampleCount)();
    std::int32_t (*GetFrequency)();
};

constexpr std::int32_t kMaxSoundDecoders = 100;
constexpr std::int32_t kSoundTableCapacity = 50;
constexpr std::int32_t kSoundTableGrowth = 10;
constexpr std::uint32_t kBufferDescSize = 36;
// A decoded sound larger than this is refused instead of allocated.
constexpr std::uint64_t kMaxDecodedBytes = 1ull << 30;
// Decoded streams with more channels than Vorbis can carry are refused.
constexpr std::int32_t kMaxDecodedChannels = 255;

// The one sound device of the program.
struct SoundDeviceState {
    std::int32_t libraryLoaded;
    platform::SoundDevice* device;
    platform::SoundBuffer* primary;
    // Reused for every buffer creation.
    platform::SoundBufferDesc description;
};

extern SoundDeviceState gSoundDevice;

std::int32_t OpenSoundDevice();
std::intptr_t LoadSoundFile(std::int32_t number, const char* path);
std::intptr_t LoadSoundData(std::int32_t number, const void* data, std::uint32_t size);
// Reads a sound (and decodes any but a WAV) for a later LoadSoundFile of the
// same path, which takes it from the active prepared-load store.  Safe on a
// thread of its own; null when the file does not read or decode, and the
// loader then fails as it would have.
std::unique_ptr<runtime::PreparedData> PrepareSound(const char* path);
void StartSound(std::int32_t number);
void FreeSound(std::int32_t number);
void CloseSoundDevice();
// The show's controls over everything the device plays: the master volume
// in percent (0 to 100, clamped) and the pause, which holds every sound
// where it stands.  Nothing happens without an open device.
void SetSoundVolume(std::int32_t percent);
void PauseSounds(bool paused);
// Appends a decoder; the list holds at most kMaxSoundDecoders, later ones
// are ignored.
void AddSoundDecoder(const SoundDecoder* decoder);
std::int32_t FindSoundDecoder(const void* data, std::uint32_t size);
std::int32_t SoundDecoderCount();
// The decoder at a position of the list, null outside it.
const SoundDecoder* SoundDecoderAt(std::int32_t index);
// The decoder chosen by the last successful FindSoundDecoder.
const SoundDecoder* CurrentSoundDecoder();

platform::SoundBuffer* LookupSound(std::int32_t number);
void ResetSoundModule();

}  // namespace sound
