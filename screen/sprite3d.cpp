#include "screen/sprite3d.h"

#include "screen/screen.h"
#include "screen/sprites.h"

namespace screen {

Sprite3DState gSprite3D{};

namespace {

runtime::ObjectTable gSprites3D{};

void SetQuad(Sprite3DRecord* record, std::int32_t width, std::int32_t height) {
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    const float xs[4] = {0.0f, w, 0.0f, w};
    const float ys[4] = {0.0f, 0.0f, h, h};
    for (int i = 0; i < 4; ++i) {
        record->vertices[i].x = xs[i];
        record->vertices[i].y = ys[i];
    }
    record->width = static_cast<std::int16_t>(width);
    record->height = static_cast<std::int16_t>(height);
}

// The walk step of SurfaceReleased; context points at the released surface.
std::int32_t ForgetReleasedSurface(std::int32_t number, void* context) {
    const void* released = *static_cast<const void**>(context);
    Sprite3DRecord* record = LookupSprite3D(number);
    if (record != nullptr && record->texture == released) FreeSprite3D(number);
    return 1;
}

// A 3D sprite never draws with a surface that is gone: when a sprite's
// surface is released, every 3D sprite made from it becomes empty.
void SurfaceReleased(const void* surface) { runtime::ForEachObject(gSprites3D, ForgetReleasedSurface, &surface); }

}  // namespace

void ResetSprite3DModule() {
    gSprite3D = Sprite3DState{};
    gSprites3D = runtime::ObjectTable{};
}

const runtime::ObjectTable& Sprite3DTable() { return gSprites3D; }

Sprite3DRecord* LookupSprite3D(std::int32_t number) {
    return static_cast<Sprite3DRecord*>(runtime::LookupEntry(gSprites3D, number));
}

std::int32_t InitSprite3DSystem() {
    runtime::InitObjectTable(gSprites3D, 50, 50, sizeof(Sprite3DRecord));
    SetSurfaceReleasedHook(SurfaceReleased);
    std::int32_t result = 0;
    if (gScreen.display != nullptr) {
        gSprite3D.direct3d = platform::QueryDirect3D(gScreen.display);
        if (gSprite3D.direct3d != nullptr) result = 1;
    }
    gSprite3D.refresh = 1;
    gSprite3D.inPass = 0;
    return result;
}

void SetSprite3DFilter(std::int32_t filter) { gSprite3D.filter = filter; }

std::intptr_t CreateSprite3D(std::int32_t number, std::int32_t sprite) {
    std::int32_t effective = number;
    if (runtime::GetOrGrowEntry(gSprites3D, effective) == nullptr) return 0;
    FreeSprite3D(effective);
    auto* record = static_cast<Sprite3DRecord*>(runtime::GetOrGrowEntry(gSprites3D, effective));
    const SpriteRecord* source = LookupSprite(sprite);
    if (record == nullptr || source == nullptr || source->mode != kSpriteModeTexture) return 0;
    for (int i = 0; i < 4; ++i) {
        record->vertices[i] = platform::TLVertex{
            0.0f, 0.0f, 0.0f, 1.0f, 0xFFFFFFFFu, 0u, (i & 1) != 0 ? 1.0f : 0.0f, (i & 2) != 0 ? 1.0f : 0.0f};
    }
    SetQuad(record, source->width, source->height);
    record->texture = static_cast<platform::Surface*>(source->surface);
    return number == -1 ? effective : 1;
}

void FreeSprite3D(std::int32_t number) {
    Sprite3DRecord* record = LookupSprite3D(number);
    if (record == nullptr) return;
    record->texture = nullptr;
    runtime::FreeEntry(gSprites3D, number);
}

void FreeAllSprites3D() {
    runtime::ForEachObject(gSprites3D, [](std::int32_t number, void*) -> std::int32_t {
        FreeSprite3D(number);
        return 1;
    });
}

std::int32_t Start3D() {
    // While switched away nothing is drawn: no pass begins.
    if (gScreen.active == 0) return 0;
    if (gSprite3D.refresh != 0 || gSprite3D.deviceStamp != gScreen.openStamp) {
        if (gSprite3D.device != nullptr) platform::ReleaseDevice3D(gSprite3D.device);
        gSprite3D.device = nullptr;
        if (gSprite3D.direct3d == nullptr || gScreen.backBuffer == nullptr) return 0;
        if (platform::CreateDevice3D(gSprite3D.direct3d, gScreen.backBuffer, &gSprite3D.device) != platform::kOk ||
            gSprite3D.device == nullptr) {
            gSprite3D.device = nullptr;
            return 0;
        }
        if (platform::GetViewport3D(gSprite3D.device, &gSprite3D.viewport) == platform::kOk) {
            gSprite3D.refresh = 0;
            gSprite3D.deviceStamp = gScreen.openStamp;
        }
    }
    if (gSprite3D.device == nullptr) return 0;
    if (platform::BeginScene3D(gSprite3D.device) != platform::kOk) return 0;
    platform::SetRenderState3D(gSprite3D.device, platform::kRsAlphaBlendEnable, 1);
    platform::SetRenderState3D(gSprite3D.device, platform::kRsSrcBlend, platform::kBlendSrcAlpha);
    platform::SetRenderState3D(gSprite3D.device, platform::kRsDestBlend, platform::kBlendInvSrcAlpha);
    platform::SetRenderState3D(gSprite3D.device, platform::kRsColourKeyEnable, 1);
    gSprite3D.inPass = 1;
    return 1;
}

void Stop3D() {
    if (gSprite3D.inPass == 0) return;
    platform::EndScene3D(gSprite3D.device);
    gSprite3D.inPass = 0;
}

void ZoomSprite3D(std::int32_t number, std::int32_t width, std::int32_t height) {
    Sprite3DRecord* record = LookupSprite3D(number);
    if (record == nullptr) return;
    SetQuad(record, width, height);
}

void DisplaySprite3D(std::int32_t number, std::int32_t x, std::int32_t y, std::int32_t alpha) {
    const Sprite3DRecord* record = LookupSprite3D(number);
    if (record == nullptr || gSprite3D.inPass == 0) return;
    platform::TLVertex vertices[4];
    const std::uint32_t mask = (static_cast<std::uint32_t>(alpha) << 24) | 0xFFFFFFu;
    for (int i = 0; i < 4; ++i) {
        vertices[i] = record->vertices[i];
        vertices[i].x += static_cast<float>(x);
        vertices[i].y += static_cast<float>(y);
        vertices[i].diffuse &= mask;
    }
    platform::SetTextureStageState3D(gSprite3D.device, 0, platform::kTssMagFilter,
                                     gSprite3D.filter != 0 ? platform::kFilterLinear : platform::kFilterPoint);
    platform::SetTexture3D(gSprite3D.device, 0, record->texture);
    platform::SetTextureStageState3D(gSprite3D.device, 0, platform::kTssAlphaOp, platform::kTopSelectArg2);
    platform::DrawPrimitive3D(gSprite3D.device, platform::kTriangleStrip, platform::kFvfTLVertex, vertices, 4, 0);
}

}  // namespace screen
