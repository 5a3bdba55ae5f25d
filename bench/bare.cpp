#include "bench/bare.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "bench/media.h"
#include "tests/sound/vorbis_files.h"

namespace bench {

namespace {

std::uint32_t Little(const Bytes& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

}  // namespace

Pixels BareDecodePng(const std::string& path) {
    Pixels pixels;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return pixels;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return Pixels{};
    }
    png_init_io(png, file);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    pixels.width = static_cast<int>(png_get_image_width(png, info));
    pixels.height = static_cast<int>(png_get_image_height(png, info));
    const std::size_t stride = static_cast<std::size_t>(pixels.width) * 4;
    pixels.rgba.resize(stride * static_cast<std::size_t>(pixels.height));
    for (int pass = 0; pass < passes; ++pass) {
        for (int row = 0; row < pixels.height; ++row) {
            png_read_row(png, pixels.rgba.data() + stride * static_cast<std::size_t>(row), nullptr);
        }
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return pixels;
}

Pixels BareReadBmp(const std::string& path) {
    const Bytes file = ReadFile(path);
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M' || Little(file, 28, 2) != 24 || Little(file, 30, 4) != 0) {
        return {};
    }
    const std::size_t offset = Little(file, 10, 4);
    Pixels pixels;
    pixels.width = static_cast<int>(Little(file, 18, 4));
    pixels.height = static_cast<int>(Little(file, 22, 4));
    const std::size_t width = static_cast<std::size_t>(pixels.width);
    const std::size_t stride = (width * 3 + 3) / 4 * 4;
    if (offset + stride * static_cast<std::size_t>(pixels.height) > file.size()) return {};
    pixels.rgba.resize(width * 4 * static_cast<std::size_t>(pixels.height));
    // Bottom row first in the file.
    for (int row = 0; row < pixels.height; ++row) {
        const std::uint8_t* in = &file[offset + stride * static_cast<std::size_t>(pixels.height - 1 - row)];
        std::uint8_t* out = &pixels.rgba[width * 4 * static_cast<std::size_t>(row)];
        for (std::size_t x = 0; x < width; ++x, in += 3, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = 0xFF;
        }
    }
    return pixels;
}

std::vector<std::int16_t> BareDecodeOgg(const std::string& path) {
    const rodazaro_test::ReferenceDecode decoded = rodazaro_test::DecodeWithStdio(ReadFile(path));
    std::vector<std::int16_t> samples(decoded.pcm.size() / 2);
    std::memcpy(samples.data(), decoded.pcm.data(), samples.size() * 2);
    return samples;
}

std::vector<std::int16_t> BareReadWav(const std::string& path) {
    const Bytes file = ReadFile(path);
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 || std::memcmp(&file[8], "WAVE", 4) != 0) {
        return {};
    }
    for (std::size_t at = 12; at + 8 <= file.size();) {
        const std::size_t size = Little(file, at + 4, 4);
        if (std::memcmp(&file[at], "data", 4) == 0) {
            std::vector<std::int16_t> samples(std::min(size, file.size() - at - 8) / 2);
            std::memcpy(samples.data(), &file[at + 8], samples.size() * 2);
            return samples;
        }
        at += 8 + size + size % 2;
    }
    return {};
}

}  // namespace bench
