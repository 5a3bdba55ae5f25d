// The 3D device on SDL: transformed, lit vertices drawn with
// SDL_RenderGeometry into the back buffer.  The texture's pixels that match
// its colour key are left out (their texture copy has alpha 0), the
// vertices' diffuse colour gives the constant alpha, and the magnification
// filter picks SDL's linear or nearest scaling.  A mirrored rectangle (a quad
// of negative width or height) is drawn as a flipped copy, which SDL places
// exactly.

#include <SDL2/SDL.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "platform/sdl/display_internal.h"

namespace platform {

namespace {

// Device defaults: no blending, one / zero, no colour key, point filter,
// alpha from the texture.
constexpr std::uint32_t kBlendOne = 2;
constexpr std::uint32_t kBlendZero = 1;
constexpr std::uint32_t kTopSelectArg1 = 2;

// Blending that ignores the alpha: the source replaces the destination.
bool Replaces(const Device3D* device) {
    return !device->alphaBlend || (device->sourceBlend == kBlendOne && device->destinationBlend == kBlendZero);
}

bool Alive(const Device3D* device) {
    return device != nullptr && device->display != nullptr && device->display->renderer != nullptr;
}

// An axis-aligned rectangle given as a strip: 0 and 1 share the top edge, 2
// and 3 the bottom one, 0 and 2 the left edge, 1 and 3 the right one.
bool AxisAlignedQuad(const TLVertex* v) {
    return v[0].y == v[1].y && v[2].y == v[3].y && v[0].x == v[2].x && v[1].x == v[3].x;
}

// A rectangle of one colour that shows the whole texture mirrored (a quad of
// negative width or height): SDL draws it exactly as a flipped copy.
bool MirroredWholeTexture(const TLVertex* v) {
    if (!AxisAlignedQuad(v)) return false;
    for (int i = 1; i < 4; ++i) {
        if (v[i].diffuse != v[0].diffuse) return false;
    }
    const bool wholeTexture = v[0].u == v[2].u && v[1].u == v[3].u && v[0].v == v[1].v && v[2].v == v[3].v &&
                              std::fabs(v[1].u - v[0].u) == 1.0f && std::fabs(v[2].v - v[0].v) == 1.0f &&
                              std::fmin(v[0].u, v[1].u) == 0.0f && std::fmin(v[0].v, v[2].v) == 0.0f;
    const bool mirrored = (v[1].x < v[0].x) != (v[1].u < v[0].u) || (v[2].y < v[0].y) != (v[2].v < v[0].v);
    return wholeTexture && mirrored;
}

SDL_BlendMode BlendMode(const Device3D* device, bool keyedTexture) {
    // Without blending only keyed texels are left out: they are blended at
    // alpha 0 and everything else at 255.
    if (Replaces(device)) return keyedTexture ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE;
    if (device->sourceBlend == kBlendSrcAlpha && device->destinationBlend == kBlendOne) return SDL_BLENDMODE_ADD;
    return SDL_BLENDMODE_BLEND;
}

}  // namespace

namespace sdl {

void Orphan3D(DisplayDevice* device) {
    for (Direct3D* direct3d : device->direct3ds) direct3d->device = nullptr;
    for (Device3D* device3d : device->devices3d) {
        device3d->display = nullptr;
        device3d->target = nullptr;
        device3d->texture = nullptr;
    }
    device->direct3ds.clear();
    device->devices3d.clear();
}

void ForgetSurface3D(DisplayDevice* device, Surface* surface) {
    for (Device3D* device3d : device->devices3d) {
        if (device3d->target == surface) device3d->target = nullptr;
        if (device3d->texture == surface) device3d->texture = nullptr;
    }
}

}  // namespace sdl

Direct3D* QueryDirect3D(DisplayDevice* device) {
    if (device == nullptr) return nullptr;
    auto* direct3d = new (std::nothrow) Direct3D{device};
    if (direct3d == nullptr) return nullptr;
    device->direct3ds.push_back(direct3d);
    return direct3d;
}

void ReleaseDirect3D(Direct3D* direct3d) {
    if (direct3d == nullptr) return;
    if (direct3d->device != nullptr) {
        auto& list = direct3d->device->direct3ds;
        list.erase(std::remove(list.begin(), list.end(), direct3d), list.end());
    }
    delete direct3d;
}

Result CreateDevice3D(Direct3D* direct3d, Surface* renderTarget, Device3D** device) {
    if (device == nullptr) return kFail;
    *device = nullptr;
    if (direct3d == nullptr || renderTarget == nullptr) return kFail;
    DisplayDevice* display = direct3d->device;
    if (display == nullptr || display->renderer == nullptr) return kFail;
    // Only the screen's buffers are render targets.
    if (renderTarget->device != display || renderTarget->kind == SurfaceKind::kOffscreen) return kFail;
    auto* created = new (std::nothrow) Device3D{display, renderTarget, false,          false,   kBlendOne, kBlendZero,
                                                false,   kFilterPoint, kTopSelectArg1, nullptr, {},        {}};
    if (created == nullptr) return kFail;
    display->devices3d.push_back(created);
    *device = created;
    return kOk;
}

void ReleaseDevice3D(Device3D* device) {
    if (device == nullptr) return;
    if (device->display != nullptr) {
        auto& list = device->display->devices3d;
        list.erase(std::remove(list.begin(), list.end(), device), list.end());
    }
    delete device;
}

Result GetViewport3D(Device3D* device, Viewport3D* viewport) {
    if (viewport == nullptr || !Alive(device) || device->target == nullptr) return kFail;
    *viewport = Viewport3D{0,
                           0,
                           static_cast<std::uint32_t>(device->target->width),
                           static_cast<std::uint32_t>(device->target->height),
                           0.0f,
                           1.0f};
    return kOk;
}

Result BeginScene3D(Device3D* device) {
    if (!Alive(device) || device->target == nullptr || device->inScene) return kFail;
    if (device->target->lost) return kSurfaceLost;
    device->inScene = true;
    return kOk;
}

Result EndScene3D(Device3D* device) {
    if (device == nullptr || !device->inScene) return kFail;
    device->inScene = false;
    return kOk;
}

Result SetRenderState3D(Device3D* device, std::uint32_t state, std::uint32_t value) {
    if (device == nullptr) return kFail;
    switch (state) {
        case kRsAlphaBlendEnable: device->alphaBlend = value != 0; break;
        case kRsSrcBlend: device->sourceBlend = value; break;
        case kRsDestBlend: device->destinationBlend = value; break;
        case kRsColourKeyEnable: device->colourKey = value != 0; break;
        default: break;  // states that do not change how quads are drawn here
    }
    return kOk;
}

Result SetTextureStageState3D(Device3D* device, std::uint32_t stage, std::uint32_t type, std::uint32_t value) {
    if (device == nullptr || stage > 7) return kFail;
    if (stage != 0) return kOk;  // only the first stage draws
    if (type == kTssMagFilter) device->magFilter = value;
    else if (type == kTssAlphaOp) device->alphaOp = value;
    return kOk;
}

Result SetTexture3D(Device3D* device, std::uint32_t stage, Surface* texture) {
    if (device == nullptr || stage > 7 || (texture != nullptr && texture->device != device->display)) return kFail;
    if (stage == 0) device->texture = texture;
    return kOk;
}

Result DrawPrimitive3D(Device3D* device, std::uint32_t primitive, std::uint32_t vertexFormat, const TLVertex* vertices,
                       std::uint32_t count, std::uint32_t) {
    if (!Alive(device) || device->target == nullptr || !device->inScene) return kFail;
    if (primitive != kTriangleStrip || vertexFormat != kFvfTLVertex || vertices == nullptr || count < 3 ||
        count > 65536) {
        return kFail;
    }
    SDL_Renderer* renderer = device->display->renderer;
    Surface* textureSurface = device->texture;
    if (textureSurface == device->target) return kFail;
    // Nothing is drawn into or with a lost surface: the work would only pile
    // up in the renderer until the next flip that shows something.
    if (device->target->lost || (textureSurface != nullptr && textureSurface->lost)) return kSurfaceLost;
    SDL_Texture* texture = nullptr;
    const bool keyed = textureSurface != nullptr && device->colourKey && textureSurface->hasColourKey;
    if (textureSurface != nullptr) {
        texture = sdl::DrawingTexture(textureSurface, keyed);
        if (texture == nullptr) return kFail;
    }

    float left = vertices[0].x, right = left, top = vertices[0].y, bottom = top;
    std::vector<SDL_Vertex>& points = device->points;
    std::vector<int>& indices = device->indices;
    try {
        points.resize(count);
        indices.reserve(static_cast<std::size_t>(count) * 3);
    } catch (const std::bad_alloc&) {
        return kFail;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const TLVertex& v = vertices[i];
        left = std::min(left, v.x);
        right = std::max(right, v.x);
        top = std::min(top, v.y);
        bottom = std::max(bottom, v.y);
        std::uint8_t alpha = static_cast<std::uint8_t>(v.diffuse >> 24);
        if (Replaces(device) || (texture != nullptr && device->alphaOp == kTopSelectArg1)) alpha = 255;
        points[i].position = {v.x, v.y};
        points[i].color = {static_cast<std::uint8_t>(v.diffuse >> 16), static_cast<std::uint8_t>(v.diffuse >> 8),
                           static_cast<std::uint8_t>(v.diffuse), alpha};
        points[i].tex_coord = {v.u, v.v};
    }

    // A strip of four is split along the diagonal from vertex 0 to vertex 3
    // when it is a rectangle: SDL draws that as one rectangle (the other
    // split can crash SDL's software triangle code on large quads).
    indices.clear();
    if (count == 4 && AxisAlignedQuad(vertices)) {
        indices.insert(indices.end(), {0, 1, 3, 0, 3, 2});
    } else {
        for (std::uint32_t i = 0; i + 2 < count; ++i) {
            indices.push_back(static_cast<int>(i));
            indices.push_back(static_cast<int>(i + 1));
            indices.push_back(static_cast<int>(i + 2));
        }
    }

    const SDL_BlendMode blend = BlendMode(device, keyed);
    if (texture != nullptr) {
        int textureWidth = 0, textureHeight = 0;
        SDL_QueryTexture(texture, nullptr, nullptr, &textureWidth, &textureHeight);
        // Magnification where the quad is at least the texture's size.
        const bool magnified = right - left >= static_cast<float>(textureWidth) &&
                               bottom - top >= static_cast<float>(textureHeight);
        const SDL_ScaleMode mode = device->magFilter == kFilterLinear && magnified ? SDL_ScaleModeLinear
                                                                                   : SDL_ScaleModeNearest;
        SDL_ScaleMode current = SDL_ScaleModeNearest;
        if (SDL_GetTextureScaleMode(texture, &current) != 0 || current != mode) {
            SDL_RenderFlush(renderer);
            SDL_SetTextureScaleMode(texture, mode);
        }
        SDL_SetTextureBlendMode(texture, blend);
        SDL_SetTextureAlphaMod(texture, 255);
        SDL_SetTextureColorMod(texture, 255, 255, 255);
    } else {
        SDL_SetRenderDrawBlendMode(renderer, blend);
    }
    if (!sdl::BindTarget(device->target)) return kFail;
    if (texture != nullptr && count == 4 && MirroredWholeTexture(vertices)) {
        const bool flipX = (vertices[1].x < vertices[0].x) != (vertices[1].u < vertices[0].u);
        const bool flipY = (vertices[2].y < vertices[0].y) != (vertices[2].v < vertices[0].v);
        const SDL_Color colour = points[0].color;
        SDL_SetTextureColorMod(texture, colour.r, colour.g, colour.b);
        SDL_SetTextureAlphaMod(texture, colour.a);
        const SDL_FRect to{left, top, right - left, bottom - top};
        const int flip = (flipX ? SDL_FLIP_HORIZONTAL : 0) | (flipY ? SDL_FLIP_VERTICAL : 0);
        ++device->display->drawCalls;
        return SDL_RenderCopyExF(renderer, texture, nullptr, &to, 0.0, nullptr, static_cast<SDL_RendererFlip>(flip)) ==
                       0
                   ? kOk
                   : kFail;
    }
    ++device->display->drawCalls;
    const int result = SDL_RenderGeometry(renderer, texture, points.data(), static_cast<int>(count), indices.data(),
                                          static_cast<int>(indices.size()));
    return result == 0 ? kOk : kFail;
}

}  // namespace platform
