// Fuzz target: the PNG decoder (screen/png_decoder.cpp) through the image
// decoder list, as the sprite loader uses it for every image that is not a
// BMP.
//
// The input is the file image; half of the mutants get their chunk CRCs
// set (checksums.h).  A decoded image must be described by sides
// within the limits and rows of 24-bit pixels in readable memory; libpng's
// state must be gone after every image, decoded or not (the leak checker
// sees it otherwise).
#include <cstddef>
#include <cstdint>

#include "checksums.h"
#include "fuzz_support.h"
#include "platform/heap.h"
#include "screen/image_decoders.h"

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                               unsigned int seed) {
    return fuzz_support::MutateWithChecksums(data, size, maxSize, seed, fuzz_support::SetPngChunkCrcs);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    screen::InitImageDecoders();
    screen::RegisterPngDecoder();
    return 0;
}

// libFuzzer hands over a heap block of exactly the input's size, so a read
// past the image's end is caught.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    screen::SourceImage out{};
    if (!screen::DecodeWithDecoders(data, static_cast<std::uint32_t>(size), &out)) return 0;
    fuzz_support::Require(
        out.width > 0 && out.height > 0 && out.width <= screen::kMaxImageSide && out.height <= screen::kMaxImageSide,
        "PNG accepted with sides outside the limits");
    fuzz_support::Require(out.bitsPerPixel == 24 && out.rowLength >= 3 * out.width && out.ownBuffer == out.pixels,
                          "PNG decoded into an unexpected layout");
    for (std::int32_t y = 0; y < out.height; ++y) {
        fuzz_support::Touch(out.pixels + static_cast<std::size_t>(y) * out.rowLength,
                            3 * static_cast<std::size_t>(out.width));
    }
    platform::GlobalFreeFixed(out.ownBuffer);
    return 0;
}
