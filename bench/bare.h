// The same work as the player's loaders, done with the libraries alone and
// nothing around them: the yardstick the benchmark holds the player to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// 32-bit pixels (R, G, B, A bytes), top row first.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

// libpng on the file, every PNG turned into 8-bit RGBA; empty on an error.
Pixels BareDecodePng(const std::string& path);
// An uncompressed 24-bit BMP read into 32-bit pixels; empty for any other.
Pixels BareReadBmp(const std::string& path);
// Signed 16-bit samples: vorbisfile on the whole file, or the data chunk of
// a PCM WAV; empty on an error.
std::vector<std::int16_t> BareDecodeOgg(const std::string& path);
std::vector<std::int16_t> BareReadWav(const std::string& path);

}  // namespace bench
