// The SDL keyboard and screen window drivers: the key code table, the
// keyboard's focus rules, the close request, and the window messages that
// SDL's events become.

#include <SDL2/SDL.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "keyboard/keyboard_test_support.h"
#include "platform/input_device.h"
#include "platform/screen_window.h"
#include "platform/sdl/input.h"
#include "platform/sdl/test_support.h"
#include "tests/sdl/test_display_fixture.h"

namespace sdl_test {
namespace {

// --- The key code table ------------------------------------------------------

TEST(KeyTable, MapsScancodesToDirectInputKeyCodes) {
    using platform::sdl::KeyCodeFromScancode;
    // clang-format off
    const std::map<SDL_Scancode, int> expected = {
        {SDL_SCANCODE_ESCAPE, 0x01}, {SDL_SCANCODE_A, 0x1E},      {SDL_SCANCODE_RETURN, 0x1C},
        {SDL_SCANCODE_LEFT, 0xCB},   {SDL_SCANCODE_RIGHT, 0xCD},  {SDL_SCANCODE_UP, 0xC8},
        {SDL_SCANCODE_DOWN, 0xD0},   {SDL_SCANCODE_1, 0x02},      {SDL_SCANCODE_0, 0x0B},
        {SDL_SCANCODE_Q, 0x10},      {SDL_SCANCODE_P, 0x19},      {SDL_SCANCODE_L, 0x26},
        {SDL_SCANCODE_Z, 0x2C},      {SDL_SCANCODE_M, 0x32},      {SDL_SCANCODE_SPACE, 0x39},
        {SDL_SCANCODE_F1, 0x3B},     {SDL_SCANCODE_F10, 0x44},    {SDL_SCANCODE_F11, 0x57},
        {SDL_SCANCODE_F12, 0x58},    {SDL_SCANCODE_LSHIFT, 0x2A}, {SDL_SCANCODE_RSHIFT, 0x36},
        {SDL_SCANCODE_LCTRL, 0x1D},  {SDL_SCANCODE_RCTRL, 0x9D},  {SDL_SCANCODE_LALT, 0x38},
        {SDL_SCANCODE_RALT, 0xB8},   {SDL_SCANCODE_TAB, 0x0F},    {SDL_SCANCODE_BACKSPACE, 0x0E},
        {SDL_SCANCODE_KP_0, 0x52},   {SDL_SCANCODE_KP_7, 0x47},   {SDL_SCANCODE_KP_ENTER, 0x9C},
        {SDL_SCANCODE_KP_DIVIDE, 0xB5}, {SDL_SCANCODE_KP_MULTIPLY, 0x37}, {SDL_SCANCODE_KP_PERIOD, 0x53},
        {SDL_SCANCODE_HOME, 0xC7},   {SDL_SCANCODE_END, 0xCF},    {SDL_SCANCODE_PAGEUP, 0xC9},
        {SDL_SCANCODE_PAGEDOWN, 0xD1}, {SDL_SCANCODE_INSERT, 0xD2}, {SDL_SCANCODE_DELETE, 0xD3},
        {SDL_SCANCODE_CAPSLOCK, 0x3A}, {SDL_SCANCODE_NUMLOCKCLEAR, 0x45}, {SDL_SCANCODE_GRAVE, 0x29},
        {SDL_SCANCODE_LGUI, 0xDB},   {SDL_SCANCODE_APPLICATION, 0xDD}, {SDL_SCANCODE_PAUSE, 0xC5},
    };
    // clang-format on
    for (const auto& [scancode, code] : expected) {
        EXPECT_EQ(KeyCodeFromScancode(scancode), code) << SDL_GetScancodeName(scancode);
    }
    EXPECT_EQ(KeyCodeFromScancode(SDL_SCANCODE_UNKNOWN), 0);
    EXPECT_EQ(KeyCodeFromScancode(-1), 0);
    EXPECT_EQ(KeyCodeFromScancode(SDL_NUM_SCANCODES), 0);
}

TEST(KeyTable, GivesEveryKeyItsOwnCode) {
    // Two scancodes share a code only where one key has two names.
    const std::set<std::pair<int, int>> twins = {{SDL_SCANCODE_BACKSLASH, SDL_SCANCODE_NONUSHASH},
                                                 {SDL_SCANCODE_MUTE, SDL_SCANCODE_AUDIOMUTE}};
    std::map<int, int> owner;
    int mapped = 0;
    for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
        const int code = platform::sdl::KeyCodeFromScancode(scancode);
        if (code == 0) continue;
        ++mapped;
        const auto [it, fresh] = owner.emplace(code, scancode);
        if (!fresh) {
            EXPECT_TRUE(twins.count({it->second, scancode}) == 1) << "code " << code << " twice";
        }
    }
    // Letters, digits, the function and editing keys, the keypad and the modifiers at least.
    EXPECT_GE(mapped, 100);
    for (int scancode = SDL_SCANCODE_A; scancode <= SDL_SCANCODE_Z; ++scancode) {
        EXPECT_NE(platform::sdl::KeyCodeFromScancode(scancode), 0) << scancode;
    }
}

TEST(KeyTable, FillsTheKeyBytesFromSdlsKeyState) {
    std::vector<std::uint8_t> sdlKeys(SDL_NUM_SCANCODES, 0);
    sdlKeys[SDL_SCANCODE_ESCAPE] = 1;
    sdlKeys[SDL_SCANCODE_A] = 1;
    sdlKeys[SDL_SCANCODE_KP_ENTER] = 1;
    sdlKeys[SDL_SCANCODE_LANG1] = 1;  // no DirectInput code
    std::uint8_t keys[256];
    std::memset(keys, 0x55, sizeof keys);
    platform::sdl::FillKeyState(sdlKeys.data(), static_cast<int>(sdlKeys.size()), keys);
    for (int code = 0; code < 256; ++code) {
        const bool down = code == 0x01 || code == 0x1E || code == 0x9C;
        EXPECT_EQ(keys[code], down ? 0x80 : 0x00) << code;
    }
    // A short array covers only its own scancodes.
    platform::sdl::FillKeyState(sdlKeys.data(), SDL_SCANCODE_B, keys);
    EXPECT_EQ(keys[0x1E], 0x80);
    EXPECT_EQ(keys[0x01], 0x00);
}

// --- The keyboard through the program ----------------------------------------

using KeyboardTest = ScreenTest;

TEST_F(KeyboardTest, ReadsOnlyWhileTheScreenWindowHasTheFocus) {
    EXPECT_EQ(keyboard::KeyboardState(), 1);
    Open(640, 480, 32);
    EXPECT_EQ(keyboard::KeyboardState(), 2);
    EXPECT_TRUE(platform::sdl::ScreenWindowFocused());
    EXPECT_EQ(keyboard::ReadKeyboard(), 1);
    EXPECT_EQ(keyboard::IsKeyDown(keyboard::kKeyEscape), 0);

    platform::sdl::SimulateFocusLoss();
    screen::FlipBuffers();
    EXPECT_FALSE(platform::sdl::ScreenWindowFocused());
    EXPECT_EQ(keyboard::ReadKeyboard(), 0);
    EXPECT_EQ(keyboard::ReadKeyboard(), 0);

    platform::sdl::SimulateFocusGain();
    screen::FlipBuffers();
    // The failed read left the device to be won back: at most one more turn.
    int reads = 0;
    while (keyboard::ReadKeyboard() == 0 && reads < 2) ++reads;
    EXPECT_LT(reads, 2);
    EXPECT_EQ(keyboard::ReadKeyboard(), 1);
}

TEST_F(KeyboardTest, AKeyTappedBetweenTwoReadsReadsAsDownOnce) {
    Open(640, 480, 32);
    EXPECT_EQ(keyboard::ReadKeyboard(), 1);
    for (const std::uint32_t type : {SDL_KEYDOWN, SDL_KEYUP}) {
        SDL_Event event{};
        event.type = type;
        event.key.windowID = platform::sdl::ScreenWindow().windowId;
        event.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
        event.key.keysym.sym = SDLK_ESCAPE;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }
    EXPECT_EQ(keyboard::ReadKeyboard(), 1);
    EXPECT_EQ(keyboard::IsKeyDown(keyboard::kKeyEscape), 0x80);
    EXPECT_EQ(keyboard::IsKeyDown(0x1E), 0);
    EXPECT_EQ(keyboard::ReadKeyboard(), 1);
    EXPECT_EQ(keyboard::IsKeyDown(keyboard::kKeyEscape), 0);

    // A tap while the window is in the background is not seen later.
    platform::sdl::SimulateFocusLoss();
    screen::FlipBuffers();
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.scancode = SDL_SCANCODE_A;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    EXPECT_EQ(keyboard::ReadKeyboard(), 0);
    platform::sdl::SimulateFocusGain();
    screen::FlipBuffers();
    int reads = 0;
    while (keyboard::ReadKeyboard() == 0 && reads < 2) ++reads;
    EXPECT_EQ(keyboard::IsKeyDown(0x1E), 0);
}

// Escape tapped in the screen window: a key down and up, as the window system
// delivers them to the window that has the focus.
void TapEscapeInTheScreenWindow() {
    for (const std::uint32_t type : {SDL_KEYDOWN, SDL_KEYUP}) {
        SDL_Event event{};
        event.type = type;
        event.key.windowID = platform::sdl::ScreenWindow().windowId;
        event.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
        event.key.keysym.sym = SDLK_ESCAPE;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }
}

TEST_F(KeyboardTest, EscapeTappedAsTheFocusReturnsIsReadOnTheNextTurn) {
    Open(640, 480, 32);
    ASSERT_EQ(keyboard::ReadKeyboard(), 1);
    platform::sdl::SimulateFocusLoss();
    screen::FlipBuffers();
    EXPECT_EQ(keyboard::ReadKeyboard(), 0);

    // The focus comes back and Escape follows at once, before the program
    // has seen the focus come back: the turn's read still fails...
    platform::sdl::SimulateFocusGain();
    TapEscapeInTheScreenWindow();
    EXPECT_EQ(keyboard::ReadKeyboard(), 0);
    EXPECT_EQ(keyboard::IsKeyDown(keyboard::kKeyEscape), 0);
    // ...its flip sees the focus, restores the screen and wins the keyboard
    // back, and the next turn reads the tap.
    screen::FlipBuffers();
    EXPECT_EQ(screen::gScreen.active, 1);
    EXPECT_EQ(keyboard::ReadKeyboard(), 1);
    EXPECT_EQ(keyboard::IsKeyDown(keyboard::kKeyEscape), 0x80);
    EXPECT_EQ(keyboard::ReadKeyboard(), 1);
    EXPECT_EQ(keyboard::IsKeyDown(keyboard::kKeyEscape), 0);
}

TEST_F(KeyboardTest, ATapNotReadBeforeASwitchAwayIsForgotten) {
    Open(640, 480, 32);
    ASSERT_EQ(keyboard::ReadKeyboard(), 1);
    TapEscapeInTheScreenWindow();
    platform::sdl::SimulateFocusLoss();
    screen::FlipBuffers();
    EXPECT_EQ(keyboard::ReadKeyboard(), 0);
    platform::sdl::SimulateFocusGain();
    screen::FlipBuffers();
    int reads = 0;
    while (keyboard::ReadKeyboard() == 0 && reads < 2) ++reads;
    EXPECT_LT(reads, 2);
    EXPECT_EQ(keyboard::IsKeyDown(keyboard::kKeyEscape), 0);
}

TEST_F(KeyboardTest, ACloseRequestReadsAsEscape) {
    Open(640, 480, 32);
    EXPECT_EQ(keyboard::ReadKeyboard(), 1);
    EXPECT_EQ(keyboard::IsKeyDown(keyboard::kKeyEscape), 0);
    platform::sdl::SimulateCloseRequest();
    screen::FlipBuffers();
    EXPECT_TRUE(platform::sdl::CloseRequested());
    EXPECT_EQ(keyboard::ReadKeyboard(), 1);
    EXPECT_EQ(keyboard::IsKeyDown(keyboard::kKeyEscape), 0x80);
    EXPECT_EQ(keyboard::IsKeyDown(0x1E), 0);
    // Still so without the focus: the program must be able to end.
    platform::sdl::SimulateFocusLoss();
    screen::FlipBuffers();
    EXPECT_EQ(keyboard::ReadKeyboard(), 1);
    EXPECT_EQ(keyboard::IsKeyDown(keyboard::kKeyEscape), 0x80);
}

TEST_F(KeyboardTest, ACloseRequestNotYetPumpedIsSeenByTheNextRead) {
    Open(640, 480, 32);
    platform::sdl::SimulateCloseRequest();
    EXPECT_EQ(keyboard::ReadKeyboard(), 1);
    EXPECT_EQ(keyboard::IsKeyDown(keyboard::kKeyEscape), 0x80);
}

TEST_F(KeyboardTest, TheDeviceChecksItsFormatAndSize) {
    Open(640, 480, 32);
    platform::InputSystem* system = platform::CreateInputSystem(0);
    ASSERT_NE(system, nullptr);
    platform::InputDevice* device = nullptr;
    ASSERT_EQ(platform::CreateKeyboardDevice(system, &device), platform::kOk);
    std::uint8_t keys[256] = {};
    // No data format yet.
    EXPECT_NE(platform::AcquireInputDevice(device), platform::kOk);
    EXPECT_NE(platform::GetInputDeviceState(device, 256, keys), platform::kOk);
    platform::InputDataFormat wrong{24, 16, platform::kInputRelativeAxes, 128, 0, nullptr};
    EXPECT_NE(platform::SetInputDataFormat(device, &wrong), platform::kOk);
    platform::InputDataFormat format{24, 16, platform::kInputRelativeAxes, 256, 0, nullptr};
    ASSERT_EQ(platform::SetInputDataFormat(device, &format), platform::kOk);
    ASSERT_EQ(
        platform::SetInputCooperativeLevel(device, screen::gScreenWindow.window, platform::kInputExclusiveForeground),
        platform::kOk);
    // Not acquired: no state.
    EXPECT_NE(platform::GetInputDeviceState(device, 256, keys), platform::kOk);
    ASSERT_EQ(platform::AcquireInputDevice(device), platform::kOk);
    EXPECT_NE(platform::GetInputDeviceState(device, 255, keys), platform::kOk);
    EXPECT_EQ(platform::GetInputDeviceState(device, 256, keys), platform::kOk);
    // A foreground device cannot be bound to a window that is not the screen window.
    EXPECT_EQ(platform::UnacquireInputDevice(device), platform::kOk);
    EXPECT_NE(platform::SetInputCooperativeLevel(device, 12345, platform::kInputExclusiveForeground), platform::kOk);
    platform::ReleaseInputDevice(device);
    platform::ReleaseInputSystem(system);
}

// --- Window messages ---------------------------------------------------------

struct Message {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

std::vector<Message>& Received() {
    static std::vector<Message> received;
    return received;
}

std::intptr_t RecordingProc(platform::WindowHandle, std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam) {
    Received().push_back({message, wParam, lParam});
    return 0;
}

class WindowMessageTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        Received().clear();
        ASSERT_TRUE(platform::RegisterScreenWindowClass(0, RecordingProc));
        window_ = platform::CreateScreenWindow(0);
        ASSERT_NE(window_, 0u);
        while (platform::PeekAndDispatchMessage()) {
        }
        Received().clear();
    }
    void TearDown() override { platform::sdl::DestroyScreenWindow(); }

    void Push(SDL_Event event) const { ASSERT_EQ(SDL_PushEvent(&event), 1); }

    SDL_Event Key(std::uint32_t type, SDL_Scancode scancode, std::uint16_t mod = 0) const {
        SDL_Event event{};
        event.type = type;
        event.key.windowID = static_cast<std::uint32_t>(window_);
        event.key.keysym.scancode = scancode;
        event.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
        event.key.keysym.mod = mod;
        return event;
    }

    SDL_Event Button(std::uint32_t type, std::uint8_t button, std::uint8_t clicks, int x, int y) const {
        SDL_Event event{};
        event.type = type;
        event.button.windowID = static_cast<std::uint32_t>(window_);
        event.button.button = button;
        event.button.clicks = clicks;
        event.button.x = x;
        event.button.y = y;
        return event;
    }

    static std::vector<Message> PumpAll() {
        int pumped = 0;
        while (platform::PeekAndDispatchMessage() && pumped < 100) ++pumped;
        return Received();
    }

    platform::WindowHandle window_ = 0;
};

TEST_F(WindowMessageTest, KeyReleasesOfTabAndAltBecomeKeyUpMessages) {
    Push(Key(SDL_KEYUP, SDL_SCANCODE_TAB));
    Push(Key(SDL_KEYUP, SDL_SCANCODE_TAB, KMOD_LALT));
    Push(Key(SDL_KEYUP, SDL_SCANCODE_LALT));
    Push(Key(SDL_KEYUP, SDL_SCANCODE_RALT));
    Push(Key(SDL_KEYUP, SDL_SCANCODE_A));      // swallowed
    Push(Key(SDL_KEYDOWN, SDL_SCANCODE_TAB));  // swallowed
    const std::vector<Message> got = PumpAll();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].message, platform::kMsgKeyUp);
    EXPECT_EQ(got[0].wParam, platform::kVkTab);
    EXPECT_EQ(got[1].message, platform::kMsgSysKeyUp);
    EXPECT_EQ(got[1].wParam, platform::kVkTab);
    EXPECT_EQ(got[2].message, platform::kMsgSysKeyUp);
    EXPECT_EQ(got[2].wParam, platform::kVkMenu);
    EXPECT_EQ(got[3].message, platform::kMsgSysKeyUp);
    EXPECT_EQ(got[3].wParam, platform::kVkMenu);
}

std::vector<platform::ShowKey>& ShowKeysSeen() {
    static std::vector<platform::ShowKey> seen;
    return seen;
}

TEST_F(WindowMessageTest, ShowKeyPressesReachTheShowKeyHandlerAndNothingElse) {
    using platform::ShowKey;
    struct Press {
        SDL_Scancode scancode;
        std::uint16_t mod;
        bool repeat;
        bool isShowKey;
        ShowKey key;
    };
    const Press presses[] = {
        {SDL_SCANCODE_RETURN, KMOD_LALT, false, true, ShowKey::kToggleFullscreen},
        {SDL_SCANCODE_KP_ENTER, KMOD_RALT, false, true, ShowKey::kToggleFullscreen},
        {SDL_SCANCODE_RETURN, 0, false, false, {}},  // Enter alone is the presentation's
        {SDL_SCANCODE_F11, 0, false, true, ShowKey::kToggleFullscreen},
        {SDL_SCANCODE_F12, KMOD_LSHIFT, false, true, ShowKey::kSaveFrame},
        {SDL_SCANCODE_SPACE, 0, false, true, ShowKey::kPause},
        {SDL_SCANCODE_SPACE, KMOD_LSHIFT | KMOD_NUM, false, true, ShowKey::kPause},
        {SDL_SCANCODE_SPACE, KMOD_LCTRL, false, false, {}},
        {SDL_SCANCODE_PAUSE, 0, false, true, ShowKey::kPause},
        {SDL_SCANCODE_M, KMOD_CAPS, false, true, ShowKey::kMute},
        {SDL_SCANCODE_M, KMOD_LGUI, false, false, {}},
        {SDL_SCANCODE_M, 0, true, false, {}},  // a held key repeats nothing
        {SDL_SCANCODE_ESCAPE, 0, false, false, {}},
        {SDL_SCANCODE_A, 0, false, false, {}},
    };
    platform::SetShowKeyHandler([](ShowKey key) { ShowKeysSeen().push_back(key); });
    for (const Press& press : presses) {
        ShowKeysSeen().clear();
        SDL_Event event = Key(SDL_KEYDOWN, press.scancode, press.mod);
        event.key.repeat = press.repeat ? 1 : 0;
        Push(event);
        const std::vector<Message> messages = PumpAll();
        const char* name = SDL_GetScancodeName(press.scancode);
        EXPECT_TRUE(messages.empty()) << name;
        ASSERT_EQ(ShowKeysSeen().size(), press.isShowKey ? 1u : 0u) << name << " mod " << press.mod;
        if (press.isShowKey) {
            EXPECT_EQ(ShowKeysSeen()[0], press.key) << name;
        }
    }
    // Without a handler the keys go nowhere.
    platform::SetShowKeyHandler(nullptr);
    ShowKeysSeen().clear();
    Push(Key(SDL_KEYDOWN, SDL_SCANCODE_F12));
    PumpAll();
    EXPECT_TRUE(ShowKeysSeen().empty());
}

TEST_F(WindowMessageTest, MouseButtonsBecomeButtonMessages) {
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 12, 34));
    Push(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 1, 12, 34));
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 2, 5, 6));
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 1, 7, 8));
    Push(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 1, 7, 8));
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, 1, 7, 8));  // swallowed
    const std::vector<Message> got = PumpAll();
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0].message, platform::kMsgLButtonDown);
    EXPECT_EQ(got[0].lParam, 12 | (34 << 16));
    EXPECT_EQ(got[1].message, platform::kMsgLButtonUp);
    EXPECT_EQ(got[2].message, platform::kMsgLButtonDoubleClick);
    EXPECT_EQ(got[3].message, platform::kMsgRButtonDown);
    EXPECT_EQ(got[3].lParam, 7 | (8 << 16));
    EXPECT_EQ(got[4].message, platform::kMsgRButtonUp);
}

TEST_F(WindowMessageTest, FocusChangesBecomeActivationMessages) {
    platform::sdl::SimulateFocusLoss();
    platform::sdl::SimulateFocusGain();
    const std::vector<Message> got = PumpAll();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].message, platform::kMsgActivate);
    EXPECT_EQ(got[0].wParam & 0xFFFF, 0u);
    EXPECT_EQ(got[1].message, platform::kMsgActivate);
    EXPECT_NE(got[1].wParam & 0xFFFF, 0u);
    EXPECT_TRUE(platform::sdl::ScreenWindowFocused());
}

TEST_F(WindowMessageTest, EventsOfOtherWindowsAreNotDelivered) {
    SDL_Event event = Key(SDL_KEYUP, SDL_SCANCODE_TAB);
    event.key.windowID = static_cast<std::uint32_t>(window_) + 1000;
    Push(event);
    EXPECT_TRUE(PumpAll().empty());
}

TEST_F(WindowMessageTest, PumpTakesOneEventPerCallAndSaysWhenNoneIsLeft) {
    Push(Key(SDL_KEYUP, SDL_SCANCODE_TAB));
    Push(Key(SDL_KEYUP, SDL_SCANCODE_TAB));
    EXPECT_TRUE(platform::PeekAndDispatchMessage());
    EXPECT_EQ(Received().size(), 1u);
    EXPECT_TRUE(platform::PeekAndDispatchMessage());
    EXPECT_EQ(Received().size(), 2u);
    int more = 0;
    while (platform::PeekAndDispatchMessage() && more < 100) ++more;
    EXPECT_LT(more, 100);
    EXPECT_FALSE(platform::PeekAndDispatchMessage());
}

TEST_F(WindowMessageTest, TheCursorCountsLikeShowCursor) {
    EXPECT_TRUE(platform::sdl::CursorShown());
    platform::ShowMouseCursor(false);
    platform::ShowMouseCursor(false);
    EXPECT_FALSE(platform::sdl::CursorShown());
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    platform::ShowMouseCursor(true);
    EXPECT_FALSE(platform::sdl::CursorShown());
    platform::ShowMouseCursor(true);
    EXPECT_TRUE(platform::sdl::CursorShown());
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}

// --- Without video -------------------------------------------------------------

TEST(NoVideo, NothingIsCreatedWhenSdlVideoCannotStart) {
    // Every earlier test gave its use of SDL video back.
    ASSERT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    const char* saved = std::getenv("SDL_VIDEODRIVER");
    const std::string previous = saved != nullptr ? saved : "";
    setenv("SDL_VIDEODRIVER", "no-such-video-driver", 1);
    EXPECT_EQ(platform::CreateInputSystem(0), nullptr);
    EXPECT_EQ(platform::CreateDisplayDevice(), nullptr);
    EXPECT_TRUE(platform::RegisterScreenWindowClass(0, RecordingProc));
    EXPECT_EQ(platform::CreateScreenWindow(0), 0u);
    EXPECT_FALSE(platform::PeekAndDispatchMessage());
    if (previous.empty()) unsetenv("SDL_VIDEODRIVER");
    else setenv("SDL_VIDEODRIVER", previous.c_str(), 1);
    platform::sdl::DestroyScreenWindow();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
}

}  // namespace
}  // namespace sdl_test
