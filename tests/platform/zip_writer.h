// Zip files written byte by byte for the archive tests, so that a test can
// state sizes and checksums the data does not bear out.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace rodazaro_test {

struct ZipEntry {
    // raw: the data is written unchanged under the deflate method, for
    // entries that are only ever checked, never unpacked.  statedSize stands
    // in place of the data's size.
    ZipEntry(std::string entryName, std::string entryData, bool deflated = true, bool rawData = false,
             std::optional<std::uint32_t> stated = std::nullopt, bool badChecksum = false)
        : name(std::move(entryName)),
          data(std::move(entryData)),
          deflate(deflated),
          raw(rawData),
          statedSize(stated),
          wrongChecksum(badChecksum) {}
    std::string name;
    std::string data;
    bool deflate;
    bool raw;
    std::optional<std::uint32_t> statedSize;
    bool wrongChecksum;
};

inline std::string Deflate(const std::string& data) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, data.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

inline std::string BuildZip(const std::vector<ZipEntry>& entries) {
    auto put16 = [](std::string& s, std::uint32_t v) {
        s += static_cast<char>(v & 0xFF);
        s += static_cast<char>((v >> 8) & 0xFF);
    };
    auto put32 = [&](std::string& s, std::uint32_t v) {
        put16(s, v & 0xFFFF);
        put16(s, v >> 16);
    };
    std::string file;
    std::string directory;
    for (const ZipEntry& entry : entries) {
        const bool packed = entry.deflate || entry.raw;
        const std::string stored = entry.raw ? entry.data : entry.deflate ? Deflate(entry.data) : entry.data;
        std::uint32_t crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(entry.data.data()), static_cast<uInt>(entry.data.size())));
        if (entry.wrongChecksum) crc ^= 0x5A5A5A5Au;
        const std::uint32_t size = entry.statedSize.value_or(static_cast<std::uint32_t>(entry.data.size()));
        const auto offset = static_cast<std::uint32_t>(file.size());
        // The fields that the local and the central header share.
        std::string common;
        put16(common, 20);  // version needed
        put16(common, 0);   // flags
        put16(common, packed ? 8 : 0);
        put16(common, 0);     // time
        put16(common, 0x21);  // date: 1980-01-01
        put32(common, crc);
        put32(common, static_cast<std::uint32_t>(stored.size()));
        put32(common, size);
        put16(common, static_cast<std::uint32_t>(entry.name.size()));
        put16(common, 0);  // extra field
        put32(file, 0x04034b50);
        file += common + entry.name + stored;
        put32(directory, 0x02014b50);
        put16(directory, 20);  // made by
        directory += common;
        put16(directory, 0);  // comment
        put16(directory, 0);  // disk
        put16(directory, 0);  // internal attributes
        put32(directory, 0);  // external attributes
        put32(directory, offset);
        directory += entry.name;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(file.size());
    file += directory;
    put32(file, 0x06054b50);
    put16(file, 0);
    put16(file, 0);
    put16(file, static_cast<std::uint32_t>(entries.size()));
    put16(file, static_cast<std::uint32_t>(entries.size()));
    put32(file, static_cast<std::uint32_t>(directory.size()));
    put32(file, directoryOffset);
    put16(file, 0);  // comment
    return file;
}

}  // namespace rodazaro_test
