// The transparent pixels of a PNG, which the player does not see: it reads
// colours only, and a 3D sprite leaves out its black pixels and no others.
#pragma once

#include <cstddef>
#include <cstdint>

namespace check {

struct PngTransparency {
    bool read = false;              // the image decoded to the end
    std::uint64_t transparent = 0;  // fully transparent pixels (alpha 0, from an alpha channel or tRNS)
    std::uint64_t notBlack = 0;     // of those, the ones whose colour is not black
};

// Decodes the PNG file image once more with its transparency kept.  The
// colours are those the player's decoder gives (8 bits a channel).
PngTransparency ReadPngTransparency(const unsigned char* image, std::size_t size);

}  // namespace check
