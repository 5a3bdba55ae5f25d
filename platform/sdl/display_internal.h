// The objects of the SDL display driver, shared by its surface and 3D parts.
//
// Every surface keeps its pixels where SDL can use them best:
// - the primary surface and its back buffer are render-target textures of
//   the screen's format (RGB565 or XRGB8888); a flip shows the back buffer
//   and swaps the two textures, as page flipping does;
// - every other surface keeps its pixels in memory, in the screen's format,
//   and makes an ARGB8888 texture of them when it is drawn (alpha 0 where a
//   pixel matches its colour key), again only after its pixels changed (a
//   write lock, a fill, a copy into it, a new colour key; never a read-only
//   lock).
//
// Switching away loses the surfaces of the display as DirectDraw does: the
// pixels stay where they are, but nothing is drawn into or from a lost
// surface and the flip reports it, so nothing piles up in the renderer while
// the program is in the background.
#pragma once

#include <SDL2/SDL.h>

#include <vector>

#include "platform/device3d.h"
#include "platform/display.h"

namespace platform {

enum class SurfaceKind { kPrimary, kBackBuffer, kOffscreen };

struct Surface {
    DisplayDevice* device;  // null once the device is gone
    SurfaceKind kind;
    int refs;
    int width;
    int height;
    int bitsPerPixel;  // 16 or 32
    std::uint32_t caps;
    std::vector<unsigned char> pixels;  // off-screen pixels, or a lock's copy of a target
    int pitch;
    SDL_Texture* texture;  // the target, or the drawing copy of the pixels
    bool textureStale;     // the pixels changed since the texture was made
    bool textureKeyed;     // the texture was made with the colour key applied
    bool hasColourKey;
    std::uint32_t keyLow;
    std::uint32_t keyHigh;
    bool locked;
    bool lockedReadOnly;  // the lock promised not to write
    bool lost;
    Surface* attached;  // the back buffer of a primary surface
};

// The memory of the off-screen surface released last, kept for the next one
// of its size: a picture that replaces another of the same size then takes
// warm pages and a texture that exists instead of fresh ones.
struct SpareSurface {
    int width;
    int height;
    int bitsPerPixel;
    std::vector<unsigned char> pixels;
    SDL_Texture* texture;  // or null
};

struct Direct3D {
    DisplayDevice* device;
};

struct Device3D {
    DisplayDevice* display;
    Surface* target;
    bool inScene;
    bool alphaBlend;
    std::uint32_t sourceBlend;
    std::uint32_t destinationBlend;
    bool colourKey;
    std::uint32_t magFilter;
    std::uint32_t alphaOp;
    Surface* texture;
    std::vector<SDL_Vertex> points;  // a draw's vertices and triangles, kept for the next
    std::vector<int> indices;
};

struct DisplayDevice {
    WindowHandle window;  // the window of the cooperative level
    std::uint32_t cooperativeFlags;
    int modeWidth;
    int modeHeight;
    int modeBits;  // 0 until a mode is set
    SDL_Window* sdlWindow;
    SDL_Renderer* renderer;
    bool vsyncRequested;  // the renderer was made with vsync
    bool vsyncOn;
    char rendererName[32];
    std::vector<Surface*> surfaces;
    std::vector<Direct3D*> direct3ds;
    std::vector<Device3D*> devices3d;
    Surface* primary;
    bool reportLost;  // the next flip reports the surfaces lost
    std::uint32_t presented;
    std::uint32_t textureUploads;  // textures made from surfaces' pixels
    std::uint32_t drawCalls;       // copies, fills and quads handed to the renderer
    SpareSurface spare;
    Rect letterbox;
};

namespace sdl {

// The display device the program uses (the last one created), or null.
DisplayDevice* CurrentDisplay();
// Makes the renderer draw into the given target surface; false when it cannot.
bool BindTarget(Surface* target);
// The texture to draw the surface with, made or refreshed as needed; the
// colour key is applied when keyed is set and the surface has one.
SDL_Texture* DrawingTexture(Surface* surface, bool keyed);
// The 3D objects of a device that is going away.
void Orphan3D(DisplayDevice* device);
// A surface that goes away is no longer drawn by any 3D device.
void ForgetSurface3D(DisplayDevice* device, Surface* surface);

}  // namespace sdl

}  // namespace platform
