// The display through DirectDraw 7 ("DDRAW.DLL", loaded by name) and its
// Direct3D 7 interface.  The seam's handles are the COM interfaces.

#include "platform/win32/common.h"

#include <ddraw.h>
#include <d3d.h>

#include <cstddef>
#include <type_traits>

#include "platform/device3d.h"
#include "platform/display.h"
#include "platform/shared_holder.h"

namespace platform {

// The seam's constants and records are the system's own.
static_assert(kSurfaceLost == static_cast<Result>(DDERR_SURFACELOST));
static_assert(kDisplayFullscreenExclusive == (DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE));
static_assert(kDisplayNormal == DDSCL_NORMAL);
static_assert(kCapsOffscreenPlain == DDSCAPS_OFFSCREENPLAIN);
static_assert(kCapsSystemMemory == DDSCAPS_SYSTEMMEMORY);
static_assert(kCapsTexture == DDSCAPS_TEXTURE);
static_assert(kFlipWait == DDFLIP_WAIT && kFlipNoVsync == DDFLIP_NOVSYNC);
static_assert(kLockReadOnly == DDLOCK_READONLY);
static_assert(sizeof(DDSURFACEDESC2) == 124);
static_assert(sizeof(DDBLTFX) == 100);
static_assert(sizeof(TLVertex) == sizeof(D3DTLVERTEX));
static_assert(offsetof(TLVertex, diffuse) == offsetof(D3DTLVERTEX, color));
static_assert(offsetof(TLVertex, u) == offsetof(D3DTLVERTEX, tu));
static_assert(sizeof(Viewport3D) == sizeof(D3DVIEWPORT7));
static_assert(kRsAlphaBlendEnable == D3DRENDERSTATE_ALPHABLENDENABLE);
static_assert(kRsSrcBlend == D3DRENDERSTATE_SRCBLEND && kRsDestBlend == D3DRENDERSTATE_DESTBLEND);
static_assert(kRsColourKeyEnable == D3DRENDERSTATE_COLORKEYENABLE);
static_assert(kBlendSrcAlpha == D3DBLEND_SRCALPHA && kBlendInvSrcAlpha == D3DBLEND_INVSRCALPHA);
static_assert(kTssAlphaOp == D3DTSS_ALPHAOP && kTssMagFilter == D3DTSS_MAGFILTER);
static_assert(kTopSelectArg2 == D3DTOP_SELECTARG2);
static_assert(kFilterPoint == D3DTFG_POINT && kFilterLinear == D3DTFG_LINEAR);
static_assert(kTriangleStrip == D3DPT_TRIANGLESTRIP && kFvfTLVertex == D3DFVF_TLVERTEX);

namespace {

using DirectDrawCreateExProc = HRESULT(WINAPI*)(GUID*, LPVOID*, REFIID, IUnknown*);

// Failure of a call on an absent object.
constexpr Result kInvalid = static_cast<Result>(DDERR_INVALIDPARAMS);

// The library stays loaded while any object made from it lives: each
// object is one user of it.
SharedHolder<std::remove_pointer_t<HMODULE>> gDisplayLibrary;

IDirectDraw7* Native(DisplayDevice* device) { return reinterpret_cast<IDirectDraw7*>(device); }
IDirectDrawSurface7* Native(Surface* surface) { return reinterpret_cast<IDirectDrawSurface7*>(surface); }
IDirect3D7* Native(Direct3D* direct3d) { return reinterpret_cast<IDirect3D7*>(direct3d); }
IDirect3DDevice7* Native(Device3D* device) { return reinterpret_cast<IDirect3DDevice7*>(device); }

DDSURFACEDESC2 EmptyDescription() {
    DDSURFACEDESC2 description{};
    description.dwSize = sizeof(DDSURFACEDESC2);
    return description;
}

}  // namespace

DisplayDevice* CreateDisplayDevice() {
    HMODULE library = gDisplayLibrary.Acquire([] { return ::LoadLibraryA("DDRAW.DLL"); });
    IDirectDraw7* object = nullptr;
    if (library != nullptr) {
        const auto create = reinterpret_cast<DirectDrawCreateExProc>(
            reinterpret_cast<void*>(::GetProcAddress(library, "DirectDrawCreateEx")));
        if (create != nullptr) create(nullptr, reinterpret_cast<LPVOID*>(&object), IID_IDirectDraw7, nullptr);
    }
    if (object == nullptr) {
        gDisplayLibrary.Release(::FreeLibrary);
        return nullptr;
    }
    return reinterpret_cast<DisplayDevice*>(object);
}

void ReleaseDisplayDevice(DisplayDevice* device) {
    if (device == nullptr) return;
    Native(device)->Release();
    if (gDisplayLibrary.users() > 0) gDisplayLibrary.Release(::FreeLibrary);
}

Result SetDisplayCooperativeLevel(DisplayDevice* device, WindowHandle window, std::uint32_t flags) {
    if (device == nullptr) return kInvalid;
    return static_cast<Result>(Native(device)->SetCooperativeLevel(reinterpret_cast<HWND>(window), flags));
}

Result SetDisplayMode(DisplayDevice* device, int width, int height, int bitsPerPixel) {
    if (device == nullptr) return kInvalid;
    return static_cast<Result>(Native(device)->SetDisplayMode(static_cast<DWORD>(width), static_cast<DWORD>(height),
                                                              static_cast<DWORD>(bitsPerPixel), 0, 0));
}

Result CreatePrimarySurface(DisplayDevice* device, Surface** primary) {
    if (primary == nullptr) return kInvalid;
    *primary = nullptr;
    if (device == nullptr) return kInvalid;
    DDSURFACEDESC2 description = EmptyDescription();
    description.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    description.dwBackBufferCount = 1;
    description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
    IDirectDrawSurface7* surface = nullptr;
    const HRESULT result = Native(device)->CreateSurface(&description, &surface, nullptr);
    if (FAILED(result)) surface = nullptr;
    *primary = reinterpret_cast<Surface*>(surface);
    return static_cast<Result>(result);
}

Result GetBackBuffer(Surface* primary, Surface** backBuffer) {
    if (backBuffer == nullptr) return kInvalid;
    *backBuffer = nullptr;
    if (primary == nullptr) return kInvalid;
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER | DDSCAPS_3DDEVICE;
    IDirectDrawSurface7* surface = nullptr;
    const HRESULT result = Native(primary)->GetAttachedSurface(&caps, &surface);
    if (FAILED(result)) surface = nullptr;
    *backBuffer = reinterpret_cast<Surface*>(surface);
    return static_cast<Result>(result);
}

Result CreateSurface(DisplayDevice* device, int width, int height, std::uint32_t caps, Surface** surface) {
    if (surface == nullptr) return kInvalid;
    *surface = nullptr;
    if (device == nullptr || width <= 0 || height <= 0) return kInvalid;
    DDSURFACEDESC2 description = EmptyDescription();
    description.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    description.dwWidth = static_cast<DWORD>(width);
    description.dwHeight = static_cast<DWORD>(height);
    description.ddsCaps.dwCaps = caps;
    IDirectDrawSurface7* created = nullptr;
    const HRESULT result = Native(device)->CreateSurface(&description, &created, nullptr);
    if (FAILED(result)) created = nullptr;
    *surface = reinterpret_cast<Surface*>(created);
    return static_cast<Result>(result);
}

Result RestoreAllSurfaces(DisplayDevice* device) {
    if (device == nullptr) return kInvalid;
    return static_cast<Result>(Native(device)->RestoreAllSurfaces());
}

void ReleaseSurface(Surface* surface) {
    if (surface != nullptr) Native(surface)->Release();
}

Result LockSurface(Surface* surface, LockedSurface* locked, std::uint32_t flags) {
    if (surface == nullptr || locked == nullptr) return kInvalid;
    DDSURFACEDESC2 description = EmptyDescription();
    const HRESULT result = Native(surface)->Lock(nullptr, &description, DDLOCK_WAIT | (flags & kLockReadOnly), nullptr);
    if (FAILED(result)) return static_cast<Result>(result);
    locked->pixels = description.lpSurface;
    locked->pitch = static_cast<std::int32_t>(description.lPitch);
    locked->width = static_cast<std::int32_t>(description.dwWidth);
    locked->height = static_cast<std::int32_t>(description.dwHeight);
    locked->bitsPerPixel = description.ddpfPixelFormat.dwRGBBitCount;
    locked->redMask = description.ddpfPixelFormat.dwRBitMask;
    locked->greenMask = description.ddpfPixelFormat.dwGBitMask;
    locked->blueMask = description.ddpfPixelFormat.dwBBitMask;
    return static_cast<Result>(result);
}

Result UnlockSurface(Surface* surface) {
    if (surface == nullptr) return kInvalid;
    return static_cast<Result>(Native(surface)->Unlock(nullptr));
}

Result FillSurface(Surface* surface, std::uint32_t colour) {
    if (surface == nullptr) return kInvalid;
    DDBLTFX effects{};
    effects.dwSize = sizeof(DDBLTFX);
    effects.dwFillColor = colour;
    return static_cast<Result>(Native(surface)->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &effects));
}

Result CopySurfaceFast(Surface* destination, int x, int y, Surface* source, const Rect& sourceRect) {
    if (destination == nullptr || source == nullptr) return kInvalid;
    RECT rect{sourceRect.left, sourceRect.top, sourceRect.right, sourceRect.bottom};
    return static_cast<Result>(
        Native(destination)
            ->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), Native(source), &rect, DDBLTFAST_WAIT));
}

Result CopyWholeSurface(Surface* destination, Surface* source) {
    if (destination == nullptr || source == nullptr) return kInvalid;
    return static_cast<Result>(Native(destination)->Blt(nullptr, Native(source), nullptr, DDBLT_WAIT, nullptr));
}

Result SetSourceColourKey(Surface* surface, std::uint32_t low, std::uint32_t high) {
    if (surface == nullptr) return kInvalid;
    DDCOLORKEY key{};
    key.dwColorSpaceLowValue = low;
    key.dwColorSpaceHighValue = high;
    return static_cast<Result>(Native(surface)->SetColorKey(DDCKEY_SRCBLT, &key));
}

Result IsSurfaceLost(Surface* surface) {
    if (surface == nullptr) return kInvalid;
    return static_cast<Result>(Native(surface)->IsLost());
}

Result RestoreSurface(Surface* surface) {
    if (surface == nullptr) return kInvalid;
    return static_cast<Result>(Native(surface)->Restore());
}

Result FlipSurface(Surface* primary, std::uint32_t flags) {
    if (primary == nullptr) return kInvalid;
    return static_cast<Result>(Native(primary)->Flip(nullptr, flags));
}

bool PaintSurfaceBlack(Surface* surface, int width, int height) {
    if (surface == nullptr) return false;
    HDC context = nullptr;
    if (FAILED(Native(surface)->GetDC(&context)) || context == nullptr) return false;
    ::SelectObject(context, ::GetStockObject(BLACK_BRUSH));
    ::Rectangle(context, 0, 0, width, height);
    Native(surface)->ReleaseDC(context);
    return true;
}

// Direct3D 7.

Direct3D* QueryDirect3D(DisplayDevice* device) {
    if (device == nullptr) return nullptr;
    IDirect3D7* direct3d = nullptr;
    if (FAILED(Native(device)->QueryInterface(IID_IDirect3D7, reinterpret_cast<LPVOID*>(&direct3d)))) return nullptr;
    return reinterpret_cast<Direct3D*>(direct3d);
}

void ReleaseDirect3D(Direct3D* direct3d) {
    if (direct3d != nullptr) Native(direct3d)->Release();
}

Result CreateDevice3D(Direct3D* direct3d, Surface* renderTarget, Device3D** device) {
    if (device == nullptr) return kInvalid;
    *device = nullptr;
    if (direct3d == nullptr || renderTarget == nullptr) return kInvalid;
    IDirect3DDevice7* created = nullptr;
    const HRESULT result = Native(direct3d)->CreateDevice(IID_IDirect3DHALDevice, Native(renderTarget), &created);
    if (FAILED(result)) created = nullptr;
    *device = reinterpret_cast<Device3D*>(created);
    return static_cast<Result>(result);
}

void ReleaseDevice3D(Device3D* device) {
    if (device != nullptr) Native(device)->Release();
}

Result GetViewport3D(Device3D* device, Viewport3D* viewport) {
    if (device == nullptr || viewport == nullptr) return kInvalid;
    D3DVIEWPORT7 native{};
    const HRESULT result = Native(device)->GetViewport(&native);
    if (SUCCEEDED(result)) {
        viewport->x = native.dwX;
        viewport->y = native.dwY;
        viewport->width = native.dwWidth;
        viewport->height = native.dwHeight;
        viewport->minZ = native.dvMinZ;
        viewport->maxZ = native.dvMaxZ;
    }
    return static_cast<Result>(result);
}

Result BeginScene3D(Device3D* device) {
    if (device == nullptr) return kInvalid;
    return static_cast<Result>(Native(device)->BeginScene());
}

Result EndScene3D(Device3D* device) {
    if (device == nullptr) return kInvalid;
    return static_cast<Result>(Native(device)->EndScene());
}

Result SetRenderState3D(Device3D* device, std::uint32_t state, std::uint32_t value) {
    if (device == nullptr) return kInvalid;
    return static_cast<Result>(Native(device)->SetRenderState(static_cast<D3DRENDERSTATETYPE>(state), value));
}

Result SetTextureStageState3D(Device3D* device, std::uint32_t stage, std::uint32_t type, std::uint32_t value) {
    if (device == nullptr) return kInvalid;
    return static_cast<Result>(
        Native(device)->SetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(type), value));
}

Result SetTexture3D(Device3D* device, std::uint32_t stage, Surface* texture) {
    if (device == nullptr) return kInvalid;
    return static_cast<Result>(Native(device)->SetTexture(stage, Native(texture)));
}

Result DrawPrimitive3D(Device3D* device, std::uint32_t primitive, std::uint32_t vertexFormat, const TLVertex* vertices,
                       std::uint32_t count, std::uint32_t flags) {
    if (device == nullptr || vertices == nullptr) return kInvalid;
    // The device only reads the vertices.
    return static_cast<Result>(Native(device)->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(primitive), vertexFormat,
                                                             const_cast<TLVertex*>(vertices), count, flags));
}

}  // namespace platform
