// The screen: pixel formats, colours, clearing, flipping, switching away and
// back, and a mode the display refuses.

#include <gtest/gtest.h>

#include "platform/messages.h"
#include "screen/screen.h"
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
