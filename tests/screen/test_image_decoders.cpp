// The BMP reader, the PNG decoder and the decoder list.
//
// Every image is handed over in a heap block of exactly its size, so that a
// read past its end shows up under the address sanitizer.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

#include "image_files.h"
#include "platform/heap.h"
#include "screen/image_decoders.h"

namespace {

using image_test::BmpFile;
using image_test::Bytes;
using image_test::Exact;
using image_test::PackSamples;
using image_test::PngColour;
using image_test::PngFile;
using screen::SourceImage;

struct Bgr {
    std::uint8_t b, g, r;
    bool operator==(const Bgr&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Bgr& p) {
    return os << "(b " << int{p.b} << ", g " << int{p.g} << ", r " << int{p.r} << ")";
}

Bgr PixelAt(const SourceImage& image, int x, int y) {
    const std::uint8_t* p = image.pixels + static_cast<std::size_t>(y) * image.rowLength + 3 * x;
    return Bgr{p[0], p[1], p[2]};
}

// A SourceImage whose own buffer is freed with it.
struct OwnedImage {
    SourceImage image{};
    OwnedImage() = default;
    OwnedImage(const OwnedImage&) = delete;
    OwnedImage& operator=(const OwnedImage&) = delete;
    ~OwnedImage() { Reset(); }
    void Reset() {
        if (image.ownBuffer != nullptr) platform::GlobalFreeFixed(image.ownBuffer);
        image = SourceImage{};
    }
};

// A colour table of count entries, entry i = (b 10i, g 10i+1, r 10i+2).
Bytes Table(int count) {
    Bytes table;
    for (int i = 0; i < count; ++i) {
        table.push_back(static_cast<std::uint8_t>(10 * i));
        table.push_back(static_cast<std::uint8_t>(10 * i + 1));
        table.push_back(static_cast<std::uint8_t>(10 * i + 2));
        table.push_back(0);
    }
    return table;
}

Bgr TableColour(int i) {
    return Bgr{static_cast<std::uint8_t>(10 * i), static_cast<std::uint8_t>(10 * i + 1),
               static_cast<std::uint8_t>(10 * i + 2)};
}

std::uint32_t Expected24RowLength(int width) { return static_cast<std::uint32_t>(3 * width + width % 4); }

// ---------------------------------------------------------------------------
// BMP reader

TEST(BmpReader, OneBitImageIsBlackAndWhiteWhateverTheTable) {
    BmpFile bmp;
    bmp.width = 10;
    bmp.height = 2;
    bmp.bits = 1;
    bmp.table = {0, 0, 255, 0, 0, 255, 0, 0};  // red and green
    // Bottom row 1010101010, top row 0000111111; the unused low bits are set
    // to show that only width pixels are taken.
    bmp.rows = {{0xAA, 0xBF}, {0x0F, 0xFF}};
    const Bytes file = BuildBmp(bmp);
    const auto image = Exact(file);
    OwnedImage out;
    ASSERT_TRUE(screen::ReadBmp(image.data(), image.size, false, &out.image));
    EXPECT_EQ(out.image.bitsPerPixel, 24);
    EXPECT_EQ(out.image.bottomUp, 1);
    EXPECT_EQ(out.image.width, 10);
    EXPECT_EQ(out.image.height, 2);
    EXPECT_EQ(out.image.rowLength, 32);
    ASSERT_NE(out.image.ownBuffer, nullptr);
    EXPECT_EQ(out.image.pixels, out.image.ownBuffer);
    const Bgr black{0, 0, 0}, white{255, 255, 255};
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(PixelAt(out.image, x, 0), x % 2 == 0 ? white : black) << "bottom row, x " << x;
        EXPECT_EQ(PixelAt(out.image, x, 1), x >= 4 ? white : black) << "top row, x " << x;
    }
}

TEST(BmpReader, FourBitImageOfWidthOneGivesOnePixelPerRow) {
    BmpFile bmp;
    bmp.width = 1;
    bmp.height = 3;
    bmp.bits = 4;
    bmp.table = Table(16);
    bmp.rows = {{0x21}, {0x43}, {0x65}};
    const Bytes file = BuildBmp(bmp);
    const auto image = Exact(file);
    OwnedImage out;
    ASSERT_TRUE(screen::ReadBmp(image.data(), image.size, false, &out.image));
    EXPECT_EQ(out.image.rowLength, 4);
    // The low nibble is expanded too and spills into the next row, which
    // then overwrites it with its own first pixel.
    for (int y = 0; y < 3; ++y) EXPECT_EQ(PixelAt(out.image, 0, y), TableColour(2 * y + 2)) << "row " << y;
}

TEST(BmpReader, FourBitImageOfOddWidthSpillsItsExtraPixelIntoTheSpareRow) {
    BmpFile bmp;
    bmp.width = 5;
    bmp.height = 2;
    bmp.bits = 4;
    bmp.table = Table(16);
    bmp.rows = {{0x12, 0x34, 0x5F}, {0x67, 0x89, 0xAE}};
    const Bytes file = BuildBmp(bmp);
    const auto image = Exact(file);
    OwnedImage out;
    ASSERT_TRUE(screen::ReadBmp(image.data(), image.size, false, &out.image));
    ASSERT_EQ(out.image.rowLength, 16);
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(PixelAt(out.image, x, 0), TableColour(x + 1)) << "x " << x;
        EXPECT_EQ(PixelAt(out.image, x, 1), TableColour(x + 6)) << "x " << x;
    }
    // The top row's sixth pixel (entry 14) starts at byte 15 of that row: its
    // green and red bytes are the spare row's first two bytes.
    const std::uint8_t* spare = out.image.pixels + 2 * 16;
    EXPECT_EQ(out.image.pixels[16 + 15], TableColour(14).b);
    EXPECT_EQ(spare[0], TableColour(14).g);
    EXPECT_EQ(spare[1], TableColour(14).r);
}

TEST(BmpReader, EightBitImageIndexesTheColourTable) {
    BmpFile bmp;
    bmp.width = 3;
    bmp.height = 2;
    bmp.bits = 8;
    bmp.table = Table(200);
    bmp.rows = {{1, 2, 199}, {0, 150, 7}};
    const Bytes file = BuildBmp(bmp);
    const auto image = Exact(file);
    OwnedImage out;
    ASSERT_TRUE(screen::ReadBmp(image.data(), image.size, false, &out.image));
    EXPECT_EQ(out.image.rowLength, 12);
    EXPECT_EQ(out.image.bottomUp, 1);
    const int expected[2][3] = {{1, 2, 199}, {0, 150, 7}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(out.image, x, y), TableColour(expected[y][x]));
    }
}

TEST(BmpReader, IndexBeyondTheTableReadsInsideTheFileOrBlack) {
    // Table of 4 entries at 54..69, one gap byte, the one row at 71..74.
    BmpFile bmp;
    bmp.width = 4;
    bmp.height = 1;
    bmp.bits = 8;
    bmp.table = Table(4);
    bmp.pixelOffset = 71;
    bmp.rows = {{4, 5, 255, 1}};
    const Bytes file = BuildBmp(bmp);
    ASSERT_EQ(file.size(), 75u);
    const auto image = Exact(file);
    OwnedImage out;
    ASSERT_TRUE(screen::ReadBmp(image.data(), image.size, false, &out.image));
    // Entry 4 lies at 70..72: the gap byte and the first two pixel bytes.
    EXPECT_EQ(PixelAt(out.image, 0, 0), (Bgr{file[70], file[71], file[72]}));
    // Entry 5 starts at 74, the last byte: cut by the end of the file.
    EXPECT_EQ(PixelAt(out.image, 1, 0), (Bgr{0, 0, 0}));
    // Entry 255 lies far past the end.
    EXPECT_EQ(PixelAt(out.image, 2, 0), (Bgr{0, 0, 0}));
    EXPECT_EQ(PixelAt(out.image, 3, 0), TableColour(1));
}

TEST(BmpReader, TrueColourImagesStayInTheFileImage) {
    for (std::uint16_t bits : {16, 24, 32}) {
        for (int width : {1, 2, 3, 5}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, width " << width);
            BmpFile bmp;
            bmp.width = width;
            bmp.height = 3;
            bmp.bits = bits;
            for (int y = 0; y < 3; ++y) {
                Bytes row;
                for (int i = 0; i < width * bits / 8; ++i) row.push_back(static_cast<std::uint8_t>(y * 50 + i));
                bmp.rows.push_back(row);
            }
            const Bytes file = BuildBmp(bmp);
            const auto image = Exact(file);
            for (bool keepIndexed : {false, true}) {
                SourceImage out{};
                ASSERT_TRUE(screen::ReadBmp(image.data(), image.size, keepIndexed, &out));
                EXPECT_EQ(out.bitsPerPixel, bits);
                EXPECT_EQ(out.ownBuffer, nullptr);
                EXPECT_EQ(out.bottomUp, 1);
                EXPECT_EQ(out.pixels, image.data() + 54);
                EXPECT_EQ(out.rowLength, (width * bits / 8 + 3) / 4 * 4);
                EXPECT_EQ(out.width, width);
                EXPECT_EQ(out.height, 3);
            }
        }
    }
}

TEST(BmpReader, SixteenBitWordsAreHandedOverUnchanged) {
    BmpFile bmp;
    bmp.width = 3;
    bmp.height = 1;
    bmp.bits = 16;
    const std::uint16_t words[3] = {0x7C00, 0x03E0, 0x801F};  // red, green, blue with the top bit set
    Bytes row;
    for (std::uint16_t w : words) {
        row.push_back(static_cast<std::uint8_t>(w));
        row.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    bmp.rows = {row};
    const Bytes file = BuildBmp(bmp);
    const auto image = Exact(file);
    SourceImage out{};
    ASSERT_TRUE(screen::ReadBmp(image.data(), image.size, false, &out));
    for (int x = 0; x < 3; ++x) {
        std::uint16_t word;
        std::memcpy(&word, out.pixels + 2 * x, 2);
        EXPECT_EQ(word, words[x]);
    }
}

TEST(BmpReader, KeepIndexedLeavesIndexedPixelsUnexpanded) {
    struct Case {
        std::uint16_t bits;
        int width;
        std::int32_t rowLength;
    };
    for (const Case c : {Case{8, 3, 4}, Case{8, 5, 8}, Case{4, 9, 8}, Case{1, 33, 8}}) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, width " << c.width);
        BmpFile bmp;
        bmp.width = c.width;
        bmp.height = 2;
        bmp.bits = c.bits;
        bmp.table = Table(16);
        const std::size_t rowBytes = (static_cast<std::size_t>(c.width) * c.bits + 7) / 8;
        bmp.rows = {Bytes(rowBytes, 0x13), Bytes(rowBytes, 0x24)};
        const Bytes file = BuildBmp(bmp);
        const auto image = Exact(file);
        SourceImage out{};
        ASSERT_TRUE(screen::ReadBmp(image.data(), image.size, true, &out));
        EXPECT_EQ(out.bitsPerPixel, c.bits);
        EXPECT_EQ(out.ownBuffer, nullptr);
        EXPECT_EQ(out.pixels, image.data() + 54 + 64);
        EXPECT_EQ(out.rowLength, c.rowLength);
        EXPECT_EQ(out.bottomUp, 1);
        EXPECT_EQ(out.pixels[0], 0x13);
        EXPECT_EQ(out.pixels[out.rowLength], 0x24);
    }
}

TEST(BmpReader, RefusesCompressionUnsupportedDepthsAndBadSizes) {
    BmpFile good;
    good.width = 2;
    good.height = 2;
    good.bits = 8;
    good.table = Table(4);
    good.rows = {{1, 2}, {3, 0}};
    {
        const Bytes file = BuildBmp(good);
        const auto image = Exact(file);
        OwnedImage out;
        ASSERT_TRUE(screen::ReadBmp(image.data(), image.size, false, &out.image)) << "the unchanged image loads";
    }
    auto refused = [](const BmpFile& bmp, bool keepIndexed) {
        const Bytes file = BuildBmp(bmp);
        const auto image = Exact(file);
        OwnedImage out;
        return !screen::ReadBmp(image.data(), image.size, keepIndexed, &out.image) && out.image.ownBuffer == nullptr;
    };
    for (bool keepIndexed : {false, true}) {
        for (std::uint32_t compression : {1u, 2u, 3u, 0x80000000u}) {
            BmpFile bmp = good;
            bmp.compression = compression;
            EXPECT_TRUE(refused(bmp, keepIndexed)) << "compression " << compression;
        }
        for (std::uint16_t bits : {0, 2, 3, 15, 48, 64}) {
            BmpFile bmp = good;
            bmp.bits = bits;
            EXPECT_TRUE(refused(bmp, keepIndexed)) << "bits " << bits;
        }
        for (std::int32_t width : {0, -1, -2, 16385, INT_MAX, INT_MIN}) {
            BmpFile bmp = good;
            bmp.width = width;
            EXPECT_TRUE(refused(bmp, keepIndexed)) << "width " << width;
        }
        for (std::int32_t height : {0, -2, 16385, INT_MAX, INT_MIN}) {
            BmpFile bmp = good;
            bmp.height = height;
            EXPECT_TRUE(refused(bmp, keepIndexed)) << "height " << height;
        }
    }
    const Bytes notBmp(100, 'x');
    const auto image = Exact(notBmp);
    SourceImage out{};
    EXPECT_FALSE(screen::ReadBmp(image.data(), image.size, false, &out));
}

TEST(BmpReader, LargestSideIsAccepted) {
    BmpFile bmp;
    bmp.width = screen::kMaxImageSide;
    bmp.height = 1;
    bmp.bits = 1;
    Bytes row(screen::kMaxImageSide / 8, 0);
    row.back() = 0x01;
    bmp.rows = {row};
    const Bytes file = BuildBmp(bmp);
    const auto image = Exact(file);
    OwnedImage out;
    ASSERT_TRUE(screen::ReadBmp(image.data(), image.size, false, &out.image));
    EXPECT_EQ(PixelAt(out.image, screen::kMaxImageSide - 1, 0), (Bgr{255, 255, 255}));
    EXPECT_EQ(PixelAt(out.image, screen::kMaxImageSide - 2, 0), (Bgr{0, 0, 0}));
}

TEST(BmpReader, EveryTruncationFailsWithoutReadingPastTheEnd) {
    std::vector<BmpFile> files;
    for (std::uint16_t bits : {1, 4, 8, 16, 24, 32}) {
        BmpFile bmp;
        bmp.width = 3;
        bmp.height = 2;
        bmp.bits = bits;
        if (bits <= 8) bmp.table = Table(bits == 1 ? 2 : 16);
        const std::size_t rowBytes = (3u * bits + 7) / 8;
        bmp.rows = {Bytes(rowBytes, 0x11), Bytes(rowBytes, 0x01)};
        files.push_back(bmp);
    }
    for (const BmpFile& bmp : files) {
        const Bytes file = BuildBmp(bmp);
        for (bool keepIndexed : {false, true}) {
            for (std::size_t size = 0; size < file.size(); ++size) {
                const auto image = Exact(file, size);
                OwnedImage out;
                EXPECT_FALSE(screen::ReadBmp(image.data(), image.size, keepIndexed, &out.image))
                    << bmp.bits << " bits cut to " << size << " bytes";
            }
            const auto whole = Exact(file);
            OwnedImage out;
            EXPECT_TRUE(screen::ReadBmp(whole.data(), whole.size, keepIndexed, &out.image)) << bmp.bits << " bits";
        }
    }
}

TEST(BmpReader, PixelOffsetAndColourTableMustLieInsideTheFile) {
    BmpFile bmp;
    bmp.width = 4;
    bmp.height = 2;
    bmp.bits = 24;
    bmp.rows = {Bytes(12, 1), Bytes(12, 2)};
    const Bytes file = BuildBmp(bmp);
    for (std::uint32_t offset : {static_cast<std::uint32_t>(file.size()), static_cast<std::uint32_t>(file.size() - 23),
                                 0x7FFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFF0u}) {
        Bytes bad = file;
        for (int i = 0; i < 4; ++i) bad[10 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
        const auto image = Exact(bad);
        SourceImage out{};
        EXPECT_FALSE(screen::ReadBmp(image.data(), image.size, false, &out)) << "offset " << offset;
    }

    // The rows may start anywhere inside the file, even over the header.
    Bytes early = file;
    early[10] = 30;
    early[11] = early[12] = early[13] = 0;
    const auto earlyImage = Exact(early);
    SourceImage out{};
    ASSERT_TRUE(screen::ReadBmp(earlyImage.data(), earlyImage.size, false, &out));
    EXPECT_EQ(out.pixels, earlyImage.data() + 30);

    // A colour table that starts past the end: no 4- or 8-bit image can be
    // expanded; a 1-bit image does not use it.
    for (std::uint16_t bits : {1, 4, 8}) {
        BmpFile indexed;
        indexed.width = 8;
        indexed.height = 1;
        indexed.bits = bits;
        indexed.rows = {Bytes(static_cast<std::size_t>(bits), 0xF0)};
        indexed.pixelOffset = 54;
        Bytes bytes = BuildBmp(indexed);
        const std::uint32_t infoSize = 0xFFFFFFF0u;
        for (int i = 0; i < 4; ++i) bytes[14 + i] = static_cast<std::uint8_t>(infoSize >> (8 * i));
        const auto image = Exact(bytes);
        OwnedImage expanded;
        EXPECT_EQ(screen::ReadBmp(image.data(), image.size, false, &expanded.image), bits == 1) << bits << " bits";
    }
}

// ---------------------------------------------------------------------------
// PNG decoder

class PngDecoder : public ::testing::Test {
protected:
    void SetUp() override {
        screen::InitImageDecoders();
        screen::RegisterPngDecoder();
    }
    void TearDown() override {
        screen::InitImageDecoders();
        screen::RegisterPngDecoder();
    }

    // Decodes a whole PNG the way the sprite loader does.
    static bool Decode(const Bytes& file, OwnedImage& out) {
        const auto image = Exact(file);
        return screen::DecodeWithDecoders(image.data(), image.size, &out.image);
    }

    // Decodes and compares every pixel with expected(x, y).
    template <typename Expected>
    static void ExpectDecodes(const PngFile& png, Expected expected) {
        const Bytes file = image_test::WritePng(png);
        ASSERT_FALSE(file.empty()) << "the test image could not be written";
        OwnedImage out;
        ASSERT_TRUE(Decode(file, out));
        EXPECT_EQ(out.image.width, static_cast<std::int32_t>(png.width));
        EXPECT_EQ(out.image.height, static_cast<std::int32_t>(png.height));
        EXPECT_EQ(out.image.bitsPerPixel, 24);
        EXPECT_EQ(out.image.bottomUp, 0);
        EXPECT_EQ(out.image.rowLength, static_cast<std::int32_t>(Expected24RowLength(static_cast<int>(png.width))));
        EXPECT_EQ(out.image.pixels, out.image.ownBuffer);
        int wrong = 0;
        for (std::uint32_t y = 0; y < png.height; ++y) {
            for (std::uint32_t x = 0; x < png.width; ++x) {
                const Bgr want = expected(static_cast<int>(x), static_cast<int>(y));
                const Bgr got = PixelAt(out.image, static_cast<int>(x), static_cast<int>(y));
                if (got != want && ++wrong <= 5)
                    ADD_FAILURE() << "pixel " << x << ", " << y << ": " << got << " want " << want;
            }
        }
        EXPECT_EQ(wrong, 0);
    }
};

std::uint8_t Byte(unsigned v) { return static_cast<std::uint8_t>(v); }

// A pseudo-random but repeatable sample stream.
struct Noise {
    std::uint32_t state;
    unsigned Next(unsigned modulo) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % modulo;
    }
};

TEST_F(PngDecoder, PaletteImagesOfEveryDepth) {
    for (int depth : {1, 2, 4, 8}) {
        SCOPED_TRACE(testing::Message() << "depth " << depth);
        const int colours = depth == 8 ? 200 : 1 << depth;
        PngFile png;
        png.width = 7;
        png.height = 3;
        png.bitDepth = depth;
        png.colourType = PNG_COLOR_TYPE_PALETTE;
        for (int i = 0; i < colours; ++i) png.palette.push_back(PngColour{Byte(i), Byte(255 - i), Byte(3 * i)});
        auto index = [colours](int x, int y) { return (x + 3 * y) % colours; };
        for (int y = 0; y < 3; ++y) {
            std::vector<unsigned> samples;
            for (int x = 0; x < 7; ++x) samples.push_back(static_cast<unsigned>(index(x, y)));
            png.rows.push_back(PackSamples(samples, depth));
        }
        ExpectDecodes(png, [&](int x, int y) {
            const int i = index(x, y);
            return Bgr{Byte(3 * i), Byte(255 - i), Byte(i)};
        });
    }
}

TEST_F(PngDecoder, PaletteWithTransparencyLoadsOpaque) {
    PngFile png;
    png.width = 4;
    png.height = 1;
    png.bitDepth = 8;
    png.colourType = PNG_COLOR_TYPE_PALETTE;
    png.palette = {{200, 10, 20}, {30, 40, 50}, {60, 70, 80}, {90, 100, 110}};
    png.paletteAlpha = {0, 128, 255};
    png.rows = {{0, 1, 2, 3}};
    ExpectDecodes(png, [&](int x, int) {
        const PngColour c = png.palette[static_cast<std::size_t>(x)];
        return Bgr{c.b, c.g, c.r};
    });
}

TEST_F(PngDecoder, GrayImagesOfEveryDepth) {
    struct Case {
        int depth;
        std::vector<unsigned> samples;
        std::vector<std::uint8_t> expected;
    };
    const std::vector<Case> cases = {
        {1, {0, 1, 1, 0, 1, 0, 0, 1, 1}, {0, 255, 255, 0, 255, 0, 0, 255, 255}},
        {2, {0, 1, 2, 3, 3, 2, 1, 0, 2}, {0, 85, 170, 255, 255, 170, 85, 0, 170}},
        {4, {0, 1, 7, 8, 15, 14, 3, 9, 2}, {0, 17, 119, 136, 255, 238, 51, 153, 34}},
        {8, {0, 1, 127, 128, 255, 200, 3, 99, 42}, {0, 1, 127, 128, 255, 200, 3, 99, 42}},
        // 16-bit samples lose their low byte.
        {16,
         {0x00FF, 0x12FF, 0xFFFF, 0x8000, 0x7FFF, 0x0100, 0xAB80, 0x0001, 0xFE7F},
         {0, 0x12, 0xFF, 0x80, 0x7F, 1, 0xAB, 0, 0xFE}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "depth " << c.depth);
        PngFile png;
        png.width = 9;
        png.height = 2;
        png.bitDepth = c.depth;
        png.colourType = PNG_COLOR_TYPE_GRAY;
        png.rows = {PackSamples(c.samples, c.depth), PackSamples(c.samples, c.depth)};
        ExpectDecodes(png, [&](int x, int) {
            const std::uint8_t v = c.expected[static_cast<std::size_t>(x)];
            return Bgr{v, v, v};
        });
    }
}

TEST_F(PngDecoder, GrayWithTransparentColourLoadsOpaque) {
    for (int depth : {1, 2, 4, 8, 16}) {
        SCOPED_TRACE(testing::Message() << "depth " << depth);
        PngFile png;
        png.width = 5;
        png.height = 1;
        png.bitDepth = depth;
        png.colourType = PNG_COLOR_TYPE_GRAY;
        png.hasTransparentColour = true;
        png.transparentGray = 1;
        png.rows = {PackSamples({0, 1, 1, 0, 1}, depth)};
        const unsigned one = depth == 16 ? 0 : 255u / ((1u << depth) - 1);
        ExpectDecodes(png, [&](int x, int) {
            const std::uint8_t v = (x == 1 || x == 2 || x == 4) ? Byte(one) : 0;
            return Bgr{v, v, v};
        });
    }
}

TEST_F(PngDecoder, GrayWithAlphaLosesItsAlpha) {
    for (int depth : {8, 16}) {
        SCOPED_TRACE(testing::Message() << "depth " << depth);
        PngFile png;
        png.width = 3;
        png.height = 1;
        png.bitDepth = depth;
        png.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
        const unsigned scale = depth == 16 ? 257 : 1;
        png.rows = {PackSamples({10 * scale, 0, 20 * scale, 128 * scale, 250 * scale, 255 * scale}, depth)};
        const std::uint8_t gray[3] = {10, 20, 250};
        ExpectDecodes(png, [&](int x, int) {
            const std::uint8_t v = gray[x];
            return Bgr{v, v, v};
        });
    }
}

TEST_F(PngDecoder, RgbAndRgbaComeOutAsBlueGreenRed) {
    for (int colourType : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA}) {
        for (int depth : {8, 16}) {
            SCOPED_TRACE(testing::Message() << "colour type " << colourType << ", depth " << depth);
            const int channels = colourType == PNG_COLOR_TYPE_RGB ? 3 : 4;
            PngFile png;
            png.width = 5;
            png.height = 3;
            png.bitDepth = depth;
            png.colourType = colourType;
            auto sample = [](int x, int y, int c) { return static_cast<unsigned>((x * 40 + y * 70 + c * 90) % 256); };
            for (int y = 0; y < 3; ++y) {
                std::vector<unsigned> samples;
                for (int x = 0; x < 5; ++x) {
                    for (int c = 0; c < channels; ++c) {
                        // 16-bit samples carry a low byte that must not round the result up.
                        samples.push_back(depth == 16 ? sample(x, y, c) * 256 + 0xFF : sample(x, y, c));
                    }
                    if (channels == 4) samples.back() = x % 2 == 0 ? 0 : samples.back();  // some fully transparent
                }
                png.rows.push_back(PackSamples(samples, depth));
            }
            ExpectDecodes(png, [&](int x, int y) {
                return Bgr{Byte(sample(x, y, 2)), Byte(sample(x, y, 1)), Byte(sample(x, y, 0))};
            });
        }
    }
}

TEST_F(PngDecoder, RgbWithTransparentColourLoadsOpaque) {
    PngFile png;
    png.width = 2;
    png.height = 1;
    png.bitDepth = 8;
    png.colourType = PNG_COLOR_TYPE_RGB;
    png.hasTransparentColour = true;
    png.transparentRed = 1;
    png.transparentGreen = 2;
    png.transparentBlue = 3;
    png.rows = {{1, 2, 3, 4, 5, 6}};
    ExpectDecodes(png, [](int x, int) { return x == 0 ? Bgr{3, 2, 1} : Bgr{6, 5, 4}; });
}

TEST_F(PngDecoder, InterlacedImagesLoadCompletely) {
    struct Case {
        std::uint32_t width, height;
        int colourType, depth;
    };
    for (const Case c : {Case{13, 11, PNG_COLOR_TYPE_RGB, 8}, Case{10, 9, PNG_COLOR_TYPE_PALETTE, 4},
                         Case{17, 5, PNG_COLOR_TYPE_GRAY, 1}, Case{6, 7, PNG_COLOR_TYPE_RGB_ALPHA, 16},
                         Case{1, 1, PNG_COLOR_TYPE_RGB, 8}, Case{3, 2, PNG_COLOR_TYPE_GRAY, 8}}) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " colour type " << c.colourType);
        PngFile png;
        png.width = c.width;
        png.height = c.height;
        png.bitDepth = c.depth;
        png.colourType = c.colourType;
        const int channels = c.colourType == PNG_COLOR_TYPE_RGB ? 3 : c.colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : 1;
        const unsigned levels = c.colourType == PNG_COLOR_TYPE_PALETTE ? 16u : 1u << c.depth;
        if (c.colourType == PNG_COLOR_TYPE_PALETTE) {
            for (int i = 0; i < 16; ++i) png.palette.push_back(PngColour{Byte(16 * i), Byte(i), Byte(255 - 16 * i)});
        }
        Noise noise{12345};
        std::vector<std::vector<unsigned>> samples;
        for (std::uint32_t y = 0; y < c.height; ++y) {
            std::vector<unsigned> row;
            for (std::uint32_t x = 0; x < c.width * static_cast<std::uint32_t>(channels); ++x) {
                row.push_back(noise.Next(levels));
            }
            samples.push_back(row);
            png.rows.push_back(PackSamples(row, c.depth));
        }
        auto expected = [&](int x, int y) {
            const auto& row = samples[static_cast<std::size_t>(y)];
            const std::size_t at = static_cast<std::size_t>(x) * static_cast<std::size_t>(channels);
            if (c.colourType == PNG_COLOR_TYPE_PALETTE) {
                const PngColour p = png.palette[row[at]];
                return Bgr{p.b, p.g, p.r};
            }
            if (channels == 1) {
                const std::uint8_t v = Byte(row[at] * (255u / (levels - 1)));
                return Bgr{v, v, v};
            }
            const unsigned shift = c.depth == 16 ? 8 : 0;
            return Bgr{Byte(row[at + 2] >> shift), Byte(row[at + 1] >> shift), Byte(row[at] >> shift)};
        };
        png.interlaced = false;
        ExpectDecodes(png, expected);
        png.interlaced = true;
        ExpectDecodes(png, expected);
    }
}

TEST_F(PngDecoder, ImagesBeyondTheSizeLimitAreRefused) {
    for (const auto& [width, height] : {std::pair<std::uint32_t, std::uint32_t>{16385, 1}, {1, 16385}, {100000, 1}}) {
        PngFile png;
        png.width = width;
        png.height = height;
        png.bitDepth = 1;
        png.colourType = PNG_COLOR_TYPE_GRAY;
        png.rows.assign(height, Bytes((width + 7) / 8, 0));
        const Bytes file = image_test::WritePng(png);
        ASSERT_FALSE(file.empty());
        const auto image = Exact(file);
        EXPECT_EQ(screen::FindImageDecoder(image.data(), image.size), 0) << width << "x" << height;
    }
    // The largest side still loads.
    PngFile png;
    png.width = static_cast<std::uint32_t>(screen::kMaxImageSide);
    png.height = 1;
    png.bitDepth = 1;
    png.colourType = PNG_COLOR_TYPE_GRAY;
    Bytes row(png.width / 8, 0);
    row.back() = 0x01;
    png.rows = {row};
    ExpectDecodes(png, [&](int x, int) {
        const std::uint8_t v = x == screen::kMaxImageSide - 1 ? 255 : 0;
        return Bgr{v, v, v};
    });
}

TEST_F(PngDecoder, HeadersThatLibpngRejectsAreNotRecognised) {
    auto withHeader = [](const Bytes& ihdr) {
        Bytes file = image_test::PngSignature();
        image_test::AppendChunk(file, "IHDR", ihdr);
        // Never decoded: the check stops before the image data.
        image_test::AppendChunk(file, "IDAT", Bytes{0x78, 0x9C, 0x63, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01});
        image_test::AppendChunk(file, "IEND", Bytes{});
        return file;
    };
    // The well-formed file is recognised: the bad ones below differ from it
    // in one thing each.
    {
        const auto image = Exact(withHeader(image_test::IhdrData(1, 1, 8, 0, 0)));
        ASSERT_EQ(screen::FindImageDecoder(image.data(), image.size), 1);
        EXPECT_EQ(screen::ImageWidth(), 1);
        screen::DecodeCurrentImage(nullptr, 0, 0);
    }
    std::vector<Bytes> bad = {
        withHeader(image_test::IhdrData(1, 1, 3, 0, 0)),   // bit depth 3
        withHeader(image_test::IhdrData(1, 1, 8, 1, 0)),   // colour type 1
        withHeader(image_test::IhdrData(1, 1, 16, 3, 0)),  // 16-bit palette
        withHeader(image_test::IhdrData(0, 1, 8, 0, 0)),   // no width
        withHeader(image_test::IhdrData(1, 0, 8, 0, 0)),   // no height
        withHeader(image_test::IhdrData(0x80000000u, 1, 8, 0, 0)),
        withHeader(image_test::IhdrData(1, 1, 8, 0, 2)),  // unknown interlace method
        withHeader(Bytes(12, 1)),                         // IHDR too short
    };
    Bytes badCrc = withHeader(image_test::IhdrData(1, 1, 8, 0, 0));
    badCrc[8 + 8 + 13] ^= 0x55;
    bad.push_back(badCrc);
    Bytes noHeader = image_test::PngSignature();
    image_test::AppendChunk(noHeader, "IEND", Bytes{});
    bad.push_back(noHeader);
    bad.push_back(image_test::PngSignature());
    for (std::size_t i = 0; i < bad.size(); ++i) {
        const auto image = Exact(bad[i]);
        EXPECT_EQ(screen::FindImageDecoder(image.data(), image.size), 0) << "file " << i;
        OwnedImage out;
        EXPECT_FALSE(screen::DecodeWithDecoders(image.data(), image.size, &out.image)) << "file " << i;
        EXPECT_EQ(out.image.ownBuffer, nullptr);
    }
}

TEST_F(PngDecoder, AncillaryChunksBeyondTheMemoryLimitAreSkipped) {
    // A gray 1x1 image with one text chunk before its image data: a chunk
    // too large to keep is dropped with a warning, the image still loads.
    PngFile png;
    png.colourType = PNG_COLOR_TYPE_GRAY;
    png.rows = {{77}};
    const Bytes plain = image_test::WritePng(png);
    const std::size_t idat = 8 + 25;  // signature, IHDR
    auto withText = [&](std::size_t length) {
        Bytes file(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(idat));
        Bytes text = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0};
        text.resize(length, 'x');
        image_test::AppendChunk(file, "tEXt", text);
        file.insert(file.end(), plain.begin() + static_cast<std::ptrdiff_t>(idat), plain.end());
        return file;
    };
    for (std::size_t length : {std::size_t{1000}, std::size_t{9} * 1024 * 1024}) {
        OwnedImage out;
        ASSERT_TRUE(Decode(withText(length), out)) << length;
        EXPECT_EQ(PixelAt(out.image, 0, 0), (Bgr{77, 77, 77}));
    }
}

// Files whose headers claim far more than their bytes can hold are refused
// before anything is allocated for the claim; the extreme a real file can
// reach (deflate's best ratio) still loads.
TEST_F(PngDecoder, ClaimsTheFileCannotHoldAreRefusedBeforeAnyBuffer) {
    auto compressed = [](const Bytes& raw) {
        uLongf size = compressBound(static_cast<uLong>(raw.size()));
        Bytes out(size);
        EXPECT_EQ(compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9), Z_OK);
        out.resize(size);
        return out;
    };
    auto grayFile = [](std::uint32_t side, const Bytes& imageData) {
        Bytes file = image_test::PngSignature();
        image_test::AppendChunk(file, "IHDR", image_test::IhdrData(side, side, 8, 0, 0));
        image_test::AppendChunk(file, "IDAT", imageData);
        image_test::AppendChunk(file, "IEND", Bytes{});
        return file;
    };
    // A text chunk whose length says 0x7FFFFFF0 bytes, in a 41-byte file.
    Bytes hugeText = image_test::PngSignature();
    image_test::AppendChunk(hugeText, "IHDR", image_test::IhdrData(1, 1, 8, 0, 0));
    for (std::uint8_t b : Bytes{0x7F, 0xFF, 0xFF, 0xF0, 't', 'E', 'X', 't'}) hugeText.push_back(b);
    // 16384 x 16384 pixels declared, one row of them in the file.
    Bytes oneRow(1 + 16384, 0);
    const Bytes bomb = grayFile(16384, compressed(oneRow));
    // 4096 x 4096 black pixels really there: about 16 KiB of file.
    Bytes allRows(4096u * 4097u, 0);
    const Bytes dense = grayFile(4096, compressed(allRows));

    struct Case {
        const char* what;
        const Bytes& file;
        bool recognised;
    };
    const Case cases[] = {{"text chunk of 2 GiB", hugeText, false},
                          {"16384 x 16384 from one row", bomb, false},
                          {"4096 x 4096 at deflate's best", dense, true}};
    for (const Case& c : cases) {
        const auto image = Exact(c.file);
        EXPECT_EQ(screen::FindImageDecoder(image.data(), image.size), c.recognised ? 1 : 0) << c.what;
        OwnedImage out;
        EXPECT_EQ(screen::DecodeWithDecoders(image.data(), image.size, &out.image), c.recognised) << c.what;
        if (c.recognised) {
            EXPECT_EQ(PixelAt(out.image, 4095, 4095), (Bgr{0, 0, 0})) << c.what;
        }
    }
}

TEST_F(PngDecoder, ShortFilesAreRejectedBySignature) {
    const Bytes signature = image_test::PngSignature();
    for (std::size_t size = 0; size < 8; ++size) {
        const auto image = Exact(signature, size);
        EXPECT_EQ(screen::FindImageDecoder(image.data(), image.size), 0) << size << " bytes";
    }
    Bytes wrong = signature;
    wrong[1] = 'p';
    image_test::AppendChunk(wrong, "IHDR", image_test::IhdrData(1, 1, 8, 0, 0));
    const auto image = Exact(wrong);
    EXPECT_EQ(screen::FindImageDecoder(image.data(), image.size), 0);
}

// An RGB image of noise split into small IDAT chunks, so that a cut in the
// data leaves the rows before it decodable.
Bytes NoisePng(std::uint32_t width, std::uint32_t height, std::vector<Bytes>* rows) {
    PngFile png;
    png.width = width;
    png.height = height;
    png.bitDepth = 8;
    png.colourType = PNG_COLOR_TYPE_RGB;
    Noise noise{777};
    for (std::uint32_t y = 0; y < height; ++y) {
        Bytes row;
        for (std::uint32_t x = 0; x < 3 * width; ++x) row.push_back(Byte(noise.Next(256)));
        png.rows.push_back(row);
    }
    *rows = png.rows;
    return image_test::SplitImageData(image_test::WritePng(png), 64);
}

TEST_F(PngDecoder, TruncatedImageDataStopsTheDecodeCleanly) {
    std::vector<Bytes> rows;
    const Bytes file = NoisePng(40, 30, &rows);
    const std::size_t dataEnd = image_test::EndOfImageData(file);
    ASSERT_GT(dataEnd, 2000u);
    const auto image = Exact(file, dataEnd / 2);
    ASSERT_EQ(screen::FindImageDecoder(image.data(), image.size), 1);
    const std::size_t rowLength = Expected24RowLength(40);
    std::vector<std::uint8_t> buffer(rowLength * 31, 0xAB);
    EXPECT_EQ(screen::DecodeCurrentImage(buffer.data(), static_cast<std::int32_t>(rowLength), 0), 0);
    // The first rows were read before the cut...
    for (std::size_t x = 0; x < 40; ++x) {
        EXPECT_EQ(buffer[3 * x], rows[0][3 * x + 2]);
        EXPECT_EQ(buffer[3 * x + 2], rows[0][3 * x]);
    }
    // ...the last row was never reached and the spare row is untouched.
    for (std::size_t i = 29 * rowLength; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xAB) << "byte " << i;
    // The decoder's state is gone: nothing more is decoded into the buffer.
    EXPECT_EQ(screen::DecodeCurrentImage(buffer.data(), static_cast<std::int32_t>(rowLength), 0), 0);
    for (std::size_t i = 29 * rowLength; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xAB) << "byte " << i;
    // Through the loader's path the rows never reached come out black.
    {
        OwnedImage cut;
        ASSERT_TRUE(screen::DecodeWithDecoders(image.data(), image.size, &cut.image));
        EXPECT_EQ(PixelAt(cut.image, 0, 29), (Bgr{0, 0, 0}));
        EXPECT_EQ(PixelAt(cut.image, 39, 29), (Bgr{0, 0, 0}));
    }
    // And the next image decodes normally.
    OwnedImage out;
    const auto whole = Exact(file);
    ASSERT_TRUE(screen::DecodeWithDecoders(whole.data(), whole.size, &out.image));
    EXPECT_EQ(PixelAt(out.image, 39, 29), (Bgr{rows[29][119], rows[29][118], rows[29][117]}));
}

TEST_F(PngDecoder, EveryTruncationFailsWithoutCrashing) {
    for (bool interlaced : {false, true}) {
        PngFile png;
        png.width = 6;
        png.height = 5;
        png.bitDepth = 4;
        png.colourType = PNG_COLOR_TYPE_PALETTE;
        png.interlaced = interlaced;
        for (int i = 0; i < 16; ++i) png.palette.push_back(PngColour{Byte(i), Byte(i), Byte(i)});
        Noise noise{99};
        for (int y = 0; y < 5; ++y) {
            std::vector<unsigned> samples;
            for (int x = 0; x < 6; ++x) samples.push_back(noise.Next(16));
            png.rows.push_back(PackSamples(samples, 4));
        }
        const Bytes file = image_test::SplitImageData(image_test::WritePng(png), 5);
        const std::size_t dataEnd = image_test::EndOfImageData(file);
        ASSERT_GT(dataEnd, 0u);
        const std::size_t rowLength = Expected24RowLength(6);
        for (std::size_t size = 0; size < file.size(); ++size) {
            const auto image = Exact(file, size);
            std::int32_t decoded = 0;
            if (screen::FindImageDecoder(image.data(), image.size) != 0) {
                ASSERT_EQ(screen::ImageWidth(), 6);
                ASSERT_EQ(screen::ImageHeight(), 5);
                // Exactly height + 1 rows, as the sprite loader allocates.
                auto buffer = std::make_unique<std::uint8_t[]>(rowLength * 6);
                decoded = screen::DecodeCurrentImage(buffer.get(), static_cast<std::int32_t>(rowLength), 0);
            }
            if (size < dataEnd) {
                EXPECT_EQ(decoded, 0) << "cut to " << size << " of " << file.size();
            }
        }
        const auto whole = Exact(file);
        ASSERT_EQ(screen::FindImageDecoder(whole.data(), whole.size), 1);
        std::vector<std::uint8_t> buffer(rowLength * 6);
        EXPECT_EQ(screen::DecodeCurrentImage(buffer.data(), static_cast<std::int32_t>(rowLength), 0), 1);
    }
}

TEST_F(PngDecoder, DecodingIntoNoBufferReleasesTheImage) {
    std::vector<Bytes> rows;
    const Bytes file = NoisePng(4, 3, &rows);
    const auto image = Exact(file);
    ASSERT_EQ(screen::FindImageDecoder(image.data(), image.size), 1);
    EXPECT_EQ(screen::DecodeCurrentImage(nullptr, 0, 0), 0);
    std::vector<std::uint8_t> buffer(16 * 4, 0xAB);
    EXPECT_EQ(screen::DecodeCurrentImage(buffer.data(), 12, 0), 0);
    for (std::uint8_t b : buffer) ASSERT_EQ(b, 0xAB);
    // Rows too short for the image are refused the same way.
    ASSERT_EQ(screen::FindImageDecoder(image.data(), image.size), 1);
    EXPECT_EQ(screen::DecodeCurrentImage(buffer.data(), 11, 0), 0);
    for (std::uint8_t b : buffer) ASSERT_EQ(b, 0xAB);
    EXPECT_EQ(screen::DecodeCurrentImage(buffer.data(), 12, 0), 0);
    for (std::uint8_t b : buffer) ASSERT_EQ(b, 0xAB);
    // Checked again, the image decodes.
    ASSERT_EQ(screen::FindImageDecoder(image.data(), image.size), 1);
    EXPECT_EQ(screen::DecodeCurrentImage(buffer.data(), 12, 0), 1);
    EXPECT_EQ(buffer[0], rows[0][2]);
    EXPECT_EQ(buffer[2], rows[0][0]);
}

TEST_F(PngDecoder, ImagesAreDecodedIndependently) {
    // A 1-bit gray image (expanded), then an RGBA image, then the gray one
    // again: no transformation or size carries over.
    PngFile gray;
    gray.width = 16;
    gray.height = 2;
    gray.bitDepth = 1;
    gray.colourType = PNG_COLOR_TYPE_GRAY;
    gray.rows = {{0xF0, 0x0F}, {0x55, 0xAA}};
    PngFile rgba;
    rgba.width = 3;
    rgba.height = 4;
    rgba.bitDepth = 8;
    rgba.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    for (int y = 0; y < 4; ++y) {
        Bytes row;
        for (int x = 0; x < 3; ++x) {
            for (unsigned v : {10u * x, 20u * y, 100u, 7u}) row.push_back(Byte(v));
        }
        rgba.rows.push_back(row);
    }
    auto grayPixel = [&](int x, int y) {
        const std::uint8_t v =
            (gray.rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x / 8)] >> (7 - x % 8)) & 1 ? 255 : 0;
        return Bgr{v, v, v};
    };
    auto rgbaPixel = [](int x, int y) { return Bgr{100, Byte(20 * y), Byte(10 * x)}; };
    ExpectDecodes(gray, grayPixel);
    ExpectDecodes(rgba, rgbaPixel);
    ExpectDecodes(gray, grayPixel);

    // A second check before the first image is decoded abandons the first.
    const Bytes grayFile = image_test::WritePng(gray);
    const Bytes rgbaFile = image_test::WritePng(rgba);
    const auto grayImage = Exact(grayFile);
    const auto rgbaImage = Exact(rgbaFile);
    ASSERT_EQ(screen::FindImageDecoder(grayImage.data(), grayImage.size), 1);
    ASSERT_EQ(screen::FindImageDecoder(rgbaImage.data(), rgbaImage.size), 1);
    EXPECT_EQ(screen::ImageWidth(), 3);
    EXPECT_EQ(screen::ImageHeight(), 4);
    std::vector<std::uint8_t> buffer(12 * 5, 0);
    EXPECT_EQ(screen::DecodeCurrentImage(buffer.data(), 12, 0), 1);
    EXPECT_EQ(buffer[12 * 3 + 3 * 2 + 0], 100);
    EXPECT_EQ(buffer[12 * 3 + 3 * 2 + 1], 60);
    EXPECT_EQ(buffer[12 * 3 + 3 * 2 + 2], 20);
}

// ---------------------------------------------------------------------------
// The decoder list

struct FakeLog {
    int accepting = -1;  // the fake that recognises every image
    std::vector<int> checked;
    std::int32_t width = 0;
    std::int32_t height = 0;
    int decodeCalls = 0;
    void* destination = nullptr;
    std::int32_t rowLength = -1;
};
FakeLog gFake;

template <int N>
std::int32_t FakeCheck(const void*, std::uint32_t) {
    gFake.checked.push_back(N);
    return gFake.accepting == N ? 1 : 0;
}

template <int N>
std::int32_t FakeDecode(void* destination, std::int32_t rowLength, std::int32_t) {
    ++gFake.decodeCalls;
    gFake.destination = destination;
    gFake.rowLength = rowLength;
    // Fill every row and the spare row: the buffer must hold them all.
    if (destination != nullptr) {
        std::memset(destination, N, static_cast<std::size_t>(rowLength) * (static_cast<std::size_t>(gFake.height) + 1));
    }
    return 1;
}

template <int N>
std::int32_t FakeWidth() {
    return gFake.width + N;
}

std::int32_t FakeHeight() { return gFake.height; }

template <std::size_t... I>
std::array<screen::ImageDecoder, sizeof...(I)> MakeFakes(std::index_sequence<I...>) {
    return {screen::ImageDecoder{FakeCheck<static_cast<int>(I)>, FakeDecode<static_cast<int>(I)>,
                                 FakeWidth<static_cast<int>(I)>, FakeHeight}...};
}

const std::array<screen::ImageDecoder, 150> kFakes = MakeFakes(std::make_index_sequence<150>{});

class ImageDecoderList : public ::testing::Test {
protected:
    void SetUp() override {
        gFake = FakeLog{};
        screen::InitImageDecoders();
    }
    void TearDown() override {
        screen::InitImageDecoders();
        screen::RegisterPngDecoder();
    }
};

TEST_F(ImageDecoderList, HoldsAtMostOneHundredDecoders) {
    for (const screen::ImageDecoder& fake : kFakes) screen::AddImageDecoder(&fake);
    EXPECT_EQ(screen::ImageDecoderCount(), screen::kMaxImageDecoders);
    const Bytes data(16, 0);
    // A decoder past the hundredth was never added.
    gFake.accepting = 120;
    EXPECT_EQ(screen::FindImageDecoder(data.data(), 16), 0);
    ASSERT_EQ(gFake.checked.size(), 100u);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(gFake.checked[static_cast<std::size_t>(i)], i);
    gFake.accepting = 99;
    EXPECT_EQ(screen::FindImageDecoder(data.data(), 16), 1);
    EXPECT_EQ(screen::ImageWidth(), 99);
}

TEST_F(ImageDecoderList, FirstDecoderThatAcceptsBecomesCurrent) {
    for (int i = 0; i < 5; ++i) screen::AddImageDecoder(&kFakes[static_cast<std::size_t>(i)]);
    const Bytes data(16, 0);
    EXPECT_EQ(screen::FindImageDecoder(data.data(), 16), 0);
    EXPECT_EQ(gFake.checked, (std::vector<int>{0, 1, 2, 3, 4}));
    gFake.accepting = 2;
    gFake.checked.clear();
    EXPECT_EQ(screen::FindImageDecoder(data.data(), 16), 1);
    EXPECT_EQ(gFake.checked, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(screen::ImageWidth(), 2);
    // A search that finds nothing leaves the current decoder as it was.
    gFake.accepting = -1;
    EXPECT_EQ(screen::FindImageDecoder(data.data(), 16), 0);
    EXPECT_EQ(screen::ImageWidth(), 2);
    gFake.height = 1;
    std::uint8_t buffer[8] = {};
    EXPECT_EQ(screen::DecodeCurrentImage(buffer, 4, 0), 1);
    EXPECT_EQ(buffer[0], 2);
    // An emptied list finds nothing and has no current decoder.
    screen::InitImageDecoders();
    EXPECT_EQ(screen::ImageDecoderCount(), 0);
    gFake.accepting = 0;
    EXPECT_EQ(screen::FindImageDecoder(data.data(), 16), 0);
    EXPECT_EQ(screen::ImageWidth(), 0);
}

TEST_F(ImageDecoderList, DecodesIntoPaddedRowsWithASpareRow) {
    screen::AddImageDecoder(&kFakes[0]);
    gFake.accepting = 0;
    const Bytes data(16, 0);
    for (std::int32_t width = 1; width <= 9; ++width) {
        SCOPED_TRACE(testing::Message() << "width " << width);
        gFake.width = width;
        gFake.height = 3;
        OwnedImage out;
        ASSERT_TRUE(screen::DecodeWithDecoders(data.data(), 16, &out.image));
        EXPECT_EQ(gFake.rowLength, 3 * width + width % 4);
        EXPECT_EQ(gFake.rowLength % 4, 0);
        EXPECT_EQ(gFake.destination, out.image.ownBuffer);
        EXPECT_EQ(out.image.pixels, out.image.ownBuffer);
        EXPECT_EQ(out.image.width, width);
        EXPECT_EQ(out.image.height, 3);
        EXPECT_EQ(out.image.rowLength, gFake.rowLength);
        EXPECT_EQ(out.image.bitsPerPixel, 24);
        EXPECT_EQ(out.image.bottomUp, 0);
    }
}

TEST_F(ImageDecoderList, OversizedOrEmptyImagesAreAbandoned) {
    screen::AddImageDecoder(&kFakes[0]);
    gFake.accepting = 0;
    const Bytes data(16, 0);
    for (const auto& [width, height] :
         {std::pair<std::int32_t, std::int32_t>{0, 5}, {-3, 5}, {5, 0}, {5, -1}, {16385, 1}, {1, 16385}}) {
        gFake.width = width;
        gFake.height = height;
        gFake.decodeCalls = 0;
        gFake.destination = &gFake;
        OwnedImage out;
        EXPECT_FALSE(screen::DecodeWithDecoders(data.data(), 16, &out.image)) << width << "x" << height;
        EXPECT_EQ(gFake.decodeCalls, 1) << "the decoder releases the checked image";
        EXPECT_EQ(gFake.destination, nullptr);
        EXPECT_EQ(out.image.ownBuffer, nullptr);
    }
}

TEST_F(ImageDecoderList, PngDecoderRegistersOnce) {
    screen::RegisterPngDecoder();
    screen::RegisterPngDecoder();
    EXPECT_EQ(screen::ImageDecoderCount(), 1);
    screen::AddImageDecoder(&kFakes[0]);
    screen::RegisterPngDecoder();
    EXPECT_EQ(screen::ImageDecoderCount(), 2);
    // Registered first, it is tried first.
    PngFile png;
    png.width = 2;
    png.height = 1;
    png.colourType = PNG_COLOR_TYPE_GRAY;
    png.rows = {{5, 6}};
    const Bytes file = image_test::WritePng(png);
    const auto image = Exact(file);
    gFake.accepting = 0;
    ASSERT_EQ(screen::FindImageDecoder(image.data(), image.size), 1);
    EXPECT_TRUE(gFake.checked.empty());
    EXPECT_EQ(screen::ImageWidth(), 2);
    screen::DecodeCurrentImage(nullptr, 0, 0);
    // After the list is emptied it registers again.
    screen::InitImageDecoders();
    screen::RegisterPngDecoder();
    EXPECT_EQ(screen::ImageDecoderCount(), 1);
    EXPECT_EQ(screen::FindImageDecoder(image.data(), image.size), 1);
    screen::DecodeCurrentImage(nullptr, 0, 0);
}

}  // namespace
