// 3D sprites: creation from texture sprites only, the quad, alpha, filter,
// the pass, the device's life, and the scene's use of them.

#include <gtest/gtest.h>

#include "player/player_state.h"
#include "player/scene.h"
#include "screen/sprite3d.h"
#include "screen/sprites.h"
#include "screen_fixture.h"

namespace {

using rodazaro_test::ScreenFixture;
using rodazaro_test::SolidBmp;
namespace pt = platform::test;

class Sprite3DTest : public ScreenFixture {
protected:
    void SetUp() override {
        ScreenFixture::SetUp();
        Open(640, 480, 32);
    }
    void LoadTexture(std::int32_t number, int width, int height, std::int32_t mode = screen::kSpriteModeTexture) {
        const auto bmp = SolidBmp(width, height, 90, 80, 70);
        ASSERT_NE(screen::LoadSpriteData(number, bmp.data(), static_cast<std::uint32_t>(bmp.size()), mode), 0);
    }
    const pt::DrawRecord& DrawOne(std::int32_t number, std::int32_t x, std::int32_t y, std::int32_t alpha) {
        pt::ClearRecords();
        EXPECT_EQ(screen::Start3D(), 1);
        screen::DisplaySprite3D(number, x, y, alpha);
        screen::Stop3D();
        EXPECT_EQ(pt::Draws().size(), 1u);
        return pt::Draws().back();
    }
};

TEST_F(Sprite3DTest, OnlyTextureSpritesBecome3DSprites) {
    LoadTexture(0, 8, 8, screen::kSpriteModeDefault);
    EXPECT_EQ(screen::CreateSprite3D(0, 0), 0);
    EXPECT_EQ(screen::LookupSprite3D(0), nullptr);
    EXPECT_EQ(screen::CreateSprite3D(1, 1), 0);  // no sprite at all
    LoadTexture(2, 8, 8);
    EXPECT_NE(screen::CreateSprite3D(2, 2), 0);
    ASSERT_NE(screen::LookupSprite3D(2), nullptr);
    EXPECT_EQ(screen::LookupSprite3D(2)->texture, screen::LookupSprite(2)->surface);
}

TEST_F(Sprite3DTest, QuadCoversTheWholeTexture) {
    LoadTexture(0, 64, 32);
    ASSERT_NE(screen::CreateSprite3D(0, 0), 0);
    const pt::DrawRecord& draw = DrawOne(0, 100, 50, 255);
    const float xs[4] = {100, 164, 100, 164};
    const float ys[4] = {50, 50, 82, 82};
    const float us[4] = {0, 1, 0, 1};
    const float vs[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(draw.vertices[i].x, xs[i]) << i;
        EXPECT_FLOAT_EQ(draw.vertices[i].y, ys[i]) << i;
        EXPECT_FLOAT_EQ(draw.vertices[i].u, us[i]) << i;
        EXPECT_FLOAT_EQ(draw.vertices[i].v, vs[i]) << i;
        EXPECT_FLOAT_EQ(draw.vertices[i].rhw, 1.0f);
    }
    EXPECT_TRUE(draw.alphaBlend);
    EXPECT_EQ(draw.srcBlend, platform::kBlendSrcAlpha);
    EXPECT_EQ(draw.destBlend, platform::kBlendInvSrcAlpha);
    EXPECT_TRUE(draw.colourKey);
    EXPECT_EQ(draw.alphaOp, platform::kTopSelectArg2);
    EXPECT_TRUE(draw.inScene);
    // The stored quad does not move with the draw position.
    EXPECT_FLOAT_EQ(screen::LookupSprite3D(0)->vertices[3].x, 64.0f);
}

TEST_F(Sprite3DTest, AlphaUsesTheLowEightBits) {
    LoadTexture(0, 4, 4);
    ASSERT_NE(screen::CreateSprite3D(0, 0), 0);
    const std::pair<std::int32_t, std::uint32_t> cases[] = {{255, 0xFFFFFFFFu}, {128, 0x80FFFFFFu}, {0, 0x00FFFFFFu},
                                                            {256, 0x00FFFFFFu}, {-1, 0xFFFFFFFFu},  {300, 0x2CFFFFFFu}};
    for (const auto& [alpha, diffuse] : cases) {
        const pt::DrawRecord& draw = DrawOne(0, 0, 0, alpha);
        for (const platform::TLVertex& v : draw.vertices) EXPECT_EQ(v.diffuse, diffuse) << alpha;
    }
}

TEST_F(Sprite3DTest, FilterFlagChoosesMagnification) {
    LoadTexture(0, 4, 4);
    ASSERT_NE(screen::CreateSprite3D(0, 0), 0);
    screen::SetSprite3DFilter(1);
    EXPECT_EQ(DrawOne(0, 0, 0, 255).magFilter, platform::kFilterLinear);
    screen::SetSprite3DFilter(0);
    EXPECT_EQ(DrawOne(0, 0, 0, 255).magFilter, platform::kFilterPoint);
}

TEST_F(Sprite3DTest, ZoomResizesUntilTheNextZoomAndAllowsNegativeSizes) {
    LoadTexture(0, 64, 32);
    ASSERT_NE(screen::CreateSprite3D(0, 0), 0);
    screen::ZoomSprite3D(0, 128, 64);
    EXPECT_EQ(screen::LookupSprite3D(0)->width, 128);
    EXPECT_FLOAT_EQ(DrawOne(0, 0, 0, 255).vertices[3].y, 64.0f);
    screen::ZoomSprite3D(0, -10, -20);
    const pt::DrawRecord& draw = DrawOne(0, 50, 50, 255);
    EXPECT_FLOAT_EQ(draw.vertices[1].x, 40.0f);
    EXPECT_FLOAT_EQ(draw.vertices[2].y, 30.0f);
}

TEST_F(Sprite3DTest, NothingIsDrawnOutsideAPass) {
    LoadTexture(0, 4, 4);
    ASSERT_NE(screen::CreateSprite3D(0, 0), 0);
    pt::ClearRecords();
    screen::DisplaySprite3D(0, 0, 0, 255);
    ASSERT_EQ(screen::Start3D(), 1);
    screen::Stop3D();
    screen::DisplaySprite3D(0, 0, 0, 255);
    screen::Stop3D();  // a second stop does nothing
    EXPECT_TRUE(pt::Draws().empty());
}

TEST_F(Sprite3DTest, DeviceMadeOncePerScreen) {
    EXPECT_EQ(screen::Start3D(), 1);
    screen::Stop3D();
    EXPECT_EQ(screen::Start3D(), 1);
    screen::Stop3D();
    EXPECT_EQ(pt::DeviceCreateCount(), 1);
    pt::AdvanceTicks(500);  // a new screen gets a new open stamp
    Open(800, 600, 32);
    EXPECT_EQ(screen::Start3D(), 1);
    screen::Stop3D();
    EXPECT_EQ(pt::DeviceCreateCount(), 2);
}

TEST_F(Sprite3DTest, FreedOrReplacedSpriteLeavesNoTextureBehind) {
    LoadTexture(0, 4, 4);
    ASSERT_NE(screen::CreateSprite3D(0, 0), 0);
    screen::FreeSprite(0);
    EXPECT_EQ(screen::LookupSprite3D(0), nullptr);
    LoadTexture(1, 4, 4);
    ASSERT_NE(screen::CreateSprite3D(1, 1), 0);
    LoadTexture(1, 6, 6);  // a new load under the number frees the old surface
    EXPECT_EQ(screen::LookupSprite3D(1), nullptr);
    pt::ClearRecords();
    ASSERT_EQ(screen::Start3D(), 1);
    screen::DisplaySprite3D(1, 0, 0, 255);
    screen::Stop3D();
    EXPECT_TRUE(pt::Draws().empty());
}

TEST_F(Sprite3DTest, TableGrowsByFiftyAndFreeAllEmptiesIt) {
    LoadTexture(0, 4, 4);
    ASSERT_NE(screen::CreateSprite3D(50, 0), 0);
    EXPECT_EQ(screen::Sprite3DTable().capacity, 100);
    const std::intptr_t handle = screen::CreateSprite3D(-1, 0);
    ASSERT_GE(handle, 0x40000000);
    screen::FreeAllSprites3D();
    EXPECT_EQ(screen::LookupSprite3D(50), nullptr);
    EXPECT_EQ(screen::LookupSprite3D(static_cast<std::int32_t>(handle)), nullptr);
    EXPECT_EQ(runtime::DynamicObjectCount(screen::Sprite3DTable()), 0);
}

class SceneDrawingTest : public Sprite3DTest {
protected:
    player::GfxSlot& SlotAt(int i) { return player::gPlayer.gfxTable[i]; }
};

TEST_F(SceneDrawingTest, ZoomedQuadIsCentredOnItsPoint) {
    player::gPlayer.screenWidth = 640;
    player::gPlayer.screenHeight = 480;
    LoadTexture(0, 64, 32);
    ASSERT_NE(screen::CreateSprite3D(0, 0), 0);
    SlotAt(0) = player::GfxSlot{0, 0, 1.0f, 0, 0, 0, 1, 1, 255};
    pt::ClearRecords();
    player::DrawScene();
    ASSERT_EQ(pt::Draws().size(), 1u);
    EXPECT_FLOAT_EQ(pt::Draws()[0].vertices[0].x, 256.0f);
    EXPECT_FLOAT_EQ(pt::Draws()[0].vertices[0].y, 208.0f);
    EXPECT_FLOAT_EQ(pt::Draws()[0].vertices[3].x, 384.0f);
    EXPECT_FLOAT_EQ(pt::Draws()[0].vertices[3].y, 272.0f);
    // Zoom back to 0: the quad keeps its last size but is centred as if it
    // had its natural size.
    SlotAt(0).zoom = 0.0f;
    pt::ClearRecords();
    player::DrawScene();
    ASSERT_EQ(pt::Draws().size(), 1u);
    EXPECT_FLOAT_EQ(pt::Draws()[0].vertices[0].x, 288.0f);
    EXPECT_FLOAT_EQ(pt::Draws()[0].vertices[3].x, 288.0f + 128.0f);
}

TEST_F(SceneDrawingTest, PlainSpritesLieOverThreeDSprites) {
    player::gPlayer.screenWidth = 640;
    player::gPlayer.screenHeight = 480;
    const auto red = SolidBmp(20, 20, 255, 0, 0);
    ASSERT_NE(screen::LoadSpriteData(0, red.data(), static_cast<std::uint32_t>(red.size()), 0), 0);
    LoadTexture(1, 20, 20);
    ASSERT_NE(screen::CreateSprite3D(1, 1), 0);
    SlotAt(0) = player::GfxSlot{0, 0, 0, 0, 0, 0, 2, 1, 0};
    SlotAt(1) = player::GfxSlot{0, 0, 0, 0, 0, 0, 1, 1, 255};
    pt::ClearRecords();
    player::DrawScene();
    EXPECT_EQ(pt::Draws().size(), 1u);
    ASSERT_EQ(pt::Copies().size(), 1u);
    EXPECT_EQ(pt::Copies()[0].x, 310);
    EXPECT_EQ(pt::Copies()[0].y, 230);
    screen::FlipBuffers();
    EXPECT_EQ(pt::PrimaryPixelAt(320, 240), 0xFF0000u);
}

TEST_F(SceneDrawingTest, SlotAfterAGapIsNeverDrawn) {
    player::gPlayer.screenWidth = 640;
    player::gPlayer.screenHeight = 480;
    LoadTexture(0, 4, 4);
    LoadTexture(2, 4, 4);
    ASSERT_NE(screen::CreateSprite3D(0, 0), 0);
    ASSERT_NE(screen::CreateSprite3D(2, 2), 0);
    SlotAt(0) = player::GfxSlot{0, 0, 0, 0, 0, 0, 1, 1, 255};
    SlotAt(2) = player::GfxSlot{0.5f, 0, 0, 0, 0, 0, 1, 1, 255};
    pt::ClearRecords();
    player::DrawScene();
    EXPECT_EQ(pt::Draws().size(), 1u);
}

}  // namespace
