// The display device on SDL: the screen window's renderer, a back buffer of
// the screen mode's size shown scaled to fit the window (aspect ratio kept,
// black bars around it), and surfaces of the mode's pixel format.  The
// program tells apart only success and a lost surface, so every other
// failure is kFail.

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/sdl/common.h"
#include "platform/sdl/display.h"
#include "platform/sdl/display_internal.h"
#ifdef __EMSCRIPTEN__
#include "platform/web/frame.h"
#endif

namespace platform {

namespace {

constexpr int kLargestSide = 16384;
constexpr std::uint32_t kExclusive = kDisplayFullscreenExclusive;

DisplayDevice* gCurrent = nullptr;

bool IsTarget(const Surface* surface) { return surface->kind != SurfaceKind::kOffscreen; }

int BytesPerPixel(int bits) { return bits / 8; }

std::uint32_t SdlFormat(int bits) { return bits == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_XRGB8888; }

std::uint32_t PixelMask(int bits) { return bits == 16 ? 0xFFFFu : 0xFFFFFFu; }

struct Rgb {
    std::uint8_t r;
    std::uint8_t g;
    std::uint8_t b;
};

// A pixel value of the screen's format as 8-bit components; 5- and 6-bit
// fields are widened so that narrowing them again gives the same value.
Rgb ToRgb(std::uint32_t value, int bits) {
    if (bits == 16) {
        const std::uint32_t r = (value >> 11) & 31u, g = (value >> 5) & 63u, b = value & 31u;
        return {static_cast<std::uint8_t>((r << 3) | (r >> 2)), static_cast<std::uint8_t>((g << 2) | (g >> 4)),
                static_cast<std::uint8_t>((b << 3) | (b >> 2))};
    }
    return {static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value)};
}

std::uint32_t FromRgb(Rgb rgb, int bits) {
    if (bits == 16) return ((rgb.r >> 3u) << 11) | ((rgb.g >> 2u) << 5) | (rgb.b >> 3u);
    return (static_cast<std::uint32_t>(rgb.r) << 16) | (static_cast<std::uint32_t>(rgb.g) << 8) | rgb.b;
}

std::uint32_t LoadPixel(const unsigned char* row, int x, int bits) {
    if (bits == 16) {
        std::uint16_t value;
        std::memcpy(&value, row + 2 * x, 2);
        return value;
    }
    std::uint32_t value;
    std::memcpy(&value, row + 4 * x, 4);
    return value;
}

void StorePixel(unsigned char* row, int x, int bits, std::uint32_t value) {
    if (bits == 16) {
        const auto word = static_cast<std::uint16_t>(value);
        std::memcpy(row + 2 * x, &word, 2);
    } else {
        std::memcpy(row + 4 * x, &value, 4);
    }
}

// A row of a surface as a texture's ARGB: opaque, or fully transparent where
// keyed and inside the key's range.  The loops are plain so that the compiler
// can do several pixels at once.
void ToArgbRow(const unsigned char* __restrict row, int bits, bool keyed, std::uint32_t keyLow, std::uint32_t keyHigh,
               int width, std::uint32_t* __restrict out) {
    const std::uint32_t mask = PixelMask(bits);
    const std::uint32_t low = keyLow & mask, high = keyHigh & mask;
    if (bits == 16) {
        for (int x = 0; x < width; ++x) {
            std::uint16_t value;
            std::memcpy(&value, row + 2 * x, 2);
            const std::uint32_t r = (value >> 11) & 31u, g = (value >> 5) & 63u, b = value & 31u;
            const std::uint32_t rgb = (((r << 3) | (r >> 2)) << 16) | (((g << 2) | (g >> 4)) << 8) | (b << 3) |
                                      (b >> 2);
            const bool transparent = keyed && value >= low && value <= high;
            out[x] = (transparent ? 0u : 0xFF000000u) | rgb;
        }
        return;
    }
    for (int x = 0; x < width; ++x) {
        std::uint32_t value;
        std::memcpy(&value, row + 4 * x, 4);
        value &= mask;
        const bool transparent = keyed && value >= low && value <= high;
        out[x] = (transparent ? 0u : 0xFF000000u) | value;
    }
}

void SetScaleMode(SDL_Renderer* renderer, SDL_Texture* texture, SDL_ScaleMode mode) {
    SDL_ScaleMode current = SDL_ScaleModeNearest;
    if (SDL_GetTextureScaleMode(texture, &current) == 0 && current == mode) return;
    // Draws already queued keep the mode they were queued with.
    SDL_RenderFlush(renderer);
    SDL_SetTextureScaleMode(texture, mode);
}

void PrepareOpaqueCopy(SDL_Renderer* renderer, SDL_Texture* texture, SDL_ScaleMode mode) {
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
    SDL_SetTextureAlphaMod(texture, 255);
    SDL_SetTextureColorMod(texture, 255, 255, 255);
    SetScaleMode(renderer, texture, mode);
}

SDL_Texture* CreateTargetTexture(DisplayDevice* device, int width, int height, int bits) {
    SDL_Texture* texture = SDL_CreateTexture(device->renderer, SdlFormat(bits), SDL_TEXTUREACCESS_TARGET, width,
                                             height);
    if (texture == nullptr) return nullptr;
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
    SDL_Texture* previous = SDL_GetRenderTarget(device->renderer);
    if (SDL_SetRenderTarget(device->renderer, texture) == 0) {
        SDL_SetRenderDrawColor(device->renderer, 0, 0, 0, 255);
        SDL_RenderClear(device->renderer);
    }
    SDL_SetRenderTarget(device->renderer, previous);
    return texture;
}

void DropSpare(DisplayDevice* device) {
    if (device->spare.texture != nullptr) SDL_DestroyTexture(device->spare.texture);
    device->spare = SpareSurface{};
}

Surface* NewSurface(DisplayDevice* device, SurfaceKind kind, int width, int height, int bits, std::uint32_t caps) {
    auto* surface = new (std::nothrow) Surface{};
    if (surface == nullptr) return nullptr;
    surface->device = device;
    surface->kind = kind;
    surface->refs = 1;
    surface->width = width;
    surface->height = height;
    surface->bitsPerPixel = bits;
    surface->caps = caps;
    surface->pitch = (width * BytesPerPixel(bits) + 3) & ~3;
    if (kind == SurfaceKind::kOffscreen) {
        const std::size_t bytes = static_cast<std::size_t>(surface->pitch) * static_cast<std::size_t>(height);
        SpareSurface& spare = device->spare;
        if (spare.width == width && spare.height == height && spare.bitsPerPixel == bits &&
            spare.pixels.size() == bytes) {
            surface->pixels.swap(spare.pixels);
            std::fill(surface->pixels.begin(), surface->pixels.end(), static_cast<unsigned char>(0));
            surface->texture = spare.texture;
            spare = SpareSurface{};
        } else {
            try {
                surface->pixels.assign(bytes, 0);
            } catch (const std::bad_alloc&) {
                delete surface;
                return nullptr;
            }
        }
        surface->textureStale = true;
    } else {
        surface->texture = CreateTargetTexture(device, width, height, bits);
        if (surface->texture == nullptr) {
            delete surface;
            return nullptr;
        }
    }
    device->surfaces.push_back(surface);
    return surface;
}

void DestroySurface(Surface* surface) {
    DisplayDevice* device = surface->device;
    if (device != nullptr) {
        auto& list = device->surfaces;
        list.erase(std::remove(list.begin(), list.end(), surface), list.end());
        if (device->primary == surface) device->primary = nullptr;
        sdl::ForgetSurface3D(device, surface);
        if (surface->kind == SurfaceKind::kOffscreen && !surface->pixels.empty()) {
            DropSpare(device);
            device->spare = {surface->width, surface->height, surface->bitsPerPixel, std::move(surface->pixels),
                             surface->texture};
        } else if (surface->texture != nullptr) {
            SDL_DestroyTexture(surface->texture);
        }
    }
    delete surface;
}

// Reads a rectangle of a target surface as rows of its own format; X bytes
// of 32-bit pixels come back as 0.
bool ReadTarget(Surface* surface, const SDL_Rect& rect, unsigned char* pixels, int pitch) {
    if (!sdl::BindTarget(surface)) return false;
    if (SDL_RenderReadPixels(surface->device->renderer, &rect, SdlFormat(surface->bitsPerPixel), pixels, pitch) != 0) {
        return false;
    }
    if (surface->bitsPerPixel == 32) {
        for (int y = 0; y < rect.h; ++y) {
            unsigned char* row = pixels + static_cast<std::ptrdiff_t>(y) * pitch;
            for (int x = 0; x < rect.w; ++x) row[4 * x + 3] = 0;
        }
    }
    return true;
}

bool RectInside(const Rect& rect, const Surface* surface) {
    return rect.left >= 0 && rect.top >= 0 && rect.left < rect.right && rect.top < rect.bottom &&
           rect.right <= surface->width && rect.bottom <= surface->height;
}

SDL_Rect ToSdl(const Rect& rect) { return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top}; }

// Copies a source rectangle onto a destination rectangle, stretching with
// the nearest pixel when the sizes differ; no colour key, no blending.
Result Blit(Surface* destination, const Rect& destinationRect, Surface* source, const Rect& sourceRect) {
    if (destination == nullptr || source == nullptr) return kFail;
    if (!RectInside(destinationRect, destination) || !RectInside(sourceRect, source)) return kFail;
    if (destination->locked || source->locked) return kFail;
    if (destination->lost || source->lost) return kSurfaceLost;
    const int sw = sourceRect.right - sourceRect.left, sh = sourceRect.bottom - sourceRect.top;
    const int dw = destinationRect.right - destinationRect.left, dh = destinationRect.bottom - destinationRect.top;

    if (IsTarget(destination)) {
        DisplayDevice* device = destination->device;
        if (device == nullptr || device->renderer == nullptr) return kFail;
        SDL_Texture* texture = nullptr;
        SDL_Texture* temporary = nullptr;
        SDL_Rect from = ToSdl(sourceRect);
        if (source == destination) {
            // A target cannot be drawn into itself: copy the rectangle out first.
            std::vector<unsigned char> rows(static_cast<std::size_t>(sw) * sh * BytesPerPixel(source->bitsPerPixel));
            if (!ReadTarget(source, from, rows.data(), sw * BytesPerPixel(source->bitsPerPixel))) return kFail;
            temporary = SDL_CreateTexture(device->renderer, SdlFormat(source->bitsPerPixel), SDL_TEXTUREACCESS_STATIC,
                                          sw, sh);
            if (temporary == nullptr) return kFail;
            SDL_UpdateTexture(temporary, nullptr, rows.data(), sw * BytesPerPixel(source->bitsPerPixel));
            texture = temporary;
            from = {0, 0, sw, sh};
        } else if (IsTarget(source)) {
            texture = source->texture;
        } else {
            texture = sdl::DrawingTexture(source, source->texture != nullptr && source->textureKeyed);
        }
        if (texture == nullptr || !sdl::BindTarget(destination)) {
            if (temporary != nullptr) SDL_DestroyTexture(temporary);
            return kFail;
        }
        PrepareOpaqueCopy(device->renderer, texture, SDL_ScaleModeNearest);
        const SDL_Rect to = ToSdl(destinationRect);
        ++device->drawCalls;
        const int result = SDL_RenderCopy(device->renderer, texture, &from, &to);
        if (temporary != nullptr) SDL_DestroyTexture(temporary);
        return result == 0 ? kOk : kFail;
    }

    // Into memory.
    const int sourceBits = source->bitsPerPixel;
    const unsigned char* sourceRows = nullptr;
    int sourcePitch = 0;
    std::vector<unsigned char> readBack;
    if (IsTarget(source)) {
        if (source->device == nullptr) return kFail;
        sourcePitch = sw * BytesPerPixel(sourceBits);
        readBack.resize(static_cast<std::size_t>(sourcePitch) * sh);
        if (!ReadTarget(source, ToSdl(sourceRect), readBack.data(), sourcePitch)) return kFail;
        sourceRows = readBack.data();
    } else {
        sourcePitch = source->pitch;
        sourceRows = source->pixels.data() + static_cast<std::ptrdiff_t>(sourceRect.top) * sourcePitch +
                     sourceRect.left * BytesPerPixel(sourceBits);
    }
    const int destinationBits = destination->bitsPerPixel;
    if (source == destination) {
        // Overlapping rectangles of one surface: work from a copy.
        readBack.assign(sourceRows, sourceRows + static_cast<std::ptrdiff_t>(sh - 1) * sourcePitch +
                                        sw * BytesPerPixel(sourceBits));
        sourceRows = readBack.data();
    }
    for (int y = 0; y < dh; ++y) {
        const int sy = static_cast<int>(static_cast<std::int64_t>(y) * sh / dh);
        const unsigned char* from = sourceRows + static_cast<std::ptrdiff_t>(sy) * sourcePitch;
        unsigned char* to = destination->pixels.data() +
                            static_cast<std::ptrdiff_t>(destinationRect.top + y) * destination->pitch +
                            destinationRect.left * BytesPerPixel(destinationBits);
        if (sw == dw && sourceBits == destinationBits) {
            std::memmove(to, from, static_cast<std::size_t>(dw) * BytesPerPixel(destinationBits));
            continue;
        }
        for (int x = 0; x < dw; ++x) {
            const int sx = static_cast<int>(static_cast<std::int64_t>(x) * sw / dw);
            std::uint32_t value = LoadPixel(from, sx, sourceBits) & PixelMask(sourceBits);
            if (sourceBits != destinationBits) value = FromRgb(ToRgb(value, sourceBits), destinationBits);
            StorePixel(to, x, destinationBits, value);
        }
    }
    destination->textureStale = true;
    return kOk;
}

bool EnvironmentSaysSoftware(const char** driverName) {
    *driverName = nullptr;
    const char* wanted = std::getenv("RODAZARO_RENDERER");
    if (wanted == nullptr || *wanted == '\0') return false;
    if (std::strcmp(wanted, "software") == 0) return true;
    *driverName = wanted;
    return false;
}

bool EnsureRenderer(DisplayDevice* device) {
    if (device->renderer != nullptr) return true;
    SDL_Window* window = sdl::WindowFromHandle(device->window);
    if (window == nullptr) return false;
    const char* driverName = nullptr;
    const bool software = sdl::HeadlessVideoDriver() || EnvironmentSaysSoftware(&driverName);
    SDL_Renderer* renderer = nullptr;
    bool vsync = false;
    if (!software) {
        int index = -1;
        if (driverName != nullptr) {
            for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
                SDL_RendererInfo info;
                if (SDL_GetRenderDriverInfo(i, &info) == 0 && std::strcmp(info.name, driverName) == 0) index = i;
            }
        }
#ifdef __EMSCRIPTEN__
        // In a page the flip waits for the browser's frame itself: a wait of
        // SDL's own (a timed one, for a renderer without vsync) adds nothing.
        constexpr Uint32 kVsyncFlag = 0;
#else
        constexpr Uint32 kVsyncFlag = SDL_RENDERER_PRESENTVSYNC;
#endif
        renderer = SDL_CreateRenderer(window, index,
                                      SDL_RENDERER_ACCELERATED | kVsyncFlag | SDL_RENDERER_TARGETTEXTURE);
        vsync = renderer != nullptr && kVsyncFlag != 0;
    }
    if (renderer == nullptr) {
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE | SDL_RENDERER_TARGETTEXTURE);
    }
    if (renderer == nullptr) return false;
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer, &info) == 0) {
        std::snprintf(device->rendererName, sizeof device->rendererName, "%s", info.name);
        vsync = vsync && (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
    }
    device->renderer = renderer;
    device->sdlWindow = window;
    device->vsyncRequested = vsync;
    device->vsyncOn = vsync;
    return true;
}

// Switching away from the screen: the surfaces of the display (not those in
// system memory) count as lost until restored, and the next flip says so.
void OnFocusLost() {
    DisplayDevice* device = gCurrent;
    if (device == nullptr) return;
    for (Surface* surface : device->surfaces) {
        if ((surface->caps & kCapsSystemMemory) == 0) surface->lost = true;
    }
    device->reportLost = true;
}

// The renderer lost its targets' contents, or its whole device: targets are
// made anew (black), textures of memory surfaces are made again from their
// pixels when next drawn, and the program is told at the next flip.
void OnRenderReset(bool deviceLost) {
    DisplayDevice* device = gCurrent;
    if (device == nullptr || device->renderer == nullptr) return;
    SDL_SetRenderTarget(device->renderer, nullptr);
    if (deviceLost) DropSpare(device);
    for (Surface* surface : device->surfaces) {
        if (IsTarget(surface)) {
            if (deviceLost && surface->texture != nullptr) {
                SDL_DestroyTexture(surface->texture);
                surface->texture = nullptr;
            }
            if (surface->texture == nullptr) {
                surface->texture = CreateTargetTexture(device, surface->width, surface->height, surface->bitsPerPixel);
            } else if (sdl::BindTarget(surface)) {
                SDL_SetRenderDrawColor(device->renderer, 0, 0, 0, 255);
                SDL_RenderClear(device->renderer);
            }
        } else if (deviceLost && surface->texture != nullptr) {
            SDL_DestroyTexture(surface->texture);
            surface->texture = nullptr;
            surface->textureStale = true;
        }
        if ((surface->caps & kCapsSystemMemory) == 0) surface->lost = true;
    }
    device->reportLost = true;
}

sdl::Frame ReadFrame(Surface* surface) {
    sdl::Frame frame;
    if (surface == nullptr || surface->device == nullptr || surface->texture == nullptr) return frame;
    const int bits = surface->bitsPerPixel;
    const int pitch = surface->width * BytesPerPixel(bits);
    std::vector<unsigned char> rows(static_cast<std::size_t>(pitch) * surface->height);
    if (!ReadTarget(surface, {0, 0, surface->width, surface->height}, rows.data(), pitch)) return frame;
    frame.width = surface->width;
    frame.height = surface->height;
    frame.bitsPerPixel = bits;
    frame.pixels.resize(static_cast<std::size_t>(surface->width) * surface->height);
    for (int y = 0; y < surface->height; ++y) {
        for (int x = 0; x < surface->width; ++x) {
            frame.pixels[static_cast<std::size_t>(y) * surface->width + x] =
                LoadPixel(rows.data() + static_cast<std::ptrdiff_t>(y) * pitch, x, bits) & PixelMask(bits);
        }
    }
    return frame;
}

}  // namespace

namespace sdl {

DisplayDevice* CurrentDisplay() { return gCurrent; }

bool BindTarget(Surface* target) {
    if (target == nullptr || target->device == nullptr || target->texture == nullptr) return false;
    SDL_Renderer* renderer = target->device->renderer;
    return renderer != nullptr && SDL_SetRenderTarget(renderer, target->texture) == 0;
}

SDL_Texture* DrawingTexture(Surface* surface, bool keyed) {
    if (surface == nullptr || surface->device == nullptr || surface->device->renderer == nullptr) return nullptr;
    if (IsTarget(surface)) return surface->texture;
    keyed = keyed && surface->hasColourKey;
    if (surface->texture != nullptr && !surface->textureStale && surface->textureKeyed == keyed) {
        return surface->texture;
    }
    if (surface->texture == nullptr) {
        // Streaming, so that the pixels are written straight into the texture.
        surface->texture = SDL_CreateTexture(surface->device->renderer, SDL_PIXELFORMAT_ARGB8888,
                                             SDL_TEXTUREACCESS_STREAMING, surface->width, surface->height);
        if (surface->texture == nullptr) return nullptr;
    }
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(surface->texture, nullptr, &pixels, &pitch) != 0) return nullptr;
    for (int y = 0; y < surface->height; ++y) {
        ToArgbRow(surface->pixels.data() + static_cast<std::ptrdiff_t>(y) * surface->pitch, surface->bitsPerPixel,
                  keyed, surface->keyLow, surface->keyHigh, surface->width,
                  reinterpret_cast<std::uint32_t*>(static_cast<unsigned char*>(pixels) +
                                                   static_cast<std::ptrdiff_t>(y) * pitch));
    }
    SDL_UnlockTexture(surface->texture);
    ++surface->device->textureUploads;
    surface->textureStale = false;
    surface->textureKeyed = keyed;
    return surface->texture;
}

Frame ReadBackBuffer() {
    if (gCurrent == nullptr || gCurrent->primary == nullptr) return {};
    return ReadFrame(gCurrent->primary->attached);
}

Frame ReadPresentedFrame() {
    if (gCurrent == nullptr) return {};
    return ReadFrame(gCurrent->primary);
}

std::uint32_t PresentedFrameCount() { return gCurrent == nullptr ? 0 : gCurrent->presented; }
std::uint32_t TextureUploadCount() { return gCurrent == nullptr ? 0 : gCurrent->textureUploads; }
std::uint32_t DrawCallCount() { return gCurrent == nullptr ? 0 : gCurrent->drawCalls; }

const char* RendererName() {
    if (gCurrent == nullptr || gCurrent->renderer == nullptr) return nullptr;
    return gCurrent->rendererName;
}

Rect ComputeLetterbox(int windowWidth, int windowHeight, int screenWidth, int screenHeight) {
    if (windowWidth <= 0 || windowHeight <= 0 || screenWidth <= 0 || screenHeight <= 0) return {0, 0, 0, 0};
    const std::int64_t ww = windowWidth, wh = windowHeight, sw = screenWidth, sh = screenHeight;
    std::int64_t w, h;
    if (ww * sh <= wh * sw) {
        w = ww;
        h = std::max<std::int64_t>(1, (ww * sh + sw / 2) / sw);
    } else {
        h = wh;
        w = std::max<std::int64_t>(1, (wh * sw + sh / 2) / sh);
    }
    const auto x = static_cast<std::int32_t>((ww - w) / 2);
    const auto y = static_cast<std::int32_t>((wh - h) / 2);
    return {x, y, x + static_cast<std::int32_t>(w), y + static_cast<std::int32_t>(h)};
}

Rect LetterboxRect() { return gCurrent == nullptr ? Rect{0, 0, 0, 0} : gCurrent->letterbox; }

}  // namespace sdl

DisplayDevice* CreateDisplayDevice() {
    if (!sdl::AcquireVideo()) return nullptr;
    auto* device = new (std::nothrow) DisplayDevice{};
    if (device == nullptr) {
        sdl::ReleaseVideo();
        return nullptr;
    }
    gCurrent = device;
    sdl::SetWindowHooks({OnFocusLost, nullptr, OnRenderReset});
    return device;
}

void ReleaseDisplayDevice(DisplayDevice* device) {
    if (device == nullptr) return;
    // Surfaces and 3D objects the program still holds outlive the device
    // without their textures; releasing them later frees them.
    for (Surface* surface : device->surfaces) {
        if (surface->texture != nullptr) SDL_DestroyTexture(surface->texture);
        surface->texture = nullptr;
        surface->device = nullptr;
    }
    device->surfaces.clear();
    DropSpare(device);
    sdl::Orphan3D(device);
    if (device->renderer != nullptr) SDL_DestroyRenderer(device->renderer);
    if (gCurrent == device) {
        gCurrent = nullptr;
        sdl::SetWindowHooks({});
    }
    delete device;
    sdl::ReleaseVideo();
}

Result SetDisplayCooperativeLevel(DisplayDevice* device, WindowHandle window, std::uint32_t flags) {
    if (device == nullptr) return kFail;
    if ((flags & kExclusive) == kExclusive) {
        if (sdl::WindowFromHandle(window) == nullptr) return kFail;
        // The renderer belongs to its window.
        if (device->renderer != nullptr && sdl::WindowFromHandle(window) != device->sdlWindow) return kFail;
    }
    device->window = window != 0 ? window : device->window;
    device->cooperativeFlags = flags;
    return kOk;
}

Result SetDisplayMode(DisplayDevice* device, int width, int height, int bitsPerPixel) {
    if (device == nullptr || (device->cooperativeFlags & kExclusive) != kExclusive) return kFail;
    if ((bitsPerPixel != 16 && bitsPerPixel != 32) || width <= 0 || height <= 0 || width > kLargestSide ||
        height > kLargestSide) {
        return kFail;
    }
    device->modeWidth = width;
    device->modeHeight = height;
    device->modeBits = bitsPerPixel;
    return kOk;
}

Result CreatePrimarySurface(DisplayDevice* device, Surface** primary) {
    if (primary == nullptr) return kFail;
    *primary = nullptr;
    if (device == nullptr || (device->cooperativeFlags & kExclusive) != kExclusive || device->modeBits == 0 ||
        device->primary != nullptr || !EnsureRenderer(device)) {
        return kFail;
    }
    Surface* front = NewSurface(device, SurfaceKind::kPrimary, device->modeWidth, device->modeHeight, device->modeBits,
                                0);
    if (front == nullptr) return kFail;
    Surface* back = NewSurface(device, SurfaceKind::kBackBuffer, device->modeWidth, device->modeHeight,
                               device->modeBits, 0);
    if (back == nullptr) {
        DestroySurface(front);
        return kFail;
    }
    front->attached = back;
    device->primary = front;
    device->reportLost = false;
    *primary = front;
    return kOk;
}

Result GetBackBuffer(Surface* primary, Surface** backBuffer) {
    if (backBuffer == nullptr) return kFail;
    *backBuffer = nullptr;
    if (primary == nullptr || primary->attached == nullptr) return kFail;
    ++primary->attached->refs;
    *backBuffer = primary->attached;
    return kOk;
}

Result CreateSurface(DisplayDevice* device, int width, int height, std::uint32_t caps, Surface** surface) {
    if (surface == nullptr) return kFail;
    *surface = nullptr;
    if (device == nullptr || width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide) {
        return kFail;
    }
    const int bits = device->modeBits != 0 ? device->modeBits : 32;
    Surface* created = NewSurface(device, SurfaceKind::kOffscreen, width, height, bits, caps);
    if (created == nullptr) return kFail;
    *surface = created;
    return kOk;
}

Result RestoreAllSurfaces(DisplayDevice* device) {
    if (device == nullptr) return kFail;
    Result result = kOk;
    for (Surface* surface : device->surfaces) {
        if (RestoreSurface(surface) != kOk) result = kFail;
    }
    return result;
}

void ReleaseSurface(Surface* surface) {
    if (surface == nullptr) return;
    if (--surface->refs > 0) return;
    Surface* attached = surface->attached;
    surface->attached = nullptr;
    DestroySurface(surface);
    if (attached != nullptr) ReleaseSurface(attached);
}

Result LockSurface(Surface* surface, LockedSurface* locked, std::uint32_t flags) {
    if (surface == nullptr || locked == nullptr || surface->locked) return kFail;
    if (IsTarget(surface)) {
        if (surface->device == nullptr) return kFail;
        try {
            surface->pixels.assign(static_cast<std::size_t>(surface->pitch) * surface->height, 0);
        } catch (const std::bad_alloc&) {
            return kFail;
        }
        if (!ReadTarget(surface, {0, 0, surface->width, surface->height}, surface->pixels.data(), surface->pitch)) {
            surface->pixels.clear();
            return kFail;
        }
    }
    const bool wide = surface->bitsPerPixel == 32;
    *locked = LockedSurface{surface->pixels.data(),
                            surface->pitch,
                            surface->width,
                            surface->height,
                            static_cast<std::uint32_t>(surface->bitsPerPixel),
                            wide ? 0xFF0000u : 0xF800u,
                            wide ? 0x00FF00u : 0x07E0u,
                            wide ? 0x0000FFu : 0x001Fu};
    surface->locked = true;
    surface->lockedReadOnly = (flags & kLockReadOnly) != 0;
    return kOk;
}

Result UnlockSurface(Surface* surface) {
    if (surface == nullptr || !surface->locked) return kFail;
    surface->locked = false;
    const bool written = !surface->lockedReadOnly;
    surface->lockedReadOnly = false;
    if (IsTarget(surface)) {
        Result result = written ? kFail : kOk;
        if (written && surface->texture != nullptr &&
            SDL_UpdateTexture(surface->texture, nullptr, surface->pixels.data(), surface->pitch) == 0) {
            result = kOk;
        }
        surface->pixels.clear();
        surface->pixels.shrink_to_fit();
        return result;
    }
    if (written) surface->textureStale = true;
    return kOk;
}

Result FillSurface(Surface* surface, std::uint32_t colour) {
    if (surface == nullptr || surface->locked) return kFail;
    if (surface->lost) return kSurfaceLost;
    const int bits = surface->bitsPerPixel;
    const std::uint32_t value = colour & PixelMask(bits);
    if (IsTarget(surface)) {
        if (!sdl::BindTarget(surface)) return kFail;
        const Rgb rgb = ToRgb(value, bits);
        SDL_Renderer* renderer = surface->device->renderer;
        SDL_SetRenderDrawColor(renderer, rgb.r, rgb.g, rgb.b, 255);
        ++surface->device->drawCalls;
        return SDL_RenderClear(renderer) == 0 ? kOk : kFail;
    }
    for (int y = 0; y < surface->height; ++y) {
        unsigned char* row = surface->pixels.data() + static_cast<std::ptrdiff_t>(y) * surface->pitch;
        for (int x = 0; x < surface->width; ++x) StorePixel(row, x, bits, value);
    }
    surface->textureStale = true;
    return kOk;
}

Result CopySurfaceFast(Surface* destination, int x, int y, Surface* source, const Rect& sourceRect) {
    if (destination == nullptr || source == nullptr) return kFail;
    const std::int64_t right = static_cast<std::int64_t>(x) + (sourceRect.right - sourceRect.left);
    const std::int64_t bottom = static_cast<std::int64_t>(y) + (sourceRect.bottom - sourceRect.top);
    if (right > destination->width || bottom > destination->height) return kFail;
    const Rect destinationRect{x, y, static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)};
    return Blit(destination, destinationRect, source, sourceRect);
}

Result CopyWholeSurface(Surface* destination, Surface* source) {
    if (destination == nullptr || source == nullptr) return kFail;
    return Blit(destination, {0, 0, destination->width, destination->height}, source,
                {0, 0, source->width, source->height});
}

Result SetSourceColourKey(Surface* surface, std::uint32_t low, std::uint32_t high) {
    if (surface == nullptr) return kFail;
    surface->hasColourKey = true;
    surface->keyLow = low;
    surface->keyHigh = high;
    surface->textureStale = true;
    return kOk;
}

Result IsSurfaceLost(Surface* surface) {
    if (surface == nullptr) return kFail;
    return surface->lost ? kSurfaceLost : kOk;
}

Result RestoreSurface(Surface* surface) {
    if (surface == nullptr || surface->device == nullptr) return kFail;
    DisplayDevice* device = surface->device;
    if (IsTarget(surface) && surface->texture == nullptr) {
        surface->texture = CreateTargetTexture(device, surface->width, surface->height, surface->bitsPerPixel);
        if (surface->texture == nullptr) return kFail;
    }
    surface->lost = false;
    return kOk;
}

Result FlipSurface(Surface* primary, std::uint32_t flags) {
    if (primary == nullptr || primary->kind != SurfaceKind::kPrimary) return kFail;
    DisplayDevice* device = primary->device;
    Surface* back = primary->attached;
    if (device == nullptr || device->renderer == nullptr || back == nullptr) return kFail;
    if (device->reportLost) {
        device->reportLost = false;
        return kSurfaceLost;
    }
    if (primary->lost || back->lost || primary->texture == nullptr || back->texture == nullptr) return kSurfaceLost;
    SDL_Renderer* renderer = device->renderer;
    const bool vsync = device->vsyncRequested && (flags & kFlipNoVsync) == 0;
    if (vsync != device->vsyncOn && SDL_RenderSetVSync(renderer, vsync ? 1 : 0) == 0) device->vsyncOn = vsync;

    if (SDL_SetRenderTarget(renderer, nullptr) != 0) return kFail;
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    int outputWidth = 0, outputHeight = 0;
    SDL_GetRendererOutputSize(renderer, &outputWidth, &outputHeight);
    const Rect box = sdl::ComputeLetterbox(outputWidth, outputHeight, back->width, back->height);
    const bool scaled = box.right - box.left != back->width || box.bottom - box.top != back->height;
    PrepareOpaqueCopy(renderer, back->texture, scaled ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
    const SDL_Rect to = ToSdl(box);
    if (box.right > box.left) SDL_RenderCopy(renderer, back->texture, nullptr, &to);
    SDL_RenderPresent(renderer);
#ifdef __EMSCRIPTEN__
    // In a page the frame shows once the browser gets control back.
    if ((flags & kFlipNoVsync) == 0) web::WaitForAnimationFrame();
#endif
    // Page flipping: what was shown becomes the buffer to draw the next frame in.
    std::swap(primary->texture, back->texture);
    device->letterbox = box;
    ++device->presented;
    return kOk;
}

bool PaintSurfaceBlack(Surface* surface, int width, int height) {
    if (surface == nullptr || surface->locked || surface->lost) return false;
    width = std::min(width, surface->width);
    height = std::min(height, surface->height);
    if (width <= 0 || height <= 0) return true;
    if (IsTarget(surface)) {
        if (!sdl::BindTarget(surface)) return false;
        SDL_Renderer* renderer = surface->device->renderer;
        SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_NONE);
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        const SDL_Rect rect{0, 0, width, height};
        ++surface->device->drawCalls;
        return SDL_RenderFillRect(renderer, &rect) == 0;
    }
    for (int y = 0; y < height; ++y) {
        std::memset(surface->pixels.data() + static_cast<std::ptrdiff_t>(y) * surface->pitch, 0,
                    static_cast<std::size_t>(width) * BytesPerPixel(surface->bitsPerPixel));
    }
    surface->textureStale = true;
    return true;
}

}  // namespace platform
