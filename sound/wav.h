// The parts of a WAV image the sound loader plays.
#pragma once

#include <cstdint>

namespace sound {

struct WavImage {
    const void* format;  // the format chunk's body
    std::uint32_t formatBytes;
    const unsigned char* samples;  // the "data" chunk's body
    std::uint32_t sampleBytes;
};

enum class WavProblem {
    None,
    NoFormatFirst,  // "fmt " is not the chunk at offset 12
    FormatPastEnd,  // the format chunk runs past the end of the image
    DataPastEnd,    // the data chunk runs past the end (a cut file)
    NoData,         // no chunk named "data"
};

// The format chunk must come first, at offset 12; the samples are the body
// of the chunk named "data" among the chunks after it, each chunk padded to
// an even size.  A chunk that runs past the end of the image rejects it.
WavProblem ReadWavImage(const void* image, std::uint32_t size, WavImage* parts);

}  // namespace sound
