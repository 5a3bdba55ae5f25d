// What a sound device takes for a static buffer from a WAV format chunk:
// PCM, unsigned 8 or signed 16 bits, one or two channels, a block of one
// sample per channel, a rate it can play, and some bytes.  The same rules
// serve every sound driver and the tools that check a presentation.
#pragma once

#include <cstring>

#include "platform/sound_device.h"

namespace platform {

constexpr std::uint32_t kMinSoundBufferBytes = 4;           // DSBSIZE_MIN
constexpr std::uint32_t kMaxSoundBufferBytes = 0x0FFFFFFF;  // DSBSIZE_MAX
constexpr std::uint32_t kMinSoundFrequency = 100;           // DSBFREQUENCY_MIN
constexpr std::uint32_t kMaxSoundFrequency = 200000;        // DSBFREQUENCY_MAX

enum class WaveFormatProblem {
    None,
    TooShort,  // fewer than the 16 bytes of a PCM format
    NotPcm,
    Channels,
    Bits,
    BlockAlign,
    Rate,
    Size,  // the sample bytes are too few or too many
};

// Checks a format chunk body of formatBytes bytes for a buffer of
// bufferBytes bytes; on success copies the format into *format.
inline WaveFormatProblem CheckWaveFormat(const void* formatChunk, std::uint32_t formatBytes, std::uint32_t bufferBytes,
                                         WaveFormat* format) {
    if (formatChunk == nullptr || formatBytes < 16) return WaveFormatProblem::TooShort;
    WaveFormat wave{};
    std::memcpy(&wave, formatChunk, formatBytes < sizeof wave ? formatBytes : sizeof wave);
    if (wave.formatTag != 1) return WaveFormatProblem::NotPcm;
    if (wave.channels != 1 && wave.channels != 2) return WaveFormatProblem::Channels;
    if (wave.bitsPerSample != 8 && wave.bitsPerSample != 16) return WaveFormatProblem::Bits;
    if (wave.blockAlign != wave.channels * wave.bitsPerSample / 8) return WaveFormatProblem::BlockAlign;
    if (wave.samplesPerSecond < kMinSoundFrequency || wave.samplesPerSecond > kMaxSoundFrequency) {
        return WaveFormatProblem::Rate;
    }
    if (bufferBytes < kMinSoundBufferBytes || bufferBytes > kMaxSoundBufferBytes) return WaveFormatProblem::Size;
    if (format != nullptr) *format = wave;
    return WaveFormatProblem::None;
}

}  // namespace platform
