// The built-in reader of uncompressed Windows BMP images.
//
// A BMP is a 14-byte file header followed by a 40-byte information header,
// an optional colour table of 4-byte B, G, R, reserved entries and the pixel
// rows, bottom row first, each padded to a multiple of 4 bytes.  Images of
// 16, 24 and 32 bits (and indexed images the caller wants unexpanded) are
// handed over in place, inside the file image; 1-, 4- and 8-bit images are
// expanded into a new 24-bit B, G, R buffer.
//
// Nothing in the file is trusted: every field that leads to a read of the
// file image is checked against the file's size first.
#include <cstddef>
#include <cstdint>

#include "platform/heap.h"
#include "screen/image_decoders.h"

namespace screen {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
// File header plus the information header: the smallest image we read.
constexpr std::uint32_t kHeadersSize = 54;
constexpr std::uint32_t kPixelOffsetField = 10;
constexpr std::uint32_t kInfoSizeField = 14;
constexpr std::uint32_t kWidthField = 18;
constexpr std::uint32_t kHeightField = 22;
constexpr std::uint32_t kBitCountField = 28;
constexpr std::uint32_t kCompressionField = 30;

std::uint32_t ReadU16(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}

std::uint32_t ReadU32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::int32_t ReadS32(const unsigned char* p) { return static_cast<std::int32_t>(ReadU32(p)); }

bool IsSupportedBitCount(std::uint32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Bytes of one stored file row: its pixel bits rounded up to whole 4-byte words.
std::uint64_t FileRowLength(std::int32_t width, std::uint32_t bits) {
    return (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
}

// The colour table as the expansion sees it: entries are looked up at the
// position their index names, whatever the table's declared length.  An
// entry that does not lie wholly inside the file reads as black.
struct ColourTable {
    const unsigned char* image;
    std::uint64_t size;
    std::uint64_t offset;

    void Put(std::uint32_t index, unsigned char* destination) const {
        const std::uint64_t entry = offset + static_cast<std::uint64_t>(index) * 4;
        if (entry + 3 > size) {
            destination[0] = destination[1] = destination[2] = 0;
            return;
        }
        destination[0] = image[entry];      // blue
        destination[1] = image[entry + 1];  // green
        destination[2] = image[entry + 2];  // red
    }
};

// Expands the rows of a 1-, 4- or 8-bit image into 24-bit B, G, R rows.
// File row y (0 is the bottom row) becomes buffer row y.  The caller has
// checked that all rows lie inside the file and that the buffer holds
// height + 1 rows of rowLength bytes: a 4-bit row of odd width expands both
// nibbles of its last byte, and that one extra pixel lands in the start of
// the next row (rewritten when that row is expanded) or in the spare row.
void ExpandBmpPalette(const unsigned char* rows, std::uint64_t fileRowLength, std::int32_t width, std::int32_t height,
                      std::uint32_t bits, const ColourTable& table, unsigned char* buffer, std::size_t rowLength) {
    for (std::int32_t y = 0; y < height; ++y) {
        const unsigned char* source = rows + static_cast<std::size_t>(y) * fileRowLength;
        unsigned char* destination = buffer + static_cast<std::size_t>(y) * rowLength;
        switch (bits) {
            case 1:
                // Black and white, whatever the colour table says.
                for (std::int32_t x = 0; x < width; ++x) {
                    const unsigned char value = ((source[x / 8] >> (7 - x % 8)) & 1) != 0 ? 255 : 0;
                    destination[3 * x] = destination[3 * x + 1] = destination[3 * x + 2] = value;
                }
                break;
            case 4: {
                const std::int32_t bytes = (width + 1) / 2;
                for (std::int32_t i = 0; i < bytes; ++i) {
                    table.Put(source[i] >> 4, destination + 6 * i);
                    table.Put(source[i] & 15u, destination + 6 * i + 3);
                }
                break;
            }
            default:  // 8 bits
                for (std::int32_t x = 0; x < width; ++x) table.Put(source[x], destination + 3 * x);
                break;
        }
    }
}

}  // namespace

bool ReadBmp(const void* image, std::uint32_t size, bool keepIndexed, SourceImage* out) {
    if (image == nullptr || out == nullptr || size < kHeadersSize) return false;
    const auto* bytes = static_cast<const unsigned char*>(image);
    if (bytes[0] != 'B' || bytes[1] != 'M') return false;
    if (ReadU32(bytes + kCompressionField) != 0) return false;

    const std::int32_t width = ReadS32(bytes + kWidthField);
    const std::int32_t height = ReadS32(bytes + kHeightField);
    const std::uint32_t bits = ReadU16(bytes + kBitCountField);
    // Top-down images (negative height), empty images and sizes beyond what
    // a sprite can hold are refused here rather than trusted further on.
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) return false;
    if (!IsSupportedBitCount(bits)) return false;

    // All height rows, each with its padding, must lie inside the file.
    const std::uint64_t pixelOffset = ReadU32(bytes + kPixelOffsetField);
    const std::uint64_t fileRowLength = FileRowLength(width, bits);
    if (pixelOffset > size || fileRowLength * static_cast<std::uint64_t>(height) > size - pixelOffset) return false;
    const unsigned char* rows = bytes + pixelOffset;

    if (keepIndexed || bits > 8) {
        *out = SourceImage{
            rows, width, height, static_cast<std::int32_t>(bits), 1, static_cast<std::int32_t>(fileRowLength), nullptr};
        return true;
    }

    // 1-bit images do not use the colour table; the others need at least
    // its first entry inside the file.
    const ColourTable table{bytes, size, kFileHeaderSize + static_cast<std::uint64_t>(ReadU32(bytes + kInfoSizeField))};
    if (bits != 1 && table.offset + 4 > size) return false;

    const std::size_t rowLength = 3 * static_cast<std::size_t>(width) + static_cast<std::size_t>(width) % 4;
    auto* buffer = static_cast<unsigned char*>(
        platform::GlobalAllocFixed(rowLength * (static_cast<std::size_t>(height) + 1)));
    if (buffer == nullptr) return false;
    ExpandBmpPalette(rows, fileRowLength, width, height, bits, table, buffer, rowLength);
    *out = SourceImage{buffer, width, height, 24, 1, static_cast<std::int32_t>(rowLength), buffer};
    return true;
}

}  // namespace screen
