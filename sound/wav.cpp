#include "sound/wav.h"

#include <cstring>

namespace sound {

namespace {

std::uint32_t ReadU32(const unsigned char* at) {
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

bool HasTag(const unsigned char* at, const char* tag) { return std::memcmp(at, tag, 4) == 0; }

}  // namespace

WavProblem ReadWavImage(const void* data, std::uint32_t size, WavImage* parts) {
    const auto* image = static_cast<const unsigned char*>(data);
    if (image == nullptr || size < 20 || !HasTag(image + 12, "fmt ")) return WavProblem::NoFormatFirst;
    const std::uint64_t formatBytes = ReadU32(image + 16);
    if (formatBytes > size - 20u) return WavProblem::FormatPastEnd;
    parts->format = image + 20;
    parts->formatBytes = static_cast<std::uint32_t>(formatBytes);
    std::uint64_t at = 20 + formatBytes + (formatBytes & 1);
    while (at + 8 <= size) {
        const std::uint64_t chunkBytes = ReadU32(image + at + 4);
        if (HasTag(image + at, "data")) {
            if (chunkBytes > size - (at + 8)) return WavProblem::DataPastEnd;
            parts->samples = image + at + 8;
            parts->sampleBytes = static_cast<std::uint32_t>(chunkBytes);
            return WavProblem::None;
        }
        at += 8 + chunkBytes + (chunkBytes & 1);
    }
    return WavProblem::NoData;
}

}  // namespace sound
