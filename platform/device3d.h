// The 3D device that draws textured quads into the back buffer, shaped after
// Direct3D 7: transformed and lit vertices, alpha blending, colour keying.
#pragma once

#include "platform/display.h"

namespace platform {

struct Direct3D;
struct Device3D;

// D3DTLVERTEX.
struct TLVertex {
    float x;
    float y;
    float z;
    float rhw;
    std::uint32_t diffuse;
    std::uint32_t specular;
    float u;
    float v;
};

struct Viewport3D {  // D3DVIEWPORT7
    std::uint32_t x;
    std::uint32_t y;
    std::uint32_t width;
    std::uint32_t height;
    float minZ;
    float maxZ;
};

// Render states and values.
constexpr std::uint32_t kRsAlphaBlendEnable = 27;
constexpr std::uint32_t kRsSrcBlend = 19;
constexpr std::uint32_t kRsDestBlend = 20;
constexpr std::uint32_t kRsColourKeyEnable = 41;
constexpr std::uint32_t kBlendSrcAlpha = 5;
constexpr std::uint32_t kBlendInvSrcAlpha = 6;
// Texture stage states and values.
constexpr std::uint32_t kTssAlphaOp = 4;
constexpr std::uint32_t kTssMagFilter = 16;
constexpr std::uint32_t kTopSelectArg2 = 3;
constexpr std::uint32_t kFilterPoint = 1;
constexpr std::uint32_t kFilterLinear = 2;
// Primitive.
constexpr std::uint32_t kTriangleStrip = 5;
constexpr std::uint32_t kFvfTLVertex = 0x1C4;

// QueryInterface of the display device for its 3D interface.  Null on failure.
Direct3D* QueryDirect3D(DisplayDevice* device);
void ReleaseDirect3D(Direct3D* direct3d);
// The hardware device rendering into the given target.
Result CreateDevice3D(Direct3D* direct3d, Surface* renderTarget, Device3D** device);
void ReleaseDevice3D(Device3D* device);
Result GetViewport3D(Device3D* device, Viewport3D* viewport);
Result BeginScene3D(Device3D* device);
Result EndScene3D(Device3D* device);
Result SetRenderState3D(Device3D* device, std::uint32_t state, std::uint32_t value);
Result SetTextureStageState3D(Device3D* device, std::uint32_t stage, std::uint32_t type, std::uint32_t value);
Result SetTexture3D(Device3D* device, std::uint32_t stage, Surface* texture);
Result DrawPrimitive3D(Device3D* device, std::uint32_t primitive, std::uint32_t vertexFormat, const TLVertex* vertices,
                       std::uint32_t count, std::uint32_t flags);

}  // namespace platform
