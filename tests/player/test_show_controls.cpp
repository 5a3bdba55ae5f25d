// The show's own controls: the pause, the volume and mute, full screen and
// window, and the names of saved frames.

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "platform/test/test_backend.h"
#include "platform/test/test_sound_device.h"
#include "player/player.h"
#include "player/player_state.h"
#include "player/show_controls.h"
#include "runtime/timing.h"
#include "support/fixtures.h"

namespace rodazaro_test {
namespace {

using platform::ShowKey;
using player::gPlayer;

class ShowControlsTest : public PlayerFixture {};

// The volume and pause calls the sound device saw, in order.
std::vector<std::string> ControlCalls() {
    std::vector<std::string> calls;
    for (const std::string& call : platform::test::SoundCalls()) {
        if (call.rfind("volume ", 0) == 0 || call == "pause" || call == "resume") calls.push_back(call);
    }
    return calls;
}

TEST_F(ShowControlsTest, APauseHoldsScriptClockMotionAndSoundAndTheWaitEndsLaterByThePause) {
    platform::test::SetTicks(1000);
    Start("Title\nSTCK\nLGFX 00 none.png\nMGFX 00 0.0010 0.0000\nWAIT 50\nQUIT\n");
    player::InstallShowControls({});
    for (int turn = 0; turn < 2; ++turn) ASSERT_TRUE(Turn());  // STCK, LGFX

    platform::test::PressShowKey(ShowKey::kPause);
    ASSERT_TRUE(Turn());  // MGFX runs; the pump of this turn's flip sees the key
    EXPECT_TRUE(player::ShowPaused());
    const std::int32_t clockPaused = player::ElapsedSinceClockStart();
    const float xPaused = gPlayer.gfxTable[0].x;
    for (int turn = 0; turn < 500; ++turn) {
        platform::test::AdvanceTicks(9);
        ASSERT_TRUE(Turn()) << "no script line runs while paused";
    }
    EXPECT_EQ(player::ElapsedSinceClockStart(), clockPaused);
    EXPECT_EQ(gPlayer.gfxTable[0].x, xPaused) << "nothing moves while paused";
    EXPECT_EQ(gPlayer.waitUntil, 0) << "the WAIT line has not run";

    platform::test::PressShowKey(ShowKey::kPause);
    ASSERT_TRUE(Turn());
    EXPECT_FALSE(player::ShowPaused());
    // 5000 ms passed; the script clock goes on from where it stood.
    EXPECT_LT(player::ElapsedSinceClockStart() - clockPaused, 10);
    ASSERT_TRUE(Turn());
    EXPECT_GT(gPlayer.gfxTable[0].x, xPaused) << "moving again";
    EXPECT_LT(gPlayer.gfxTable[0].x - xPaused, 0.01f);
    EXPECT_EQ(ControlCalls(), (std::vector<std::string>{"pause", "resume"}));
    // One millisecond a turn from here: WAIT runs next, and the wait at 50
    // ends some 45 turns on.
    const int turns = TurnsUntilExit(200);
    EXPECT_GT(turns, 40);
    EXPECT_LT(turns, 50);
}

struct KeysCase {
    const char* name;
    player::ShowOptions options;
    std::vector<ShowKey> keys;
    std::vector<std::string> soundCalls;
    bool windowed;
    bool muted;
};

TEST_F(ShowControlsTest, OptionsAndKeysReachTheSoundDeviceAndTheScreenWindow) {
    using Window = player::ShowOptions::Window;
    const KeysCase cases[] = {
        {"defaults ask nothing of the devices", {}, {}, {}, false, false},
        {"--window", {-1, Window::kWindow, 100, false, false}, {}, {}, true, false},
        {"--fullscreen", {-1, Window::kFullscreen, 100, false, false}, {}, {}, false, false},
        {"--volume 40, muted and unmuted",
         {-1, Window::kDefault, 40, false, false},
         {ShowKey::kMute, ShowKey::kMute},
         {"volume 40", "volume 0", "volume 40"},
         false,
         false},
        {"--mute, unmuted at full volume",
         {-1, Window::kDefault, 100, true, false},
         {ShowKey::kMute},
         {"volume 0", "volume 100"},
         false,
         false},
        {"--volume 0 stays silent",
         {-1, Window::kDefault, 0, false, false},
         {ShowKey::kMute},
         {"volume 0", "volume 0"},
         false,
         true},
        {"full screen to window and back",
         {},
         {ShowKey::kToggleFullscreen, ShowKey::kToggleFullscreen, ShowKey::kToggleFullscreen},
         {},
         true,
         false},
        {"--window to full screen",
         {-1, Window::kWindow, 100, false, false},
         {ShowKey::kToggleFullscreen},
         {},
         false,
         false},
        {"pause and resume in one turn", {}, {ShowKey::kPause, ShowKey::kPause}, {"pause", "resume"}, false, false},
    };
    for (const KeysCase& c : cases) {
        platform::test::Reset();
        Start("Title\n");
        player::InstallShowControls(c.options);
        for (ShowKey key : c.keys) platform::test::PressShowKey(key);
        ASSERT_TRUE(Turn()) << c.name;
        EXPECT_EQ(ControlCalls(), c.soundCalls) << c.name;
        EXPECT_EQ(platform::test::ScreenWindowWindowed(), c.windowed) << c.name;
        EXPECT_EQ(player::ShowMuted(), c.muted) << c.name;
        EXPECT_FALSE(player::ShowPaused()) << c.name;
        ShutdownNow();
    }
}

TEST(SavedFrameNames, TitleAndTimeMakeASafeNameInTheRightFolder) {
    std::tm when{};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 8;
    when.tm_hour = 3;
    when.tm_min = 15;
    when.tm_sec = 2;
    struct NameCase {
        const char* title;
        const char* expected;
    };
    const NameCase names[] = {
        {"Title", "Title-2026-12-08-031502.png"},
        {"My Show: part 1/2", "My_Show__part_1_2-2026-12-08-031502.png"},
        {"..\\..\\etc", "_._.._etc-2026-12-08-031502.png"},
        {".hidden", "_hidden-2026-12-08-031502.png"},
        {"v1.2_final-cut", "v1.2_final-cut-2026-12-08-031502.png"},
        {"", "RodaZaro-2026-12-08-031502.png"},
        {nullptr, "RodaZaro-2026-12-08-031502.png"},
        {"caf\xE9 *?<>|\"", "caf________-2026-12-08-031502.png"},
        {"0123456789012345678901234567890123456789012345678901234567890123456789",
         "0123456789012345678901234567890123456789012345678901234567890123-2026-12-08-031502.png"},
    };
    for (const NameCase& c : names) {
        EXPECT_EQ(player::FrameFileName(c.title, when), c.expected) << (c.title == nullptr ? "null" : c.title);
    }
    struct FolderCase {
        const char* pictures;
        const char* home;
        const char* expected;
    };
    const FolderCase folders[] = {
        {"/data/pics", "/home/ana", "/data/pics/RodaZaro"},
        {"", "/home/ana", "/home/ana/Pictures/RodaZaro"},
        {nullptr, "/home/ana", "/home/ana/Pictures/RodaZaro"},
        {nullptr, nullptr, ""},
        {"", "", ""},
    };
    for (const FolderCase& c : folders) {
        EXPECT_EQ(player::FrameFolder(c.pictures, c.home), c.expected) << (c.home == nullptr ? "null" : c.home);
    }
}

}  // namespace
}  // namespace rodazaro_test
