// The PNG image decoder: libpng reads a PNG that lies whole in memory and
// writes it as 24-bit B, G, R rows, the top row first.
//
// A decode is two steps on one state per thread: CheckImage creates libpng's
// state and reads the header chunks, DecodeImage reads the rows into the
// caller's buffer and destroys the state.  libpng reports errors with a
// longjmp to the jump buffer of its png_struct, so both steps set an error
// return point.  Between setjmp and a possible longjmp the functions below
// keep everything they need in the global state, never in locals.
#include <png.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "screen/image_decoders.h"

namespace screen {

namespace {

struct PngState {
    png_structp png;
    png_infop info;
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth;
    int colourType;
    int interlaceType;
    // Read position in the memory image and the image's end.
    const unsigned char* position;
    const unsigned char* end;
    std::size_t fileSize;
    // Where DecodeImage writes its rows.
    unsigned char* destination;
    std::size_t rowLength;
    int passes;
};

// One state per thread: the decode-ahead worker decodes beside the main thread.
thread_local PngState gPng = {};
ImageDecoder PngImageDecoder = {};

// Limits that keep a hostile file from claiming unbounded memory: image sides
// as for every image, at most this many ancillary chunks kept, and no chunk
// (compressed text, profiles, unknown chunks) larger than this once inflated.
constexpr png_uint_32 kChunkCacheMax = 1000;
constexpr png_alloc_size_t kChunkMallocMax = 8u * 1024u * 1024u;

// libpng's own allocations: none larger than the chunk limit (rows of the
// widest image take about 128 KiB) or than the file itself.  libpng only
// warns about an ancillary chunk over the limit and then allocates the
// length the chunk claims, so a 41-byte file could ask for 2 GiB; refused
// here, libpng fails the image as when memory runs out.  A large chunk that
// really is in the file is still read past and dropped.
png_voidp LimitedMalloc(png_structp, png_alloc_size_t size) {
    if (size > kChunkMallocMax + 64 && size > gPng.fileSize + 64) return nullptr;
    return std::malloc(size);
}

void LimitedFree(png_structp, png_voidp block) { std::free(block); }

// Deflate never expands its input by more than about 1032 to 1, so the
// file's bytes bound the image data they can hold.  An image that claims
// more pixels than its file could hold even at that ratio is refused before
// any buffer is made for it; a truncated image stays within the bound and
// still loads, its missing rows black.
constexpr std::uint64_t kDeflateMaxRatio = 1033;

bool ClaimFitsTheFile(std::uint64_t fileSize) {
    const std::uint64_t bitsPerPixel = static_cast<std::uint64_t>(gPng.bitDepth) *
                                       static_cast<std::uint64_t>(png_get_channels(gPng.png, gPng.info));
    // Every row: one filter byte and its packed pixels.
    const std::uint64_t rowBytes = 1 + (static_cast<std::uint64_t>(gPng.width) * bitsPerPixel + 7) / 8;
    const std::uint64_t imageBytes = rowBytes * gPng.height;
    return imageBytes <= kDeflateMaxRatio * fileSize + 1024;
}

void ReleasePngState() {
    if (gPng.png != nullptr) png_destroy_read_struct(&gPng.png, &gPng.info, nullptr);
    gPng.png = nullptr;
    gPng.info = nullptr;
}

// libpng's read function: copies the next bytes of the memory image.  A read
// past the image's end is a libpng error, which ends the current step.
void PngMemoryRead(png_structp png, png_bytep destination, std::size_t length) {
    if (length > static_cast<std::size_t>(gPng.end - gPng.position)) {
        png_error(png, "read past the end of the image");
    }
    std::memcpy(destination, gPng.position, length);
    gPng.position += length;
}

std::int32_t PngCheckImage(const void* data, std::uint32_t size) {
    // A file image shorter than the signature does not match.
    if (data == nullptr || size < 8) return 0;
    if (png_sig_cmp(static_cast<png_const_bytep>(data), 0, 8) != 0) return 0;

    // Only one image at a time: an image checked but never decoded is
    // abandoned here.
    ReleasePngState();
    gPng.position = static_cast<const unsigned char*>(data);
    gPng.end = gPng.position + size;
    gPng.fileSize = size;
    gPng.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr, nullptr, LimitedMalloc,
                                        LimitedFree);
    if (gPng.png == nullptr) return 0;
    if (setjmp(png_jmpbuf(gPng.png)) != 0) {
        ReleasePngState();
        return 0;
    }
    png_set_user_limits(gPng.png, static_cast<png_uint_32>(kMaxImageSide), static_cast<png_uint_32>(kMaxImageSide));
    png_set_chunk_cache_max(gPng.png, kChunkCacheMax);
    png_set_chunk_malloc_max(gPng.png, kChunkMallocMax);

    // libpng reads the signature again, from the first byte.
    png_set_read_fn(gPng.png, nullptr, PngMemoryRead);

    gPng.info = png_create_info_struct(gPng.png);
    if (gPng.info == nullptr) {
        ReleasePngState();
        return 0;
    }
    png_read_info(gPng.png, gPng.info);
    png_get_IHDR(gPng.png, gPng.info, &gPng.width, &gPng.height, &gPng.bitDepth, &gPng.colourType, &gPng.interlaceType,
                 nullptr, nullptr);
    if (!ClaimFitsTheFile(size)) {
        ReleasePngState();
        return 0;
    }
    return 1;
}

// Requests the transformations that turn every kind of PNG into 8-bit
// B, G, R pixels without alpha.
void RequestBgrTransformations() {
    png_structp png = gPng.png;
    switch (gPng.colourType) {
        case PNG_COLOR_TYPE_PALETTE:
            png_set_palette_to_rgb(png);
            png_set_strip_alpha(png);
            break;
        case PNG_COLOR_TYPE_GRAY:
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            if (gPng.bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
            png_set_gray_to_rgb(png);
            break;
        default:  // RGB, RGB with alpha
            break;
    }
    if (gPng.bitDepth == 16) png_set_strip_16(png);
    png_set_bgr(png);
    if ((gPng.colourType & PNG_COLOR_MASK_ALPHA) != 0) png_set_strip_alpha(png);
    // A transparent colour of a low-depth gray image could become an alpha
    // channel when the gray values are expanded: strip it as well.
    if (gPng.colourType == PNG_COLOR_TYPE_GRAY && gPng.bitDepth < 8 &&
        png_get_valid(png, gPng.info, PNG_INFO_tRNS) != 0) {
        png_set_strip_alpha(png);
    }
}

void ReadPngRows() {
    png_structp png = gPng.png;
    RequestBgrTransformations();
    // 7 passes for an interlaced image, each filling its pixels into the
    // rows already in the buffer; 1 otherwise.
    gPng.passes = png_set_interlace_handling(png);
    png_read_update_info(png, gPng.info);
    // The rows must come out exactly as wide as the caller's rows expect.
    if (png_get_rowbytes(png, gPng.info) != static_cast<std::size_t>(gPng.width) * 3) {
        png_error(png, "unexpected row format");
    }
    for (int pass = 0; pass < gPng.passes; ++pass) {
        for (png_uint_32 i = 0; i < gPng.height; ++i) {
            png_bytep row = gPng.destination + static_cast<std::size_t>(i) * gPng.rowLength;
            png_read_rows(png, &row, nullptr, 1);
        }
    }
}

std::int32_t PngDecodeImage(void* destination, std::int32_t rowLength, std::int32_t /*flags*/) {
    if (gPng.png == nullptr) return 0;
    // No buffer (the caller abandons the image) or rows too short for the
    // image: just release libpng's state.
    if (destination == nullptr || rowLength < 0 ||
        static_cast<std::size_t>(rowLength) < static_cast<std::size_t>(gPng.width) * 3) {
        ReleasePngState();
        return 0;
    }
    gPng.destination = static_cast<unsigned char*>(destination);
    gPng.rowLength = static_cast<std::size_t>(rowLength);
    if (setjmp(png_jmpbuf(gPng.png)) != 0) {
        // Damaged or truncated image data: stop at the first error.  Rows
        // not reached keep whatever the buffer held; the sprite loader does
        // not look at the result and shows the image as far as it was read.
        ReleasePngState();
        return 0;
    }
    ReadPngRows();
    ReleasePngState();
    return 1;
}

std::int32_t PngGetImageWidth() { return static_cast<std::int32_t>(gPng.width); }
std::int32_t PngGetImageHeight() { return static_cast<std::int32_t>(gPng.height); }

}  // namespace

void RegisterPngDecoder() {
    // Registers once: a decoder already in the list is not added again.
    if (IsImageDecoderRegistered(&PngImageDecoder)) return;
    PngImageDecoder = ImageDecoder{PngCheckImage, PngDecodeImage, PngGetImageWidth, PngGetImageHeight};
    AddImageDecoder(&PngImageDecoder);
}

}  // namespace screen
