// Small, valid media files built in memory: see samples.h.
#include "samples.h"

#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstring>

#include "sound/vorbis_files.h"

namespace fuzz_samples {

namespace {

void Put16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(Bytes& out, std::uint32_t value) {
    Put16(out, value & 0xFFFFu);
    Put16(out, value >> 16);
}

void PutTag(Bytes& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

void Set32(Bytes& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The pattern byte of channel c of the pixel at x, y.
std::uint8_t Pattern(int x, int y, int c) { return static_cast<std::uint8_t>(x * 37 + y * 91 + c * 53); }

void WriteToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

int PngChannels(int colourType) {
    switch (colourType) {
        case PNG_COLOR_TYPE_RGB: return 3;
        case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
        case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
        default: return 1;  // gray, palette
    }
}

}  // namespace

Bytes Bmp(int width, int height, int bits, int tableEntries) {
    const bool indexed = bits <= 8;
    const std::size_t tableBytes = indexed ? static_cast<std::size_t>(tableEntries) * 4 : 0;
    const std::size_t rowLength = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    const std::uint32_t offset = 54 + static_cast<std::uint32_t>(tableBytes);
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, 0);  // file size, set below
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, 1);
    Put16(out, static_cast<std::uint32_t>(bits));
    Put32(out, 0);  // BI_RGB
    Put32(out, static_cast<std::uint32_t>(rowLength * static_cast<std::size_t>(height)));
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, indexed ? static_cast<std::uint32_t>(tableEntries) : 0);
    Put32(out, 0);
    for (int i = 0; i < (indexed ? tableEntries : 0); ++i) {
        out.push_back(Pattern(i, 0, 0));
        out.push_back(Pattern(i, 0, 1));
        out.push_back(Pattern(i, 0, 2));
        out.push_back(0);
    }
    for (int y = 0; y < height; ++y) {
        Bytes row(rowLength, 0);
        for (int x = 0; x < width; ++x) {
            const std::size_t bit = static_cast<std::size_t>(x) * bits;
            if (indexed) {
                const int index = (x + y) % (tableEntries > 0 ? tableEntries : 1) & ((1 << bits) - 1);
                row[bit / 8] |= static_cast<std::uint8_t>(index << (8 - bits - bit % 8));
            } else {
                for (int c = 0; c < bits / 8; ++c) row[bit / 8 + static_cast<std::size_t>(c)] = Pattern(x, y, c);
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    Set32(out, 2, static_cast<std::uint32_t>(out.size()));
    return out;
}

Bytes Png(int width, int height, int colourType, int bitDepth, bool interlaced, bool transparency) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return out;
    png_infop info = png_create_info_struct(png);
    const int channels = PngChannels(colourType);
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * channels * bitDepth + 7) / 8;
    std::vector<Bytes> rows(static_cast<std::size_t>(height), Bytes(rowBytes));
    std::vector<png_bytep> rowPointers;
    for (int y = 0; y < height; ++y) {
        for (std::size_t i = 0; i < rowBytes; ++i)
            rows[static_cast<std::size_t>(y)][i] = Pattern(static_cast<int>(i), y, 0);
        rowPointers.push_back(rows[static_cast<std::size_t>(y)].data());
    }
    if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return Bytes{};
    }
    png_set_write_fn(png, &out, WriteToVector, NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), bitDepth, colourType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    png_byte alpha[256];
    for (int i = 0; i < 256; ++i) {
        palette[i] = png_color{Pattern(i, 1, 0), Pattern(i, 1, 1), Pattern(i, 1, 2)};
        alpha[i] = static_cast<png_byte>(255 - i);
    }
    const int entries = 1 << (bitDepth < 8 ? bitDepth : 8);
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette, entries);
    if (transparency) {
        png_color_16 colour{};
        colour.gray = 1;
        colour.red = 2;
        colour.green = 3;
        colour.blue = 4;
        if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_tRNS(png, info, alpha, entries, nullptr);
        if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_RGB) {
            png_set_tRNS(png, info, nullptr, 0, &colour);
        }
    }
    png_write_info(png, info);
    png_write_image(png, rowPointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes Wav(int channels, std::uint32_t rate, int bits, int frames, bool listChunk) {
    Bytes out;
    PutTag(out, "RIFF");
    Put32(out, 0);  // set below
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    Put32(out, 16);
    const auto align = static_cast<std::uint32_t>(channels * bits / 8);
    Put16(out, 1);
    Put16(out, static_cast<std::uint32_t>(channels));
    Put32(out, rate);
    Put32(out, rate * align);
    Put16(out, align);
    Put16(out, static_cast<std::uint32_t>(bits));
    if (listChunk) {
        // An odd-sized chunk, padded to an even size.
        PutTag(out, "LIST");
        Put32(out, 5);
        out.insert(out.end(), {'I', 'N', 'F', 'O', 'x', 0});
    }
    PutTag(out, "data");
    Put32(out, static_cast<std::uint32_t>(frames) * align);
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double v = std::sin(0.05 * i * (c + 1));
            if (bits == 8) out.push_back(static_cast<std::uint8_t>(128 + 100 * v));
            else Put16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(20000 * v)));
        }
    }
    Set32(out, 4, static_cast<std::uint32_t>(out.size() - 8));
    return out;
}

Bytes Ogg(int channels, int rate, int frames, float quality) {
    return rodazaro_test::EncodeVorbis(channels, rate, rodazaro_test::Tones(channels, rate, frames), 0x5EED, quality);
}

}  // namespace fuzz_samples
