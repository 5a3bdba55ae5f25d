// The Ogg Vorbis sound decoder over an image in memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sound {

void RegisterOggDecoder();

std::int32_t OggOpenData(const void* data, std::uint32_t size);
void OggDecodeAll(void* destination, std::uint32_t byteCount);
std::int32_t OggGetChannels();
std::int32_t OggGetSampleCount();
std::int32_t OggGetFrequency();

// The memory data source, with vorbisfile's callback shapes.
std::size_t MemoryRead(void* destination, std::size_t elementSize, std::size_t elementCount, void* source);
int MemorySeek(void* source, std::int64_t offset, int origin);
int MemoryClose(void* source);
long MemoryTell(void* source);

void ResetOggModule();

}  // namespace sound
