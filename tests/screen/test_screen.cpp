// The screen: pixel formats, colours, clearing, flipping, switching away and
// back, and a mode the display refuses.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "screen/screen.h"
#include "screen/sprite3d.h"
#include "screen/sprites.h"
#include "screen_fixture.h"

namespace {

using rodazaro_test::ScreenFixture;
using rodazaro_test::SolidBmp;
namespace pt = platform::test;

using ScreenTest = ScreenFixture;

TEST_F(ScreenTest, PixelFormatCodeFollowsDepthAndMasks) {
    pt::SetDisplayMasks(0x07E0, 0xFF0000);
    Open(640, 480, 16);
    EXPECT_EQ(screen::gScreen.pixelFormatCode, 3);
    pt::SetDisplayMasks(0x03E0, 0xFF0000);
    Open(640, 480, 16);
    EXPECT_EQ(screen::gScreen.pixelFormatCode, 2);
    Open(640, 480, 32);
    EXPECT_EQ(screen::gScreen.pixelFormatCode, 7);
    pt::SetDisplayMasks(0x07E0, 0xFF);
    Open(640, 480, 32);
    EXPECT_EQ(screen::gScreen.pixelFormatCode, 6);
    Open(640, 480, 24);
    EXPECT_EQ(screen::gScreen.pixelFormatCode, 4);
    pt::SetDisplayMasks(0x07E0, 0xFF0000);
    Open(640, 480, 24);
    EXPECT_EQ(screen::gScreen.pixelFormatCode, 5);
    EXPECT_EQ(screen::ClassifyPixelFormat(8, 0, 0), 1);
}

TEST_F(ScreenTest, ScreenColorTable) {
    Open(800, 600, 16);
    EXPECT_EQ(screen::ScreenColor(255, 255, 255), 0xFFFFu);
    EXPECT_EQ(screen::ScreenColor(255, 0, 0), 0xF800u);
    EXPECT_EQ(screen::ScreenColor(0, 255, 0), 0x07E0u);
    // Components are neither clamped nor masked.
    EXPECT_EQ(screen::ScreenColor(256, 0, 0), 65536u);
    // A 5-5-5 primary still gets 5-6-5 fill colours.
    pt::SetDisplayMasks(0x03E0, 0xFF0000);
    Open(800, 600, 16);
    EXPECT_EQ(screen::ScreenColor(0, 255, 0), 0x07E0u);
    Open(800, 600, 32);
    EXPECT_EQ(screen::ScreenColor(255, 255, 255), 0xFFFFFFu);
    EXPECT_EQ(screen::ScreenColor(255, 0, 0), 0xFF0000u);
    EXPECT_EQ(screen::ScreenColor(1, 2, 3), 0x010203u);
    pt::SetDisplayMasks(0x07E0, 0xFF);
    Open(800, 600, 32);
    EXPECT_EQ(screen::ScreenColor(255, 0, 0), 0x0000FFu);
    EXPECT_EQ(screen::ScreenColor(1, 2, 3), 0x030201u);
}

TEST_F(ScreenTest, FifteenBitAndOtherDepthColours) {
    // A refused open leaves the requested depth behind: the colour formula
    // follows it.
    EXPECT_EQ(screen::OpenScreen(640, 480, 15, "t"), 0);
    EXPECT_EQ(screen::ScreenColor(255, 255, 255), 0x7FFFu);
    EXPECT_EQ(screen::ScreenColor(8, 16, 24), 3u + 2u * 32 + 1u * 1024);
    EXPECT_EQ(screen::OpenScreen(640, 480, 8, "t"), 0);
    EXPECT_EQ(screen::ScreenColor(255, 255, 255), 0u);
}

TEST_F(ScreenTest, ClearAndFlipShowTheColour) {
    Open(640, 480, 16);
    screen::ClearScreen(255, 255, 255);
    screen::FlipBuffers();
    EXPECT_EQ(pt::FlipCount(), 1);
    EXPECT_EQ(pt::PrimaryPixelAt(0, 0), 0xFFFFu);
    EXPECT_EQ(pt::PrimaryPixelAt(639, 479), 0xFFFFu);
    Open(640, 480, 32);
    screen::ClearScreen(255, 0, 0);
    screen::FlipBuffers();
    EXPECT_EQ(pt::PrimaryPixelAt(10, 10), 0xFF0000u);
    screen::ClearScreen(0, 0, 0);
    screen::FlipBuffers();
    EXPECT_EQ(pt::PrimaryPixelAt(10, 10), 0u);
}

TEST_F(ScreenTest, OpenShowsWindowHidesCursorAndBindsKeyboard) {
    EXPECT_TRUE(pt::CursorVisible());
    Open(1024, 768, 32);
    EXPECT_TRUE(pt::ScreenWindowVisible());
    EXPECT_FALSE(pt::CursorVisible());
    EXPECT_EQ(screen::gScreen.active, 1);
    EXPECT_GE(pt::KeyReads(), 1u);
    EXPECT_EQ(screen::gScreen.outputWidth, 1024);
    EXPECT_EQ(screen::gScreen.outputHeight, 768);
}

TEST_F(ScreenTest, RefusedModeFailsQuietlyAndFramesDoNothing) {
    pt::RefuseDepth(16);
    EXPECT_EQ(screen::OpenScreen(640, 480, 16, "t"), 0);
    EXPECT_TRUE(pt::CursorVisible());
    EXPECT_FALSE(pt::ScreenWindowVisible());
    const std::uint32_t pumps = pt::EmptyPumps();
    screen::ClearScreen(255, 255, 255);
    screen::FlipBuffers();
    EXPECT_EQ(pt::FlipCount(), 0);
    EXPECT_EQ(pt::EmptyPumps(), pumps + 1);
}

TEST_F(ScreenTest, NoDisplayDeviceMeansNoScreen) {
    try {
        player::Shutdown();
    } catch (const pt::ProcessExit&) {
    }
    pt::Reset();
    pt::ResetDisplay();
    pt::SetDisplayAvailable(false);
    player::StartUp();
    EXPECT_EQ(screen::gScreen.display, nullptr);
    EXPECT_EQ(screen::OpenScreen(640, 480, 32, "t"), 0);
    screen::ClearScreen(255, 255, 255);
    screen::FlipBuffers();
    EXPECT_EQ(pt::FlipCount(), 0);
    const auto bmp = SolidBmp(2, 2, 1, 2, 3);
    EXPECT_EQ(screen::LoadSpriteData(0, bmp.data(), static_cast<std::uint32_t>(bmp.size()), 0), 0);
}

TEST_F(ScreenTest, FlipBeforeAnyScreenOnlyPumps) {
    const std::uint32_t pumps = pt::EmptyPumps();
    screen::FlipBuffers();
    screen::FlipBuffers();
    EXPECT_EQ(pt::EmptyPumps(), pumps + 2);
    EXPECT_EQ(pt::FlipCount(), 0);
}

class SwitchAwayTest : public ScreenFixture {
protected:
    void LoadRed(std::int32_t number) {
        const auto bmp = SolidBmp(4, 3, 200, 10, 20);
        ASSERT_NE(screen::LoadSpriteData(number, bmp.data(), static_cast<std::uint32_t>(bmp.size()), 0), 0);
    }
    platform::Surface* SurfaceOf(std::int32_t number) {
        return static_cast<platform::Surface*>(screen::LookupSprite(number)->surface);
    }
};

TEST_F(SwitchAwayTest, DeactivationSavesOnceAndFlipsStop) {
    Open(640, 480, 32);
    LoadRed(0);
    pt::PostScreenMessage(platform::kMsgActivate, 0, 0);
    screen::FlipBuffers();
    EXPECT_EQ(screen::gScreen.active, 0);
    EXPECT_EQ(screen::gScreen.spritesSaved, 1);
    ASSERT_NE(screen::LookupSprite(0)->pixelBackup, nullptr);
    EXPECT_EQ(pt::FlipCount(), 0);
    // While switched away nothing is drawn.
    pt::ClearRecords();
    screen::DisplaySprite(0, 10, 10);
    EXPECT_TRUE(pt::Copies().empty());
}

TEST_F(SwitchAwayTest, ReturnRestoresModeSurfacesAndPixels) {
    Open(640, 480, 32);
    LoadRed(3);
    const std::uint32_t before = pt::PixelAt(SurfaceOf(3), 1, 1);
    ASSERT_EQ(before, 0x00C80A14u);
    pt::PostScreenMessage(platform::kMsgActivate, 0, 0);
    screen::FlipBuffers();
    pt::LoseAllSurfaces();
    ASSERT_NE(pt::PixelAt(SurfaceOf(3), 1, 1), before);
    pt::PostScreenMessage(platform::kMsgActivate, 1, 0);
    const std::uint32_t reads = pt::KeyReads();
    screen::FlipBuffers();  // reports the lost surfaces and restores
    EXPECT_EQ(screen::gScreen.active, 1);
    EXPECT_EQ(screen::gScreen.spritesSaved, 0);
    EXPECT_EQ(pt::FlipCount(), 0);
    EXPECT_EQ(pt::PixelAt(SurfaceOf(3), 1, 1), before);
    EXPECT_EQ(pt::PixelAt(SurfaceOf(3), 3, 2), before);
    EXPECT_EQ(screen::LookupSprite(3)->pixelBackup, nullptr);
    EXPECT_GT(pt::KeyReads(), reads);
    screen::FlipBuffers();
    EXPECT_EQ(pt::FlipCount(), 1);
}

TEST_F(SwitchAwayTest, TabOrAltReleaseSavesOncePerActivation) {
    Open(640, 480, 32);
    LoadRed(0);
    pt::PostScreenMessage(platform::kMsgKeyUp, 'A', 0);
    screen::FlipBuffers();
    EXPECT_EQ(screen::gScreen.spritesSaved, 0);
    EXPECT_EQ(screen::LookupSprite(0)->pixelBackup, nullptr);
    pt::PostScreenMessage(platform::kMsgSysKeyUp, platform::kVkMenu, 0);
    screen::FlipBuffers();
    EXPECT_EQ(screen::gScreen.spritesSaved, 1);
    EXPECT_EQ(screen::gScreen.active, 1);  // still in front
    ASSERT_NE(screen::LookupSprite(0)->pixelBackup, nullptr);
    // A sprite loaded after the save is not saved by a second release.
    LoadRed(1);
    pt::PostScreenMessage(platform::kMsgKeyUp, platform::kVkTab, 0);
    screen::FlipBuffers();
    EXPECT_EQ(screen::LookupSprite(1)->pixelBackup, nullptr);
    // After the next activation a release saves again.
    pt::PostScreenMessage(platform::kMsgActivate, 1, 0);
    pt::PostScreenMessage(platform::kMsgKeyUp, platform::kVkTab, 0);
    screen::FlipBuffers();
    EXPECT_NE(screen::LookupSprite(1)->pixelBackup, nullptr);
}

TEST_F(SwitchAwayTest, WindowProcedureAnswers) {
    EXPECT_EQ(screen::ScreenWindowProc(0, platform::kMsgEraseBackground, 0, 0), 1);
    EXPECT_EQ(screen::ScreenWindowProc(0, platform::kMsgPaint, 0, 0), 1);
    EXPECT_EQ(screen::ScreenWindowProc(0, platform::kMsgLButtonDown, 0, 0), 0);
    // Before any screen there is no deactivation handler: nothing is saved.
    screen::ScreenWindowProc(0, platform::kMsgActivate, 0, 0);
    EXPECT_EQ(screen::gScreen.spritesSaved, 0);
    EXPECT_EQ(screen::gScreen.active, 0);
}

// --- Many switches away and back ---------------------------------------------
//
// A scene of plain sprites in both memories and of texture sprites drawn as
// 3D sprites, switched away from and back to a hundred times.  Half the
// switches lose the display's memory (as video memory is lost), the other
// half only report the surfaces lost and keep their pixels (as a display
// that keeps the memory of a program in the background does).  Every sprite
// must come back exactly; a restore writes a sprite only when its pixels
// were lost, once; and nothing is drawn while the program is away.

struct SceneSprite {
    std::int32_t number;
    std::int32_t mode;
    int width;
    int height;
};

constexpr SceneSprite kSceneSprites[] = {
    {0, screen::kSpriteModeTexture, 24, 16}, {1, screen::kSpriteModeTexture, 7, 9},
    {2, screen::kSpriteModeDefault, 13, 5},  {3, screen::kSpriteModeSystemMemory, 6, 11},
    {4, screen::kSpriteModeTexture, 31, 3},
};

class SwitchCycleTest : public ScreenFixture, public ::testing::WithParamInterface<int> {
protected:
    // Pixels that differ from sprite to sprite, from one another and from black.
    static std::vector<std::uint8_t> PatternBmp(const SceneSprite& sprite) {
        std::vector<std::uint8_t> pixels;
        for (int y = 0; y < sprite.height; ++y) {
            for (int x = 0; x < sprite.width; ++x) {
                pixels.push_back(static_cast<std::uint8_t>(16 + x * 7 + sprite.number));
                pixels.push_back(static_cast<std::uint8_t>(32 + y * 13));
                pixels.push_back(static_cast<std::uint8_t>(64 + (x * y + sprite.number * 29) % 190));
            }
        }
        return rodazaro_test::MakeBmp(sprite.width, sprite.height, 24, pixels);
    }
    static platform::Surface* SurfaceOf(std::int32_t number) {
        return static_cast<platform::Surface*>(screen::LookupSprite(number)->surface);
    }
    static std::vector<std::uint32_t> PixelsOf(const SceneSprite& sprite) {
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < sprite.height; ++y) {
            for (int x = 0; x < sprite.width; ++x) pixels.push_back(pt::PixelAt(SurfaceOf(sprite.number), x, y));
        }
        return pixels;
    }
    // One turn of the main loop's drawing: clear, the 3D sprites, the plain
    // sprites, flip.
    static void Turn() {
        screen::ClearScreen(0, 0, 40);
        screen::Start3D();
        for (const SceneSprite& sprite : kSceneSprites) {
            if (sprite.mode == screen::kSpriteModeTexture)
                screen::DisplaySprite3D(sprite.number, 10 * sprite.number, 20, 200);
        }
        screen::Stop3D();
        for (const SceneSprite& sprite : kSceneSprites) {
            if (sprite.mode != screen::kSpriteModeTexture)
                screen::DisplaySprite(sprite.number, 100, 10 * sprite.number);
        }
        screen::FlipBuffers();
    }
};

TEST_P(SwitchCycleTest, AHundredSwitchesKeepEveryPixelAndRestoreOnlyWhatWasLost) {
    Open(320, 240, static_cast<std::int16_t>(GetParam()));
    std::vector<std::vector<std::uint32_t>> original;
    for (const SceneSprite& sprite : kSceneSprites) {
        const auto bmp = PatternBmp(sprite);
        ASSERT_NE(
            screen::LoadSpriteData(sprite.number, bmp.data(), static_cast<std::uint32_t>(bmp.size()), sprite.mode), 0)
            << sprite.number;
        if (sprite.mode == screen::kSpriteModeTexture) {
            ASSERT_NE(screen::CreateSprite3D(sprite.number, sprite.number), 0);
        }
        original.push_back(PixelsOf(sprite));
    }
    Turn();
    ASSERT_EQ(pt::FlipCount(), 1);

    for (int cycle = 0; cycle < 100; ++cycle) {
        SCOPED_TRACE("switch " + std::to_string(cycle));
        const bool memoryLost = cycle % 2 == 1;
        std::vector<int> writes;
        for (const SceneSprite& sprite : kSceneSprites) writes.push_back(pt::WriteLocks(SurfaceOf(sprite.number)));

        pt::PostScreenMessage(platform::kMsgActivate, 0, 0);
        Turn();  // the deactivation saves the sprites
        ASSERT_EQ(screen::gScreen.active, 0);
        if (memoryLost) pt::LoseAllSurfaces();
        else pt::LoseAllSurfacesKeepingPixels();

        // Away: turns go on, but nothing is drawn or shown.
        const int flips = pt::FlipCount();
        pt::ClearRecords();
        for (int turn = 0; turn < 5; ++turn) Turn();
        EXPECT_TRUE(pt::Draws().empty());
        EXPECT_TRUE(pt::Copies().empty());
        EXPECT_EQ(pt::FlipCount(), flips);

        pt::PostScreenMessage(platform::kMsgActivate, 1, 0);
        Turn();  // the flip reports the lost surfaces: mode, surfaces and sprites come back
        ASSERT_EQ(screen::gScreen.active, 1);
        EXPECT_EQ(pt::FlipCount(), flips);
        for (std::size_t i = 0; i < std::size(kSceneSprites); ++i) {
            const SceneSprite& sprite = kSceneSprites[i];
            EXPECT_EQ(PixelsOf(sprite), original[i]) << "sprite " << sprite.number;
            EXPECT_EQ(screen::LookupSprite(sprite.number)->pixelBackup, nullptr);
            EXPECT_EQ(pt::WriteLocks(SurfaceOf(sprite.number)) - writes[i], memoryLost ? 1 : 0)
                << "sprite " << sprite.number;
        }

        // Shown again from the next turn on, with no further restore.
        pt::ClearRecords();
        Turn();
        Turn();
        EXPECT_EQ(pt::FlipCount(), flips + 2);
        EXPECT_EQ(pt::Draws().size(), 2u * 3u);   // two turns of the three 3D sprites
        EXPECT_EQ(pt::Copies().size(), 2u * 2u);  // and of the two plain ones
        for (std::size_t i = 0; i < std::size(kSceneSprites); ++i) {
            EXPECT_EQ(pt::WriteLocks(SurfaceOf(kSceneSprites[i].number)) - writes[i], memoryLost ? 1 : 0);
        }
        if (::testing::Test::HasFailure()) break;
    }
    EXPECT_EQ(pt::ReadOnlyViolations(), 0);
    EXPECT_EQ(pt::BlitViolations(), 0);
}

TEST_P(SwitchCycleTest, OnlyTheSpritesWhosePixelsWereLostAreWritten) {
    Open(320, 240, static_cast<std::int16_t>(GetParam()));
    std::vector<std::vector<std::uint32_t>> original;
    for (const SceneSprite& sprite : kSceneSprites) {
        const auto bmp = PatternBmp(sprite);
        ASSERT_NE(
            screen::LoadSpriteData(sprite.number, bmp.data(), static_cast<std::uint32_t>(bmp.size()), sprite.mode), 0);
        original.push_back(PixelsOf(sprite));
    }
    std::vector<int> writes;
    for (const SceneSprite& sprite : kSceneSprites) writes.push_back(pt::WriteLocks(SurfaceOf(sprite.number)));
    pt::PostScreenMessage(platform::kMsgActivate, 0, 0);
    screen::FlipBuffers();
    pt::LoseAllSurfacesKeepingPixels();
    pt::LoseSurface(SurfaceOf(1), true);
    pt::LoseSurface(SurfaceOf(3), true);
    pt::PostScreenMessage(platform::kMsgActivate, 1, 0);
    screen::FlipBuffers();
    for (std::size_t i = 0; i < std::size(kSceneSprites); ++i) {
        const std::int32_t number = kSceneSprites[i].number;
        EXPECT_EQ(PixelsOf(kSceneSprites[i]), original[i]) << "sprite " << number;
        EXPECT_EQ(pt::WriteLocks(SurfaceOf(number)) - writes[i], number == 1 || number == 3 ? 1 : 0)
            << "sprite " << number;
    }
    EXPECT_EQ(pt::ReadOnlyViolations(), 0);
}

std::string DepthName(const ::testing::TestParamInfo<int>& param) { return "Bits" + std::to_string(param.param); }

INSTANTIATE_TEST_SUITE_P(Depths, SwitchCycleTest, ::testing::Values(16, 24, 32), DepthName);

TEST_F(ScreenTest, CloseScreenFreesSpritesAndGivesTheDisplayBack) {
    Open(640, 480, 32);
    const auto bmp = SolidBmp(2, 2, 1, 2, 3);
    ASSERT_NE(screen::LoadSpriteData(7, bmp.data(), static_cast<std::uint32_t>(bmp.size()), 0), 0);
    const int live = pt::LiveSurfaceCount();
    screen::CloseScreen();
    EXPECT_EQ(screen::LookupSprite(7), nullptr);
    EXPECT_EQ(pt::LiveSurfaceCount(), live - 3);
    EXPECT_TRUE(pt::CursorVisible());
    EXPECT_FALSE(pt::ScreenWindowVisible());
    // Drawing after the close touches no released surface.
    screen::ClearScreen(1, 1, 1);
    screen::FlipBuffers();
}

}  // namespace
