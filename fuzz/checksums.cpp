// Checksums set right after a mutation: see checksums.h.
#include "checksums.h"

#include <ogg/ogg.h>
#include <zlib.h>

#include <cstring>

namespace fuzz_support {

namespace {

std::uint32_t ReadBe32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

void WriteBe32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

constexpr std::size_t kOggHeaderBytes = 27;  // up to and with the segment count

}  // namespace

void SetPngChunkCrcs(std::uint8_t* data, std::size_t size) {
    // Length, type, data, CRC; the CRC covers the type and the data.
    std::size_t at = 8;
    while (at + 12 <= size) {
        const std::uint64_t length = ReadBe32(data + at);
        if (length > size - at - 12) return;
        const auto crc = static_cast<std::uint32_t>(
            crc32(crc32(0L, Z_NULL, 0), data + at + 4, static_cast<uInt>(length + 4)));
        WriteBe32(data + at + 8 + length, crc);
        at += 12 + length;
    }
}

void SetOggPageCrcs(std::uint8_t* data, std::size_t size) {
    std::size_t at = 0;
    while (at + kOggHeaderBytes <= size) {
        if (std::memcmp(data + at, "OggS", 4) != 0) {
            ++at;
            continue;
        }
        const std::size_t segments = data[at + 26];
        const std::size_t headerBytes = kOggHeaderBytes + segments;
        if (at + headerBytes > size) return;
        std::size_t bodyBytes = 0;
        for (std::size_t i = 0; i < segments; ++i) bodyBytes += data[at + kOggHeaderBytes + i];
        if (bodyBytes > size - at - headerBytes) return;
        ogg_page page{data + at, static_cast<long>(headerBytes), data + at + headerBytes, static_cast<long>(bodyBytes)};
        ogg_page_checksum_set(&page);
        at += headerBytes + bodyBytes;
    }
}

}  // namespace fuzz_support
