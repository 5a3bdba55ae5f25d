// Start-up, the main loop's turn, the script clock and the end of the
// program, on the test backend's driven clock and scripted keys.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/test/test_backend.h"
#include "platform/test/test_display.h"
#include "player/player.h"
#include "player/player_state.h"
#include "runtime/heaps.h"
#include "runtime/strings.h"
#include "runtime/text_files.h"
#include "support/fixtures.h"

namespace rodazaro_test {
namespace {

using player::gPlayer;

class MainLoopTest : public PlayerFixture {
protected:
    void AppendToScript(std::string_view bytes) {
        std::ofstream out(dir_.File("data/vuze.kel"), std::ios::binary | std::ios::app);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
};

TEST_F(MainLoopTest, StartUpReadsTheTitleAndBuildsTheGfxTable) {
    platform::test::SetTicks(5000);
    Start("My Show\r\nQUIT\r\n");
    ASSERT_NE(gPlayer.programTitle, nullptr);
    EXPECT_STREQ(gPlayer.programTitle, "My Show");
    EXPECT_NE(runtime::CurrentFile(), 0u);
    EXPECT_EQ(gPlayer.lastFrameTick, 0u);
    EXPECT_EQ(gPlayer.clockStart, 0u);
    EXPECT_EQ(gPlayer.waitUntil, 0);
    EXPECT_EQ(runtime::TemporaryTop(), runtime::TemporaryAreaStart());

    ASSERT_NE(gPlayer.gfxTable, nullptr);
    const runtime::StructArrayHeader* header = runtime::StructArrayHeaderOf(gPlayer.gfxTable);
    EXPECT_EQ(header->upperIndex, 100);
    EXPECT_EQ(header->elementSize, sizeof(player::GfxSlot));
    EXPECT_EQ(header->typeCode, 7);
    EXPECT_EQ(header->owner, reinterpret_cast<void**>(&gPlayer.gfxTable));
    const auto* bytes = reinterpret_cast<const unsigned char*>(gPlayer.gfxTable);
    for (std::size_t i = 0; i < 101 * sizeof(player::GfxSlot); ++i) ASSERT_EQ(bytes[i], 0) << i;
}

TEST_F(MainLoopTest, TheTitleLineIsNeverACommand) {
    Start("QUIT\nXXXX\nQUIT\n");
    EXPECT_STREQ(gPlayer.programTitle, "QUIT");
    EXPECT_TRUE(Turn());
    EXPECT_FALSE(Turn());
}

TEST_F(MainLoopTest, QuitOnLineTwoEndsBeforeAnyFrame) {
    Start("Title\nQUIT\n", 640, 480, true);
    const int flipsBefore = platform::test::FlipCount();
    const std::uint32_t pumpsBefore = platform::test::EmptyPumps();
    EXPECT_FALSE(Turn());
    EXPECT_EQ(platform::test::EmptyPumps(), pumpsBefore) << "no frame was flipped";
    EXPECT_EQ(platform::test::FlipCount(), flipsBefore);
    EXPECT_EQ(platform::test::SleepCalls(), 0u) << "no pause either";
}

TEST_F(MainLoopTest, EveryTurnDrawsOneFrameAndPausesOneMillisecond) {
    platform::test::SetTicks(100);
    Start("Title\nNOPE\n\nQUIT\n", 640, 480, true);
    EXPECT_TRUE(Turn());
    EXPECT_EQ(platform::test::EmptyPumps(), 1u);
    EXPECT_EQ(platform::test::FlipCount(), 1);
    EXPECT_EQ(platform::test::SleepCalls(), 1u);
    EXPECT_EQ(platform::test::Ticks(), 101u);
    EXPECT_TRUE(Turn());  // the empty line takes its own turn
    EXPECT_EQ(platform::test::EmptyPumps(), 2u);
    EXPECT_FALSE(Turn());
    EXPECT_EQ(platform::test::EmptyPumps(), 2u);
}

TEST_F(MainLoopTest, WithoutAnOpenScreenNoFrameIsMade) {
    Start("Title\nNOPE\n");
    gPlayer.screenOpen = 0;
    gPlayer.lastFrameTick = 77;
    EXPECT_TRUE(Turn());
    EXPECT_EQ(platform::test::EmptyPumps(), 0u);
    EXPECT_EQ(gPlayer.lastFrameTick, 77u) << "no motion update without the screen";
    EXPECT_EQ(platform::test::SleepCalls(), 1u);
}

TEST_F(MainLoopTest, EscapeEndsTheLoopAfterTheTurnThatSawIt) {
    Start("Title\n");
    platform::test::SetKeyScript([](std::uint32_t read, std::uint8_t keys[256]) {
        if (read == 2) keys[1] = 0x80;
    });
    EXPECT_EQ(RunMainLoop(1000), 3);
    EXPECT_EQ(platform::test::EmptyPumps(), 3u) << "the Escape turn still drew its frame";
    EXPECT_EQ(platform::test::KeyReads(), 3u);
}

TEST_F(MainLoopTest, EscapeIsTestedInTheSnapshotFromTheStartOfTheTurn) {
    Start("Title\n");
    // The key goes down during the first pause, after that turn's snapshot:
    // only the next turn's snapshot sees it.
    bool down = false;
    platform::test::SetKeyScript([&down](std::uint32_t, std::uint8_t keys[256]) {
        if (down) keys[1] = 0x80;
    });
    EXPECT_EQ(RunMainLoop(1000,
                          [&down](int pause) {
                              if (pause == 1) down = true;
                          }),
              2);
}

TEST_F(MainLoopTest, ARequestFromOutsideEndsTheShowThroughShutdownWithItsStatus) {
    Start("Title\n", 640, 480, true);
    EXPECT_TRUE(platform::test::WatchingTermination()) << "start-up watches for signals";
    // The request comes during the third pause: that turn ends the loop, as
    // Escape would, and the exit carries the status.
    ExpectExitCode(143);
    EXPECT_EQ(RunMainLoop(50,
                          [](int pause) {
                              if (pause == 3) platform::test::RequestTermination(143);
                          }),
              3);
    EXPECT_EQ(platform::test::FlipCount(), 3) << "the last turn still drew its frame";
    EXPECT_EQ(gPlayer.programHeap, nullptr) << "the normal shutdown ran";
}

TEST_F(MainLoopTest, OtherKeysDoNotEndTheLoop) {
    Start("Title\n");
    platform::test::SetKeyScript([](std::uint32_t, std::uint8_t keys[256]) {
        for (int i = 0; i < 256; ++i) keys[i] = (i == 1) ? 0x7F : 0x80;
    });
    EXPECT_EQ(RunMainLoop(200), -1);
    EXPECT_TRUE(Running());
}

TEST_F(MainLoopTest, AfterTheLastLineTheLoopGoesOnReadingOneLinePerTurn) {
    Start("Title\nSTCK");
    for (int turn = 0; turn < 500; ++turn) ASSERT_TRUE(Turn());
    EXPECT_EQ(runtime::TemporaryTop(), runtime::TemporaryAreaStart()) << "the empty reads give the area back";
    EXPECT_EQ(platform::test::EmptyPumps(), 500u);
    // Every turn still reads at the file's end: a line that appears there
    // runs in the next turn.
    AppendToScript("\nQUIT\n");
    EXPECT_TRUE(Turn());  // the empty line that the LF ends
    EXPECT_FALSE(Turn());
}

TEST_F(MainLoopTest, AMissingScriptRunsEmptyUntilEscape) {
    Start(std::nullopt);
    ASSERT_NE(gPlayer.programTitle, nullptr);
    EXPECT_STREQ(gPlayer.programTitle, "");
    EXPECT_EQ(runtime::CurrentFile(), 0u);
    for (int turn = 0; turn < 100; ++turn) ASSERT_TRUE(Turn());
    EXPECT_EQ(gPlayer.waitUntil, 0);
    platform::test::SetKeyScript([](std::uint32_t read, std::uint8_t keys[256]) { keys[1] = read >= 102 ? 0x80 : 0; });
    EXPECT_EQ(RunMainLoop(1000), 3);
}

TEST_F(MainLoopTest, TheFirstFrameDeltaIsTheWholeTimeSinceThePlatformStarted) {
    platform::test::SetTicks(123456);
    Start("Title\n");
    EXPECT_EQ(player::TakeFrameDelta(), 123456);
    EXPECT_EQ(gPlayer.lastFrameTick, 123456u);
    platform::test::AdvanceTicks(40);
    EXPECT_EQ(player::TakeFrameDelta(), 40);
    EXPECT_EQ(player::TakeFrameDelta(), 0);
}

TEST_F(MainLoopTest, AVelocityFromTheFirstLinesMovesByTheWholeTick) {
    platform::test::SetTicks(1000);
    Start("Title\nLGFX 00 none.png\nMGFX 00 1.0000 -.5000\n");
    gPlayer.screenOpen = 0;
    ASSERT_TRUE(Turn());  // loads (nothing there) and marks slot 0
    gPlayer.screenOpen = 1;
    ASSERT_TRUE(Turn());  // sets the velocity, then the first motion update
    EXPECT_EQ(gPlayer.gfxTable[0].x, 1001.0f);
    EXPECT_EQ(gPlayer.gfxTable[0].y, -500.5f);
    EXPECT_EQ(gPlayer.lastFrameTick, 1001u);
}

TEST_F(MainLoopTest, StckRestartsTheFrameClock) {
    platform::test::SetTicks(50);
    Start("Title\nLGFX 00 none.png\nMGFX 00 0.5000 0.0000\nSTCK\n");
    ASSERT_TRUE(Turn());
    EXPECT_EQ(gPlayer.gfxTable[0].x, 0.0f);
    ASSERT_TRUE(Turn());
    EXPECT_EQ(gPlayer.gfxTable[0].x, 0.5f);  // one tick since the last frame
    platform::test::AdvanceTicks(9);
    ASSERT_TRUE(Turn());  // STCK: this turn's delta is 0
    EXPECT_EQ(gPlayer.gfxTable[0].x, 0.5f);
    EXPECT_EQ(gPlayer.clockStart, 61u);
    EXPECT_EQ(gPlayer.lastFrameTick, 61u);
    ASSERT_TRUE(Turn());
    EXPECT_EQ(gPlayer.gfxTable[0].x, 1.0f);
}

TEST_F(MainLoopTest, WaitBeforeAnyStckUsesTheRawTick) {
    platform::test::SetTicks(10000);
    Start("Title\nWAIT 3000\nQUIT\n");
    ASSERT_TRUE(Turn());
    EXPECT_EQ(gPlayer.waitUntil, 3000);
    ASSERT_TRUE(Turn());  // the clock is past 3000 already: the wait ends
    EXPECT_EQ(gPlayer.waitUntil, 0);
    EXPECT_FALSE(Turn());  // the next line runs one turn later
}

TEST_F(MainLoopTest, AWaitHoldsTheScriptUntilTheClockReachesIt) {
    platform::test::SetTicks(10000);
    Start("Title\nWAIT 20000\nQUIT\n");
    // Turn k runs at tick 10000 + k - 1; the wait ends in turn 10001, the
    // next line runs in turn 10002.
    EXPECT_EQ(TurnsUntilExit(20000), 10002);
}

TEST_F(MainLoopTest, WaitZeroAndAMissingTimeSetNoWait) {
    Start("Title\nWAIT 0\nWAIT\nWAIT    x\nQUIT\n");
    for (int turn = 0; turn < 3; ++turn) {
        ASSERT_TRUE(Turn());
        EXPECT_EQ(gPlayer.waitUntil, 0);
    }
    EXPECT_FALSE(Turn());
}

TEST_F(MainLoopTest, ANegativeWaitEndsInTheNextTurn) {
    platform::test::SetTicks(300);
    Start("Title\nSTCK\nWAIT -5\nQUIT\n");
    ASSERT_TRUE(Turn());
    ASSERT_TRUE(Turn());
    EXPECT_EQ(gPlayer.waitUntil, -5);
    ASSERT_TRUE(Turn());
    EXPECT_EQ(gPlayer.waitUntil, 0);
    EXPECT_FALSE(Turn());
}

TEST_F(MainLoopTest, WforWaitsRelativeToTheScriptClock) {
    platform::test::SetTicks(777);
    Start("Title\nSTCK\nWFOR 100\nQUIT\n");
    ASSERT_TRUE(Turn());  // STCK at 777
    ASSERT_TRUE(Turn());  // WFOR at script clock 1
    EXPECT_EQ(gPlayer.waitUntil, 101);
    // Turn k (from 3 on) sees the script clock at k - 1: the wait ends in
    // turn 102 and QUIT runs in turn 103.
    EXPECT_EQ(TurnsUntilExit(1000), 101);
}

TEST_F(MainLoopTest, WforAcrossTheTickWrap) {
    platform::test::SetTicks(0xFFFFFF00u);
    Start("Title\nSTCK\nWFOR 1000\nQUIT\n");
    EXPECT_EQ(TurnsUntilExit(5000), 1003);
    EXPECT_LT(platform::test::Ticks(), 0xFFFFFF00u);
}

TEST_F(MainLoopTest, WforWithoutANumberWaitsForTheCurrentClock) {
    platform::test::SetTicks(40);
    Start("Title\nSTCK\nWFOR\nQUIT\n");
    ASSERT_TRUE(Turn());
    ASSERT_TRUE(Turn());
    EXPECT_EQ(gPlayer.waitUntil, 1);
    ASSERT_TRUE(Turn());
    EXPECT_EQ(gPlayer.waitUntil, 0);
    EXPECT_FALSE(Turn());
}

TEST_F(MainLoopTest, WforWithoutANumberAtClockZeroSetsNoWait) {
    platform::test::SetTicks(40);
    Start("Title\nSTCK\nWFOR\nQUIT\n");
    ASSERT_TRUE(Turn());
    platform::test::SetTicks(gPlayer.clockStart);  // the script clock reads 0
    ASSERT_TRUE(Turn());
    EXPECT_EQ(gPlayer.waitUntil, 0);
    EXPECT_FALSE(Turn());
}

TEST_F(MainLoopTest, ShutdownEndsWithExitCodeZero) {
    Start("Title\n");
    const int before = OpenDescriptorCount();
    EXPECT_EQ(ShutdownNow(), 0);
    EXPECT_EQ(runtime::ProgramHeap(), nullptr);
    EXPECT_EQ(runtime::ObjectHeap(), nullptr);
    EXPECT_EQ(gPlayer.gfxTable, nullptr);
    if (before >= 0) {
        EXPECT_EQ(OpenDescriptorCount(), before - 1) << "the script file is closed";
    }
}

}  // namespace
}  // namespace rodazaro_test
