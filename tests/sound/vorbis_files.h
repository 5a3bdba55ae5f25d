// Ogg Vorbis files made in memory with the reference encoder, and the
// reference decode of a file through vorbisfile's own stdio source.
#pragma once

#include <vorbis/vorbisenc.h>
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "tools/shared/vorbis_encode.h"

namespace rodazaro_test {

// A tone per channel (channel c at 220 * (c + 1) Hz, amplitude 0.5) of
// frames sample frames.
inline std::vector<float> Tones(int channels, int rate, int frames, double baseHz = 220.0) {
    std::vector<float> out(static_cast<std::size_t>(channels) * static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double phase = 2.0 * M_PI * baseHz * (c + 1) * i / rate;
            out[static_cast<std::size_t>(i) * channels + c] = static_cast<float>(0.5 * std::sin(phase));
        }
    }
    return out;
}

// Noise of amplitude 0.5: it needs many audio pages, so damage in the
// middle of the file hits audio rather than the headers.
inline std::vector<float> Noise(int channels, int frames, unsigned seed = 5) {
    std::vector<float> out(static_cast<std::size_t>(channels) * static_cast<std::size_t>(frames));
    std::mt19937 random(seed);
    for (float& v : out) v = static_cast<float>(random() % 1001) / 1000.0f - 0.5f;
    return out;
}

// One logical stream of the given interleaved samples.
inline std::vector<std::uint8_t> EncodeVorbis(int channels, int rate, const std::vector<float>& interleaved,
                                              int serial = 1, float quality = 0.3f) {
    vorbis_encode::StreamSettings settings;
    settings.channels = channels;
    settings.rate = rate;
    settings.quality = quality;
    settings.serial = serial;
    const std::size_t frames = interleaved.size() / static_cast<std::size_t>(channels);
    return vorbis_encode::EncodeStream(settings, frames, [&](float** buffer, std::size_t first, int count) {
        for (int i = 0; i < count; ++i) {
            for (int c = 0; c < channels; ++c) buffer[c][i] = interleaved[(first + i) * channels + c];
        }
    });
}

// Ogg page surgery for crafted files: the pages of a file, and the page
// checksum after a page's bytes changed.
struct PageSpan {
    std::size_t start;
    std::size_t headerLength;
    std::size_t bodyLength;
};

inline std::vector<PageSpan> PagesOf(const std::vector<std::uint8_t>& file) {
    std::vector<PageSpan> pages;
    std::size_t at = 0;
    while (at + 27 <= file.size() && std::memcmp(&file[at], "OggS", 4) == 0) {
        const std::size_t segments = file[at + 26];
        if (at + 27 + segments > file.size()) break;
        std::size_t body = 0;
        for (std::size_t i = 0; i < segments; ++i) body += file[at + 27 + i];
        if (at + 27 + segments + body > file.size()) break;
        pages.push_back({at, 27 + segments, body});
        at += 27 + segments + body;
    }
    return pages;
}

inline void RestampPage(std::vector<std::uint8_t>& file, const PageSpan& page) {
    for (int i = 22; i < 26; ++i) file[page.start + i] = 0;
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < page.headerLength + page.bodyLength; ++i) {
        crc ^= static_cast<std::uint32_t>(file[page.start + i]) << 24;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    for (int i = 0; i < 4; ++i) file[page.start + 22 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
}

// The file with its last page's granule position (the stream's claimed
// length in frames) replaced.
inline std::vector<std::uint8_t> WithLastGranule(std::vector<std::uint8_t> file, std::uint64_t granule) {
    const std::vector<PageSpan> pages = PagesOf(file);
    if (pages.empty()) return {};
    for (int i = 0; i < 8; ++i) file[pages.back().start + 6 + i] = static_cast<std::uint8_t>(granule >> (8 * i));
    RestampPage(file, pages.back());
    return file;
}

// The file with every code length of the setup header's first codebook set
// to 1: more than two codes of length 1 overfill the code tree, which
// libvorbis only finds when it sets up its decoder.  Empty when the first
// codebook is not where such a change can be made in place (an ordered
// book, or one beyond the page that starts the setup header).
inline std::vector<std::uint8_t> WithOverfullFirstCodebook(std::vector<std::uint8_t> file) {
    const std::vector<PageSpan> pages = PagesOf(file);
    // The identification header has a page of its own; the comment header
    // starts the second page and the setup header follows it.
    if (pages.size() < 3) return {};
    const PageSpan& page = pages[1];
    std::size_t comment = 0;
    for (std::size_t i = 27; i < page.headerLength; ++i) {
        comment += file[page.start + i];
        if (file[page.start + i] < 255) break;
    }
    const std::size_t setup = page.start + page.headerLength + comment;
    const std::size_t pageEnd = page.start + page.headerLength + page.bodyLength;
    std::size_t bit = 0;
    auto read = [&](int bits) -> std::int64_t {
        std::int64_t value = 0;
        for (int i = 0; i < bits; ++i, ++bit) {
            if (setup + bit / 8 >= pageEnd) return -1;
            value |= static_cast<std::int64_t>((file[setup + bit / 8] >> (bit % 8)) & 1) << i;
        }
        return value;
    };
    auto writeZeros = [&](int bits) -> bool {
        for (int i = 0; i < bits; ++i, ++bit) {
            if (setup + bit / 8 >= pageEnd) return false;
            file[setup + bit / 8] &= static_cast<std::uint8_t>(~(1u << (bit % 8)));
        }
        return true;
    };
    if (read(8) != 5) return {};
    bit = 7 * 8;  // past the packet type and "vorbis"
    if (read(8) < 0 || read(24) != 0x564342 || read(16) < 1) return {};
    const std::int64_t entries = read(24);
    if (entries < 3 || read(1) != 0) return {};
    const std::int64_t sparse = read(1);
    if (sparse < 0) return {};
    for (std::int64_t entry = 0; entry < entries; ++entry) {
        if (sparse == 1) {
            const std::int64_t used = read(1);
            if (used < 0) return {};
            if (used == 0) continue;
        }
        if (!writeZeros(5)) return {};  // length 1
    }
    RestampPage(file, page);
    return file;
}

struct ReferenceDecode {
    bool ok = false;
    int channels = 0;
    long rate = 0;
    std::int64_t frames = 0;
    std::vector<std::uint8_t> pcm;  // signed 16-bit little-endian, interleaved
};

// What vorbisfile makes of the file when it reads it through stdio.
inline ReferenceDecode DecodeWithStdio(const std::vector<std::uint8_t>& file) {
    ReferenceDecode result;
    FILE* in = fmemopen(const_cast<std::uint8_t*>(file.data()), file.size(), "rb");
    if (in == nullptr) return result;
    OggVorbis_File vf;
    if (ov_open(in, &vf, nullptr, 0) < 0) {
        std::fclose(in);
        return result;
    }
    const vorbis_info* info = ov_info(&vf, -1);
    result.channels = info->channels;
    result.rate = info->rate;
    result.frames = ov_pcm_total(&vf, -1);
    char chunk[4096];
    int section = 0;
    for (int guard = 0; guard < 1000000; ++guard) {
        const long n = ov_read(&vf, chunk, sizeof chunk, 0, 2, 1, &section);
        if (n == 0) break;
        if (n > 0) result.pcm.insert(result.pcm.end(), chunk, chunk + n);
    }
    ov_clear(&vf);  // closes the FILE too
    result.ok = true;
    return result;
}

}  // namespace rodazaro_test
