// Image decoders: the built-in BMP reader and the list of registered
// decoders (PNG) tried in registration order for every other image.
#pragma once

#include <cstdint>

namespace screen {

// Pixels handed to the sprite loader.
struct SourceImage {
    const unsigned char* pixels;  // first stored row
    std::int32_t width;
    std::int32_t height;
    std::int32_t bitsPerPixel;  // 16 (x1r5g5b5), 24 (B G R), 32 (B G R X), or 8 and below unexpanded
    std::int32_t bottomUp;      // 1: the first stored row is the bottom row (BMP)
    std::int32_t rowLength;     // bytes per stored row, a multiple of 4
    void* ownBuffer;  // freed by the loader with platform::GlobalFreeFixed; null when the pixels lie in the file image
};

struct ImageDecoder {
    std::int32_t (*CheckImage)(const void* data, std::uint32_t size);
    std::int32_t (*DecodeImage)(void* destination, std::int32_t rowLength, std::int32_t flags);
    std::int32_t (*GetImageWidth)();
    std::int32_t (*GetImageHeight)();
};

constexpr std::int32_t kMaxImageDecoders = 100;
// Images larger than this on a side are refused.
constexpr std::int32_t kMaxImageSide = 16384;

void InitImageDecoders();
void AddImageDecoder(const ImageDecoder* decoder);
std::int32_t ImageDecoderCount();
bool IsImageDecoderRegistered(const ImageDecoder* decoder);
std::int32_t FindImageDecoder(const void* data, std::uint32_t size);
std::int32_t ImageWidth();
std::int32_t ImageHeight();
std::int32_t DecodeCurrentImage(void* destination, std::int32_t rowLength, std::int32_t flags);
// Reads an uncompressed BMP; false when the image cannot be read.
bool ReadBmp(const void* image, std::uint32_t size, bool keepIndexed, SourceImage* out);
// Decodes any non-BMP image through the decoder list into a new 24-bit buffer.
bool DecodeWithDecoders(const void* image, std::uint32_t size, SourceImage* out);
void RegisterPngDecoder();

}  // namespace screen
