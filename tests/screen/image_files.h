// Image files built in memory for the decoder tests: BMPs byte by byte,
// PNGs through libpng's write API or chunk by chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace image_test {

using Bytes = std::vector<std::uint8_t>;

// A BMP as the file stores it.  Rows are given bottom row first, unpadded;
// each is padded to 4 bytes with padByte.
struct BmpFile {
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t infoSize = 40;
    Bytes table;              // colour table bytes (B, G, R, 0 per entry)
    std::vector<Bytes> rows;  // bottom row first
    std::uint8_t padByte = 0xEE;
    std::int64_t pixelOffset = -1;  // -1: right after the colour table
};
Bytes BuildBmp(const BmpFile& bmp);

// Packs samples of bitDepth bits each, most significant bits first (1, 2,
// 4, 8) or as big-endian 16-bit values.
Bytes PackSamples(const std::vector<unsigned>& samples, int bitDepth);

struct PngColour {
    std::uint8_t r, g, b;
};

// A PNG written by libpng from rows packed as the PNG stores them.
struct PngFile {
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    int bitDepth = 8;
    int colourType = 2;
    bool interlaced = false;
    std::vector<Bytes> rows;  // top row first, packed
    std::vector<PngColour> palette;
    Bytes paletteAlpha;  // tRNS of a palette image
    bool hasTransparentColour = false;
    std::uint16_t transparentGray = 0;
    std::uint16_t transparentRed = 0, transparentGreen = 0, transparentBlue = 0;
};
// Empty on a libpng write error.
Bytes WritePng(const PngFile& png);

// Chunk by chunk, for headers libpng's writer would refuse.
Bytes PngSignature();
void AppendChunk(Bytes& file, const char type[4], const Bytes& data);
Bytes IhdrData(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType, int interlace);
// The same file with its image data re-cut into IDAT chunks of at most
// chunkSize bytes, so that a reader takes it in small steps.
Bytes SplitImageData(const Bytes& file, std::size_t chunkSize);
// Offset just past the data of the last IDAT chunk (before its CRC); 0 if none.
std::size_t EndOfImageData(const Bytes& file);

// A heap block of exactly the file's first size bytes, so that a read past
// the end is caught by the address sanitizer.
struct ExactImage {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::uint32_t size;
    const std::uint8_t* data() const { return bytes.get(); }
};
ExactImage Exact(const Bytes& file, std::size_t size);
inline ExactImage Exact(const Bytes& file) { return Exact(file, file.size()); }

}  // namespace image_test
