// The Ogg Vorbis sound decoder over an image in memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sound/sound.h"

namespace sound {

// The decoder's record: OggOpenData, OggDecodeAll, OggGetChannels,
// OggGetSampleCount, OggGetFrequency.
extern SoundDecoder OggSoundDecoder;

// Adds OggSoundDecoder to the decoder list on the first call only.
void RegisterOggDecoder();

// 1 when the image is an Ogg Vorbis stream and is now open for decoding.
// The stream is decoded here already, as far as it really decodes (and no
// further than it claims), so that its size is known for what it is.
std::int32_t OggOpenData(const void* data, std::uint32_t size);
// Writes the open stream's samples, interleaved signed 16-bit little-endian,
// never more than byteCount bytes; the part of the destination no sample
// reached is cleared to silence.  Then closes the stream.
void OggDecodeAll(void* destination, std::uint32_t byteCount);
// What the last successful OggOpenData found: the sample count is the
// number of frames that really decoded, negative when the stream's length
// could not be told.
std::int32_t OggGetChannels();
std::int32_t OggGetSampleCount();
std::int32_t OggGetFrequency();

// The memory data source, with vorbisfile's callback shapes.  The source
// pointer is the image's first byte; the read position and the image size
// are the decoder's own.
void OpenMemoryStream(std::uint32_t size);
std::size_t MemoryRead(void* destination, std::size_t elementSize, std::size_t elementCount, void* source);
// Always 0: the position becomes the low 32 bits of origin + offset (an
// unknown origin leaves it); reads past the image's end give nothing.
int MemorySeek(void* source, std::int64_t offset, int origin);
int MemoryClose(void* source);
long MemoryTell(void* source);

// Consecutive holes after which a damaged stream is given up.
constexpr int kMaxDecodeErrors = 64;
// The most one ov_read call is asked for: a whole block's room, so that a
// call is never cut short of what the decoded packet holds.
constexpr int kDecodeChunkBytes = 256 * 1024;

void ResetOggModule();

}  // namespace sound
