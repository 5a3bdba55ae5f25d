// Bare SDL2 drawing the same quads as the player's scene: a window on the
// video driver SDL_VIDEODRIVER names (the benchmark sets "dummy"), SDL's
// software renderer, one texture.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "bench/bare.h"

namespace bench {

// A textured rectangle in screen pixels, drawn with a constant alpha.
struct Quad {
    float left, top, right, bottom;
    std::uint8_t alpha;
};

class BareSdl {
public:
    BareSdl();
    ~BareSdl();
    BareSdl(const BareSdl&) = delete;
    BareSdl& operator=(const BareSdl&) = delete;

    // A window and renderer of this size and a texture of these pixels;
    // false when SDL refuses one of them.
    bool Open(int width, int height, const Pixels& texture);
    // One frame: clear to black, the quads blended in order, present.
    void DrawFrame(const std::vector<Quad>& quads);

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace bench
