// Numbered sprites: images loaded whole from files into surfaces of the
// screen's pixel format, drawn opaque with clipping, used as textures by the
// 3D sprites, and saved and restored when the user switches away.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/display.h"
#include "runtime/object_table.h"
#include "runtime/prepared_loads.h"

namespace screen {

constexpr std::int32_t kSpriteModeDefault = 0;
constexpr std::int32_t kSpriteModeSystemMemory = 1;
constexpr std::int32_t kSpriteModeRaw = 2;
constexpr std::int32_t kSpriteModeTexture = 4;

struct SpriteRecord {
    void* surface;  // platform::Surface*, or the block of a raw sprite; null when empty
    std::int16_t width;
    std::int16_t height;
    std::int16_t depth;  // bits per pixel of the source, -2 for a raw sprite
    std::int16_t mode;
    void* pixelBackup;  // 32-bit row length, then the rows; null when none
    std::int16_t surfaceWidth;
    std::int16_t surfaceHeight;
    std::int16_t clipX;
    std::int16_t clipY;
};

// The sprite system: the sprite table, the screen window, the keyboard and
// the display, made in that order.  1 when all are there.
std::int32_t InitSpriteSystem();
// Closes the screen and gives the display back, once the system started.
void CloseSpriteSystem();

void InitSpriteTable();
// The record of an existing sprite, null when the number has none.
SpriteRecord* LookupSprite(std::int32_t number);

std::intptr_t LoadSprite(std::int32_t number, const char* path, std::int32_t mode = kSpriteModeDefault);
std::intptr_t LoadSpriteData(std::int32_t number, const void* image, std::uint32_t size, std::int32_t mode);
// Reads and decodes a picture for a later LoadSprite of the same path, which
// takes it from the active prepared-load store.  Safe on a thread of its own
// (decoders keep their state per thread); null when the file does not read or
// decode, and the loader then fails as it would have.
std::unique_ptr<runtime::PreparedData> PreparePicture(const char* path);
void* CreateSpriteSurface(SpriteRecord* record, std::int32_t width, std::int32_t height, std::int32_t bits,
                          std::int32_t mode);
std::int32_t SpriteWidth(std::int32_t number);
std::int32_t SpriteHeight(std::int32_t number);
void DisplaySprite(std::int32_t number, std::int32_t x, std::int32_t y);
void FreeSprite(std::int32_t number);
using SpriteOperation = std::int32_t (*)(std::int32_t number);
void ForEachSprite(SpriteOperation operation);
std::int32_t FreeSpriteStep(std::int32_t number);
std::int32_t SaveSpritePixels(std::int32_t number);
std::int32_t RestoreSpritePixels(std::int32_t number);
void SaveAllSprites();
void RestoreAllSprites();

// Called whenever a sprite's surface goes away, so that no 3D sprite keeps
// drawing with it.
using SurfaceReleasedHook = void (*)(const void* surface);
void SetSurfaceReleasedHook(SurfaceReleasedHook hook);

}  // namespace screen
