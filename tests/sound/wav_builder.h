// WAV file images built chunk by chunk, for the loader tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rodazaro_test {

using Bytes = std::vector<std::uint8_t>;

inline void PutU16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void PutU32(Bytes& out, std::uint32_t value) {
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

inline void PutTag(Bytes& out, const std::string& tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[static_cast<std::size_t>(i)]));
}

// A format chunk body: PCM with the block align and byte rate that follow
// from channels, rate and bits; extra bytes are appended after the
// extra-size field when given (18 + extra bytes then).
inline Bytes FormatBody(int channels, std::uint32_t rate, int bits, const Bytes* extra = nullptr) {
    Bytes body;
    const std::uint32_t align = static_cast<std::uint32_t>(channels * bits / 8);
    PutU16(body, 1);
    PutU16(body, static_cast<std::uint32_t>(channels));
    PutU32(body, rate);
    PutU32(body, rate * align);
    PutU16(body, align);
    PutU16(body, static_cast<std::uint32_t>(bits));
    if (extra != nullptr) {
        PutU16(body, static_cast<std::uint32_t>(extra->size()));
        body.insert(body.end(), extra->begin(), extra->end());
    }
    return body;
}

struct Chunk {
    std::string tag;
    Bytes body;
    // The size the chunk header announces; the body's own size when negative.
    std::int64_t announced = -1;
};

// "RIFF", size, "WAVE", then the chunks, each padded to an even size.
inline Bytes Riff(const std::vector<Chunk>& chunks) {
    Bytes out;
    PutTag(out, "RIFF");
    PutU32(out, 0);
    PutTag(out, "WAVE");
    for (const Chunk& chunk : chunks) {
        PutTag(out, chunk.tag);
        PutU32(out, chunk.announced < 0 ? static_cast<std::uint32_t>(chunk.body.size())
                                        : static_cast<std::uint32_t>(chunk.announced));
        out.insert(out.end(), chunk.body.begin(), chunk.body.end());
        if (chunk.body.size() % 2 != 0) out.push_back(0);
    }
    const auto riffSize = static_cast<std::uint32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i) out[4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(riffSize >> (8 * i));
    return out;
}

inline Bytes Wav(int channels, std::uint32_t rate, int bits, const Bytes& samples) {
    return Riff({{"fmt ", FormatBody(channels, rate, bits)}, {"data", samples}});
}

// n bytes counting up from start.
inline Bytes Ramp(std::size_t n, std::uint8_t start = 1) {
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(start + i);
    return out;
}

}  // namespace rodazaro_test
