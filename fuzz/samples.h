// Small, valid media files built in memory: the assets the script target
// plays and the crafted part of every seed corpus.  Pixels and samples are
// fixed patterns, so the same call always gives the same bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace fuzz_samples {

using Bytes = std::vector<std::uint8_t>;

// An uncompressed bottom-up BMP of 1, 4, 8, 16, 24 or 32 bits; the indexed
// ones carry a colour table of tableEntries entries.
Bytes Bmp(int width, int height, int bits, int tableEntries = 16);

// A PNG written by libpng.  colourType and bitDepth as in the IHDR chunk;
// transparency adds a tRNS chunk where the colour type allows one.  Empty
// when libpng refuses the combination.
Bytes Png(int width, int height, int colourType, int bitDepth, bool interlaced, bool transparency = false);

// A PCM WAV: "fmt " first, then the optional chunk before "data".
Bytes Wav(int channels, std::uint32_t rate, int bits, int frames, bool listChunk = false);

// One Ogg Vorbis stream of a tone per channel, made with libvorbisenc.
// Empty when the encoder refuses the parameters.
Bytes Ogg(int channels, int rate, int frames, float quality = 0.0f);

}  // namespace fuzz_samples
