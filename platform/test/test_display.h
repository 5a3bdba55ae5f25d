// The test backend's display: surfaces in memory, a primary whose colour
// masks the test chooses, surfaces that can be lost (a lost surface refuses
// fills, copies, 3D drawing and flips), and a 3D device that records what it
// is asked to draw.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/device3d.h"

namespace platform::test {

// Back to a display that exists, accepts 16, 24 and 32 bits and reports
// 5-6-5 at 16 bits and red in bits 16-23 at 24 and 32 bits.
void ResetDisplay();
void SetDisplayAvailable(bool available);
// Masks the primary reports at 16 bits (green 0x07E0 for 5-6-5, 0x03E0 for
// 5-5-5) and the red mask at 24/32 bits (0xFF0000 or 0xFF).
void SetDisplayMasks(std::uint32_t greenMask16, std::uint32_t redMask24);
// Modes with this depth are refused by SetDisplayMode.
void RefuseDepth(int bitsPerPixel);
// Every surface loses its memory (filled with 0xCD); the next flip reports it.
void LoseAllSurfaces();
// Every surface counts as lost but keeps its pixels, as on a display that
// keeps the memory of a program switched away from.
void LoseAllSurfacesKeepingPixels();
// One surface is lost, its memory with it (filled with 0xCD) or not.
void LoseSurface(Surface* surface, bool memoryLost);

struct SurfaceInfo {
    int width;
    int height;
    int bitsPerPixel;
    int pitch;
    std::uint32_t caps;
    bool hasColourKey;
    std::uint32_t colourKeyLow;
};
SurfaceInfo DescribeSurface(const Surface* surface);
// The pixel at x, y of a surface (16, 24 or 32 bits).
std::uint32_t PixelAt(const Surface* surface, int x, int y);
// The presented frame: the primary's pixel after the last flip.
std::uint32_t PrimaryPixelAt(int x, int y);
int LiveSurfaceCount();
int FlipCount();
int DeviceCreateCount();
// Blits whose rectangle left either surface (never expected).
int BlitViolations();
// Locks of the surface taken for writing (without kLockReadOnly).
int WriteLocks(const Surface* surface);
// Read-only locks under which the pixels changed (never expected).
int ReadOnlyViolations();

struct CopyRecord {
    const Surface* destination;
    int x;
    int y;
    const Surface* source;
    Rect sourceRect;
};
const std::vector<CopyRecord>& Copies();

struct DrawRecord {
    TLVertex vertices[4];
    const Surface* texture;
    std::uint32_t magFilter;
    std::uint32_t alphaOp;
    bool alphaBlend;
    std::uint32_t srcBlend;
    std::uint32_t destBlend;
    bool colourKey;
    bool inScene;
};
const std::vector<DrawRecord>& Draws();
void ClearRecords();

}  // namespace platform::test
