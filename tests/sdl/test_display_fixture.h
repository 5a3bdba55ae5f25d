// The program's screen on SDL's headless video driver: the core's sprite
// system over the SDL display, keyboard and screen window drivers, with
// images handed to the sprite loader by a small in-memory image decoder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "keyboard/keyboard.h"
#include "platform/device3d.h"
#include "platform/process.h"
#include "platform/sdl/common.h"
#include "platform/sdl/display.h"
#include "player/player.h"
#include "player/player_state.h"
#include "player/scene.h"
#include "runtime/heaps.h"
#include "runtime/strings.h"
#include "screen/image_decoders.h"
#include "screen/screen.h"
#include "screen/sprite3d.h"
#include "screen/sprites.h"
#include "sdl/release_3d.h"

namespace sdl_test {

struct Colour {
    std::uint8_t r;
    std::uint8_t g;
    std::uint8_t b;
};

// An image the test decoder reads: "RZPX", width and height as 32-bit
// little-endian values, then the rows top first as R, G, B bytes.
using Image = std::vector<std::uint8_t>;

inline Image MakeImage(int width, int height, const std::function<Colour(int x, int y)>& colourAt) {
    Image image{'R', 'Z', 'P', 'X'};
    for (const std::uint32_t value : {static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)}) {
        for (int shift = 0; shift < 32; shift += 8) image.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Colour c = colourAt(x, y);
            image.push_back(c.r);
            image.push_back(c.g);
            image.push_back(c.b);
        }
    }
    return image;
}

inline Image SolidImage(int width, int height, Colour colour) {
    return MakeImage(width, height, [colour](int, int) { return colour; });
}

namespace detail {

inline const std::uint8_t*& CheckedImage() {
    static const std::uint8_t* image = nullptr;
    return image;
}

inline std::uint32_t Field(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

inline std::int32_t CheckImage(const void* data, std::uint32_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (size < 12 || std::memcmp(bytes, "RZPX", 4) != 0) return 0;
    const std::uint64_t need = 12 + 3ull * Field(bytes + 4) * Field(bytes + 8);
    if (need > size) return 0;
    CheckedImage() = bytes;
    return 1;
}

inline std::int32_t ImageWidth() { return static_cast<std::int32_t>(Field(CheckedImage() + 4)); }
inline std::int32_t ImageHeight() { return static_cast<std::int32_t>(Field(CheckedImage() + 8)); }

// Writes B, G, R rows, top row first, rowLength bytes apart.
inline std::int32_t DecodeImage(void* destination, std::int32_t rowLength, std::int32_t) {
    const std::uint8_t* image = CheckedImage();
    CheckedImage() = nullptr;
    if (destination == nullptr || image == nullptr) return 0;
    const int width = static_cast<int>(Field(image + 4)), height = static_cast<int>(Field(image + 8));
    for (int y = 0; y < height; ++y) {
        auto* row = static_cast<std::uint8_t*>(destination) + static_cast<std::ptrdiff_t>(y) * rowLength;
        const std::uint8_t* from = image + 12 + static_cast<std::ptrdiff_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            row[3 * x] = from[3 * x + 2];
            row[3 * x + 1] = from[3 * x + 1];
            row[3 * x + 2] = from[3 * x];
        }
    }
    return 1;
}

inline const screen::ImageDecoder kDecoder{CheckImage, DecodeImage, ImageWidth, ImageHeight};

}  // namespace detail

// 8-bit components of a pixel of the screen's format.
inline Colour Components(std::uint32_t pixel, int bits) {
    if (bits == 16) {
        return {static_cast<std::uint8_t>(((pixel >> 11) & 31u) << 3),
                static_cast<std::uint8_t>(((pixel >> 5) & 63u) << 2), static_cast<std::uint8_t>((pixel & 31u) << 3)};
    }
    return {static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
            static_cast<std::uint8_t>(pixel)};
}

// The value a 24-bit colour takes on a screen of the given depth.
inline std::uint32_t ScreenPixel(Colour c, int bits) {
    if (bits == 16) return ((c.r / 8u) << 11) | ((c.g / 4u) << 5) | (c.b / 8u);
    return (static_cast<std::uint32_t>(c.r) << 16) | (static_cast<std::uint32_t>(c.g) << 8) | c.b;
}

class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        player::ResetAllModules();
        player::gPlayer.programHeap = runtime::CreateProgramHeap();
        runtime::CreateObjectHeap();
        runtime::InitStrings();
        screen::InitImageDecoders();
        screen::AddImageDecoder(&detail::kDecoder);
        runtime::AllocStructArray(player::kGfxUpperIndex, sizeof(player::GfxSlot),
                                  reinterpret_cast<void**>(&player::gPlayer.gfxTable), runtime::kGfxTableTypeCode);
        ASSERT_NE(screen::InitSpriteSystem(), 0);
        ASSERT_EQ(screen::InitSprite3DSystem(), 1);
        screen::SetSprite3DFilter(1);
    }

    void TearDown() override {
        screen::FreeAllSprites3D();
        rodazaro_test::ReleaseSprite3DObjects();
        screen::CloseSpriteSystem();
        keyboard::CloseKeyboard();
        platform::sdl::DestroyScreenWindow();
        runtime::DestroyObjectHeap();
        runtime::DestroyProgramHeap();
        player::ResetAllModules();
    }

    // Opens the screen as the launcher does.
    void Open(int width, int height, int bits) {
        ASSERT_EQ(screen::OpenScreen(static_cast<std::int16_t>(width), static_cast<std::int16_t>(height),
                                     static_cast<std::int16_t>(bits), "RodaZaro test"),
                  1);
        player::gPlayer.screenWidth = static_cast<std::int16_t>(width);
        player::gPlayer.screenHeight = static_cast<std::int16_t>(height);
        player::gPlayer.screenOpen = 1;
    }

    // LGFX: a texture sprite with its 3D sprite, alpha 255, loaded.
    static bool LoadTexture(int number, const Image& image) {
        const bool loaded = screen::LoadSpriteData(number, image.data(), static_cast<std::uint32_t>(image.size()),
                                                   screen::kSpriteModeTexture) != 0;
        const bool made = screen::CreateSprite3D(number, number) != 0;
        player::GfxSlot* slot = player::Slot(number);
        slot->alpha = 255;
        slot->loaded = 1;
        return loaded && made;
    }

    // LBMP: a plain sprite, loaded.
    static bool LoadPlain(int number, const Image& image) {
        const bool loaded = screen::LoadSpriteData(number, image.data(), static_cast<std::uint32_t>(image.size()),
                                                   screen::kSpriteModeDefault) != 0;
        player::Slot(number)->loaded = 1;
        return loaded;
    }

    static void Show(int number, std::int8_t mode, float x, float y) {
        player::GfxSlot* slot = player::Slot(number);
        slot->mode = mode;
        slot->x = x;
        slot->y = y;
    }

    // One frame of the main loop, without the script line.
    static void DrawFrame() {
        screen::ClearScreen(0, 0, 0);
        player::DrawScene();
    }

    static platform::sdl::Frame Back() { return platform::sdl::ReadBackBuffer(); }
};

}  // namespace sdl_test
