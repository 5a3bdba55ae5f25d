// The SDL display driver: what it offers besides the platform services, for
// tests and for tools that read the frames back.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/types.h"

namespace platform::sdl {

// Pixels in the screen's own format: one element per pixel, a 5-6-5 word on
// a 16-bit screen, an X8R8G8B8 value with X = 0 on a 32-bit screen.
struct Frame {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::vector<std::uint32_t> pixels;  // row by row, top row first

    bool Empty() const { return pixels.empty(); }
    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

// The back buffer as it is now (what the next flip will show).  Empty when
// no screen is open.
Frame ReadBackBuffer();
// The frame the last flip showed.  Empty when no screen is open.
Frame ReadPresentedFrame();
// Flips that showed a frame since the display device was created.
std::uint32_t PresentedFrameCount();
// Since the display device was created: textures made (or made again) from
// the pixels of surfaces in memory, and draws handed to SDL's renderer
// (copies, fills and quads).
std::uint32_t TextureUploadCount();
std::uint32_t DrawCallCount();

// SDL's name of the renderer in use ("software", "opengl", ...); null when
// no screen has been opened.
const char* RendererName();

// Where the back buffer of the given size lands in a window of the given
// size: scaled to fit with its aspect ratio kept, centred, black around it.
Rect ComputeLetterbox(int windowWidth, int windowHeight, int screenWidth, int screenHeight);
// The rectangle the last flip used; all zero before the first flip.
Rect LetterboxRect();

}  // namespace platform::sdl
