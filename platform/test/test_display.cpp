#include "platform/test/test_display.h"

#include <algorithm>
#include <cstring>
#include <list>

namespace platform {

struct Surface {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int pitch = 0;
    std::uint32_t caps = 0;
    std::vector<std::uint8_t> pixels;
    bool primary = false;
    Surface* backBuffer = nullptr;
    bool lost = false;
    bool locked = false;
    bool lockedReadOnly = false;
    std::vector<std::uint8_t> readOnlyCopy;  // the pixels when a read-only lock was taken
    int writeLocks = 0;
    bool hasColourKey = false;
    std::uint32_t colourKeyLow = 0;
};

struct DisplayDevice {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    bool exclusive = false;
};

struct Direct3D {
    int tag = 0;
};

struct Device3D {
    Surface* target = nullptr;
    bool inScene = false;
    std::uint32_t renderStates[64] = {};
    std::uint32_t magFilter = kFilterPoint;
    std::uint32_t alphaOp = 0;
    Surface* texture = nullptr;
};

namespace {

struct DisplayTestState {
    bool available = true;
    std::uint32_t greenMask16 = 0x07E0;
    std::uint32_t redMask24 = 0xFF0000;
    int refusedDepth = 0;
    std::list<Surface> surfaces;
    DisplayDevice device;
    bool deviceExists = false;
    Direct3D direct3d;
    std::list<Device3D> devices;
    Surface* primary = nullptr;
    int flips = 0;
    int deviceCreates = 0;
    int blitViolations = 0;
    int readOnlyViolations = 0;
    std::vector<test::CopyRecord> copies;
    std::vector<test::DrawRecord> draws;
};

DisplayTestState& DState() {
    static DisplayTestState state;
    return state;
}

Surface* NewSurface(int width, int height, int bits, std::uint32_t caps) {
    Surface& s = DState().surfaces.emplace_back();
    s.width = width;
    s.height = height;
    s.bitsPerPixel = bits;
    s.pitch = ((width * (bits / 8)) + 3) & ~3;
    s.caps = caps;
    s.pixels.assign(static_cast<std::size_t>(s.pitch) * height, 0);
    return &s;
}

void StorePixel(Surface* s, int x, int y, std::uint32_t value) {
    std::uint8_t* p = s->pixels.data() + static_cast<std::size_t>(y) * s->pitch + x * (s->bitsPerPixel / 8);
    for (int i = 0; i < s->bitsPerPixel / 8; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t LoadPixel(const Surface* s, int x, int y) {
    const std::uint8_t* p = s->pixels.data() + static_cast<std::size_t>(y) * s->pitch + x * (s->bitsPerPixel / 8);
    std::uint32_t value = 0;
    for (int i = 0; i < s->bitsPerPixel / 8; ++i) value |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    return value;
}

bool Alive(const Surface* surface) {
    for (const Surface& s : DState().surfaces) {
        if (&s == surface) return true;
    }
    return false;
}

}  // namespace

namespace test {

void ResetDisplay() { DState() = DisplayTestState{}; }
void SetDisplayAvailable(bool available) { DState().available = available; }
void SetDisplayMasks(std::uint32_t greenMask16, std::uint32_t redMask24) {
    DState().greenMask16 = greenMask16;
    DState().redMask24 = redMask24;
}
void RefuseDepth(int bitsPerPixel) { DState().refusedDepth = bitsPerPixel; }
void LoseSurface(Surface* surface, bool memoryLost) {
    if (surface == nullptr || !Alive(surface)) return;
    surface->lost = true;
    if (memoryLost) std::fill(surface->pixels.begin(), surface->pixels.end(), std::uint8_t{0xCD});
}
void LoseAllSurfaces() {
    for (Surface& s : DState().surfaces) LoseSurface(&s, true);
}
void LoseAllSurfacesKeepingPixels() {
    for (Surface& s : DState().surfaces) LoseSurface(&s, false);
}
SurfaceInfo DescribeSurface(const Surface* surface) {
    return {surface->width, surface->height,       surface->bitsPerPixel, surface->pitch,
            surface->caps,  surface->hasColourKey, surface->colourKeyLow};
}
std::uint32_t PixelAt(const Surface* surface, int x, int y) { return LoadPixel(surface, x, y); }
std::uint32_t PrimaryPixelAt(int x, int y) {
    return DState().primary == nullptr ? 0 : LoadPixel(DState().primary, x, y);
}
int LiveSurfaceCount() { return static_cast<int>(DState().surfaces.size()); }
int FlipCount() { return DState().flips; }
int DeviceCreateCount() { return DState().deviceCreates; }
int BlitViolations() { return DState().blitViolations; }
int WriteLocks(const Surface* surface) { return surface == nullptr ? 0 : surface->writeLocks; }
int ReadOnlyViolations() { return DState().readOnlyViolations; }
const std::vector<CopyRecord>& Copies() { return DState().copies; }
const std::vector<DrawRecord>& Draws() { return DState().draws; }
void ClearRecords() {
    DState().copies.clear();
    DState().draws.clear();
}

}  // namespace test

DisplayDevice* CreateDisplayDevice() {
    DisplayTestState& state = DState();
    if (!state.available) return nullptr;
    state.device = DisplayDevice{};
    state.deviceExists = true;
    return &state.device;
}

void ReleaseDisplayDevice(DisplayDevice*) { DState().deviceExists = false; }

Result SetDisplayCooperativeLevel(DisplayDevice* device, WindowHandle, std::uint32_t flags) {
    if (device == nullptr) return kFail;
    device->exclusive = flags == kDisplayFullscreenExclusive;
    return kOk;
}

Result SetDisplayMode(DisplayDevice* device, int width, int height, int bitsPerPixel) {
    if (device == nullptr || !device->exclusive) return kFail;
    if (bitsPerPixel == DState().refusedDepth || (bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) ||
        width <= 0 || height <= 0) {
        return kFail;
    }
    device->width = width;
    device->height = height;
    device->bitsPerPixel = bitsPerPixel;
    return kOk;
}

Result CreatePrimarySurface(DisplayDevice* device, Surface** primary) {
    *primary = nullptr;
    if (device == nullptr || device->bitsPerPixel == 0) return kFail;
    Surface* front = NewSurface(device->width, device->height, device->bitsPerPixel, 0x2218);
    front->primary = true;
    front->backBuffer = NewSurface(device->width, device->height, device->bitsPerPixel, 0x2004);
    DState().primary = front;
    *primary = front;
    return kOk;
}

Result GetBackBuffer(Surface* primary, Surface** backBuffer) {
    *backBuffer = primary == nullptr ? nullptr : primary->backBuffer;
    return *backBuffer == nullptr ? kFail : kOk;
}

Result CreateSurface(DisplayDevice* device, int width, int height, std::uint32_t caps, Surface** surface) {
    *surface = nullptr;
    if (device == nullptr || device->bitsPerPixel == 0 || width <= 0 || height <= 0) return kFail;
    *surface = NewSurface(width, height, device->bitsPerPixel, caps);
    return kOk;
}

Result RestoreAllSurfaces(DisplayDevice*) {
    for (Surface& s : DState().surfaces) s.lost = false;
    return kOk;
}

void ReleaseSurface(Surface* surface) {
    DisplayTestState& state = DState();
    if (surface == state.primary) state.primary = nullptr;
    state.surfaces.remove_if([surface](const Surface& s) { return &s == surface; });
}

Result LockSurface(Surface* surface, LockedSurface* locked, std::uint32_t flags) {
    if (surface == nullptr || !Alive(surface) || surface->lost || surface->locked) return kFail;
    surface->locked = true;
    surface->lockedReadOnly = (flags & kLockReadOnly) != 0;
    if (surface->lockedReadOnly) surface->readOnlyCopy = surface->pixels;
    else ++surface->writeLocks;
    locked->pixels = surface->pixels.data();
    locked->pitch = surface->pitch;
    locked->width = surface->width;
    locked->height = surface->height;
    locked->bitsPerPixel = static_cast<std::uint32_t>(surface->bitsPerPixel);
    if (surface->bitsPerPixel == 16) {
        const bool is565 = DState().greenMask16 == 0x07E0;
        locked->redMask = is565 ? 0xF800 : 0x7C00;
        locked->greenMask = DState().greenMask16;
        locked->blueMask = 0x1F;
    } else {
        locked->redMask = DState().redMask24;
        locked->greenMask = 0xFF00;
        locked->blueMask = DState().redMask24 == 0xFF ? 0xFF0000 : 0xFF;
    }
    return kOk;
}

Result UnlockSurface(Surface* surface) {
    if (surface == nullptr || !surface->locked) return kFail;
    surface->locked = false;
    if (surface->lockedReadOnly && surface->readOnlyCopy != surface->pixels) ++DState().readOnlyViolations;
    surface->lockedReadOnly = false;
    surface->readOnlyCopy.clear();
    return kOk;
}

Result FillSurface(Surface* surface, std::uint32_t colour) {
    if (surface == nullptr || !Alive(surface) || surface->lost) return kFail;
    if (surface->height <= 0) return kOk;
    // The first row pixel by pixel, the others as copies of it.
    for (int x = 0; x < surface->width; ++x) StorePixel(surface, x, 0, colour);
    const std::size_t rowBytes = static_cast<std::size_t>(surface->width) * (surface->bitsPerPixel / 8);
    for (int y = 1; y < surface->height; ++y) {
        std::memcpy(surface->pixels.data() + static_cast<std::size_t>(y) * surface->pitch, surface->pixels.data(),
                    rowBytes);
    }
    return kOk;
}

Result CopySurfaceFast(Surface* destination, int x, int y, Surface* source, const Rect& sourceRect) {
    DisplayTestState& state = DState();
    if (destination == nullptr || source == nullptr || !Alive(source) || !Alive(destination)) return kFail;
    state.copies.push_back({destination, x, y, source, sourceRect});
    const int w = sourceRect.right - sourceRect.left;
    const int h = sourceRect.bottom - sourceRect.top;
    if (sourceRect.left < 0 || sourceRect.top < 0 || sourceRect.right > source->width ||
        sourceRect.bottom > source->height || w <= 0 || h <= 0 || x < 0 || y < 0 || x + w > destination->width ||
        y + h > destination->height) {
        ++state.blitViolations;
        return kFail;
    }
    if (source->lost || destination->lost) return kSurfaceLost;
    for (int row = 0; row < h; ++row) {
        for (int col = 0; col < w; ++col) {
            StorePixel(destination, x + col, y + row, LoadPixel(source, sourceRect.left + col, sourceRect.top + row));
        }
    }
    return kOk;
}

Result CopyWholeSurface(Surface* destination, Surface* source) {
    if (destination == nullptr || source == nullptr || !Alive(source) || !Alive(destination)) return kFail;
    if (source->lost) return kSurfaceLost;
    for (int y = 0; y < std::min(destination->height, source->height); ++y) {
        for (int x = 0; x < std::min(destination->width, source->width); ++x) {
            StorePixel(destination, x, y, LoadPixel(source, x, y));
        }
    }
    return kOk;
}

Result SetSourceColourKey(Surface* surface, std::uint32_t low, std::uint32_t) {
    if (surface == nullptr) return kFail;
    surface->hasColourKey = true;
    surface->colourKeyLow = low;
    return kOk;
}

Result IsSurfaceLost(Surface* surface) { return surface != nullptr && surface->lost ? kSurfaceLost : kOk; }

Result RestoreSurface(Surface* surface) {
    if (surface == nullptr) return kFail;
    surface->lost = false;
    return kOk;
}

Result FlipSurface(Surface* primary, std::uint32_t) {
    if (primary == nullptr || !primary->primary) return kFail;
    if (primary->lost || primary->backBuffer->lost) return kSurfaceLost;
    ++DState().flips;
    std::swap(primary->pixels, primary->backBuffer->pixels);
    return kOk;
}

bool PaintSurfaceBlack(Surface* surface, int, int) {
    if (surface == nullptr || surface->lost) return false;
    std::fill(surface->pixels.begin(), surface->pixels.end(), std::uint8_t{0});
    return true;
}

Direct3D* QueryDirect3D(DisplayDevice* device) { return device == nullptr ? nullptr : &DState().direct3d; }
void ReleaseDirect3D(Direct3D*) {}

Result CreateDevice3D(Direct3D* direct3d, Surface* renderTarget, Device3D** device) {
    *device = nullptr;
    if (direct3d == nullptr || renderTarget == nullptr) return kFail;
    Device3D& created = DState().devices.emplace_back();
    created.target = renderTarget;
    ++DState().deviceCreates;
    *device = &created;
    return kOk;
}

void ReleaseDevice3D(Device3D* device) {
    DState().devices.remove_if([device](const Device3D& d) { return &d == device; });
}

Result GetViewport3D(Device3D* device, Viewport3D* viewport) {
    if (device == nullptr) return kFail;
    *viewport = Viewport3D{0,
                           0,
                           static_cast<std::uint32_t>(device->target->width),
                           static_cast<std::uint32_t>(device->target->height),
                           0.0f,
                           1.0f};
    return kOk;
}

Result BeginScene3D(Device3D* device) {
    if (device == nullptr || device->inScene) return kFail;
    if (Alive(device->target) && device->target->lost) return kSurfaceLost;
    device->inScene = true;
    return kOk;
}

Result EndScene3D(Device3D* device) {
    if (device == nullptr || !device->inScene) return kFail;
    device->inScene = false;
    return kOk;
}

Result SetRenderState3D(Device3D* device, std::uint32_t state, std::uint32_t value) {
    if (device == nullptr || state >= 64) return kFail;
    device->renderStates[state] = value;
    return kOk;
}

Result SetTextureStageState3D(Device3D* device, std::uint32_t stage, std::uint32_t type, std::uint32_t value) {
    if (device == nullptr || stage != 0) return kFail;
    if (type == kTssMagFilter) device->magFilter = value;
    if (type == kTssAlphaOp) device->alphaOp = value;
    return kOk;
}

Result SetTexture3D(Device3D* device, std::uint32_t, Surface* texture) {
    if (device == nullptr) return kFail;
    device->texture = texture;
    return kOk;
}

Result DrawPrimitive3D(Device3D* device, std::uint32_t primitive, std::uint32_t vertexFormat, const TLVertex* vertices,
                       std::uint32_t count, std::uint32_t) {
    if (device == nullptr || primitive != kTriangleStrip || vertexFormat != kFvfTLVertex || count != 4) return kFail;
    if ((Alive(device->target) && device->target->lost) || (Alive(device->texture) && device->texture->lost)) {
        return kSurfaceLost;
    }
    test::DrawRecord record{};
    std::memcpy(record.vertices, vertices, sizeof record.vertices);
    record.texture = device->texture;
    record.magFilter = device->magFilter;
    record.alphaOp = device->alphaOp;
    record.alphaBlend = device->renderStates[kRsAlphaBlendEnable] != 0;
    record.srcBlend = device->renderStates[kRsSrcBlend];
    record.destBlend = device->renderStates[kRsDestBlend];
    record.colourKey = device->renderStates[kRsColourKeyEnable] != 0;
    record.inScene = device->inScene;
    DState().draws.push_back(record);
    return kOk;
}

}  // namespace platform
