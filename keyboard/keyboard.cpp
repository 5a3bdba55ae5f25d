#include "keyboard/keyboard.h"

#include <cstring>

#include "keyboard/keyboard_test_support.h"
#include "platform/process.h"
#include "platform/shared_holder.h"
#include "runtime/heaps.h"
#include "screen/screen_window.h"

namespace keyboard {

namespace {

platform::SharedHolder<platform::InputSystem> gInput{};
platform::InputDevice* gDevice = nullptr;
std::int32_t gState = 0;
std::int32_t gUsed = 0;
std::uint8_t gKeys[256] = {};
platform::InputDataFormat gFormat{};

}  // namespace

platform::InputSystem* OpenDirectInput() {
    return gInput.Acquire([] { return platform::CreateInputSystem(platform::GetModuleInstance()); });
}

void ReleaseDirectInput() { gInput.Release(platform::ReleaseInputSystem); }

std::intptr_t OpenKeyboard() {
    platform::InputSystem* object = OpenDirectInput();
    gUsed = 1;
    if (object == nullptr) return 0;
    if (gState != 0) return reinterpret_cast<std::intptr_t>(object);

    auto* records = static_cast<platform::InputObjectFormat*>(
        runtime::ProgramAlloc(256 * sizeof(platform::InputObjectFormat), false));
    if (records == nullptr) return 0;
    for (std::uint32_t i = 0; i < 256; ++i) {
        records[i].guid = platform::KeyObjectGuid();
        records[i].offset = i;
        records[i].type = platform::kInputButtonType | (i << 8);
        records[i].flags = 0;
    }
    gFormat.size = 24;
    gFormat.objectSize = 16;
    gFormat.flags = platform::kInputRelativeAxes;
    gFormat.dataSize = 256;
    gFormat.objectCount = 256;
    gFormat.objects = records;

    if (platform::CreateKeyboardDevice(object, &gDevice) != platform::kOk || gDevice == nullptr) {
        gDevice = nullptr;
        return 0;
    }
    if (platform::SetInputDataFormat(gDevice, &gFormat) != platform::kOk) {
        // The state stays 0, so a later call tries again with a new device.
        platform::ReleaseInputDevice(gDevice);
        gDevice = nullptr;
        return 0;
    }
    gState = 1;
    return 1;
}

std::int32_t ReadKeyboard() {
    // Without a device nothing is touched and every key stays up.
    if (gDevice == nullptr || gState == 0) return 0;
    const platform::WindowHandle window = screen::gScreenWindow.window;
    if (gState == 1) {
        platform::SetInputCooperativeLevel(gDevice, window, platform::kInputExclusiveForeground);
        platform::AcquireInputDevice(gDevice);
        gState = 2;
    }
    if (platform::GetInputDeviceState(gDevice, sizeof gKeys, gKeys) == platform::kOk) return 1;
    // Lost or not acquired (the window is not in front): win it back for the
    // next turn; the last state read stays.
    platform::UnacquireInputDevice(gDevice);
    platform::SetInputCooperativeLevel(gDevice, 0, platform::kInputNonExclusive);
    platform::SetInputCooperativeLevel(gDevice, window, platform::kInputExclusiveForeground);
    platform::AcquireInputDevice(gDevice);
    return 0;
}

std::int32_t IsKeyDown(std::int32_t keyCode) {
    if (keyCode < 0 || keyCode > 255) return 0;
    return gKeys[keyCode] & 0x80;
}

void CloseKeyboard() {
    if (gUsed == 0) return;
    if (gDevice != nullptr) {
        platform::UnacquireInputDevice(gDevice);
        platform::SetInputCooperativeLevel(gDevice, 0, platform::kInputNonExclusive);
        platform::ReleaseInputDevice(gDevice);
        gDevice = nullptr;
    }
    ReleaseDirectInput();
}

std::int32_t KeyboardState() { return gState; }
const std::uint8_t* KeyStateArray() { return gKeys; }

}  // namespace keyboard

namespace keyboard {

void ResetKeyboardModule() {
    gInput = platform::SharedHolder<platform::InputSystem>{};
    gDevice = nullptr;
    gState = 0;
    gUsed = 0;
    std::memset(gKeys, 0, sizeof gKeys);
    gFormat = platform::InputDataFormat{};
}

}  // namespace keyboard
