// Sprites: loading and pixel conversion for every screen format, clipping,
// raw sprites, the table, and failures that leave the number empty.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "image_files.h"
#include "platform/heap.h"
#include "screen/image_decoders.h"
#include "screen/screen.h"
#include "screen/sprites.h"
#include "screen/sprites_test_support.h"
#include "screen_fixture.h"

namespace {

using rodazaro_test::MakeBmp;
using rodazaro_test::ScreenFixture;
using rodazaro_test::SolidBmp;
namespace pt = platform::test;

class SpriteTest : public ScreenFixture {
protected:
    std::intptr_t Load(std::int32_t number, const std::vector<std::uint8_t>& image, std::int32_t mode = 0) {
        return screen::LoadSpriteData(number, image.data(), static_cast<std::uint32_t>(image.size()), mode);
    }
    const platform::Surface* SurfaceOf(std::int32_t number) {
        const screen::SpriteRecord* record = screen::LookupSprite(number);
        return record == nullptr ? nullptr : static_cast<const platform::Surface*>(record->surface);
    }
};

TEST_F(SpriteTest, TrueColourToEveryScreenFormat) {
    const auto bmp = SolidBmp(3, 2, 0x12, 0x34, 0x56);
    Open(640, 480, 32);
    ASSERT_NE(Load(0, bmp), 0);
    EXPECT_EQ(pt::PixelAt(SurfaceOf(0), 2, 1), 0x00123456u);  // B, G, R, 0
    pt::SetDisplayMasks(0x07E0, 0xFF);
    Open(640, 480, 32);
    ASSERT_NE(Load(0, bmp), 0);
    EXPECT_EQ(pt::PixelAt(SurfaceOf(0), 0, 0), 0x00123456u);  // the same bytes whatever the masks
    Open(640, 480, 24);
    ASSERT_NE(Load(0, bmp), 0);
    EXPECT_EQ(pt::PixelAt(SurfaceOf(0), 1, 1), 0x123456u);
    pt::SetDisplayMasks(0x07E0, 0xFF0000);
    Open(640, 480, 16);
    ASSERT_NE(Load(0, bmp), 0);
    EXPECT_EQ(pt::PixelAt(SurfaceOf(0), 0, 0), (0x12u / 8) * 2048 + (0x34u / 4) * 32 + 0x56u / 8);
    pt::SetDisplayMasks(0x03E0, 0xFF0000);
    Open(640, 480, 16);
    ASSERT_NE(Load(0, bmp), 0);
    EXPECT_EQ(pt::PixelAt(SurfaceOf(0), 0, 0), (0x12u / 8) * 1024 + (0x34u / 8) * 32 + 0x56u / 8);
}

TEST_F(SpriteTest, SixteenBitSourcesToEveryScreenFormat) {
    // x1r5g5b5 word with R5 = 3, G5 = 5, B5 = 7.
    const std::uint16_t word = (3 << 10) | (5 << 5) | 7;
    const auto bmp = MakeBmp(1, 1, 16, {static_cast<std::uint8_t>(word & 0xFF), static_cast<std::uint8_t>(word >> 8)});
    Open(640, 480, 16);  // 5-6-5: the green value doubles
    ASSERT_NE(Load(0, bmp), 0);
    EXPECT_EQ(pt::PixelAt(SurfaceOf(0), 0, 0), 3u * 2048 + 10u * 32 + 7u);
    pt::SetDisplayMasks(0x03E0, 0xFF0000);
    Open(640, 480, 16);  // 5-5-5: the word is copied unchanged
    ASSERT_NE(Load(0, bmp), 0);
    EXPECT_EQ(pt::PixelAt(SurfaceOf(0), 0, 0), word);
    Open(640, 480, 32);
    ASSERT_NE(Load(0, bmp), 0);
    EXPECT_EQ(pt::PixelAt(SurfaceOf(0), 0, 0), (24u << 16) | (40u << 8) | 56u);
}

TEST_F(SpriteTest, BottomUpRowsLandTopDown) {
    // Top row red, bottom row blue.
    const auto bmp = MakeBmp(1, 2, 24, {0, 0, 255, 255, 0, 0});
    Open(640, 480, 32);
    ASSERT_NE(Load(0, bmp), 0);
    EXPECT_EQ(pt::PixelAt(SurfaceOf(0), 0, 0), 0xFF0000u);
    EXPECT_EQ(pt::PixelAt(SurfaceOf(0), 0, 1), 0x0000FFu);
}

TEST_F(SpriteTest, ModesChooseSurfaceKindsAndGetBlackAsKey) {
    Open(640, 480, 32);
    const auto bmp = SolidBmp(2, 2, 9, 9, 9);
    const std::uint32_t caps[] = {0x40, 0x840, 0x1000, 0x40};
    const std::int32_t modes[] = {0, 1, 4, 7};
    for (int i = 0; i < 4; ++i) {
        ASSERT_NE(Load(i, bmp, modes[i]), 0) << modes[i];
        const pt::SurfaceInfo info = pt::DescribeSurface(SurfaceOf(i));
        EXPECT_EQ(info.caps, caps[i]) << modes[i];
        EXPECT_TRUE(info.hasColourKey);
        EXPECT_EQ(info.colourKeyLow, 0u);
        EXPECT_EQ(screen::SpriteWidth(i), 2);
        EXPECT_EQ(screen::SpriteHeight(i), 2);
    }
}

TEST_F(SpriteTest, RawSpriteKeepsIndicesTopRowFirstAndIsNeverDrawn) {
    Open(640, 480, 32);
    const std::vector<std::uint8_t> palette(256 * 4, 0);
    const auto bmp = MakeBmp(3, 2, 8, {1, 2, 3, 4, 5, 6}, palette);
    ASSERT_NE(Load(5, bmp, screen::kSpriteModeRaw), 0);
    const screen::SpriteRecord* record = screen::LookupSprite(5);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->depth, -2);
    EXPECT_EQ(screen::SpriteWidth(5), 3);
    EXPECT_EQ(screen::SpriteHeight(5), 2);
    const auto* block = static_cast<const std::uint8_t*>(record->surface);
    EXPECT_EQ(std::vector<std::uint8_t>(block, block + 6), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));
    pt::ClearRecords();
    screen::DisplaySprite(5, 0, 0);
    EXPECT_TRUE(pt::Copies().empty());
    // A true-colour image cannot be a raw sprite: the number is left empty.
    EXPECT_EQ(Load(5, SolidBmp(2, 2, 1, 1, 1), screen::kSpriteModeRaw), 0);
    EXPECT_EQ(screen::LookupSprite(5), nullptr);
}

TEST_F(SpriteTest, NothingLoadsWithoutAnOpenScreen) {
    EXPECT_EQ(Load(0, SolidBmp(2, 2, 1, 1, 1)), 0);
    EXPECT_EQ(screen::SpriteWidth(0), 0);
}

TEST_F(SpriteTest, FailedDecodeEmptiesTheNumberButMissingFileKeepsIt) {
    Open(640, 480, 32);
    ASSERT_NE(Load(2, SolidBmp(4, 4, 1, 1, 1)), 0);
    EXPECT_EQ(screen::LoadSprite(2, "data\\gfx\\missing.bmp", 0), 0);
    EXPECT_EQ(screen::SpriteWidth(2), 4);  // the file never opened
    const std::vector<std::uint8_t> junk = {'x', 'y', 'z', 1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(Load(2, junk), 0);
    EXPECT_EQ(screen::LookupSprite(2), nullptr);
    EXPECT_EQ(screen::SpriteWidth(2), 0);
}

TEST_F(SpriteTest, LoadFromFileThroughScriptPath) {
    Open(640, 480, 32);
    const std::string dir = ::testing::TempDir() + "rodazaro_sprite_path";
    std::filesystem::create_directories(dir + "/Data/GFX");
    const auto bmp = SolidBmp(5, 4, 7, 8, 9);
    std::ofstream(dir + "/Data/GFX/Logo.BMP", std::ios::binary)
        .write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
    // Written on a system that ignores case, with backslashes.
    const std::string path = dir + "\\data\\gfx\\logo.bmp";
    EXPECT_NE(screen::LoadSprite(1, path.c_str(), 0), 0);
    EXPECT_EQ(screen::SpriteWidth(1), 5);
    EXPECT_EQ(screen::SpriteHeight(1), 4);
}

TEST_F(SpriteTest, TableGrowsByTenAndDynamicNumbersWork) {
    Open(640, 480, 32);
    EXPECT_EQ(screen::SpriteTable().capacity, 50);
    ASSERT_NE(Load(0, SolidBmp(1, 1, 1, 1, 1)), 0);
    ASSERT_NE(Load(50, SolidBmp(1, 1, 2, 2, 2)), 0);
    EXPECT_EQ(screen::SpriteTable().capacity, 60);
    EXPECT_EQ(pt::PixelAt(SurfaceOf(0), 0, 0), 0x010101u);
    const std::intptr_t handle = Load(-1, SolidBmp(3, 1, 1, 1, 1));
    ASSERT_GE(handle, 0x40000000);
    EXPECT_EQ(screen::SpriteWidth(static_cast<std::int32_t>(handle)), 3);
    screen::FreeSprite(static_cast<std::int32_t>(handle));
    EXPECT_EQ(screen::SpriteWidth(static_cast<std::int32_t>(handle)), 0);
    EXPECT_EQ(screen::SpriteWidth(-5), 0);
}

class ClipTest : public SpriteTest {
protected:
    void SetUp() override {
        SpriteTest::SetUp();
        Open(640, 480, 32);
        ASSERT_NE(Load(0, SolidBmp(10, 6, 50, 60, 70)), 0);
        ASSERT_NE(Load(1, SolidBmp(700, 2, 1, 2, 3)), 0);
        pt::ClearRecords();
    }
    void TearDown() override {
        EXPECT_EQ(pt::BlitViolations(), 0);
        SpriteTest::TearDown();
    }
};

TEST_F(ClipTest, WhollyOutsideDrawsNothing) {
    screen::DisplaySprite(0, -10, 0);
    screen::DisplaySprite(0, 0, -6);
    screen::DisplaySprite(0, 640, 0);
    screen::DisplaySprite(0, 0, 480);
    EXPECT_TRUE(pt::Copies().empty());
}

TEST_F(ClipTest, OneColumnAtMinusWidthPlusOne) {
    screen::DisplaySprite(0, -9, 5);
    ASSERT_EQ(pt::Copies().size(), 1u);
    const pt::CopyRecord& copy = pt::Copies()[0];
    EXPECT_EQ(copy.x, 0);
    EXPECT_EQ(copy.y, 5);
    EXPECT_EQ(copy.sourceRect.left, 9);
    EXPECT_EQ(copy.sourceRect.right, 10);
    EXPECT_EQ(copy.sourceRect.top, 0);
    EXPECT_EQ(copy.sourceRect.bottom, 6);
}

TEST_F(ClipTest, RightAndBottomEdgesCut) {
    screen::DisplaySprite(0, 635, 477);
    ASSERT_EQ(pt::Copies().size(), 1u);
    const pt::CopyRecord& copy = pt::Copies()[0];
    EXPECT_EQ(copy.sourceRect.right - copy.sourceRect.left, 5);
    EXPECT_EQ(copy.sourceRect.bottom - copy.sourceRect.top, 3);
    screen::FlipBuffers();
    EXPECT_EQ(pt::PrimaryPixelAt(639, 479), 0x323C46u);
}

TEST_F(ClipTest, WiderThanTheScreenIsCutOnBothSides) {
    screen::DisplaySprite(1, -30, 0);
    ASSERT_EQ(pt::Copies().size(), 1u);
    const pt::CopyRecord& copy = pt::Copies()[0];
    EXPECT_EQ(copy.x, 0);
    EXPECT_EQ(copy.sourceRect.left, 30);
    EXPECT_EQ(copy.sourceRect.right - copy.sourceRect.left, 640);
}

TEST_F(ClipTest, CopiesAreOpaque) {
    ASSERT_NE(Load(2, SolidBmp(2, 2, 0, 0, 0)), 0);
    screen::ClearScreen(255, 255, 255);
    screen::DisplaySprite(2, 100, 100);
    screen::FlipBuffers();
    EXPECT_EQ(pt::PrimaryPixelAt(100, 100), 0u);  // black is drawn
    EXPECT_EQ(pt::PrimaryPixelAt(102, 100), 0xFFFFFFu);
}

}  // namespace

// Every image format the loaders read, through the loader's row conversion
// into every screen format, pixel for pixel as the general conversion of the
// same decoded rows.  The widths end rows on each place of the fast
// converters' groups of four, eight and sixteen pixels.
class SpriteConversionTest : public SpriteTest {
protected:
    struct Noise {
        std::uint32_t state;
        std::uint32_t Next(std::uint32_t bound) {
            state = state * 1664525u + 1013904223u;
            return (state >> 8) % bound;
        }
    };

    static image_test::Bytes NoiseBmp(std::int32_t width, std::uint16_t bits, Noise& noise) {
        image_test::BmpFile bmp;
        bmp.width = width;
        bmp.height = 3;
        bmp.bits = bits;
        if (bits <= 8) {
            for (std::uint32_t i = 0; i < (1u << bits) * 4; ++i) bmp.table.push_back(Byte(noise.Next(256)));
        }
        for (std::int32_t y = 0; y < bmp.height; ++y) {
            image_test::Bytes row((static_cast<std::size_t>(width) * bits + 7) / 8);
            for (auto& b : row) b = Byte(noise.Next(256));
            bmp.rows.push_back(row);
        }
        return image_test::BuildBmp(bmp);
    }

    static image_test::Bytes NoisePng(std::int32_t width, int colourType, int bitDepth, bool interlaced, Noise& noise) {
        image_test::PngFile png;
        png.width = static_cast<std::uint32_t>(width);
        png.height = 3;
        png.bitDepth = bitDepth;
        png.colourType = colourType;
        png.interlaced = interlaced;
        const int channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
        if (colourType == 3) {
            for (int i = 0; i < (1 << bitDepth); ++i) {
                png.palette.push_back({Byte(noise.Next(256)), Byte(noise.Next(256)), Byte(noise.Next(256))});
            }
        }
        for (std::uint32_t y = 0; y < png.height; ++y) {
            std::vector<unsigned> samples;
            for (int i = 0; i < width * channels; ++i) samples.push_back(noise.Next(1u << bitDepth));
            png.rows.push_back(image_test::PackSamples(samples, bitDepth));
        }
        return image_test::WritePng(png);
    }

    static std::uint8_t Byte(std::uint32_t v) { return static_cast<std::uint8_t>(v); }
};

TEST_F(SpriteConversionTest, EveryImageFormatIntoEveryScreenFormatAsTheGeneralConversion) {
    struct Screen {
        std::int16_t depth;
        std::uint32_t greenMask16;
        const char* name;
    };
    const Screen screens[] = {
        {16, 0x07E0, "16-bit 5-6-5"}, {16, 0x03E0, "16-bit 5-5-5"}, {24, 0x07E0, "24-bit"}, {32, 0x07E0, "32-bit"}};
    Noise noise{7};
    std::vector<std::pair<std::string, image_test::Bytes>> images;
    for (std::int32_t width : {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 17, 18, 19, 25, 34}) {
        for (std::uint16_t bits : {1, 4, 8, 16, 24, 32}) {
            images.emplace_back("BMP " + std::to_string(bits) + " bits, width " + std::to_string(width),
                                NoiseBmp(width, bits, noise));
        }
        const std::pair<int, int> pngs[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                                            {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
        for (const auto& [colourType, bitDepth] : pngs) {
            for (bool interlaced : {false, true}) {
                images.emplace_back("PNG colour type " + std::to_string(colourType) + ", " + std::to_string(bitDepth) +
                                        " bits" + (interlaced ? " interlaced" : "") + ", width " +
                                        std::to_string(width),
                                    NoisePng(width, colourType, bitDepth, interlaced, noise));
            }
        }
    }
    for (const Screen& screen : screens) {
        pt::SetDisplayMasks(screen.greenMask16, 0xFF0000);
        Open(640, 480, screen.depth);
        // The common pairs do take the fast path.
        for (std::int32_t bits : {16, 24, 32}) {
            if (screen.depth != 24) {
                EXPECT_NE(screen::FastRowConverter(bits, screen::gScreen.screenDepth, screen::gScreen.pixelFormatCode),
                          nullptr)
                    << screen.name << " from " << bits << " bits";
            }
        }
        const std::int32_t bytesPerPixel = screen.depth / 8;
        for (const auto& [what, file] : images) {
            SCOPED_TRACE(std::string(screen.name) + " screen, " + what);
            ASSERT_FALSE(file.empty());
            ASSERT_NE(Load(1, file), 0);
            screen::SourceImage source{};
            const auto size = static_cast<std::uint32_t>(file.size());
            ASSERT_TRUE(file[0] == 'B' ? screen::ReadBmp(file.data(), size, false, &source)
                                       : screen::DecodeWithDecoders(file.data(), size, &source));
            std::vector<std::uint8_t> expected(static_cast<std::size_t>(source.width) * 4);
            for (std::int32_t i = 0; i < source.height; ++i) {
                screen::ConvertRowGeneral(source.pixels + static_cast<std::size_t>(i) * source.rowLength,
                                          source.bitsPerPixel, expected.data(), source.width,
                                          screen::gScreen.screenDepth, screen::gScreen.pixelFormatCode);
                const std::int32_t y = source.bottomUp != 0 ? source.height - 1 - i : i;
                for (std::int32_t x = 0; x < source.width; ++x) {
                    std::uint32_t pixel = 0;
                    for (std::int32_t b = bytesPerPixel - 1; b >= 0; --b) {
                        pixel = (pixel << 8) | expected[static_cast<std::size_t>(x * bytesPerPixel + b)];
                    }
                    ASSERT_EQ(pt::PixelAt(SurfaceOf(1), x, y), pixel) << "pixel " << x << ", " << y;
                }
            }
            if (source.ownBuffer != nullptr) platform::GlobalFreeFixed(source.ownBuffer);
        }
    }
}
