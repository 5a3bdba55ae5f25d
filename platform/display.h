// The display device: an exclusive full screen with page flipping and
// off-screen surfaces, shaped after DirectDraw 7.  The Win32 backend passes
// every call through; other backends emulate it.
#pragma once

#include "platform/types.h"

namespace platform {

struct DisplayDevice;
struct Surface;

constexpr Result kSurfaceLost = static_cast<Result>(0x887601C2u);  // DDERR_SURFACELOST

// Cooperative levels.
constexpr std::uint32_t kDisplayFullscreenExclusive = 0x11;  // DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE
constexpr std::uint32_t kDisplayNormal = 0x08;               // DDSCL_NORMAL

// Surface capabilities.
constexpr std::uint32_t kCapsOffscreenPlain = 0x40;  // DDSCAPS_OFFSCREENPLAIN
constexpr std::uint32_t kCapsSystemMemory = 0x800;   // DDSCAPS_SYSTEMMEMORY
constexpr std::uint32_t kCapsTexture = 0x1000;       // DDSCAPS_TEXTURE

// Flip flags.
constexpr std::uint32_t kFlipWait = 0x1;     // DDFLIP_WAIT
constexpr std::uint32_t kFlipNoVsync = 0x8;  // DDFLIP_NOVSYNC

// What a lock of a surface reports.
struct LockedSurface {
    void* pixels;
    std::int32_t pitch;  // bytes from one row to the next
    std::int32_t width;
    std::int32_t height;
    std::uint32_t bitsPerPixel;
    std::uint32_t redMask;
    std::uint32_t greenMask;
    std::uint32_t blueMask;
};

// Loads the display library by name and creates the device object for the
// default display ("DDRAW.DLL", DirectDrawCreateEx).  Null when the library,
// its entry point or the device is missing; the library is then unloaded.
DisplayDevice* CreateDisplayDevice();
// Releases the device and unloads the library.
void ReleaseDisplayDevice(DisplayDevice* device);

// Null window with kDisplayNormal gives the display back.
Result SetDisplayCooperativeLevel(DisplayDevice* device, WindowHandle window, std::uint32_t flags);
// Refresh rate 0 (the adapter's default), no flags.
Result SetDisplayMode(DisplayDevice* device, int width, int height, int bitsPerPixel);
// The primary surface with one attached back buffer, both usable as 3D
// render targets; the back buffer is fetched with GetBackBuffer.
Result CreatePrimarySurface(DisplayDevice* device, Surface** primary);
Result GetBackBuffer(Surface* primary, Surface** backBuffer);
// An off-screen surface of the screen's pixel format with the given capabilities.
Result CreateSurface(DisplayDevice* device, int width, int height, std::uint32_t caps, Surface** surface);
Result RestoreAllSurfaces(DisplayDevice* device);
void ReleaseSurface(Surface* surface);

// Lock flags.
constexpr std::uint32_t kLockReadOnly = 0x10;  // DDLOCK_READONLY

// Whole-surface lock, waiting while the surface is busy.  With kLockReadOnly
// the caller promises only to read: the surface keeps counting as unchanged
// (a backend that keeps a copy of it elsewhere need not refresh that copy).
Result LockSurface(Surface* surface, LockedSurface* locked, std::uint32_t flags = 0);
Result UnlockSurface(Surface* surface);
// Colour fill of the whole surface, not waiting for the blitter.
Result FillSurface(Surface* surface, std::uint32_t colour);
// Opaque copy of a source rectangle to x, y, waiting for the blitter
// (BltFast with DDBLTFAST_WAIT).  The rectangle lies inside both surfaces.
Result CopySurfaceFast(Surface* destination, int x, int y, Surface* source, const Rect& sourceRect);
// Copy of the whole source onto the whole destination, waiting (Blt DDBLT_WAIT).
Result CopyWholeSurface(Surface* destination, Surface* source);
// Black source colour key (DDCKEY_SRCBLT) with the given low and high values.
Result SetSourceColourKey(Surface* surface, std::uint32_t low, std::uint32_t high);
// A surface of the display is lost when the program is switched away from
// the full screen (or the display loses its memory); until it is restored,
// fills, copies, 3D drawing and flips that involve it fail with kSurfaceLost
// and do nothing.
Result IsSurfaceLost(Surface* surface);  // kSurfaceLost when its memory was lost
Result RestoreSurface(Surface* surface);
// Shows the back buffer; kSurfaceLost when the surfaces must be restored.
Result FlipSurface(Surface* primary, std::uint32_t flags);
// Paints a rectangle from 0, 0 black through the platform's drawing context
// (GetDC, black brush, Rectangle, ReleaseDC).  False when no context is had.
bool PaintSurfaceBlack(Surface* surface, int width, int height);

}  // namespace platform
