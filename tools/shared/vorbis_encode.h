// One Ogg Vorbis stream encoded in memory with libvorbisenc, for the demo
// generator's sounds and the tests' and fuzzers' Ogg files.
//
// The same settings and samples give the same bytes on every run: the
// serial number is the caller's, the samples go in 1024 frames at a time,
// the three headers stand on pages of their own, audio pages follow as the
// stream fills them and the rest is flushed at the end.
#pragma once

#include <vorbis/vorbisenc.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vorbis_encode {

struct StreamSettings {
    int channels = 2;
    int rate = 44100;
    float quality = 0.3f;  // variable bit rate, -0.1 .. 1
    int serial = 1;
    std::vector<std::pair<std::string, std::string>> tags;  // comment tags, in this order
};

// Encodes `frames` sample frames; fill(buffer, first, count) writes frames
// first .. first + count - 1 as buffer[channel][frame - first].  Empty when
// the encoder refuses the settings.
template <typename Fill>
std::vector<std::uint8_t> EncodeStream(const StreamSettings& settings, std::size_t frames, Fill&& fill) {
    std::vector<std::uint8_t> out;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, settings.channels, settings.rate, settings.quality) != 0) {
        vorbis_info_clear(&info);
        return out;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    for (const auto& [name, value] : settings.tags) vorbis_comment_add_tag(&comment, name.c_str(), value.c_str());
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, settings.serial);
    ogg_page page;
    auto writePage = [&out, &page]() {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    };

    ogg_packet header;
    ogg_packet headerComment;
    ogg_packet headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    while (ogg_stream_flush(&stream, &page) != 0) writePage();

    auto drain = [&]() {
        ogg_packet packet;
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) writePage();
            }
        }
    };

    constexpr std::size_t kChunk = 1024;
    for (std::size_t done = 0; done < frames; done += kChunk) {
        const int count = static_cast<int>(frames - done < kChunk ? frames - done : kChunk);
        fill(vorbis_analysis_buffer(&dsp, count), done, count);
        vorbis_analysis_wrote(&dsp, count);
        drain();
    }
    vorbis_analysis_wrote(&dsp, 0);  // end of stream
    drain();
    while (ogg_stream_flush(&stream, &page) != 0) writePage();

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

}  // namespace vorbis_encode
