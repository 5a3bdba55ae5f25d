// Fuzz target: the sprite loader (screen/sprites.cpp) converting decoded
// images into surfaces of the screen's pixel format, on the test backend's
// memory display.
//
// The first input byte chooses the set-up, the rest is the image file:
//   bits 0-2  the screen: 16 bits 5-6-5, 16 bits 5-5-5, 24 bits,
//             32 bits with red high, 32 bits with red low (taken modulo 5)
//   bits 3-4  the sprite mode: default, system memory, raw, texture
//   bit 5     the sprite is drawn partly off the screen's top left corner
// A loaded sprite is drawn (as a 3D sprite too when it is a texture), saved
// and restored as when the user switches away, then the player shuts down.
// No blit may leave its surfaces.  Half of the mutants of a PNG get their
// chunk CRCs set (checksums.h).
//
// A BMP holds every pixel it declares, but a short PNG can declare a huge
// picture: what the PNG decoder makes of such claims is the PNG target's
// question, so pictures of more than kMostPixels are not loaded here.
#include <cstddef>
#include <cstdint>

#include "checksums.h"
#include "fuzz_support.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_display.h"
#include "player/decode_ahead.h"
#include "player/player.h"
#include "screen/image_decoders.h"
#include "screen/screen.h"
#include "screen/sprite3d.h"
#include "screen/sprites.h"

namespace {

struct ScreenSetUp {
    std::int16_t depth;
    std::uint32_t greenMask16;
    std::uint32_t redMask24;
};

constexpr ScreenSetUp kScreens[] = {
    {16, 0x07E0, 0xFF0000}, {16, 0x03E0, 0xFF0000}, {24, 0x07E0, 0xFF0000}, {32, 0x07E0, 0xFF0000}, {32, 0x07E0, 0xFF},
};
constexpr std::int32_t kModes[] = {screen::kSpriteModeDefault, screen::kSpriteModeSystemMemory, screen::kSpriteModeRaw,
                                   screen::kSpriteModeTexture};
constexpr std::int16_t kScreenWidth = 48;
constexpr std::int16_t kScreenHeight = 32;
constexpr std::int32_t kSprite = 5;
constexpr std::int64_t kMostPixels = 1 << 16;

// The size a decoder of the list reads from the picture's header; the
// checked picture is then abandoned.
bool DeclaresHugePicture(const std::uint8_t* image, std::uint32_t size) {
    if (screen::FindImageDecoder(image, size) == 0) return false;
    const std::int64_t pixels = static_cast<std::int64_t>(screen::ImageWidth()) * screen::ImageHeight();
    screen::DecodeCurrentImage(nullptr, 0, 0);
    return pixels > kMostPixels;
}

void DrawLoadedSprite(const screen::SpriteRecord& record, std::int32_t mode, bool offScreen) {
    const std::int32_t x = offScreen ? -record.width / 2 : kScreenWidth / 4;
    const std::int32_t y = offScreen ? -record.height / 2 : kScreenHeight / 4;
    screen::ClearScreen(10, 20, 30);
    screen::DisplaySprite(kSprite, x, y);
    if (mode == screen::kSpriteModeTexture && screen::CreateSprite3D(kSprite, kSprite) != 0) {
        screen::Start3D();
        screen::ZoomSprite3D(kSprite, 2 * record.width, 2 * record.height);
        screen::DisplaySprite3D(kSprite, x, y, 128);
        screen::Stop3D();
    }
    screen::FlipBuffers();
}

// The set-up byte stays out of the PNG's chunks.
void SetImageCrcs(std::uint8_t* data, std::size_t size) {
    if (size > 1) fuzz_support::SetPngChunkCrcs(data + 1, size - 1);
}

}  // namespace

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                               unsigned int seed) {
    return fuzz_support::MutateWithChecksums(data, size, maxSize, seed, SetImageCrcs);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size - 1 > 0xFFFFFFFFu) return 0;
    const ScreenSetUp& set = kScreens[(data[0] & 7) % 5];
    const std::int32_t mode = kModes[(data[0] >> 3) & 3];
    const bool offScreen = (data[0] & 0x20) != 0;

    platform::test::Reset();
    platform::test::SetDisplayMasks(set.greenMask16, set.redMask24);
    player::SetDecodeAheadSettings({false});  // one thread: runs repeat exactly
    player::StartUp();
    screen::OpenScreen(kScreenWidth, kScreenHeight, set.depth, "fuzz");
    const std::uint8_t* image = data + 1;
    const auto length = static_cast<std::uint32_t>(size - 1);
    const bool bmp = length >= 2 && image[0] == 'B' && image[1] == 'M';
    const bool load = bmp || !DeclaresHugePicture(image, length);
    if (load && screen::LoadSpriteData(kSprite, image, length, mode) != 0) {
        const screen::SpriteRecord* record = screen::LookupSprite(kSprite);
        fuzz_support::Require(record != nullptr && record->width > 0 && record->height > 0,
                              "a loaded sprite has no size");
        if (mode != screen::kSpriteModeRaw) {
            const auto surface = platform::test::DescribeSurface(
                static_cast<const platform::Surface*>(record->surface));
            fuzz_support::Require(
                surface.bitsPerPixel == set.depth && surface.width == record->width && surface.height == record->height,
                "a sprite's surface does not match the screen and the image");
        }
        DrawLoadedSprite(*record, mode, offScreen);
        screen::SaveAllSprites();
        platform::test::LoseAllSurfaces();
        screen::RestoreAllSprites();
    }
    fuzz_support::Require(platform::test::BlitViolations() == 0, "a blit left its surfaces");
    try {
        player::Shutdown();
    } catch (const platform::test::ProcessExit&) {
    }
    return 0;
}
