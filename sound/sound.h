// The sound system: numbered sounds decoded whole at load time into static
// buffers of the sound device, played once from their start.
#pragma once

#include <cstdint>

#include "platform/sound_device.h"
#include "runtime/object_table.h"

namespace sound {

struct SoundDecoder {
    std::int32_t (*OpenData)(const void* data, std::uint32_t size);
    void (*DecodeAll)(void* destination, std::uint32_t byteCount);
    std::int32_t (*GetChannels)();
    std::int32_t (*GetSampleCount)();
    std::int32_t (*GetFrequency)();
};

constexpr std::int32_t kMaxSoundDecoders = 100;

std::int32_t OpenSoundDevice();
std::intptr_t LoadSoundFile(std::int32_t number, const char* path);
std::intptr_t LoadSoundData(std::int32_t number, const void* data, std::uint32_t size);
void StartSound(std::int32_t number);
void FreeSound(std::int32_t number);
void CloseSoundDevice();
void AddSoundDecoder(const SoundDecoder* decoder);
std::int32_t FindSoundDecoder(const void* data, std::uint32_t size);
std::int32_t SoundDecoderCount();

const runtime::ObjectTable& SoundTable();
platform::SoundBuffer* LookupSound(std::int32_t number);
void ResetSoundModule();

}  // namespace sound
