// 3D sprites: loaded texture sprites drawn as textured quads with zoom and a
// constant alpha, black left out, in a 3D pass on the back buffer.
#pragma once

#include <cstdint>

#include "platform/device3d.h"
#include "runtime/object_table.h"

namespace screen {

struct Sprite3DState {
    platform::Direct3D* direct3d;
    platform::Device3D* device;
    std::int32_t refresh;       // the device must be (re)created
    std::uint32_t deviceStamp;  // screen open stamp of the device
    platform::Viewport3D viewport;
    std::int32_t inPass;
    std::int32_t filter;  // 0 point, otherwise bilinear magnification
};

struct Sprite3DRecord {
    platform::Surface* texture;  // the sprite's surface, not owned; null when empty
    platform::TLVertex vertices[4];
    std::int16_t width;
    std::int16_t height;
};

extern Sprite3DState gSprite3D;

std::int32_t InitSprite3DSystem();
void SetSprite3DFilter(std::int32_t filter);
std::intptr_t CreateSprite3D(std::int32_t number, std::int32_t sprite);
void FreeSprite3D(std::int32_t number);
void FreeAllSprites3D();
std::int32_t Start3D();
void Stop3D();
void ZoomSprite3D(std::int32_t number, std::int32_t width, std::int32_t height);
void DisplaySprite3D(std::int32_t number, std::int32_t x, std::int32_t y, std::int32_t alpha);

const runtime::ObjectTable& Sprite3DTable();
Sprite3DRecord* LookupSprite3D(std::int32_t number);
void ResetSprite3DModule();

}  // namespace screen
