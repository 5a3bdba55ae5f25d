// Saving the frame the screen shows as a PNG file: the screen mode's own
// picture, pixel for pixel, whatever size the window around it has.

#include <png.h>

#include <cstdio>
#include <vector>

#include "screen/screen.h"

namespace screen {

namespace {

// The 8-bit value of the field a mask selects, its low bits filled from its
// high ones (a 5-bit 31 gives 255).
std::uint8_t Channel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1u) == 0) ++shift;
    int bits = 0;
    while (((mask >> (shift + bits)) & 1u) != 0 && shift + bits < 32) ++bits;
    std::uint32_t value = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<std::uint8_t>(value >> (bits - 8));
    std::uint32_t wide = 0;
    for (int filled = 0; filled < 8; filled += bits) wide = (wide << bits) | value;
    return static_cast<std::uint8_t>(wide >> ((8 + bits - 1) / bits * bits - 8));
}

// The presented frame as rows of R, G, B bytes; false when it cannot be read.
bool ReadPresentedRgb(std::vector<unsigned char>* rgb, int* width, int* height) {
    if (gScreen.primary == nullptr || gScreen.active == 0) return false;
    platform::LockedSurface locked{};
    if (platform::LockSurface(gScreen.primary, &locked, platform::kLockReadOnly) != platform::kOk) return false;
    const int bytes = static_cast<int>(locked.bitsPerPixel / 8);
    const bool readable = locked.pixels != nullptr && locked.width > 0 && locked.height > 0 && bytes >= 2 && bytes <= 4;
    if (readable) {
        rgb->assign(static_cast<std::size_t>(locked.width) * locked.height * 3, 0);
        for (int y = 0; y < locked.height; ++y) {
            const auto* row = static_cast<const unsigned char*>(locked.pixels) +
                              static_cast<std::ptrdiff_t>(y) * locked.pitch;
            for (int x = 0; x < locked.width; ++x) {
                std::uint32_t pixel = 0;
                for (int b = 0; b < bytes; ++b) pixel |= static_cast<std::uint32_t>(row[x * bytes + b]) << (8 * b);
                unsigned char* out = rgb->data() + (static_cast<std::size_t>(y) * locked.width + x) * 3;
                out[0] = Channel(pixel, locked.redMask);
                out[1] = Channel(pixel, locked.greenMask);
                out[2] = Channel(pixel, locked.blueMask);
            }
        }
        *width = locked.width;
        *height = locked.height;
    }
    platform::UnlockSurface(gScreen.primary);
    return readable;
}

// The file closes however the writing ends.
struct FileCloser {
    std::FILE* file;
    ~FileCloser() {
        if (file != nullptr) std::fclose(file);
    }
};

bool WritePng(const char* path, const std::vector<unsigned char>& rgb, int width, int height) {
    FileCloser out{std::fopen(path, "wb")};
    if (out.file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
    bool written = false;
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, out.file);
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y) {
            png_write_row(png, rgb.data() + static_cast<std::size_t>(y) * width * 3);
        }
        png_write_end(png, nullptr);
        written = true;
    }
    png_destroy_write_struct(&png, &info);
    const bool closed = std::fclose(out.file) == 0;
    out.file = nullptr;
    return written && closed;
}

}  // namespace

bool SavePresentedFrame(const char* path) {
    std::vector<unsigned char> rgb;
    int width = 0, height = 0;
    if (path == nullptr || !ReadPresentedRgb(&rgb, &width, &height)) return false;
    return WritePng(path, rgb, width, height);
}

}  // namespace screen
