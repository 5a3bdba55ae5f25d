// Decode-ahead at its seams: the worker reads the script through its own
// handle and prepares the coming loads; a load takes a result only for its
// own line and the same file unchanged, and everything else is freed.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/test/test_backend.h"
#include "platform/zip_writer.h"
#include "player/command_line.h"
#include "player/decode_ahead.h"
#include "player/interpreter.h"
#include "player/player.h"
#include "player/player_state.h"
#include "runtime/load_problems.h"
#include "runtime/prepared_loads.h"
#include "screen/image_files.h"
#include "screen/screen_fixture.h"
#include "screen/sprites.h"
#include "sound/sound.h"
#include "sound/vorbis_files.h"
#include "sound/wav_builder.h"
#include "support/fixtures.h"

namespace rodazaro_test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A gray PNG of this width, 8 rows high unless said: its width tells which
// version of a file a sprite was loaded from.
Bytes Picture(std::uint32_t width, std::uint32_t height = 8) {
    image_test::PngFile png;
    png.width = width;
    png.height = height;
    png.colourType = 0;
    png.rows.assign(height, Bytes(width, 0x80));
    return image_test::WritePng(png);
}

// What a step does: wait until the worker holds `count` results (and has
// stopped adding), run `count` script lines, write a file, append to the
// script, or load the case's gfx/a.png and sound/b.ogg `count` times from
// memory on the main thread (under sprite 90 and sound 40).
struct Step {
    enum Op { kHeld, kLines, kWrite, kAppend, kDecodeHere } op;
    int count = 0;
    std::string file;
    Bytes bytes;
};
Step Held(int count) { return {Step::kHeld, count, {}, {}}; }
Step Lines(int count) { return {Step::kLines, count, {}, {}}; }
Step Write(std::string file, Bytes bytes) { return {Step::kWrite, 0, std::move(file), std::move(bytes)}; }
Step DecodeHere(int count) { return {Step::kDecodeHere, count, {}, {}}; }
Step Append(const std::string& text) { return {Step::kAppend, 0, "data/vuze.kel", Bytes(text.begin(), text.end())}; }

struct Case {
    const char* name;
    std::vector<std::pair<std::string, Bytes>> files;  // under data/
    std::string script;                                // after the title line
    std::vector<Step> steps;
    std::size_t bound = player::kDefaultDecodeAheadBytes;
    bool zip = false;  // the files and the script in show.zip instead
    // What the loads must have given: a slot and its sprite's width (0: no
    // sprite), and how many loads found their result ready.
    std::vector<std::pair<int, int>> widths;
    std::vector<int> sounds;  // sound numbers that must hold a sound
    std::uint64_t taken = 0;  // kAnyTaken: as the race between the threads goes
};

constexpr std::uint64_t kAnyTaken = ~std::uint64_t{0};

class DecodeAheadTest : public PlayerFixture {
protected:
    void SetUp() override {
        PlayerFixture::SetUp();
        dir_.MakeDir("data");
    }

    runtime::PreparedLoads& Store() { return *runtime::ActivePreparedLoads(); }

    // Until the worker holds count results, and keeps holding that many for
    // a while (a worker waiting for room, or at the script's end).
    void WaitHeld(std::size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        int steady = 0;
        while (steady < 5) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the worker held " << Store().HeldCount();
            steady = Store().HeldCount() == count ? steady + 1 : 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
    }

    void Play(const Case& c) {
        std::string script = "Title\n" + c.script;
        if (c.zip) {
            std::vector<ZipEntry> entries{{"data/vuze.kel", script}};
            for (const auto& [name, bytes] : c.files) {
                entries.push_back({"data/" + name, std::string(bytes.begin(), bytes.end())});
            }
            dir_.Write("show.zip", BuildZip(entries));
            std::string error;
            ASSERT_TRUE(player::EnterPresentation("show.zip", &error)) << error;
        } else {
            for (const auto& [name, bytes] : c.files) dir_.Write("data/" + name, bytes);
        }
        player::SetDecodeAheadSettings({true, c.bound});
        Start(c.zip ? std::nullopt : std::optional<std::string_view>(script), 640, 480, true);
        ASSERT_TRUE(player::DecodeAheadRunning());
        player::gPlayer.screenOpen = 0;
        for (const Step& step : c.steps) {
            switch (step.op) {
                case Step::kHeld:
                    WaitHeld(static_cast<std::size_t>(step.count));
                    EXPECT_LE(Store().HeldBytes(), c.bound);
                    break;
                case Step::kLines:
                    for (int i = 0; i < step.count; ++i) player::ExecuteScriptLine();
                    break;
                case Step::kWrite: dir_.Write("data/" + step.file, step.bytes); break;
                case Step::kDecodeHere:
                    for (int i = 0; i < step.count; ++i) {
                        for (const auto& [name, bytes] : c.files) {
                            const auto size = static_cast<std::uint32_t>(bytes.size());
                            if (name == "gfx/a.png") {
                                EXPECT_NE(screen::LoadSpriteData(90, bytes.data(), size, 0), 0);
                            } else if (name == "sound/b.ogg") {
                                EXPECT_NE(sound::LoadSoundData(40, bytes.data(), size), 0);
                            }
                        }
                    }
                    break;
                case Step::kAppend: {
                    std::string text = script + std::string(step.bytes.begin(), step.bytes.end());
                    dir_.Write(step.file, text);
                    script = std::move(text);
                    break;
                }
            }
            if (HasFatalFailure()) return;
        }
        for (const auto& [slot, width] : c.widths) {
            EXPECT_EQ(screen::SpriteWidth(slot), width) << "slot " << slot;
        }
        for (int number : c.sounds) EXPECT_NE(sound::LookupSound(number), nullptr) << "sound " << number;
        if (c.taken != kAnyTaken) {
            EXPECT_EQ(Store().TakenCount(), c.taken);
        }
        // What the loaders used went back to the worker, which frees it
        // while the show goes on.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (Store().DiscardedCount() != 0) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << Store().DiscardedCount() << " results not freed";
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
};

constexpr std::size_t kOnePicture = 3 * 40 * 9 + 64;  // 40x8 decoded at 24 bits, with its spare row
constexpr std::size_t kDefault = player::kDefaultDecodeAheadBytes;

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"DecodedAhead",
         {{"gfx/a.png", Picture(30)}, {"gfx/b.bmp", MakeBmp(3, 2, 24, Bytes(18, 7))}},
         "LGFX 00 a.png\nLBMP 01 b.bmp\n",
         {Held(2), Lines(2)},
         kDefault,
         false,
         {{0, 30}, {1, 3}},
         {},
         2},
        {"SoundsDecodedAhead",
         {{"sound/a.wav", Wav(1, 22050, 16, Ramp(400))},
          {"sound/b.ogg", EncodeVorbis(2, 22050, Tones(2, 22050, 4000))}},
         "LSND 0 a.wav\nLSND 1 b.ogg\n",
         {Held(2), Lines(2)},
         kDefault,
         false,
         {},
         {0, 1},
         2},
        {"FileChangedAfterItWasReadIsDecodedAnew",
         {{"gfx/a.png", Picture(30)}},
         "LGFX 00 a.png\n",
         {Held(1), Write("gfx/a.png", Picture(31)), Lines(1)},
         kDefault,
         false,
         {{0, 31}},
         {},
         0},
        {"LineThatNeverLoadsIsDroppedAtTheNextLoadLine",
         {{"gfx/a.png", Picture(30)}, {"gfx/b.png", Picture(20)}},
         "LGFX -1 a.png\nLGFX 01 b.png\n",
         {Held(2), Lines(1), Held(2), Lines(1), Held(0)},
         kDefault,
         false,
         {{1, 20}},
         {},
         1},
        {"MissingFileFailsOnItsOwnTurn",
         {{"gfx/b.png", Picture(20)}},
         "LGFX 00 none.png\nLGFX 01 b.png\n",
         {Held(1), Lines(2)},
         kDefault,
         false,
         {{0, 0}, {1, 20}},
         {},
         1},
        {"WorkerWaitsWhileTheBoundIsReached",
         {{"gfx/a.png", Picture(40)}, {"gfx/b.png", Picture(40)}, {"gfx/c.png", Picture(40)}},
         "LGFX 00 a.png\nLGFX 01 b.png\nLGFX 02 c.png\n",
         {Held(1), Lines(1), Held(1), Lines(1), Held(1), Lines(1)},
         kOnePicture,
         false,
         {{0, 40}, {1, 40}, {2, 40}},
         {},
         3},
        {"ScriptGrowsWhileItPlays",
         {{"gfx/a.png", Picture(30)}, {"gfx/b.png", Picture(20)}, {"gfx/c.png", Picture(10)}},
         "LGFX 00 a.png\n",
         {Held(1), Lines(1), Append("LGFX 01 b.png\n"), Held(1), Lines(1), Append("LGFX 02 c.p"), Held(0),
          Append("ng\n"), Held(1), Lines(1)},
         kDefault,
         false,
         {{0, 30}, {1, 20}, {2, 10}},
         {},
         3},
        // The main thread decodes the same files while the worker does,
        // each thread on its own decoder state.
        {"MainThreadDecodesBesideTheWorker",
         {{"gfx/a.png", Picture(1024, 512)}, {"sound/b.ogg", EncodeVorbis(2, 22050, Tones(2, 22050, 40000))}},
         "LGFX 00 a.png\nLSND 0 b.ogg\nLGFX 01 a.png\nLSND 1 b.ogg\nLGFX 02 a.png\nLSND 2 b.ogg\n"
         "LGFX 03 a.png\nLSND 3 b.ogg\n",
         {DecodeHere(6), Lines(8)},
         kDefault,
         false,
         {{0, 1024}, {1, 1024}, {2, 1024}, {3, 1024}},
         {0, 1, 2, 3},
         kAnyTaken},
        {"ZipPresentation",
         {{"gfx/a.png", Picture(30)}, {"gfx/b.png", Picture(20)}},
         "LGFX 00 a.png\nLGFX 01 B.PNG\n",
         {Held(2), Lines(2)},
         kDefault,
         true,
         {{0, 30}, {1, 20}},
         {},
         2},
    };
    return cases;
}

class DecodeAheadCases : public DecodeAheadTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(DecodeAheadCases, LoadsTakeOnlyTheirOwnUnchangedFile) {
    Play(Cases()[GetParam()]);
    EXPECT_EQ(ShutdownNow(), 0);
    EXPECT_FALSE(player::DecodeAheadRunning());
    EXPECT_EQ(runtime::LivePreparedData(), 0) << "everything prepared is freed";
}

INSTANTIATE_TEST_SUITE_P(Table, DecodeAheadCases, ::testing::Range<std::size_t>(0, Cases().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& param) { return Cases()[param.param].name; });

// Whether a worker starts at all: the settings, the environment's setting
// and whether the build has threads (a web page's has none).  Without a
// worker the picture still loads, on its own turn.
TEST_F(DecodeAheadTest, StartsOnlyWhenSwitchedOnWithThreadsToRunIt) {
    struct Launch {
        const char* name;
        bool enabled;
        const char* environment;  // RODAZARO_DECODE_AHEAD, null: unset
        bool threads;
        bool running;
    };
    const Launch launches[] = {
        {"switched on", true, nullptr, true, true},
        {"bound by the environment", true, "8", true, true},
        {"off in the settings", false, nullptr, true, false},
        {"off in the environment", true, "off", true, false},
        {"zero in the environment", true, "0", true, false},
        {"no threads", true, nullptr, false, false},
        {"no threads, bound by the environment", true, "8", false, false},
    };
    dir_.Write("data/gfx/a.png", Picture(30));
    for (const Launch& launch : launches) {
        SCOPED_TRACE(launch.name);
        if (launch.environment != nullptr) {
            ::setenv("RODAZARO_DECODE_AHEAD", launch.environment, 1);
        } else {
            ::unsetenv("RODAZARO_DECODE_AHEAD");
        }
        platform::test::SetThreadsAvailable(launch.threads);
        player::SetDecodeAheadSettings({launch.enabled});
        const std::uint64_t takenBefore = player::LoadsDecodedAhead();
        Start("Title\nLGFX 00 a.png\n", 640, 480, true);
        EXPECT_EQ(player::DecodeAheadRunning(), launch.running);
        if (launch.running) WaitHeld(1);
        player::ExecuteScriptLine();
        EXPECT_EQ(screen::SpriteWidth(0), 30);
        EXPECT_EQ(player::LoadsDecodedAhead() - takenBefore, launch.running ? 1u : 0u);
        EXPECT_EQ(ShutdownNow(), 0);
        platform::test::ResetDisplay();
    }
    ::unsetenv("RODAZARO_DECODE_AHEAD");
}

}  // namespace
}  // namespace rodazaro_test
