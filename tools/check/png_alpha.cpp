// Counts a PNG's transparent pixels with libpng: every kind of PNG turned
// into 8-bit R, G, B, A rows, the alpha taken from an alpha channel or from
// a tRNS chunk, the colours as the player's decoder gives them.
//
// libpng reports errors with a longjmp; the functions that set its return
// point keep everything they change in the Reader, which lives in the
// caller's frame, and own nothing that would need a destructor.
#include "tools/check/png_alpha.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

#include "screen/image_decoders.h"

namespace check {

namespace {

// No larger ancillary chunk than this is read (profiles, text).
constexpr png_alloc_size_t kChunkMallocMax = 8u * 1024u * 1024u;

struct Reader {
    const unsigned char* position = nullptr;
    const unsigned char* end = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    bool interlaced = false;
    std::vector<unsigned char> rows;  // one row, or the whole image when interlaced
    PngTransparency result;
};

void ReadBytes(png_structp png, png_bytep destination, std::size_t length) {
    auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
    if (length > static_cast<std::size_t>(reader->end - reader->position)) png_error(png, "cut short");
    std::memcpy(destination, reader->position, length);
    reader->position += length;
}

[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

// Reads the header and asks for R, G, B, A rows of 8 bits.
bool Start(Reader& reader) {
    if (setjmp(png_jmpbuf(reader.png)) != 0) return false;
    png_structp png = reader.png;
    png_set_user_limits(png, static_cast<png_uint_32>(screen::kMaxImageSide),
                        static_cast<png_uint_32>(screen::kMaxImageSide));
    png_set_chunk_malloc_max(png, kChunkMallocMax);
    png_set_read_fn(png, &reader, ReadBytes);
    png_read_info(png, reader.info);
    int depth = 0;
    int colourType = 0;
    int interlace = 0;
    png_get_IHDR(png, reader.info, &reader.width, &reader.height, &depth, &colourType, &interlace, nullptr, nullptr);
    reader.interlaced = interlace != PNG_INTERLACE_NONE;
    const bool hasAlpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0 ||
                          png_get_valid(png, reader.info, PNG_INFO_tRNS) != 0;
    // Palettes to colours, low gray depths to 8 bits, tRNS to an alpha channel.
    png_set_expand(png);
    if ((colourType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
    if (depth == 16) png_set_strip_16(png);
    if (!hasAlpha) png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, reader.info);
    return png_get_rowbytes(png, reader.info) == static_cast<std::size_t>(reader.width) * 4;
}

void Count(Reader& reader, const unsigned char* row) {
    for (png_uint_32 x = 0; x < reader.width; ++x) {
        const unsigned char* pixel = row + 4 * static_cast<std::size_t>(x);
        if (pixel[3] != 0) continue;
        ++reader.result.transparent;
        if ((pixel[0] | pixel[1] | pixel[2]) != 0) ++reader.result.notBlack;
    }
}

bool ReadRows(Reader& reader) {
    if (setjmp(png_jmpbuf(reader.png)) != 0) return false;
    const std::size_t rowBytes = static_cast<std::size_t>(reader.width) * 4;
    if (!reader.interlaced) {
        // Row by row: no more memory than one row, whatever the image's size.
        for (png_uint_32 y = 0; y < reader.height; ++y) {
            png_read_row(reader.png, reader.rows.data(), nullptr);
            Count(reader, reader.rows.data());
        }
        return true;
    }
    for (int pass = 0; pass < PNG_INTERLACE_ADAM7_PASSES; ++pass) {
        for (png_uint_32 y = 0; y < reader.height; ++y) {
            png_read_row(reader.png, reader.rows.data() + y * rowBytes, nullptr);
        }
    }
    for (png_uint_32 y = 0; y < reader.height; ++y) Count(reader, reader.rows.data() + y * rowBytes);
    return true;
}

}  // namespace

PngTransparency ReadPngTransparency(const unsigned char* image, std::size_t size) {
    Reader reader;
    if (image == nullptr || size < 8 || png_sig_cmp(image, 0, 8) != 0) return reader.result;
    reader.position = image;
    reader.end = image + size;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, OnError, OnWarning);
    if (reader.png == nullptr) return reader.result;
    reader.info = png_create_info_struct(reader.png);
    if (reader.info != nullptr && Start(reader)) {
        const std::size_t rowBytes = static_cast<std::size_t>(reader.width) * 4;
        reader.rows.assign(reader.interlaced ? rowBytes * reader.height : rowBytes, 0);
        reader.result.read = ReadRows(reader);
    }
    png_destroy_read_struct(&reader.png, &reader.info, nullptr);
    if (!reader.result.read) reader.result = PngTransparency{};
    return reader.result;
}

}  // namespace check
