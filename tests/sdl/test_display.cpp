// The screen, sprites and 3D sprites drawn by the SDL display driver on the
// software renderer, read back in the screen's own pixel format.

#include <SDL2/SDL.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/sdl/test_support.h"
#include "tests/sdl/test_display_fixture.h"

namespace sdl_test {
namespace {

constexpr Colour kRed{255, 0, 0};
constexpr Colour kGreen{0, 255, 0};
constexpr Colour kBlue{0, 0, 255};

// A pattern in which every pixel of a sprite up to 256 x 256 differs from
// its neighbours and from black.
Colour Pattern(int x, int y) {
    return {static_cast<std::uint8_t>(x * 8 + 7), static_cast<std::uint8_t>(y * 4 + 3),
            static_cast<std::uint8_t>(32 + (x + y) % 200)};
}

std::string BitsName(const ::testing::TestParamInfo<int>& param) { return "Bits" + std::to_string(param.param); }

bool AllPixels(const platform::sdl::Frame& frame, std::uint32_t value) {
    if (frame.Empty()) return false;
    for (std::uint32_t pixel : frame.pixels) {
        if (pixel != value) return false;
    }
    return true;
}

// --- Screen colours and pixel formats --------------------------------------

class ScreenDepthTest : public ScreenTest, public ::testing::WithParamInterface<int> {};

TEST_P(ScreenDepthTest, ClearScreenFillsTheBackBufferWithTheScreenColour) {
    const int bits = GetParam();
    Open(800, 600, bits);
    EXPECT_EQ(screen::gScreen.pixelFormatCode, bits == 16 ? 3 : 7);

    screen::ClearScreen(255, 255, 255);
    platform::sdl::Frame frame = Back();
    ASSERT_EQ(frame.width, 800);
    ASSERT_EQ(frame.height, 600);
    EXPECT_EQ(frame.bitsPerPixel, bits);
    EXPECT_EQ(screen::ScreenColor(255, 255, 255), bits == 16 ? 0xFFFFu : 0xFFFFFFu);
    EXPECT_TRUE(AllPixels(frame, bits == 16 ? 0xFFFFu : 0xFFFFFFu));

    screen::ClearScreen(255, 0, 0);
    EXPECT_TRUE(AllPixels(Back(), bits == 16 ? 0xF800u : 0xFF0000u));

    // A colour whose 5-6-5 fields all differ from their neighbours.
    screen::ClearScreen(0x88, 0x44, 0x22);
    const std::uint32_t expected = bits == 16 ? (0x88u / 8 << 11 | 0x44u / 4 << 5 | 0x22u / 8) : 0x884422u;
    EXPECT_EQ(screen::ScreenColor(0x88, 0x44, 0x22), expected);
    EXPECT_TRUE(AllPixels(Back(), expected));
}

TEST_P(ScreenDepthTest, FlipShowsTheBackBufferAndHandsBackTheOldFrame) {
    const int bits = GetParam();
    Open(640, 480, bits);
    const std::uint32_t before = platform::sdl::PresentedFrameCount();
    screen::ClearScreen(0, 0, 255);
    screen::FlipBuffers();
    EXPECT_EQ(platform::sdl::PresentedFrameCount(), before + 1);
    EXPECT_TRUE(AllPixels(platform::sdl::ReadPresentedFrame(), ScreenPixel(kBlue, bits)));
    // The buffer to draw in now holds the frame shown before (black).
    EXPECT_TRUE(AllPixels(Back(), 0));

    screen::ClearScreen(0, 255, 0);
    screen::FlipBuffers();
    EXPECT_TRUE(AllPixels(platform::sdl::ReadPresentedFrame(), ScreenPixel(kGreen, bits)));
    EXPECT_TRUE(AllPixels(Back(), ScreenPixel(kBlue, bits)));
}

TEST_P(ScreenDepthTest, SpritePixelsAreStoredInTheScreenFormat) {
    const int bits = GetParam();
    Open(640, 480, bits);
    const Image image = MakeImage(5, 3, Pattern);
    ASSERT_TRUE(LoadPlain(0, image));
    const auto* record = screen::LookupSprite(0);
    ASSERT_NE(record, nullptr);
    auto* surface = static_cast<platform::Surface*>(record->surface);

    platform::LockedSurface locked{};
    ASSERT_EQ(platform::LockSurface(surface, &locked), platform::kOk);
    EXPECT_EQ(locked.bitsPerPixel, static_cast<std::uint32_t>(bits));
    EXPECT_GE(locked.pitch, 5 * bits / 8);
    EXPECT_EQ(locked.pitch % 4, 0);
    EXPECT_EQ(locked.greenMask, bits == 16 ? 0x07E0u : 0x00FF00u);
    EXPECT_EQ(locked.redMask, bits == 16 ? 0xF800u : 0xFF0000u);
    // A second lock of a locked surface is refused.
    platform::LockedSurface again{};
    EXPECT_NE(platform::LockSurface(surface, &again), platform::kOk);
    for (int y = 0; y < 3; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(locked.pixels) + y * locked.pitch;
        for (int x = 0; x < 5; ++x) {
            std::uint32_t value = 0;
            if (bits == 16) {
                value = static_cast<std::uint32_t>(row[2 * x] | (row[2 * x + 1] << 8));
            } else {
                value = static_cast<std::uint32_t>(row[4 * x] | (row[4 * x + 1] << 8) | (row[4 * x + 2] << 16) |
                                                   (row[4 * x + 3] << 24));
            }
            EXPECT_EQ(value, ScreenPixel(Pattern(x, y), bits)) << x << "," << y;
        }
    }
    ASSERT_EQ(platform::UnlockSurface(surface), platform::kOk);
    EXPECT_NE(platform::UnlockSurface(surface), platform::kOk);

    // Drawn opaque, the same words reach the back buffer.
    screen::ClearScreen(0, 0, 0);
    screen::DisplaySprite(0, 10, 20);
    const platform::sdl::Frame frame = Back();
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) EXPECT_EQ(frame.At(10 + x, 20 + y), ScreenPixel(Pattern(x, y), bits));
    }
}

// The 8-bit value of a screen pixel's field as a picture file holds it: the
// low bits filled from the high ones.
Colour Widened(std::uint32_t pixel, int bits) {
    if (bits != 16) return Components(pixel, bits);
    const std::uint32_t r = (pixel >> 11) & 31u, g = (pixel >> 5) & 63u, b = pixel & 31u;
    return {static_cast<std::uint8_t>(r << 3 | r >> 2), static_cast<std::uint8_t>(g << 2 | g >> 4),
            static_cast<std::uint8_t>(b << 3 | b >> 2)};
}

TEST_P(ScreenDepthTest, ASavedFrameIsThePresentedFrameInTheModesSize) {
    const int bits = GetParam();
    Open(640, 480, bits);
    ASSERT_TRUE(LoadPlain(0, MakeImage(200, 150, Pattern)));
    Show(0, 2, 0.25f, -0.5f);
    DrawFrame();
    screen::FlipBuffers();
    screen::ClearScreen(0, 0, 255);  // the next frame, not yet shown, is not saved
    const std::string path = ::testing::TempDir() + "rodazaro_saved_frame_" + std::to_string(bits) + ".png";
    ASSERT_TRUE(screen::SavePresentedFrame(path.c_str()));
    EXPECT_FALSE(screen::SavePresentedFrame((::testing::TempDir() + "no/such/folder/frame.png").c_str()));

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    std::remove(path.c_str());
    ASSERT_EQ(image.width, 640u);
    ASSERT_EQ(image.height, 480u);
    const platform::sdl::Frame shown = platform::sdl::ReadPresentedFrame();
    ASSERT_FALSE(shown.Empty());
    int differing = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const Colour want = Widened(shown.At(x, y), bits);
            const std::uint8_t* got = &rgb[(static_cast<std::size_t>(y) * 640 + x) * 3];
            if (got[0] != want.r || got[1] != want.g || got[2] != want.b) ++differing;
        }
    }
    EXPECT_EQ(differing, 0);
    // The sprite is in it, where it was shown.
    const std::uint8_t* centre = &rgb[(static_cast<std::size_t>(120) * 640 + 400) * 3];
    const Colour sprite = Widened(ScreenPixel(Pattern(100, 75), bits), bits);
    EXPECT_EQ(centre[0], sprite.r);
    EXPECT_EQ(centre[1], sprite.g);
    EXPECT_EQ(centre[2], sprite.b);
}

INSTANTIATE_TEST_SUITE_P(Depths, ScreenDepthTest, ::testing::Values(16, 32), BitsName);

TEST_F(ScreenTest, RefusedModeLeavesNoScreenAndTheCursorVisible) {
    EXPECT_EQ(screen::OpenScreen(800, 600, 24, "x"), 0);
    EXPECT_EQ(screen::OpenScreen(800, 600, 8, "x"), 0);
    EXPECT_EQ(screen::gScreen.primary, nullptr);
    EXPECT_EQ(screen::gScreen.outputBuffer, nullptr);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    const std::uint32_t flags = SDL_GetWindowFlags(platform::sdl::ScreenWindow().window);
    EXPECT_EQ(flags & SDL_WINDOW_SHOWN, 0u);
    // A refused mode does not stop a good one later.
    Open(800, 600, 32);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
}

TEST_F(ScreenTest, OpenScreenShowsADesktopFullScreenWindowAndCloseHidesIt) {
    Open(800, 600, 32);
    SDL_Window* window = platform::sdl::ScreenWindow().window;
    ASSERT_NE(window, nullptr);
    const std::uint32_t flags = SDL_GetWindowFlags(window);
    EXPECT_NE(flags & SDL_WINDOW_SHOWN, 0u);
    EXPECT_EQ(flags & SDL_WINDOW_FULLSCREEN_DESKTOP, static_cast<std::uint32_t>(SDL_WINDOW_FULLSCREEN_DESKTOP));
    EXPECT_STREQ(SDL_GetWindowTitle(window), "RodaZaro test");
    ASSERT_NE(platform::sdl::RendererName(), nullptr);
    EXPECT_STREQ(platform::sdl::RendererName(), "software");
    screen::CloseScreen();
    EXPECT_EQ(SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN, 0u);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    // The same window opens a second screen of another mode.
    Open(640, 480, 16);
    const platform::sdl::Frame frame = Back();
    EXPECT_EQ(frame.width, 640);
    EXPECT_EQ(frame.bitsPerPixel, 16);
}

// --- Letterbox ---------------------------------------------------------------

TEST(Letterbox, KeepsTheAspectRatioCentredWithBarsAround) {
    using platform::sdl::ComputeLetterbox;
    auto check = [](platform::Rect r, int left, int top, int right, int bottom) {
        EXPECT_EQ(r.left, left);
        EXPECT_EQ(r.top, top);
        EXPECT_EQ(r.right, right);
        EXPECT_EQ(r.bottom, bottom);
    };
    check(ComputeLetterbox(1024, 768, 1024, 768), 0, 0, 1024, 768);
    check(ComputeLetterbox(1024, 768, 800, 600), 0, 0, 1024, 768);
    check(ComputeLetterbox(1920, 1080, 800, 600), 240, 0, 1680, 1080);  // bars left and right
    check(ComputeLetterbox(1280, 1024, 1024, 768), 0, 32, 1280, 992);   // bars above and below
    check(ComputeLetterbox(1000, 1000, 640, 480), 0, 125, 1000, 875);
    check(ComputeLetterbox(640, 480, 1024, 768), 0, 0, 640, 480);   // shrunk
    check(ComputeLetterbox(600, 300, 800, 600), 100, 0, 500, 300);  // a window made wide and low
    check(ComputeLetterbox(300, 900, 640, 480), 0, 337, 300, 562);  // a window made narrow and tall
    check(ComputeLetterbox(0, 768, 800, 600), 0, 0, 0, 0);
}

// (SDL's dummy driver cannot make a window resizable; the whole-program
// test resizes a real one.)
TEST_F(ScreenTest, AWindowedScreenLeavesTheFullScreenAndSwitchesBack) {
    Open(800, 600, 32);
    SDL_Window* window = platform::sdl::ScreenWindow().window;
    ASSERT_NE(window, nullptr);
    EXPECT_NE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
    screen::SetScreenWindowed(true);
    EXPECT_EQ(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
    screen::ClearScreen(0, 255, 0);
    screen::FlipBuffers();
    EXPECT_TRUE(AllPixels(platform::sdl::ReadPresentedFrame(), ScreenPixel(kGreen, 32)));
    screen::SetScreenWindowed(false);
    EXPECT_NE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
}

TEST_F(ScreenTest, FlipUsesTheLetterboxOfTheWindow) {
    Open(800, 600, 32);
    screen::FlipBuffers();
    int width = 0, height = 0;
    SDL_GetWindowSize(platform::sdl::ScreenWindow().window, &width, &height);
    const platform::Rect expected = platform::sdl::ComputeLetterbox(width, height, 800, 600);
    const platform::Rect used = platform::sdl::LetterboxRect();
    EXPECT_EQ(used.left, expected.left);
    EXPECT_EQ(used.top, expected.top);
    EXPECT_EQ(used.right, expected.right);
    EXPECT_EQ(used.bottom, expected.bottom);
    EXPECT_GT(used.right - used.left, 0);
}

// --- Plain sprites -----------------------------------------------------------

TEST_F(ScreenTest, PlainSpriteIsDrawnCentredOnItsPosition) {
    Open(800, 600, 32);
    ASSERT_TRUE(LoadPlain(0, MakeImage(100, 50, Pattern)));
    Show(0, 2, 0.0f, 0.0f);
    DrawFrame();
    const platform::sdl::Frame frame = Back();
    EXPECT_EQ(frame.At(350, 275), ScreenPixel(Pattern(0, 0), 32));
    EXPECT_EQ(frame.At(449, 324), ScreenPixel(Pattern(99, 49), 32));
    EXPECT_EQ(frame.At(400, 300), ScreenPixel(Pattern(50, 25), 32));
    EXPECT_EQ(frame.At(349, 275), 0u);
    EXPECT_EQ(frame.At(450, 275), 0u);
    EXPECT_EQ(frame.At(350, 274), 0u);
    EXPECT_EQ(frame.At(350, 325), 0u);
}

TEST_F(ScreenTest, OddSizedSpriteRoundsItsCornerToTheEvenNeighbour) {
    Open(800, 600, 32);
    ASSERT_TRUE(LoadPlain(0, MakeImage(163, 123, Pattern)));
    Show(0, 2, 0.0f, 0.0f);
    DrawFrame();
    const platform::sdl::Frame frame = Back();
    EXPECT_EQ(frame.At(318, 238), ScreenPixel(Pattern(0, 0), 32));
    EXPECT_EQ(frame.At(318 + 162, 238 + 122), ScreenPixel(Pattern(162, 122), 32));
    EXPECT_EQ(frame.At(317, 238), 0u);
    EXPECT_EQ(frame.At(318, 237), 0u);
    EXPECT_EQ(frame.At(318 + 163, 238), 0u);
    EXPECT_EQ(frame.At(318, 238 + 123), 0u);
}

TEST_F(ScreenTest, PlainSpritesAreClippedAtTheScreenEdges) {
    Open(800, 600, 32);
    constexpr int w = 40, h = 30;
    ASSERT_TRUE(LoadPlain(0, MakeImage(w, h, Pattern)));
    auto countLit = [](const platform::sdl::Frame& frame) {
        int lit = 0;
        for (std::uint32_t pixel : frame.pixels) lit += pixel != 0 ? 1 : 0;
        return lit;
    };

    screen::ClearScreen(0, 0, 0);
    screen::DisplaySprite(0, -w, 100);
    screen::DisplaySprite(0, 100, -h);
    screen::DisplaySprite(0, 800, 100);
    screen::DisplaySprite(0, 100, 600);
    EXPECT_EQ(countLit(Back()), 0);

    screen::ClearScreen(0, 0, 0);
    screen::DisplaySprite(0, -w + 1, 100);  // one column: the sprite's last
    platform::sdl::Frame frame = Back();
    EXPECT_EQ(countLit(frame), h);
    EXPECT_EQ(frame.At(0, 100), ScreenPixel(Pattern(w - 1, 0), 32));
    EXPECT_EQ(frame.At(0, 100 + h - 1), ScreenPixel(Pattern(w - 1, h - 1), 32));

    screen::ClearScreen(0, 0, 0);
    screen::DisplaySprite(0, 799, 599);  // one pixel: the sprite's first
    frame = Back();
    EXPECT_EQ(countLit(frame), 1);
    EXPECT_EQ(frame.At(799, 599), ScreenPixel(Pattern(0, 0), 32));

    screen::ClearScreen(0, 0, 0);
    screen::DisplaySprite(0, 790, -25);  // cut on the right and at the top
    frame = Back();
    EXPECT_EQ(countLit(frame), 10 * 5);
    EXPECT_EQ(frame.At(790, 0), ScreenPixel(Pattern(0, 25), 32));
    EXPECT_EQ(frame.At(799, 4), ScreenPixel(Pattern(9, 29), 32));
}

TEST_F(ScreenTest, SpriteWiderThanTheScreenIsCutOnBothSides) {
    Open(640, 480, 16);
    auto wide = [](int x, int y) {
        return Colour{static_cast<std::uint8_t>(8 + x % 240), static_cast<std::uint8_t>(4 * y + 4),
                      static_cast<std::uint8_t>(8 + (x / 240) * 40)};
    };
    ASSERT_TRUE(LoadPlain(0, MakeImage(700, 4, wide)));
    screen::ClearScreen(0, 0, 0);
    screen::DisplaySprite(0, -30, 10);
    const platform::sdl::Frame frame = Back();
    for (int x : {0, 1, 321, 638, 639}) EXPECT_EQ(frame.At(x, 10), ScreenPixel(wide(x + 30, 0), 16)) << x;
    EXPECT_EQ(frame.At(639, 13), ScreenPixel(wide(669, 3), 16));
    EXPECT_EQ(frame.At(0, 9), 0u);
    EXPECT_EQ(frame.At(0, 14), 0u);
}

TEST_F(ScreenTest, PlainSpritesDrawTheirBlackPixels) {
    Open(640, 480, 32);
    ASSERT_TRUE(LoadPlain(0, MakeImage(4, 4, [](int x, int) { return x < 2 ? Colour{0, 0, 0} : kRed; })));
    screen::ClearScreen(0, 0, 255);
    screen::DisplaySprite(0, 10, 10);
    const platform::sdl::Frame frame = Back();
    EXPECT_EQ(frame.At(10, 10), 0u);
    EXPECT_EQ(frame.At(11, 13), 0u);
    EXPECT_EQ(frame.At(12, 10), 0xFF0000u);
    EXPECT_EQ(frame.At(9, 10), 0x0000FFu);
}

// --- 3D sprites --------------------------------------------------------------

TEST_F(ScreenTest, ZoomOfOneDoublesTheQuadAroundItsCentre) {
    Open(800, 600, 32);
    ASSERT_TRUE(LoadTexture(0, SolidImage(64, 32, kGreen)));
    Show(0, 1, 0.0f, 0.0f);
    player::Slot(0)->zoom = 1.0f;
    DrawFrame();
    const platform::sdl::Frame frame = Back();
    // 128 x 64 from (336, 268) to (463, 331).
    for (auto [x, y] : {std::pair{336, 268}, {463, 268}, {336, 331}, {463, 331}, {400, 300}}) {
        EXPECT_EQ(frame.At(x, y), 0x00FF00u) << x << "," << y;
    }
    for (auto [x, y] : {std::pair{335, 300}, {464, 300}, {400, 267}, {400, 332}}) {
        EXPECT_EQ(frame.At(x, y), 0u) << x << "," << y;
    }
    int lit = 0;
    for (std::uint32_t pixel : frame.pixels) lit += pixel != 0 ? 1 : 0;
    EXPECT_EQ(lit, 128 * 64);
}

class AlphaTest : public ScreenTest, public ::testing::WithParamInterface<int> {};

TEST_P(AlphaTest, AlphaBlendsTheQuadOverTheBackground) {
    const int bits = GetParam();
    Open(640, 480, bits);
    ASSERT_TRUE(LoadTexture(0, SolidImage(16, 16, kRed)));
    auto drawWith = [](std::int32_t alpha) {
        screen::ClearScreen(0, 0, 200);
        ASSERT_EQ(screen::Start3D(), 1);
        screen::DisplaySprite3D(0, 100, 100, alpha);
        screen::Stop3D();
    };
    const std::uint32_t background = ScreenPixel({0, 0, 200}, bits);

    drawWith(255);
    EXPECT_EQ(Back().At(108, 108), ScreenPixel(kRed, bits));
    drawWith(-1);
    EXPECT_EQ(Back().At(108, 108), ScreenPixel(kRed, bits));
    drawWith(0);
    EXPECT_EQ(Back().At(108, 108), background);
    drawWith(256);
    EXPECT_EQ(Back().At(108, 108), background);

    drawWith(128);
    const Colour half = Components(Back().At(108, 108), bits);
    const int tolerance = bits == 16 ? 9 : 2;
    EXPECT_NEAR(half.r, 128, tolerance);
    EXPECT_NEAR(half.g, 0, tolerance);
    EXPECT_NEAR(half.b, 200 * 127 / 255, tolerance);
    // Outside the quad the background stays.
    EXPECT_EQ(Back().At(99, 108), background);
    EXPECT_EQ(Back().At(116, 108), background);
}

INSTANTIATE_TEST_SUITE_P(Depths, AlphaTest, ::testing::Values(16, 32), BitsName);

TEST_F(ScreenTest, BlackTexelsLeaveTheBackgroundVisible) {
    Open(640, 480, 32);
    // A red frame around a black hole of 4 x 4 texels.
    ASSERT_TRUE(LoadTexture(0, MakeImage(8, 8, [](int x, int y) {
                                return x >= 2 && x < 6 && y >= 2 && y < 6 ? Colour{0, 0, 0} : kRed;
                            })));
    screen::ClearScreen(0, 0, 255);
    ASSERT_EQ(screen::Start3D(), 1);
    screen::DisplaySprite3D(0, 50, 60, 255);
    screen::Stop3D();
    const platform::sdl::Frame frame = Back();
    EXPECT_EQ(frame.At(50, 60), 0xFF0000u);
    EXPECT_EQ(frame.At(57, 67), 0xFF0000u);
    EXPECT_EQ(frame.At(52, 62), 0x0000FFu);
    EXPECT_EQ(frame.At(55, 65), 0x0000FFu);
    EXPECT_EQ(frame.At(51, 63), 0xFF0000u);
}

TEST_F(ScreenTest, LinearMagnificationBlendsNeighboursAndPointDoesNot) {
    Open(640, 480, 32);
    auto checker = [](int x, int y) { return (x + y) % 2 == 0 ? kRed : kBlue; };
    ASSERT_TRUE(LoadTexture(0, MakeImage(4, 4, checker)));
    auto draw = [](std::int32_t filter) {
        screen::SetSprite3DFilter(filter);
        screen::ClearScreen(0, 0, 0);
        ASSERT_EQ(screen::Start3D(), 1);
        screen::ZoomSprite3D(0, 64, 64);
        screen::DisplaySprite3D(0, 0, 0, 255);
        screen::Stop3D();
    };
    auto mixedPixels = [](const platform::sdl::Frame& frame) {
        int mixed = 0;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const std::uint32_t p = frame.At(x, y);
                if (p != 0xFF0000u && p != 0x0000FFu) ++mixed;
            }
        }
        return mixed;
    };

    draw(0);
    platform::sdl::Frame frame = Back();
    EXPECT_EQ(mixedPixels(frame), 0);
    // Each texel became a block of 16 x 16 pixels.
    EXPECT_EQ(frame.At(0, 0), 0xFF0000u);
    EXPECT_EQ(frame.At(15, 15), 0xFF0000u);
    EXPECT_EQ(frame.At(16, 0), 0x0000FFu);
    EXPECT_EQ(frame.At(63, 63), 0xFF0000u);

    draw(1);
    frame = Back();
    EXPECT_GT(mixedPixels(frame), 64 * 64 / 4);
    // Between a red and a blue texel the colour is a mix of both.
    const Colour middle = Components(frame.At(16, 8), 32);
    EXPECT_GT(middle.r, 40);
    EXPECT_GT(middle.b, 40);
}

TEST_F(ScreenTest, NegativeSizesMirrorTheQuad) {
    Open(640, 480, 32);
    ASSERT_TRUE(LoadTexture(0, MakeImage(8, 4, [](int x, int) { return x < 4 ? kRed : kBlue; })));
    screen::SetSprite3DFilter(0);
    screen::ClearScreen(0, 0, 0);
    ASSERT_EQ(screen::Start3D(), 1);
    screen::ZoomSprite3D(0, -8, 4);
    screen::DisplaySprite3D(0, 100, 100, 255);
    screen::Stop3D();
    const platform::sdl::Frame frame = Back();
    // The quad runs from x = 100 back to 92, so the texture's left half is on the right.
    EXPECT_EQ(frame.At(99, 101), 0xFF0000u);
    EXPECT_EQ(frame.At(96, 101), 0xFF0000u);
    EXPECT_EQ(frame.At(95, 101), 0x0000FFu);
    EXPECT_EQ(frame.At(92, 101), 0x0000FFu);
    EXPECT_EQ(frame.At(100, 101), 0u);
    EXPECT_EQ(frame.At(91, 101), 0u);

    // Both sizes negative: turned upside down as well.
    const Colour kWhite{255, 255, 255};
    ASSERT_TRUE(LoadTexture(0, MakeImage(8, 4, [kWhite](int x, int y) {
                                return y < 2 ? (x < 4 ? kRed : kBlue) : (x < 4 ? kGreen : kWhite);
                            })));
    screen::ClearScreen(0, 0, 0);
    ASSERT_EQ(screen::Start3D(), 1);
    screen::ZoomSprite3D(0, -8, -4);
    screen::DisplaySprite3D(0, 100, 100, 255);
    screen::Stop3D();
    const platform::sdl::Frame turned = Back();
    EXPECT_EQ(turned.At(99, 99), 0xFF0000u);
    EXPECT_EQ(turned.At(92, 99), 0x0000FFu);
    EXPECT_EQ(turned.At(99, 96), 0x00FF00u);
    EXPECT_EQ(turned.At(92, 96), 0xFFFFFFu);
    EXPECT_EQ(turned.At(96, 100), 0u);
    EXPECT_EQ(turned.At(96, 95), 0u);
}

TEST_F(ScreenTest, FullScreenQuadIsDrawnWhole) {
    Open(1024, 768, 32);
    ASSERT_TRUE(LoadTexture(0, SolidImage(64, 48, kGreen)));
    screen::ClearScreen(0, 0, 0);
    ASSERT_EQ(screen::Start3D(), 1);
    screen::ZoomSprite3D(0, 1024, 768);
    screen::DisplaySprite3D(0, 0, 0, 255);
    screen::Stop3D();
    EXPECT_TRUE(AllPixels(Back(), 0x00FF00u));
}

TEST_F(ScreenTest, NothingIsDrawnOutsideA3DPass) {
    Open(640, 480, 32);
    ASSERT_TRUE(LoadTexture(0, SolidImage(16, 16, kRed)));
    screen::ClearScreen(0, 0, 0);
    screen::DisplaySprite3D(0, 10, 10, 255);
    EXPECT_TRUE(AllPixels(Back(), 0));
    // The device refuses a draw outside a scene too.
    platform::TLVertex quad[4] = {{0, 0, 0, 1, 0xFFFFFFFFu, 0, 0, 0},
                                  {16, 0, 0, 1, 0xFFFFFFFFu, 0, 1, 0},
                                  {0, 16, 0, 1, 0xFFFFFFFFu, 0, 0, 1},
                                  {16, 16, 0, 1, 0xFFFFFFFFu, 0, 1, 1}};
    ASSERT_EQ(screen::Start3D(), 1);
    screen::Stop3D();
    EXPECT_NE(platform::DrawPrimitive3D(screen::gSprite3D.device, platform::kTriangleStrip, platform::kFvfTLVertex,
                                        quad, 4, 0),
              platform::kOk);
    EXPECT_TRUE(AllPixels(Back(), 0));
}

TEST_F(ScreenTest, PlainSpritesAreDrawnOver3DSprites) {
    Open(800, 600, 32);
    // Slot 0 plain (green), slot 1 a 3D sprite (red), both at the centre.
    ASSERT_TRUE(LoadPlain(0, SolidImage(20, 20, kGreen)));
    ASSERT_TRUE(LoadTexture(1, SolidImage(40, 40, kRed)));
    Show(0, 2, 0.0f, 0.0f);
    Show(1, 1, 0.0f, 0.0f);
    DrawFrame();
    platform::sdl::Frame frame = Back();
    EXPECT_EQ(frame.At(400, 300), 0x00FF00u);
    EXPECT_EQ(frame.At(385, 300), 0xFF0000u);

    // The other way round in slot order: still plain on top.
    Show(0, 0, 0.0f, 0.0f);
    Show(1, 0, 0.0f, 0.0f);
    ASSERT_TRUE(LoadTexture(0, SolidImage(40, 40, kRed)));
    ASSERT_TRUE(LoadPlain(1, SolidImage(20, 20, kGreen)));
    Show(0, 1, 0.0f, 0.0f);
    Show(1, 2, 0.0f, 0.0f);
    DrawFrame();
    frame = Back();
    EXPECT_EQ(frame.At(400, 300), 0x00FF00u);
    EXPECT_EQ(frame.At(385, 300), 0xFF0000u);
}

// --- Switching away and lost surfaces ----------------------------------------

// Draws a plain and a 3D sprite and checks them in the frame the flip showed.
void ExpectSceneShown(int bits) {
    const platform::sdl::Frame frame = platform::sdl::ReadPresentedFrame();
    ASSERT_FALSE(frame.Empty());
    // The plain sprite (slot 0) at the centre of 640 x 480, the 3D sprite (slot 1) on the left half.
    EXPECT_EQ(frame.At(320 - 8, 240 - 4), ScreenPixel(Pattern(0, 0), bits));
    EXPECT_EQ(frame.At(320 + 7, 240 + 3), ScreenPixel(Pattern(15, 7), bits));
    EXPECT_EQ(frame.At(160 - 16, 240 - 16), ScreenPixel(Pattern(0, 0), bits));
    EXPECT_EQ(frame.At(160 + 15, 240 + 15), ScreenPixel(Pattern(31, 31), bits));
}

class LostSurfaceTest : public ScreenTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUpScene() {
        Open(640, 480, GetParam());
        ASSERT_TRUE(LoadPlain(0, MakeImage(16, 8, Pattern)));
        ASSERT_TRUE(LoadTexture(1, MakeImage(32, 32, Pattern)));
        Show(0, 2, 0.0f, 0.0f);
        Show(1, 1, -0.5f, 0.0f);
        screen::SetSprite3DFilter(0);
    }
    static void Frame() {
        DrawFrame();
        screen::FlipBuffers();
    }
};

TEST_P(LostSurfaceTest, SwitchingAwayAndBackKeepsEverySpritesPixels) {
    SetUpScene();
    Frame();
    ExpectSceneShown(GetParam());
    const std::uint32_t shown = platform::sdl::PresentedFrameCount();

    platform::sdl::SimulateFocusLoss();
    Frame();
    EXPECT_EQ(screen::gScreen.active, 0);
    EXPECT_EQ(screen::gScreen.spritesSaved, 1);
    EXPECT_NE(screen::LookupSprite(0)->pixelBackup, nullptr);
    EXPECT_NE(screen::LookupSprite(1)->pixelBackup, nullptr);
    EXPECT_EQ(platform::IsSurfaceLost(static_cast<platform::Surface*>(screen::LookupSprite(0)->surface)),
              platform::kSurfaceLost);
    Frame();
    EXPECT_EQ(platform::sdl::PresentedFrameCount(), shown);  // nothing is shown while away

    platform::sdl::SimulateFocusGain();
    Frame();  // the flip reports the lost surfaces; the program restores them
    EXPECT_EQ(screen::gScreen.active, 1);
    EXPECT_EQ(platform::sdl::PresentedFrameCount(), shown);
    EXPECT_EQ(screen::LookupSprite(0)->pixelBackup, nullptr);
    EXPECT_EQ(screen::LookupSprite(1)->pixelBackup, nullptr);
    EXPECT_EQ(platform::IsSurfaceLost(static_cast<platform::Surface*>(screen::LookupSprite(0)->surface)),
              platform::kOk);

    Frame();  // reported once only: the next frame is shown
    EXPECT_EQ(platform::sdl::PresentedFrameCount(), shown + 1);
    ExpectSceneShown(GetParam());
}

TEST_P(LostSurfaceTest, ARenderTargetResetTakesTheSameRoad) {
    SetUpScene();
    Frame();
    const std::uint32_t shown = platform::sdl::PresentedFrameCount();
    platform::sdl::SimulateRenderTargetsReset();
    Frame();
    EXPECT_EQ(platform::sdl::PresentedFrameCount(), shown);
    Frame();
    EXPECT_EQ(platform::sdl::PresentedFrameCount(), shown + 1);
    ExpectSceneShown(GetParam());
}

TEST_P(LostSurfaceTest, ALostRenderDeviceRemakesEveryTexture) {
    SetUpScene();
    Frame();
    const std::uint32_t shown = platform::sdl::PresentedFrameCount();
    platform::sdl::SimulateRenderDeviceReset();
    Frame();
    EXPECT_EQ(platform::sdl::PresentedFrameCount(), shown);
    Frame();
    EXPECT_EQ(platform::sdl::PresentedFrameCount(), shown + 1);
    ExpectSceneShown(GetParam());
    // Two more frames: the remade textures stay.
    Frame();
    Frame();
    ExpectSceneShown(GetParam());
}

TEST_P(LostSurfaceTest, AHundredSwitchesNeitherRemakeTexturesNorPileUpDrawing) {
    SetUpScene();
    Frame();
    ExpectSceneShown(GetParam());
    // The first frame made the textures of both sprites.
    const std::uint32_t uploads = platform::sdl::TextureUploadCount();
    ASSERT_GE(uploads, 2u);

    for (int cycle = 0; cycle < 100; ++cycle) {
        SCOPED_TRACE("switch " + std::to_string(cycle));
        const std::uint32_t shown = platform::sdl::PresentedFrameCount();
        platform::sdl::SimulateFocusLoss();
        Frame();  // the deactivation saves the sprites; the surfaces are lost
        ASSERT_EQ(screen::gScreen.active, 0);

        // Away: turns go on, but nothing reaches the renderer, and drawing
        // straight into the lost surfaces is refused.
        const std::uint32_t draws = platform::sdl::DrawCallCount();
        for (int turn = 0; turn < 10; ++turn) Frame();
        auto* back = screen::gScreen.backBuffer;
        auto* plain = static_cast<platform::Surface*>(screen::LookupSprite(0)->surface);
        EXPECT_EQ(platform::FillSurface(back, 0), platform::kSurfaceLost);
        EXPECT_EQ(platform::CopySurfaceFast(back, 0, 0, plain, {0, 0, 4, 4}), platform::kSurfaceLost);
        EXPECT_EQ(platform::BeginScene3D(screen::gSprite3D.device), platform::kSurfaceLost);
        EXPECT_EQ(platform::sdl::DrawCallCount(), draws);
        EXPECT_EQ(platform::sdl::PresentedFrameCount(), shown);

        platform::sdl::SimulateFocusGain();
        Frame();  // the flip reports the lost surfaces; the program restores them
        Frame();
        EXPECT_EQ(platform::sdl::PresentedFrameCount(), shown + 1);
        ExpectSceneShown(GetParam());
        if (::testing::Test::HasFailure()) break;
    }
    // The sprites' pixels never changed: no texture was made again.
    EXPECT_EQ(platform::sdl::TextureUploadCount(), uploads);
}

INSTANTIATE_TEST_SUITE_P(Depths, LostSurfaceTest, ::testing::Values(16, 32), BitsName);

// --- Locks -----------------------------------------------------------------------

TEST_F(ScreenTest, AReadOnlyLockKeepsTheTextureAndAWriteLockRemakesIt) {
    Open(640, 480, 32);
    ASSERT_TRUE(LoadPlain(0, MakeImage(16, 8, Pattern)));
    Show(0, 2, 0.0f, 0.0f);
    DrawFrame();
    const std::uint32_t uploads = platform::sdl::TextureUploadCount();
    auto* surface = static_cast<platform::Surface*>(screen::LookupSprite(0)->surface);

    platform::LockedSurface locked{};
    ASSERT_EQ(platform::LockSurface(surface, &locked, platform::kLockReadOnly), platform::kOk);
    EXPECT_NE(platform::LockSurface(surface, &locked), platform::kOk);  // already locked
    ASSERT_EQ(platform::UnlockSurface(surface), platform::kOk);
    DrawFrame();
    EXPECT_EQ(platform::sdl::TextureUploadCount(), uploads);

    // Written: the next draw shows the new pixel.
    ASSERT_EQ(platform::LockSurface(surface, &locked), platform::kOk);
    const std::uint32_t white = 0xFFFFFF;
    std::memcpy(locked.pixels, &white, 4);
    ASSERT_EQ(platform::UnlockSurface(surface), platform::kOk);
    DrawFrame();
    EXPECT_EQ(platform::sdl::TextureUploadCount(), uploads + 1);
    EXPECT_EQ(Back().At(320 - 8, 240 - 4), 0xFFFFFFu);

    // A read-only lock of the back buffer reads it and writes nothing back.
    auto* back = screen::gScreen.backBuffer;
    ASSERT_EQ(platform::LockSurface(back, &locked, platform::kLockReadOnly), platform::kOk);
    std::uint32_t first = 0;
    std::memcpy(&first, static_cast<unsigned char*>(locked.pixels) + (240 - 4) * locked.pitch + (320 - 8) * 4, 4);
    EXPECT_EQ(first & 0xFFFFFFu, 0xFFFFFFu);
    std::memset(locked.pixels, 0x55, 4);  // not written back
    ASSERT_EQ(platform::UnlockSurface(back), platform::kOk);
    EXPECT_EQ(Back().At(0, 0), 0u);
}

TEST_F(ScreenTest, ReleasingTabSavesTheSpritesWithoutLosingTheScreen) {
    Open(640, 480, 32);
    ASSERT_TRUE(LoadPlain(0, MakeImage(16, 8, Pattern)));
    SDL_Event event{};
    event.type = SDL_KEYUP;
    event.key.windowID = platform::sdl::ScreenWindow().windowId;
    event.key.keysym.scancode = SDL_SCANCODE_TAB;
    event.key.keysym.sym = SDLK_TAB;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    const std::uint32_t shown = platform::sdl::PresentedFrameCount();
    screen::FlipBuffers();
    EXPECT_EQ(screen::gScreen.spritesSaved, 1);
    EXPECT_EQ(screen::gScreen.active, 1);
    EXPECT_NE(screen::LookupSprite(0)->pixelBackup, nullptr);
    EXPECT_EQ(platform::sdl::PresentedFrameCount(), shown + 1);
}

// --- Surfaces directly ---------------------------------------------------------

TEST_F(ScreenTest, SurfaceCopiesCheckTheirRectangles) {
    Open(640, 480, 16);
    platform::Surface* a = nullptr;
    platform::Surface* b = nullptr;
    ASSERT_EQ(platform::CreateSurface(screen::gScreen.display, 8, 6, platform::kCapsOffscreenPlain, &a), platform::kOk);
    ASSERT_EQ(platform::CreateSurface(screen::gScreen.display, 8, 6,
                                      platform::kCapsOffscreenPlain | platform::kCapsSystemMemory, &b),
              platform::kOk);
    ASSERT_EQ(platform::FillSurface(a, 0x1234), platform::kOk);
    ASSERT_EQ(platform::CopyWholeSurface(b, a), platform::kOk);
    platform::LockedSurface locked{};
    ASSERT_EQ(platform::LockSurface(b, &locked), platform::kOk);
    const auto* row = static_cast<const std::uint8_t*>(locked.pixels) + 5 * locked.pitch;
    EXPECT_EQ(row[14] | (row[15] << 8), 0x1234);
    ASSERT_EQ(platform::UnlockSurface(b), platform::kOk);

    // Rectangles outside either surface are refused, not clipped.
    EXPECT_NE(platform::CopySurfaceFast(b, 4, 0, a, {0, 0, 8, 6}), platform::kOk);
    EXPECT_NE(platform::CopySurfaceFast(b, 0, 0, a, {-1, 0, 4, 4}), platform::kOk);
    EXPECT_NE(platform::CopySurfaceFast(b, 0, 0, a, {0, 0, 9, 4}), platform::kOk);
    EXPECT_NE(platform::CopySurfaceFast(screen::gScreen.backBuffer, 639, 0, a, {0, 0, 2, 2}), platform::kOk);
    EXPECT_EQ(platform::CopySurfaceFast(screen::gScreen.backBuffer, 638, 478, a, {0, 0, 2, 2}), platform::kOk);
    EXPECT_EQ(Back().At(639, 479), 0x1234u);

    platform::ReleaseSurface(a);
    platform::ReleaseSurface(b);
}

}  // namespace
}  // namespace sdl_test
