// The key snapshot: one read of all 256 keys per turn, the key-down test,
// the device's states and its recovery when the screen window loses the
// foreground.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "keyboard/keyboard.h"
#include "keyboard/keyboard_test_support.h"
#include "platform/test/test_backend.h"
#include "player/player_state.h"
#include "runtime/heaps.h"
#include "screen/screen.h"

namespace rodazaro_test {
namespace {

using platform::test::InputCalls;
using Calls = std::vector<std::string>;

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::test::Reset();
        keyboard::ResetKeyboardModule();
        screen::ResetScreenModule();
        player::gPlayer = player::PlayerState{};
        ASSERT_NE(runtime::CreateProgramHeap(), nullptr);
        ASSERT_EQ(screen::CreateScreenWindow(), 1);
        window_ = std::to_string(screen::gScreenWindow.window);
        ASSERT_NE(screen::gScreenWindow.window, 0u);
    }
    void TearDown() override {
        keyboard::CloseKeyboard();
        runtime::DestroyProgramHeap();
        keyboard::ResetKeyboardModule();
        screen::ResetScreenModule();
        platform::test::Reset();
    }
    static int Count(const std::string& call) {
        return static_cast<int>(std::count(InputCalls().begin(), InputCalls().end(), call));
    }
    // Calls made since mark.
    static Calls Since(std::size_t mark) {
        return Calls(InputCalls().begin() + static_cast<long>(mark), InputCalls().end());
    }

    std::string window_;
};

// Keys the script holds down: key 1 at every read from `from` on.
platform::test::KeyScript EscapeFrom(std::uint32_t from) {
    return [from](std::uint32_t read, std::uint8_t keys[256]) {
        if (read >= from) keys[1] = 0x80;
    };
}

TEST_F(KeyboardTest, EveryKeyIsUpBeforeTheFirstRead) {
    platform::test::SetKeyScript([](std::uint32_t, std::uint8_t keys[256]) {
        for (int i = 0; i < 256; ++i) keys[i] = 0x80;
    });
    ASSERT_EQ(keyboard::OpenKeyboard(), 1);
    for (int key = 0; key < 256; ++key) EXPECT_EQ(keyboard::IsKeyDown(key), 0) << key;
    EXPECT_EQ(platform::test::KeyReads(), 0u);
    EXPECT_EQ(keyboard::ReadKeyboard(), 1);
    for (int key = 0; key < 256; ++key) EXPECT_EQ(keyboard::IsKeyDown(key), 0x80) << key;
}

TEST_F(KeyboardTest, OpenCreatesTheDeviceAndTheFirstReadBindsIt) {
    EXPECT_EQ(keyboard::KeyboardState(), 0);
    EXPECT_EQ(keyboard::OpenKeyboard(), 1);
    EXPECT_EQ(keyboard::KeyboardState(), 1);
    EXPECT_EQ(InputCalls(), (Calls{"create system", "create keyboard", "format"}));
    EXPECT_EQ(platform::test::KeyboardAcquireCount(), 0u) << "opening neither binds nor acquires";

    const std::size_t mark = InputCalls().size();
    EXPECT_EQ(keyboard::ReadKeyboard(), 1);
    EXPECT_EQ(keyboard::KeyboardState(), 2);
    EXPECT_EQ(Since(mark), (Calls{"cooperative " + window_ + " 5", "acquire", "read"}));

    // Later reads only read.
    const std::size_t second = InputCalls().size();
    EXPECT_EQ(keyboard::ReadKeyboard(), 1);
    EXPECT_EQ(Since(second), (Calls{"read"}));
}

TEST_F(KeyboardTest, OpeningTwiceMakesNoSecondDevice) {
    ASSERT_EQ(keyboard::OpenKeyboard(), 1);
    const std::intptr_t again = keyboard::OpenKeyboard();
    EXPECT_NE(again, 0);
    EXPECT_EQ(Count("create keyboard"), 1);
    EXPECT_EQ(Count("create system"), 1);
    EXPECT_EQ(keyboard::KeyboardState(), 1);
    keyboard::ReadKeyboard();
    EXPECT_NE(keyboard::OpenKeyboard(), 0);
    EXPECT_EQ(Count("create keyboard"), 1);
    EXPECT_EQ(keyboard::KeyboardState(), 2);
}

TEST_F(KeyboardTest, TheTestMasksBit7AndAnswersUpOutsideTheCodes) {
    platform::test::SetKeyScript([](std::uint32_t, std::uint8_t keys[256]) {
        keys[0] = 0x80;
        keys[5] = 0x7F;
        keys[6] = 0xFF;
        keys[7] = 0x81;
        keys[255] = 0x80;
    });
    ASSERT_EQ(keyboard::OpenKeyboard(), 1);
    ASSERT_EQ(keyboard::ReadKeyboard(), 1);
    EXPECT_EQ(keyboard::IsKeyDown(0), 0x80);
    EXPECT_EQ(keyboard::IsKeyDown(5), 0);
    EXPECT_EQ(keyboard::IsKeyDown(6), 0x80);
    EXPECT_EQ(keyboard::IsKeyDown(7), 0x80);
    EXPECT_EQ(keyboard::IsKeyDown(255), 0x80);
    EXPECT_EQ(keyboard::IsKeyDown(1), 0);
    for (std::int32_t key :
         {-1, 256, 257, 1000, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()}) {
        EXPECT_EQ(keyboard::IsKeyDown(key), 0) << key;
    }
}

TEST_F(KeyboardTest, EachReadTakesAFreshSnapshot) {
    platform::test::SetKeyScript([](std::uint32_t read, std::uint8_t keys[256]) {
        if (read == 1) keys[1] = 0x80;
        if (read >= 1) keys[30] = 0x80;
    });
    ASSERT_EQ(keyboard::OpenKeyboard(), 1);
    ASSERT_EQ(keyboard::ReadKeyboard(), 1);
    EXPECT_EQ(keyboard::IsKeyDown(1), 0);
    ASSERT_EQ(keyboard::ReadKeyboard(), 1);
    EXPECT_EQ(keyboard::IsKeyDown(1), 0x80);
    EXPECT_EQ(keyboard::IsKeyDown(30), 0x80);
    ASSERT_EQ(keyboard::ReadKeyboard(), 1);
    EXPECT_EQ(keyboard::IsKeyDown(1), 0) << "a released key reads as up at the next snapshot";
    EXPECT_EQ(keyboard::IsKeyDown(30), 0x80);
}

TEST_F(KeyboardTest, AFailedReadReacquiresAndKeepsTheLastState) {
    platform::test::SetKeyScript(EscapeFrom(0));
    ASSERT_EQ(keyboard::OpenKeyboard(), 1);
    ASSERT_EQ(keyboard::ReadKeyboard(), 1);
    ASSERT_EQ(keyboard::IsKeyDown(1), 0x80);

    // The window goes to the background; the key is released meanwhile.
    platform::test::SetKeyScript(nullptr);
    platform::test::SetKeyboardFocus(false);
    const std::uint32_t acquires = platform::test::KeyboardAcquireCount();
    for (int turn = 1; turn <= 3; ++turn) {
        const std::size_t mark = InputCalls().size();
        EXPECT_EQ(keyboard::ReadKeyboard(), 0);
        EXPECT_EQ(Since(mark),
                  (Calls{"read failed", "unacquire", "cooperative 0 2", "cooperative " + window_ + " 5", "acquire"}));
        EXPECT_EQ(platform::test::KeyboardAcquireCount(), acquires + static_cast<std::uint32_t>(turn));
        EXPECT_EQ(keyboard::IsKeyDown(1), 0x80) << "the last state read stays";
        EXPECT_EQ(keyboard::KeyboardState(), 2);
    }

    // Back in front: the re-acquire of the next failed turn succeeds, and
    // the turn after it reads again.
    platform::test::SetKeyboardFocus(true);
    EXPECT_EQ(keyboard::ReadKeyboard(), 0);
    EXPECT_EQ(keyboard::ReadKeyboard(), 1);
    EXPECT_EQ(keyboard::IsKeyDown(1), 0);
}

TEST_F(KeyboardTest, WithoutTheInputLibraryEveryKeyStaysUp) {
    platform::test::SetKeyboardAvailable(false);
    platform::test::SetKeyScript(EscapeFrom(0));
    EXPECT_EQ(keyboard::OpenKeyboard(), 0);
    EXPECT_EQ(keyboard::KeyboardState(), 0);
    for (int turn = 0; turn < 3; ++turn) {
        EXPECT_EQ(keyboard::ReadKeyboard(), 0);
        EXPECT_EQ(keyboard::IsKeyDown(1), 0);
    }
    EXPECT_EQ(platform::test::KeyReads(), 0u);
    EXPECT_EQ(InputCalls(), (Calls{"create system"})) << "nothing touches the missing device";
    keyboard::CloseKeyboard();
    EXPECT_EQ(InputCalls(), (Calls{"create system"}));
}

TEST_F(KeyboardTest, CloseReleasesTheDeviceThenTheInputObject) {
    ASSERT_EQ(keyboard::OpenKeyboard(), 1);
    keyboard::ReadKeyboard();
    const std::size_t mark = InputCalls().size();
    keyboard::CloseKeyboard();
    EXPECT_EQ(Since(mark), (Calls{"unacquire", "cooperative 0 2", "release keyboard", "release system"}));
}

TEST_F(KeyboardTest, CloseWithoutOpenDoesNothing) {
    keyboard::CloseKeyboard();
    EXPECT_TRUE(InputCalls().empty());
    EXPECT_EQ(keyboard::ReadKeyboard(), 0);
    EXPECT_TRUE(InputCalls().empty());
    // Nor does it upset the count of the input object's users: a later
    // open and close still release everything.
    ASSERT_EQ(keyboard::OpenKeyboard(), 1);
    keyboard::CloseKeyboard();
    EXPECT_EQ(Count("release keyboard"), 1);
    EXPECT_EQ(Count("release system"), 1);
}

TEST_F(KeyboardTest, TheInputObjectLivesWhileItHasUsers) {
    platform::InputSystem* first = keyboard::OpenDirectInput();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(keyboard::OpenDirectInput(), first);
    EXPECT_EQ(Count("create system"), 1);
    keyboard::ReleaseDirectInput();
    EXPECT_EQ(Count("release system"), 0);
    keyboard::ReleaseDirectInput();
    EXPECT_EQ(Count("release system"), 1);
    // A new user after the last one left creates it anew.
    EXPECT_NE(keyboard::OpenDirectInput(), nullptr);
    EXPECT_EQ(Count("create system"), 2);
    keyboard::ReleaseDirectInput();
}

}  // namespace
}  // namespace rodazaro_test
