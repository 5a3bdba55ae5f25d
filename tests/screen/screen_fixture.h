// A started player on the test backend's memory display, and BMP images
// built byte by byte.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/test/test_backend.h"
#include "platform/test/test_display.h"
#include "player/decode_ahead.h"
#include "player/player.h"
#include "screen/screen.h"

namespace rodazaro_test {

class ScreenFixture : public ::testing::Test {
protected:
    void SetUp() override {
        platform::test::Reset();
        platform::test::ResetDisplay();
        player::SetDecodeAheadSettings({false});
        player::StartUp();
    }
    void TearDown() override {
        try {
            player::Shutdown();
        } catch (const platform::test::ProcessExit& exit) {
            EXPECT_EQ(exit.code, 0);
        }
    }
    void Open(std::int16_t width, std::int16_t height, std::int16_t depth) {
        ASSERT_EQ(screen::OpenScreen(width, height, depth, "test"), 1);
    }
};

// A bottom-up BI_RGB BMP: pixels are given top row first as bytes per pixel
// (B, G, R for 24 bits; little-endian words for 16; indices for 8 with a
// palette of B, G, R, 0 entries).
inline std::vector<std::uint8_t> MakeBmp(int width, int height, int bits,
                                         const std::vector<std::uint8_t>& topDownPixels,
                                         const std::vector<std::uint8_t>& palette = {}) {
    const int bytesPerRow = (width * bits + 7) / 8;
    const int rowLength = (bytesPerRow + 3) & ~3;
    const std::uint32_t offset = 14 + 40 + static_cast<std::uint32_t>(palette.size());
    std::vector<std::uint8_t> file(offset + static_cast<std::size_t>(rowLength) * height, 0);
    auto put32 = [&file](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, offset);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    file[26] = 1;
    file[28] = static_cast<std::uint8_t>(bits);
    for (std::size_t i = 0; i < palette.size(); ++i) file[54 + i] = palette[i];
    for (int row = 0; row < height; ++row) {
        const int fileRow = height - 1 - row;
        for (int b = 0; b < bytesPerRow; ++b) {
            file[offset + static_cast<std::size_t>(fileRow) * rowLength + b] =
                topDownPixels[static_cast<std::size_t>(row) * bytesPerRow + b];
        }
    }
    return file;
}

// A 24-bit image of one colour.
inline std::vector<std::uint8_t> SolidBmp(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < width * height; ++i) {
        pixels.push_back(b);
        pixels.push_back(g);
        pixels.push_back(r);
    }
    return MakeBmp(width, height, 24, pixels);
}

}  // namespace rodazaro_test
