// Fuzz target: the BMP reader (screen/bmp_reader.cpp).
//
// The input is the file image.  It is read twice, once as the sprite loader
// reads it for a screen of 16 bits or more (indexed images expanded to
// 24 bits) and once keeping indexed pixels as they are.  Every row the
// reader describes must lie in readable memory: inside the file image or in
// the reader's own buffer.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "platform/heap.h"
#include "screen/image_decoders.h"

namespace {

void ReadAndTouch(const std::uint8_t* image, std::uint32_t size, bool keepIndexed) {
    screen::SourceImage out{};
    if (!screen::ReadBmp(image, size, keepIndexed, &out)) return;
    // The bytes of one row as the sprite loader reads them.
    const std::size_t rowBytes = (static_cast<std::size_t>(out.width) * out.bitsPerPixel + 7) / 8;
    fuzz_support::Require(out.width > 0 && out.height > 0, "BMP accepted with an empty size");
    fuzz_support::Require(rowBytes <= static_cast<std::size_t>(out.rowLength), "BMP rows shorter than their pixels");
    for (std::int32_t y = 0; y < out.height; ++y) {
        fuzz_support::Touch(out.pixels + static_cast<std::size_t>(y) * out.rowLength, rowBytes);
    }
    if (out.ownBuffer != nullptr) platform::GlobalFreeFixed(out.ownBuffer);
}

}  // namespace

// libFuzzer hands over a heap block of exactly the input's size, so a read
// past the image's end is caught.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    ReadAndTouch(data, static_cast<std::uint32_t>(size), false);
    ReadAndTouch(data, static_cast<std::uint32_t>(size), true);
    return 0;
}
