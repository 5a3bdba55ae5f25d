// The player's turns once a show is under way make no allocation: sprites
// moving, zooming and fading, a plain sprite on top, a sound playing, on the
// SDL backend in both screen depths.
//
// SDL's software renderer makes a few allocations of its own that the
// program does not control, so the scene avoids them and the test counts
// the rest: it links each sprite's blit map to the buffer the sprite is
// drawn into (a 16-byte node whenever that buffer changes, which page
// flipping does every frame); it scales a blended sprite up with the linear
// filter, or a 16-bit frame to a larger window, through a block it makes
// for the draw (the scene here zooms out, in a mode of the headless
// display's own size).

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "player/player.h"
#include "player/player_state.h"
#include "screen/screen.h"
#include "screen/sprite3d.h"
#include "sdl/allocation_count.h"
#include "sdl/release_3d.h"
#include "sound/wav_builder.h"

namespace rodazaro_test {
namespace {

using Bytes = std::vector<std::uint8_t>;

void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void PutLe(Bytes& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A 24-bit BMP with a pattern and some black (the colour key) in it.
Bytes PatternBmp(int width, int height) {
    const int stride = (width * 3 + 3) & ~3;
    Bytes out = {'B', 'M'};
    PutLe(out, static_cast<std::uint32_t>(54 + stride * height), 4);
    PutLe(out, 0, 4);
    PutLe(out, 54, 4);
    PutLe(out, 40, 4);
    PutLe(out, static_cast<std::uint32_t>(width), 4);
    PutLe(out, static_cast<std::uint32_t>(height), 4);
    PutLe(out, 1, 2);
    PutLe(out, 24, 2);
    for (int i = 0; i < 6; ++i) PutLe(out, 0, 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < stride; ++x) out.push_back(x / 3 % 5 == 0 ? 0 : static_cast<std::uint8_t>(x * 7 + y * 3));
    }
    return out;
}

// The headless display's size.
constexpr std::int16_t kWidth = 1024;
constexpr std::int16_t kHeight = 768;
constexpr int kSpritesDrawn = 3;
constexpr int kTurns = 200;

class TurnAllocationTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        ASSERT_GE(AllocationCount(), 0) << "SDL's allocations could not be counted";
        folder_ = std::filesystem::temp_directory_path() /
                  ("rodazaro_turns_" + std::to_string(::getpid()) + "_" + std::to_string(GetParam()));
        const std::string script =
            "Allocations\r\n"
            "LGFX 00 tile.bmp\r\n"
            "LGFX 01 tile.bmp\r\n"
            "LBMP 02 tile.bmp\r\n"
            "LSND 0 tone.wav\r\n"
            "SGFX 00 -.500 0.000\r\n"
            "SGFX 01 0.500 0.000\r\n"
            "SBMP 02 0.000 -.500\r\n"
            "MGFX 00 0.0001 0.0000\r\n"
            "ZGFX 01 -.0003\r\n"
            "AGFX 01 128\r\n"
            "PSND 0\r\n"
            "WAIT 99999\r\n";
        WriteFile(folder_ / "data" / "vuze.kel", Bytes(script.begin(), script.end()));
        WriteFile(folder_ / "data" / "gfx" / "tile.bmp", PatternBmp(96, 64));
        Bytes samples;
        for (int i = 0; i < 22050 * 4; ++i) PutLe(samples, static_cast<std::uint16_t>((i % 100) * 300 - 15000), 2);
        WriteFile(folder_ / "data" / "sound" / "tone.wav", Wav(1, 22050, 16, samples));
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_);
    }

    void TearDown() override {
        player::CloseEverything();
        ReleaseSprite3DObjects();
        player::ResetAllModules();
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(folder_);
    }

    std::filesystem::path folder_;
    std::filesystem::path previous_;
};

TEST_P(TurnAllocationTest, TurnsOfAShowUnderWayAllocateNothing) {
    const int depth = GetParam();
    player::StartUp();
    ASSERT_EQ(screen::OpenScreen(kWidth, kHeight, static_cast<std::int16_t>(depth), player::gPlayer.programTitle), 1);
    player::gPlayer.screenWidth = kWidth;
    player::gPlayer.screenHeight = kHeight;
    player::gPlayer.screenOpen = 1;

    // Every line up to the wait, then some turns for the renderer and the
    // mixer to make what they keep.
    for (int turn = 0; player::gPlayer.waitUntil == 0; ++turn) {
        ASSERT_LT(turn, 100) << "the script never reached its WAIT";
        player::RunTurn();
    }
    ASSERT_EQ(player::gPlayer.scriptLine, 13);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(player::Slot(i)->loaded, 1) << "slot " << i;
    ASSERT_NE(screen::LookupSprite3D(1), nullptr);
    for (int turn = 0; turn < 30; ++turn) player::RunTurn();

    const AllocationCounts before = CountAllocations();
    const float zoomBefore = player::Slot(1)->zoom;
    for (int turn = 0; turn < kTurns; ++turn) player::RunTurn();
    const AllocationCounts after = CountAllocations();
    EXPECT_EQ(after.program - before.program, 0) << "allocations of the program in " << kTurns << " turns";
    EXPECT_EQ(after.sdlLarge - before.sdlLarge, 0) << "SDL blocks over " << kSmallSdlBlock << " bytes";
    EXPECT_LE(after.sdlSmall - before.sdlSmall, kTurns * kSpritesDrawn) << "SDL's blit map nodes";
    // The turns did their work: the motion and the zoom went on.
    EXPECT_LT(player::Slot(1)->zoom, zoomBefore);
}

std::string DepthName(const ::testing::TestParamInfo<int>& depth) { return std::to_string(depth.param) + "bit"; }

INSTANTIATE_TEST_SUITE_P(Depths, TurnAllocationTest, ::testing::Values(16, 32), DepthName);

}  // namespace
}  // namespace rodazaro_test
