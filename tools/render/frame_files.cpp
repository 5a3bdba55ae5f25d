#include "tools/render/frame_files.h"

#include <png.h>

#include <cstdio>

namespace render {

namespace {

void Rgb(std::uint32_t value, int bits, unsigned char* out) {
    if (bits == 16) {
        const std::uint32_t r = (value >> 11) & 0x1F;
        const std::uint32_t g = (value >> 5) & 0x3F;
        const std::uint32_t b = value & 0x1F;
        out[0] = static_cast<unsigned char>((r << 3) | (r >> 2));
        out[1] = static_cast<unsigned char>((g << 2) | (g >> 4));
        out[2] = static_cast<unsigned char>((b << 3) | (b >> 2));
    } else {
        out[0] = static_cast<unsigned char>(value >> 16);
        out[1] = static_cast<unsigned char>(value >> 8);
        out[2] = static_cast<unsigned char>(value);
    }
}

void PutLe(std::FILE* file, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), file);
}

}  // namespace

void FrameRowToRgb(const platform::sdl::Frame& frame, int y, unsigned char* out) {
    for (int x = 0; x < frame.width; ++x)
        Rgb(frame.At(x, y), frame.bitsPerPixel, &out[static_cast<std::size_t>(x) * 3]);
}

bool WriteFramePng(const std::string& path, const platform::sdl::Frame& frame) {
    if (frame.Empty()) return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
    std::vector<unsigned char> row(static_cast<std::size_t>(frame.width) * 3);
    bool ok = false;
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, static_cast<png_uint_32>(frame.width), static_cast<png_uint_32>(frame.height), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < frame.height; ++y) {
            FrameRowToRgb(frame, y, row.data());
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0) ok = false;
    return ok;
}

bool WavWriter::Open(const std::string& path, int rate) {
    file_ = std::fopen(path.c_str(), "wb");
    rate_ = rate;
    frames_ = 0;
    if (file_ == nullptr) return false;
    // The header is written again with its sizes by Finish.
    for (int i = 0; i < 44; ++i) std::fputc(0, file_);
    return true;
}

void WavWriter::Append(const std::int16_t* samples, std::size_t frames) {
    if (file_ == nullptr) return;
    for (std::size_t i = 0; i < frames * 2; ++i) PutLe(file_, static_cast<std::uint16_t>(samples[i]), 2);
    frames_ += frames;
}

bool WavWriter::Finish() {
    if (file_ == nullptr) return false;
    const std::uint64_t dataBytes = frames_ * 4;
    std::fseek(file_, 0, SEEK_SET);
    std::fwrite("RIFF", 1, 4, file_);
    PutLe(file_, static_cast<std::uint32_t>(36 + dataBytes), 4);
    std::fwrite("WAVEfmt ", 1, 8, file_);
    PutLe(file_, 16, 4);
    PutLe(file_, 1, 2);  // PCM
    PutLe(file_, 2, 2);  // stereo
    PutLe(file_, static_cast<std::uint32_t>(rate_), 4);
    PutLe(file_, static_cast<std::uint32_t>(rate_) * 4, 4);
    PutLe(file_, 4, 2);
    PutLe(file_, 16, 2);
    std::fwrite("data", 1, 4, file_);
    PutLe(file_, static_cast<std::uint32_t>(dataBytes), 4);
    const bool ok = std::ferror(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok && closed;
}

std::size_t CountScriptLines(const std::vector<unsigned char>& bytes) {
    std::size_t lines = 0;
    std::size_t i = 0;
    bool pending = false;
    while (i < bytes.size()) {
        const unsigned char b = bytes[i++];
        if (b == 0 || b == '\n') {
            ++lines;
            pending = false;
        } else if (b == '\r') {
            ++lines;
            pending = false;
            if (i < bytes.size() && bytes[i] == '\n') ++i;
        } else {
            pending = true;
        }
    }
    if (pending) ++lines;
    return lines;
}

}  // namespace render
