#include "platform/test/test_backend.h"
#include "platform/test/test_display.h"
#include "platform/test/test_sound_device.h"

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/input_device.h"
#include "platform/process.h"
#include "platform/screen_window.h"

namespace platform {

namespace {

struct PostedMessage {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

struct TestState {
    std::uint32_t ticks = 0;
    std::uint32_t sleeps = 0;
    std::function<void(std::uint32_t)> sleepHook;
    test::KeyScript keyScript;
    std::uint32_t keyReads = 0;
    bool focused = true;
    bool keyboardAvailable = true;
    std::uint32_t acquires = 0;
    bool acquired = false;
    WindowProc screenProc = nullptr;
    bool windowCreated = false;
    bool windowVisible = false;
    bool cursorVisible = true;
    std::deque<PostedMessage> messages;
    bool windowed = false;
    ShowKeyHandler showKeyHandler = nullptr;
    std::deque<ShowKey> showKeys;
    std::uint32_t emptyPumps = 0;
    std::vector<std::string> inputCalls;
    bool watchingTermination = false;
    int terminationStatus = 0;
    bool threadsAvailable = true;
};

TestState& State() {
    static TestState state;
    return state;
}

struct FakeObject {
    int tag;
};
FakeObject gInputSystem{1};
FakeObject gKeyboard{2};
int gModuleAnchor;

}  // namespace

struct InputSystem {};
struct InputDevice {};

namespace test {

void Reset() {
    State() = TestState{};
    ResetDisplay();
    ResetSoundDevice();
}
void SetTicks(std::uint32_t ticks) { State().ticks = ticks; }
void AdvanceTicks(std::uint32_t milliseconds) { State().ticks += milliseconds; }
std::uint32_t Ticks() { return State().ticks; }
std::uint32_t SleepCalls() { return State().sleeps; }
void SetSleepHook(std::function<void(std::uint32_t)> hook) { State().sleepHook = std::move(hook); }
void SetKeyScript(KeyScript script) { State().keyScript = std::move(script); }
std::uint32_t KeyReads() { return State().keyReads; }
void SetKeyboardFocus(bool focused) { State().focused = focused; }
void SetKeyboardAvailable(bool available) { State().keyboardAvailable = available; }
std::uint32_t KeyboardAcquireCount() { return State().acquires; }
const std::vector<std::string>& InputCalls() { return State().inputCalls; }
void PostScreenMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    State().messages.push_back({message, wParam, lParam});
}
void PressShowKey(ShowKey key) { State().showKeys.push_back(key); }
bool ScreenWindowWindowed() { return State().windowed; }
std::uint32_t EmptyPumps() { return State().emptyPumps; }
bool ScreenWindowVisible() { return State().windowVisible; }
bool CursorVisible() { return State().cursorVisible; }
void RequestTermination(int status) { State().terminationStatus = status; }
bool WatchingTermination() { return State().watchingTermination; }
void SetThreadsAvailable(bool available) { State().threadsAvailable = available; }

}  // namespace test

// Clock and process.
std::uint32_t GetTickCount() { return State().ticks; }

void Sleep(std::uint32_t milliseconds) {
    TestState& state = State();
    state.ticks += milliseconds;
    ++state.sleeps;
    if (state.sleepHook) state.sleepHook(milliseconds);
}

InstanceHandle GetModuleInstance() { return reinterpret_cast<InstanceHandle>(&gModuleAnchor); }

void ExitProcess(int exitCode) { throw test::ProcessExit{exitCode}; }

void WatchTerminationRequests() { State().watchingTermination = true; }

int TerminationStatus() { return State().terminationStatus; }

int TerminationWakeDescriptor() { return -1; }

bool ThreadsAvailable() { return State().threadsAvailable; }

// Keyboard.
const void* KeyObjectGuid() {
    static const unsigned char kGuid[16] = {0x20, 0x52, 0x52, 0x55};
    return kGuid;
}

InputSystem* CreateInputSystem(InstanceHandle) {
    State().inputCalls.push_back("create system");
    if (!State().keyboardAvailable) return nullptr;
    return reinterpret_cast<InputSystem*>(&gInputSystem);
}
void ReleaseInputSystem(InputSystem*) { State().inputCalls.push_back("release system"); }
Result CreateKeyboardDevice(InputSystem* system, InputDevice** device) {
    State().inputCalls.push_back("create keyboard");
    *device = system == nullptr ? nullptr : reinterpret_cast<InputDevice*>(&gKeyboard);
    return *device == nullptr ? kFail : kOk;
}
void ReleaseInputDevice(InputDevice*) {
    State().inputCalls.push_back("release keyboard");
    State().acquired = false;
}
Result SetInputDataFormat(InputDevice*, const InputDataFormat* format) {
    State().inputCalls.push_back("format");
    return format != nullptr && format->dataSize == 256 && format->objectCount == 256 ? kOk : kFail;
}
Result SetInputCooperativeLevel(InputDevice*, WindowHandle window, std::uint32_t flags) {
    State().inputCalls.push_back("cooperative " + std::to_string(window) + " " + std::to_string(flags));
    return kOk;
}
Result AcquireInputDevice(InputDevice*) {
    State().inputCalls.push_back("acquire");
    ++State().acquires;
    State().acquired = State().focused;
    return State().acquired ? kOk : kFail;
}
Result UnacquireInputDevice(InputDevice*) {
    State().inputCalls.push_back("unacquire");
    State().acquired = false;
    return kOk;
}
Result GetInputDeviceState(InputDevice*, std::uint32_t size, void* data) {
    TestState& state = State();
    if (!state.focused || !state.acquired) {
        state.inputCalls.push_back("read failed");
        state.acquired = false;
        return kFail;
    }
    state.inputCalls.push_back("read");
    std::uint8_t keys[256] = {};
    if (state.keyScript) state.keyScript(state.keyReads, keys);
    ++state.keyReads;
    std::memcpy(data, keys, size < 256 ? size : 256);
    return kOk;
}

// Screen window.
bool RegisterScreenWindowClass(InstanceHandle, WindowProc procedure) {
    State().screenProc = procedure;
    return procedure != nullptr;
}
WindowHandle CreateScreenWindow(InstanceHandle) {
    State().windowCreated = true;
    return 0x5C;
}
void SetScreenWindowTitle(WindowHandle, const char*) {}
void MoveScreenWindow(WindowHandle, int, int, int, int, bool) {}
void ShowScreenWindow(WindowHandle, int command) { State().windowVisible = command != 0; }
void ShowMouseCursor(bool show) { State().cursorVisible = show; }
void SetScreenWindowed(WindowHandle, bool windowed) { State().windowed = windowed; }
void SetShowKeyHandler(ShowKeyHandler handler) { State().showKeyHandler = handler; }

bool PeekAndDispatchMessage() {
    TestState& state = State();
    if (!state.showKeys.empty()) {
        const ShowKey key = state.showKeys.front();
        state.showKeys.pop_front();
        if (state.showKeyHandler != nullptr) state.showKeyHandler(key);
        return true;
    }
    if (state.messages.empty()) {
        ++state.emptyPumps;
        return false;
    }
    const PostedMessage message = state.messages.front();
    state.messages.pop_front();
    if (state.screenProc != nullptr) state.screenProc(0x5C, message.message, message.wParam, message.lParam);
    return true;
}

std::intptr_t DefaultWindowProc(WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) { return 0; }
void ValidateWindowPaint(WindowHandle) {}

// The memory display is always there.
bool ScreenAvailable() { return true; }

}  // namespace platform
