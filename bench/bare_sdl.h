// Bare SDL2 drawing the same quads as the player's scene: a window on the
// video driver SDL_VIDEODRIVER names (the benchmark sets "dummy"), SDL's
// software renderer, one texture.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "bench/bare.h"

namespace bench {

// A rectangle in screen pixels drawn with one of the textures and a
// constant alpha.
struct Quad {
    float left, top, right, bottom;
    std::uint8_t alpha;
    int texture;
};

class BareSdl {
public:
    BareSdl();
    ~BareSdl();
    BareSdl(const BareSdl&) = delete;
    BareSdl& operator=(const BareSdl&) = delete;

    // A window and renderer of this size and `textures` textures of these
    // pixels, as the player has a sprite of its own in each slot; false
    // when SDL refuses one of them.
    bool Open(int width, int height, const Pixels& pixels, int textures = 1);
    // One frame: clear to black, the quads blended in order, present.
    void DrawFrame(const std::vector<Quad>& quads);

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace bench
