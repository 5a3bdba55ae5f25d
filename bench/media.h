// The files the benchmark measures with, made the same on every run:
// pictures that compress like photographs (soft light, edges and grain, not
// flat colour) and sounds that encode like music (chords and a little noise).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

using Bytes = std::vector<std::uint8_t>;

// An RGB picture, 3 bytes a pixel, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    Bytes rgb;
};

Picture MakePhoto(int width, int height, unsigned seed);
Bytes EncodePng(const Picture& picture);
// An uncompressed 24-bit BMP.
Bytes EncodeBmp(const Picture& picture);

// Interleaved stereo samples from -1 to 1 at rate, seconds long.
std::vector<float> MakeMusic(int rate, double seconds, unsigned seed);
Bytes EncodeOgg(const std::vector<float>& stereo, int rate);
// A 16-bit stereo PCM WAV.
Bytes EncodeWav(const std::vector<float>& stereo, int rate);

// Whole files; both throw std::runtime_error when the file cannot be used.
void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);

}  // namespace bench
