// The player's globals: heaps, title, the script clock and the scene.
#pragma once

#include <cstdint>

#include "platform/heap.h"
#include "platform/types.h"

namespace player {

struct GfxSlot {
    float x;     // -1 left edge, 0 centre, +1 right edge
    float y;     // -1 top edge, 0 centre, +1 bottom edge
    float zoom;  // drawn at (zoom + 1) times the sprite's size
    float dx;    // change of x per millisecond
    float dy;
    float dzoom;
    std::int8_t mode;    // 0 hidden, 1 3D sprite, 2 plain sprite
    std::int8_t loaded;  // 1 once LGFX or LBMP loaded the slot
    std::int16_t alpha;  // 255 opaque
};

constexpr std::int32_t kGfxUpperIndex = 100;  // slots 0 to 100
constexpr std::int32_t kSceneSlots = 100;     // the passes visit 0 to 99

struct PlayerState {
    platform::Heap* programHeap;
    char* programTitle;
    std::uint32_t lastFrameTick;
    std::uint32_t clockStart;
    std::int32_t waitUntil;  // 0: no wait; else the script clock at which it ends
    std::int16_t screenWidth;
    std::int16_t screenHeight;
    std::int8_t screenOpen;
    GfxSlot* gfxTable;
    std::int32_t scriptLine;  // the number of the script line read last; the title is line 1
};

extern PlayerState gPlayer;

// The slot of a number, null for a number outside the table.
GfxSlot* Slot(std::int32_t number);

}  // namespace player
