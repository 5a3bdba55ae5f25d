// No keyboard device and no screen window.

#include "platform/input_device.h"
#include "platform/screen_window.h"

namespace platform {

const void* KeyObjectGuid() {
    static const unsigned char kGuid[16] = {};
    return kGuid;
}
InputSystem* CreateInputSystem(InstanceHandle) { return nullptr; }
void ReleaseInputSystem(InputSystem*) {}
Result CreateKeyboardDevice(InputSystem*, InputDevice** device) {
    *device = nullptr;
    return kFail;
}
void ReleaseInputDevice(InputDevice*) {}
Result SetInputDataFormat(InputDevice*, const InputDataFormat*) { return kFail; }
Result SetInputCooperativeLevel(InputDevice*, WindowHandle, std::uint32_t) { return kFail; }
Result AcquireInputDevice(InputDevice*) { return kFail; }
Result UnacquireInputDevice(InputDevice*) { return kFail; }
Result GetInputDeviceState(InputDevice*, std::uint32_t, void*) { return kFail; }

bool RegisterScreenWindowClass(InstanceHandle, WindowProc) { return false; }
WindowHandle CreateScreenWindow(InstanceHandle) { return 0; }
void SetScreenWindowTitle(WindowHandle, const char*) {}
void MoveScreenWindow(WindowHandle, int, int, int, int, bool) {}
void ShowScreenWindow(WindowHandle, int) {}
void ShowMouseCursor(bool) {}
void SetScreenWindowed(WindowHandle, bool) {}
void SetShowKeyHandler(ShowKeyHandler) {}
bool PeekAndDispatchMessage() { return false; }
std::intptr_t DefaultWindowProc(WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) { return 0; }
void ValidateWindowPaint(WindowHandle) {}

bool ScreenAvailable() { return false; }

}  // namespace platform
