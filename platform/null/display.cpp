// No display: the device cannot be created, so every screen operation of the
// program fails quietly and nothing is drawn.

#include "platform/device3d.h"
#include "platform/display.h"

namespace platform {

DisplayDevice* CreateDisplayDevice() { return nullptr; }
void ReleaseDisplayDevice(DisplayDevice*) {}
Result SetDisplayCooperativeLevel(DisplayDevice*, WindowHandle, std::uint32_t) { return kFail; }
Result SetDisplayMode(DisplayDevice*, int, int, int) { return kFail; }
Result CreatePrimarySurface(DisplayDevice*, Surface** primary) {
    *primary = nullptr;
    return kFail;
}
Result GetBackBuffer(Surface*, Surface** backBuffer) {
    *backBuffer = nullptr;
    return kFail;
}
Result CreateSurface(DisplayDevice*, int, int, std::uint32_t, Surface** surface) {
    *surface = nullptr;
    return kFail;
}
Result RestoreAllSurfaces(DisplayDevice*) { return kFail; }
void ReleaseSurface(Surface*) {}
Result LockSurface(Surface*, LockedSurface*, std::uint32_t) { return kFail; }
Result UnlockSurface(Surface*) { return kFail; }
Result FillSurface(Surface*, std::uint32_t) { return kFail; }
Result CopySurfaceFast(Surface*, int, int, Surface*, const Rect&) { return kFail; }
Result CopyWholeSurface(Surface*, Surface*) { return kFail; }
Result SetSourceColourKey(Surface*, std::uint32_t, std::uint32_t) { return kFail; }
Result IsSurfaceLost(Surface*) { return kOk; }
Result RestoreSurface(Surface*) { return kFail; }
Result FlipSurface(Surface*, std::uint32_t) { return kFail; }
bool PaintSurfaceBlack(Surface*, int, int) { return false; }

Direct3D* QueryDirect3D(DisplayDevice*) { return nullptr; }
void ReleaseDirect3D(Direct3D*) {}
Result CreateDevice3D(Direct3D*, Surface*, Device3D** device) {
    *device = nullptr;
    return kFail;
}
void ReleaseDevice3D(Device3D*) {}
Result GetViewport3D(Device3D*, Viewport3D*) { return kFail; }
Result BeginScene3D(Device3D*) { return kFail; }
Result EndScene3D(Device3D*) { return kFail; }
Result SetRenderState3D(Device3D*, std::uint32_t, std::uint32_t) { return kFail; }
Result SetTextureStageState3D(Device3D*, std::uint32_t, std::uint32_t, std::uint32_t) { return kFail; }
Result SetTexture3D(Device3D*, std::uint32_t, Surface*) { return kFail; }
Result DrawPrimitive3D(Device3D*, std::uint32_t, std::uint32_t, const TLVertex*, std::uint32_t, std::uint32_t) {
    return kFail;
}

}  // namespace platform
