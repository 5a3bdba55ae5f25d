#include "image_files.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

namespace image_test {

namespace {

void Put16(Bytes& file, std::size_t at, std::uint32_t value) {
    file[at] = static_cast<std::uint8_t>(value);
    file[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(Bytes& file, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void AppendBigEndian32(Bytes& file, std::uint32_t value) {
    for (int i = 3; i >= 0; --i) file.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void WriteToVector(png_structp png, png_bytep data, std::size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void FlushNothing(png_structp) {}

void SilentWarning(png_structp, png_const_charp) {}

// Runs libpng's writer; no object with a destructor lives in this frame, so
// a longjmp out of libpng skips nothing.
bool RunPngWriter(const PngFile* layout, png_bytepp rows, png_colorp palette, png_color_16* transparent, Bytes* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, SilentWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, WriteToVector, FlushNothing);
    png_set_IHDR(png, info, layout->width, layout->height, layout->bitDepth, layout->colourType,
                 layout->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!layout->palette.empty()) png_set_PLTE(png, info, palette, static_cast<int>(layout->palette.size()));
    if (!layout->paletteAlpha.empty()) {
        png_set_tRNS(png, info, const_cast<png_bytep>(layout->paletteAlpha.data()),
                     static_cast<int>(layout->paletteAlpha.size()), nullptr);
    } else if (layout->hasTransparentColour) {
        png_set_tRNS(png, info, nullptr, 0, transparent);
    }
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

Bytes BuildBmp(const BmpFile& bmp) {
    const std::size_t rowBytes = bmp.rows.empty() ? 0 : bmp.rows[0].size();
    const std::size_t padded = (rowBytes + 3) & ~static_cast<std::size_t>(3);
    const std::size_t tableOffset = 14 + static_cast<std::size_t>(bmp.infoSize);
    const std::size_t pixelOffset = bmp.pixelOffset >= 0 ? static_cast<std::size_t>(bmp.pixelOffset)
                                                         : tableOffset + bmp.table.size();
    const std::size_t headerEnd = std::max<std::size_t>(54, tableOffset + bmp.table.size());
    Bytes file(std::max(headerEnd, pixelOffset) + padded * bmp.rows.size(), 0);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 2, static_cast<std::uint32_t>(file.size()));
    Put32(file, 10, static_cast<std::uint32_t>(pixelOffset));
    Put32(file, 14, bmp.infoSize);
    Put32(file, 18, static_cast<std::uint32_t>(bmp.width));
    Put32(file, 22, static_cast<std::uint32_t>(bmp.height));
    Put16(file, 26, 1);
    Put16(file, 28, bmp.bits);
    Put32(file, 30, bmp.compression);
    Put32(file, 46, static_cast<std::uint32_t>(bmp.table.size() / 4));
    if (!bmp.table.empty()) {
        std::copy(bmp.table.begin(), bmp.table.end(), file.begin() + static_cast<std::ptrdiff_t>(tableOffset));
    }
    for (std::size_t y = 0; y < bmp.rows.size(); ++y) {
        std::uint8_t* row = file.data() + pixelOffset + y * padded;
        std::memset(row, bmp.padByte, padded);
        std::copy(bmp.rows[y].begin(), bmp.rows[y].end(), row);
    }
    return file;
}

Bytes PackSamples(const std::vector<unsigned>& samples, int bitDepth) {
    Bytes out;
    if (bitDepth == 16) {
        for (unsigned s : samples) {
            out.push_back(static_cast<std::uint8_t>(s >> 8));
            out.push_back(static_cast<std::uint8_t>(s));
        }
        return out;
    }
    const int perByte = 8 / bitDepth;
    out.assign((samples.size() + perByte - 1) / perByte, 0);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const int shift = 8 - bitDepth * (static_cast<int>(i % perByte) + 1);
        out[i / perByte] |= static_cast<std::uint8_t>((samples[i] & ((1u << bitDepth) - 1)) << shift);
    }
    return out;
}

Bytes WritePng(const PngFile& layout) {
    std::vector<Bytes> rows = layout.rows;
    std::vector<png_bytep> rowPointers;
    for (Bytes& row : rows) rowPointers.push_back(row.data());
    std::vector<png_color> palette;
    for (const PngColour& c : layout.palette) palette.push_back(png_color{c.r, c.g, c.b});
    png_color_16 transparent{};
    transparent.gray = layout.transparentGray;
    transparent.red = layout.transparentRed;
    transparent.green = layout.transparentGreen;
    transparent.blue = layout.transparentBlue;
    Bytes out;
    if (!RunPngWriter(&layout, rowPointers.data(), palette.data(), &transparent, &out)) out.clear();
    return out;
}

Bytes PngSignature() { return Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}; }

void AppendChunk(Bytes& file, const char type[4], const Bytes& data) {
    AppendBigEndian32(file, static_cast<std::uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    file.insert(file.end(), typed.begin(), typed.end());
    AppendBigEndian32(file, static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

Bytes IhdrData(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType, int interlace) {
    Bytes data;
    AppendBigEndian32(data, width);
    AppendBigEndian32(data, height);
    data.push_back(static_cast<std::uint8_t>(bitDepth));
    data.push_back(static_cast<std::uint8_t>(colourType));
    data.push_back(0);
    data.push_back(0);
    data.push_back(static_cast<std::uint8_t>(interlace));
    return data;
}

std::size_t EndOfImageData(const Bytes& file) {
    std::size_t end = 0;
    std::size_t at = 8;
    while (at + 8 <= file.size()) {
        const std::uint32_t length = (std::uint32_t{file[at]} << 24) | (std::uint32_t{file[at + 1]} << 16) |
                                     (std::uint32_t{file[at + 2]} << 8) | file[at + 3];
        if (std::memcmp(file.data() + at + 4, "IDAT", 4) == 0) end = at + 8 + length;
        at += 12 + static_cast<std::size_t>(length);
    }
    return end;
}

Bytes SplitImageData(const Bytes& file, std::size_t chunkSize) {
    Bytes out(file.begin(), file.begin() + 8);
    Bytes imageData;
    bool written = false;
    std::size_t at = 8;
    while (at + 12 <= file.size()) {
        const std::uint32_t length = (std::uint32_t{file[at]} << 24) | (std::uint32_t{file[at + 1]} << 16) |
                                     (std::uint32_t{file[at + 2]} << 8) | file[at + 3];
        char type[4];
        std::memcpy(type, file.data() + at + 4, 4);
        const Bytes data(file.begin() + static_cast<std::ptrdiff_t>(at + 8),
                         file.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
        if (std::memcmp(type, "IDAT", 4) == 0) {
            imageData.insert(imageData.end(), data.begin(), data.end());
        } else {
            if (!imageData.empty() && !written) {
                for (std::size_t i = 0; i < imageData.size(); i += chunkSize) {
                    const std::size_t n = std::min(chunkSize, imageData.size() - i);
                    AppendChunk(out, "IDAT",
                                Bytes(imageData.begin() + static_cast<std::ptrdiff_t>(i),
                                      imageData.begin() + static_cast<std::ptrdiff_t>(i + n)));
                }
                written = true;
            }
            AppendChunk(out, type, data);
        }
        at += 12 + static_cast<std::size_t>(length);
    }
    return out;
}

ExactImage Exact(const Bytes& file, std::size_t size) {
    ExactImage image{std::make_unique<std::uint8_t[]>(size == 0 ? 1 : size), static_cast<std::uint32_t>(size)};
    if (size != 0) std::memcpy(image.bytes.get(), file.data(), size);
    return image;
}

}  // namespace image_test
