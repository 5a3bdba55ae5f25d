#include "player/scene.h"

#include <cmath>

#include "player/player.h"
#include "player/player_state.h"
#include "screen/sprite3d.h"
#include "screen/sprites.h"

namespace player {

std::int32_t Nearest(double value) {
    // The default rounding mode sends halves to the even neighbour.  Values
    // beyond the 32-bit range are held at its ends.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -2147483648.0)) return rounded != rounded ? 0 : INT32_MIN;
    if (rounded > 2147483647.0) return INT32_MAX;
    return static_cast<std::int32_t>(rounded);
}

void UpdateMotion() {
    const std::int32_t d = TakeFrameDelta();
    // A table the heap refused at start-up holds no slot to move.
    if (gPlayer.gfxTable == nullptr) return;
    const double elapsed = d;
    // Each step is worked out in double precision and rounded once, when it
    // is stored into the slot's single-precision field.
    auto step = [elapsed](float value, float speed) {
        return static_cast<float>(static_cast<double>(value) + static_cast<double>(speed) * elapsed);
    };
    for (std::int32_t i = 0; i < kSceneSlots; ++i) {
        GfxSlot& slot = gPlayer.gfxTable[i];
        if (slot.loaded == 0) break;
        slot.x = step(slot.x, slot.dx);
        slot.y = step(slot.y, slot.dy);
        if (slot.dzoom != 0.0f) slot.zoom = step(slot.zoom, slot.dzoom);
    }
}

void DrawScene() {
    const double w = gPlayer.screenWidth;
    const double h = gPlayer.screenHeight;
    screen::Start3D();
    for (std::int32_t i = 0; gPlayer.gfxTable != nullptr && i < kSceneSlots; ++i) {
        const GfxSlot& slot = gPlayer.gfxTable[i];
        if (slot.loaded == 0) break;
        if (slot.mode != 1) continue;
        const double s = static_cast<double>(slot.zoom) + 1.0;
        const std::int32_t zw = Nearest(s * screen::SpriteWidth(i));
        const std::int32_t zh = Nearest(s * screen::SpriteHeight(i));
        if (slot.zoom != 0.0f) screen::ZoomSprite3D(i, zw, zh);
        const std::int32_t px = Nearest(slot.x * w / 2 + w / 2 - zw / 2.0);
        const std::int32_t py = Nearest(slot.y * h / 2 + h / 2 - zh / 2.0);
        screen::DisplaySprite3D(i, px, py, slot.alpha);
    }
    screen::Stop3D();
    for (std::int32_t i = 0; gPlayer.gfxTable != nullptr && i < kSceneSlots; ++i) {
        const GfxSlot& slot = gPlayer.gfxTable[i];
        if (slot.loaded == 0) break;
        if (slot.mode != 2) continue;
        const std::int32_t py = Nearest(slot.y * h / 2 + h / 2 - screen::SpriteHeight(i) / 2.0);
        const std::int32_t px = Nearest(slot.x * w / 2 + w / 2 - screen::SpriteWidth(i) / 2.0);
        screen::DisplaySprite(i, px, py);
    }
}

}  // namespace player
