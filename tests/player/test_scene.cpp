// The scene: motion of the loaded run of slots, and where the two drawing
// passes put each slot's sprite on the test backend's memory display.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/test/test_backend.h"
#include "platform/test/test_display.h"
#include "player/player.h"
#include "player/player_state.h"
#include "player/scene.h"
#include "screen/screen.h"
#include "screen/screen_fixture.h"
#include "screen/sprite3d.h"
#include "screen/sprites.h"
#include "screen/sprites_test_support.h"
#include "support/fixtures.h"

namespace rodazaro_test {
namespace {

using player::gPlayer;
using player::GfxSlot;

class SceneTest : public PlayerFixture {
protected:
    void Screen(std::int16_t width, std::int16_t height) { Start("Title\n", width, height, true); }
    GfxSlot& Slot(int number) { return gPlayer.gfxTable[number]; }

    // A slot loaded as LGFX (texture sprite and its 3D sprite) or LBMP does.
    void Load3D(int number, int width, int height) {
        const std::vector<std::uint8_t> image = SolidBmp(width, height, 200, 100, 50);
        ASSERT_NE(screen::LoadSpriteData(number, image.data(), static_cast<std::uint32_t>(image.size()),
                                         screen::kSpriteModeTexture),
                  0);
        ASSERT_NE(screen::CreateSprite3D(number, number), 0);
        Slot(number).alpha = 255;
        Slot(number).loaded = 1;
    }
    void LoadPlain(int number, int width, int height) {
        const std::vector<std::uint8_t> image = SolidBmp(width, height, 50, 100, 200);
        ASSERT_NE(screen::LoadSpriteData(number, image.data(), static_cast<std::uint32_t>(image.size()),
                                         screen::kSpriteModeDefault),
                  0);
        Slot(number).loaded = 1;
    }
    void Show(int number, std::int8_t mode, float x, float y) {
        Slot(number).mode = mode;
        Slot(number).x = x;
        Slot(number).y = y;
    }
    void Draw() {
        platform::test::ClearRecords();
        player::DrawScene();
    }
    static const void* SurfaceOf(int number) {
        const screen::SpriteRecord* record = screen::LookupSprite(number);
        return record == nullptr ? nullptr : record->surface;
    }
    // Top-left corner and size of a recorded quad.
    struct Quad {
        float x;
        float y;
        float width;
        float height;
        unsigned alpha;
    };
    static Quad QuadOf(const platform::test::DrawRecord& draw) {
        return {draw.vertices[0].x, draw.vertices[0].y, draw.vertices[3].x - draw.vertices[0].x,
                draw.vertices[3].y - draw.vertices[0].y, draw.vertices[0].diffuse >> 24};
    }
};

TEST_F(SceneTest, NearestSendsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(player::Nearest(318.5), 318);
    EXPECT_EQ(player::Nearest(238.5), 238);
    EXPECT_EQ(player::Nearest(319.5), 320);
    EXPECT_EQ(player::Nearest(0.5), 0);
    EXPECT_EQ(player::Nearest(1.5), 2);
    EXPECT_EQ(player::Nearest(-0.5), 0);
    EXPECT_EQ(player::Nearest(-1.5), -2);
    EXPECT_EQ(player::Nearest(-2.5), -2);
    EXPECT_EQ(player::Nearest(2.4999), 2);
    EXPECT_EQ(player::Nearest(-2.5001), -3);
    EXPECT_EQ(player::Nearest(1e12), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(player::Nearest(-1e12), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(player::Nearest(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST_F(SceneTest, MotionAddsSpeedTimesTheFrameDeltaToEverySlotOfTheRun) {
    Start("Title\n");
    for (int i = 0; i < 4; ++i) Slot(i).loaded = 1;
    Slot(0) = GfxSlot{0.5f, -0.5f, 0.0f, 0.001f, -0.002f, 0.0f, 1, 1, 255};
    Slot(1) = GfxSlot{0.0f, 0.0f, 2.0f, 0.25f, 0.0f, 0.0f, 0, 1, 0};  // hidden, dzoom 0
    Slot(2) = GfxSlot{0.0f, 0.0f, 0.5f, 0.0f, 0.0f, -0.01f, 2, 1, 0};
    gPlayer.lastFrameTick = 1000;
    platform::test::SetTicks(1250);
    player::UpdateMotion();
    EXPECT_EQ(gPlayer.lastFrameTick, 1250u);
    EXPECT_EQ(Slot(0).x, static_cast<float>(0.5 + static_cast<double>(0.001f) * 250));
    EXPECT_EQ(Slot(0).y, static_cast<float>(-0.5 + static_cast<double>(-0.002f) * 250));
    EXPECT_EQ(Slot(0).zoom, 0.0f);
    EXPECT_EQ(Slot(1).x, 62.5f) << "hidden slots move too";
    EXPECT_EQ(Slot(1).zoom, 2.0f) << "a dzoom of 0 leaves zoom alone";
    EXPECT_EQ(Slot(2).zoom, static_cast<float>(0.5 + static_cast<double>(-0.01f) * 250));

    // Two frames within one tick: nothing moves.
    const GfxSlot before = Slot(0);
    player::UpdateMotion();
    EXPECT_EQ(Slot(0).x, before.x);
    EXPECT_EQ(Slot(0).y, before.y);
}

TEST_F(SceneTest, EachMotionResultIsRoundedToSinglePrecisionOnce) {
    Start("Title\n");
    Slot(0).loaded = 1;
    Slot(0).x = 0x1.190b74p+0f;
    Slot(0).dx = 0x1.8c70bep-8f;
    Slot(0).y = 0x1.15de54p+0f;
    Slot(0).dy = 0x1.266196p-8f;
    gPlayer.lastFrameTick = 0;
    platform::test::SetTicks(1649);
    player::UpdateMotion();
    // Rounded product and sum in single precision would give 11.0729618.
    EXPECT_EQ(Slot(0).x,
              static_cast<float>(static_cast<double>(0x1.190b74p+0f) + static_cast<double>(0x1.8c70bep-8f) * 1649.0));
    EXPECT_NE(Slot(0).x, 0x1.190b74p+0f + 0x1.8c70bep-8f * 1649.0f);
    EXPECT_EQ(Slot(0).y,
              static_cast<float>(static_cast<double>(0x1.15de54p+0f) + static_cast<double>(0x1.266196p-8f) * 1649.0));
}

TEST_F(SceneTest, AnUnloadedSlotEndsBothPassesAndTheMotion) {
    Screen(800, 600);
    Load3D(0, 8, 8);
    Load3D(2, 8, 8);
    LoadPlain(3, 8, 8);
    Show(0, 1, 0.0f, 0.0f);
    Show(2, 1, 0.0f, 0.0f);
    Show(3, 2, 0.0f, 0.0f);
    Slot(0).dx = 0.001f;
    Slot(2).dx = 0.001f;
    gPlayer.lastFrameTick = platform::test::Ticks() - 100;
    player::UpdateMotion();
    EXPECT_NE(Slot(0).x, 0.0f);
    EXPECT_EQ(Slot(2).x, 0.0f) << "slot 2 lies after the gap";
    Draw();
    ASSERT_EQ(platform::test::Draws().size(), 1u);
    EXPECT_EQ(platform::test::Draws()[0].texture, SurfaceOf(0));
    EXPECT_TRUE(platform::test::Copies().empty());
}

TEST_F(SceneTest, WithoutATableTheFrameStillRunsItsPassAndDrawsNothing) {
    Screen(800, 600);
    Load3D(0, 8, 8);
    Show(0, 1, 0.0f, 0.0f);
    player::GfxSlot* table = gPlayer.gfxTable;
    gPlayer.gfxTable = nullptr;  // as when the heap refused it at start-up
    gPlayer.lastFrameTick = platform::test::Ticks() - 100;
    player::UpdateMotion();
    EXPECT_EQ(gPlayer.lastFrameTick, platform::test::Ticks()) << "the frame delta is still taken";
    Draw();
    gPlayer.gfxTable = table;
    EXPECT_TRUE(platform::test::Draws().empty());
    EXPECT_EQ(Slot(0).x, 0.0f);
}

TEST_F(SceneTest, TheWholeTableIsVisitedUpToSlot99Only) {
    Screen(800, 600);
    for (int i = 0; i <= 100; ++i) Slot(i).loaded = 1;
    LoadPlain(99, 4, 4);
    LoadPlain(100, 4, 4);
    Show(99, 2, 0.0f, 0.0f);
    Show(100, 2, 0.0f, 0.0f);
    Slot(99).dx = 1.0f;
    Slot(100).dx = 1.0f;
    gPlayer.lastFrameTick = platform::test::Ticks() - 2;
    player::UpdateMotion();
    EXPECT_EQ(Slot(99).x, 2.0f);
    EXPECT_EQ(Slot(100).x, 0.0f);
    Slot(99).x = 0.0f;
    Draw();
    ASSERT_EQ(platform::test::Copies().size(), 1u);
    EXPECT_EQ(platform::test::Copies()[0].source, SurfaceOf(99));
}

TEST_F(SceneTest, PlainSpritesAreCentredOnTheirPoint) {
    Screen(800, 600);
    LoadPlain(0, 100, 50);
    Show(0, 2, 0.0f, 0.0f);
    Draw();
    ASSERT_EQ(platform::test::Copies().size(), 1u);
    EXPECT_EQ(platform::test::Copies()[0].x, 350);
    EXPECT_EQ(platform::test::Copies()[0].y, 275);

    Show(0, 2, 0.5f, -0.5f);
    Slot(0).zoom = 3.0f;  // plays no part in the plain pass
    Slot(0).alpha = 10;
    Draw();
    ASSERT_EQ(platform::test::Copies().size(), 1u);
    EXPECT_EQ(platform::test::Copies()[0].x, 550);
    EXPECT_EQ(platform::test::Copies()[0].y, 125);
    const platform::Rect whole = platform::test::Copies()[0].sourceRect;
    EXPECT_EQ(whole.right - whole.left, 100);
    EXPECT_EQ(whole.bottom - whole.top, 50);

    // x = -1 puts the centre on the left edge: the left half is cut off.
    Show(0, 2, -1.0f, 0.0f);
    Draw();
    ASSERT_EQ(platform::test::Copies().size(), 1u);
    EXPECT_EQ(platform::test::Copies()[0].x, 0);
    EXPECT_EQ(platform::test::Copies()[0].sourceRect.left, 50);
    EXPECT_EQ(platform::test::Copies()[0].sourceRect.right, 100);
}

TEST_F(SceneTest, OddSizesRoundHalvesToEven) {
    Screen(640, 480);
    LoadPlain(0, 3, 3);
    Load3D(1, 3, 3);
    Show(0, 2, 0.0f, 0.0f);
    Show(1, 1, 0.0f, 0.0f);
    Draw();
    ASSERT_EQ(platform::test::Copies().size(), 1u);
    EXPECT_EQ(platform::test::Copies()[0].x, 318);
    EXPECT_EQ(platform::test::Copies()[0].y, 238);
    ASSERT_EQ(platform::test::Draws().size(), 1u);
    const Quad quad = QuadOf(platform::test::Draws()[0]);
    EXPECT_EQ(quad.x, 318.0f);
    EXPECT_EQ(quad.y, 238.0f);

    // zoom 0.5: 4.5 pixels round to 4, centred at 320 - 2.
    Slot(1).zoom = 0.5f;
    Draw();
    ASSERT_EQ(platform::test::Draws().size(), 1u);
    const Quad zoomed = QuadOf(platform::test::Draws()[0]);
    EXPECT_EQ(zoomed.width, 4.0f);
    EXPECT_EQ(zoomed.height, 4.0f);
    EXPECT_EQ(zoomed.x, 318.0f);
    EXPECT_EQ(zoomed.y, 238.0f);
}

TEST_F(SceneTest, ZoomScalesThe3DQuadAroundItsPoint) {
    Screen(800, 600);
    Load3D(0, 64, 32);
    Show(0, 1, 0.0f, 0.0f);
    Draw();
    ASSERT_EQ(platform::test::Draws().size(), 1u);
    Quad quad = QuadOf(platform::test::Draws()[0]);
    EXPECT_EQ(quad.x, 368.0f);
    EXPECT_EQ(quad.y, 284.0f);
    EXPECT_EQ(quad.width, 64.0f);
    EXPECT_EQ(quad.height, 32.0f);
    EXPECT_EQ(quad.alpha, 255u);

    Slot(0).zoom = 1.0f;
    Draw();
    ASSERT_EQ(platform::test::Draws().size(), 1u);
    quad = QuadOf(platform::test::Draws()[0]);
    EXPECT_EQ(quad.width, 128.0f);
    EXPECT_EQ(quad.height, 64.0f);
    EXPECT_EQ(quad.x, 336.0f);
    EXPECT_EQ(quad.y, 268.0f);

    // Back at zoom 0 the quad keeps its last size but is placed as if it
    // had its natural one.
    Slot(0).zoom = 0.0f;
    Draw();
    ASSERT_EQ(platform::test::Draws().size(), 1u);
    quad = QuadOf(platform::test::Draws()[0]);
    EXPECT_EQ(quad.width, 128.0f);
    EXPECT_EQ(quad.height, 64.0f);
    EXPECT_EQ(quad.x, 368.0f);
    EXPECT_EQ(quad.y, 284.0f);

    // Below -1 the scale is negative and so are the sizes.
    Slot(0).zoom = -3.0f;
    Draw();
    ASSERT_EQ(platform::test::Draws().size(), 1u);
    quad = QuadOf(platform::test::Draws()[0]);
    EXPECT_EQ(quad.width, -128.0f);
    EXPECT_EQ(quad.height, -64.0f);
    EXPECT_EQ(quad.x, 464.0f);
    EXPECT_EQ(quad.y, 332.0f);

    // x = -1 centres the graphic on the left edge.
    Slot(0).zoom = 0.0f;
    screen::ZoomSprite3D(0, 64, 32);
    Show(0, 1, -1.0f, 1.0f);
    Draw();
    ASSERT_EQ(platform::test::Draws().size(), 1u);
    quad = QuadOf(platform::test::Draws()[0]);
    EXPECT_EQ(quad.x, -32.0f);
    EXPECT_EQ(quad.y, 584.0f);
}

TEST_F(SceneTest, OnlyTheLowByteOfAlphaReachesTheQuad) {
    Screen(800, 600);
    Load3D(0, 8, 8);
    Show(0, 1, 0.0f, 0.0f);
    Slot(0).alpha = 300;
    Draw();
    ASSERT_EQ(platform::test::Draws().size(), 1u);
    EXPECT_EQ(QuadOf(platform::test::Draws()[0]).alpha, 44u);
    Slot(0).alpha = 128;
    Draw();
    ASSERT_EQ(platform::test::Draws().size(), 1u);
    EXPECT_EQ(QuadOf(platform::test::Draws()[0]).alpha, 128u);
}

TEST_F(SceneTest, EachModeGoesToItsOwnPassInSlotOrder) {
    Screen(800, 600);
    LoadPlain(0, 8, 8);
    Load3D(1, 8, 8);
    Load3D(2, 8, 8);
    LoadPlain(3, 8, 8);  // shown in mode 1: a plain sprite has no 3D sprite
    Load3D(4, 8, 8);     // hidden
    Load3D(5, 8, 8);
    Show(0, 2, 0.0f, 0.0f);
    Show(1, 1, 0.0f, 0.0f);
    Show(2, 1, 0.5f, 0.0f);
    Show(3, 1, 0.0f, 0.0f);
    Show(4, 0, 0.0f, 0.0f);
    Show(5, 1, -0.5f, 0.0f);
    Draw();
    const auto& draws = platform::test::Draws();
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0].texture, SurfaceOf(1));
    EXPECT_EQ(draws[1].texture, SurfaceOf(2));
    EXPECT_EQ(draws[2].texture, SurfaceOf(5));
    for (const auto& draw : draws) EXPECT_TRUE(draw.inScene);
    ASSERT_EQ(platform::test::Copies().size(), 1u);
    EXPECT_EQ(platform::test::Copies()[0].source, SurfaceOf(0));
}

TEST_F(SceneTest, SlotsWithoutSpritesAreVisitedAndDrawNothing) {
    Screen(800, 600);
    for (int i = 0; i < 10; ++i) {
        Slot(i).loaded = 1;
        Show(i, static_cast<std::int8_t>(i % 3), 0.0f, 0.0f);
        Slot(i).zoom = 0.5f;
    }
    const std::int32_t sprites = screen::SpriteTable().capacity;
    const std::int32_t sprites3D = screen::Sprite3DTable().capacity;
    Draw();
    EXPECT_TRUE(platform::test::Draws().empty());
    EXPECT_TRUE(platform::test::Copies().empty());
    EXPECT_EQ(screen::SpriteTable().capacity, sprites);
    EXPECT_EQ(screen::Sprite3DTable().capacity, sprites3D);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(screen::LookupSprite3D(i), nullptr);
}

TEST_F(SceneTest, AScriptedSceneMovesAndDrawsFromTheNextTurn) {
    dir_.Write("data/gfx/box.bmp", SolidBmp(64, 32, 255, 255, 255));
    platform::test::SetTicks(500);
    Start("Title\nLGFX 00 box.bmp\nSGFX 00 0.000 0.000\nMGFX 00 0.0010 0.0000\nAGFX 00 128\n", 800, 600, true);
    ASSERT_TRUE(Turn());  // load
    ASSERT_TRUE(Turn());  // show: drawn in this turn's frame
    ASSERT_TRUE(Turn());  // velocity: moves by the 1 ms since the last frame
    EXPECT_EQ(Slot(0).x, static_cast<float>(static_cast<double>(0.001f)));
    platform::test::AdvanceTicks(99);
    platform::test::ClearRecords();
    ASSERT_TRUE(Turn());  // alpha, and 100 ms of motion
    EXPECT_EQ(Slot(0).x, static_cast<float>(static_cast<double>(0.001f) + static_cast<double>(0.001f) * 100));
    ASSERT_EQ(platform::test::Draws().size(), 1u);
    const Quad quad = QuadOf(platform::test::Draws()[0]);
    EXPECT_EQ(quad.x, static_cast<float>(player::Nearest(Slot(0).x * 400.0 + 400.0 - 32.0)));
    EXPECT_EQ(quad.y, 284.0f);
    EXPECT_EQ(quad.alpha, 128u);
}

}  // namespace
}  // namespace rodazaro_test
