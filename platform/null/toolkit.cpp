// No window toolkit: windows and controls cannot be created and the message
// wait has nothing to wait for.

#include "platform/toolkit.h"

namespace platform {

void InitCommonControls() {}
FontHandle GetDefaultGuiFont() { return 0; }
std::uintptr_t LoadArrowCursor() { return 0; }
std::uintptr_t LoadProgramIcon(InstanceHandle, int) { return 0; }
bool RegisterWindowClass(const WindowClassTemplate*) { return false; }
bool UnregisterWindowClass(const char*, InstanceHandle) { return false; }
void AdjustWindowRectangle(Rect*, std::uint32_t) {}
int GetScreenWidth() { return 0; }
int GetScreenHeight() { return 0; }
WindowHandle GetActiveWindow() { return 0; }
bool GetWindowRectangle(WindowHandle, Rect*) { return false; }
WindowHandle CreateWindowEx(std::uint32_t, const char*, const char*, std::uint32_t, int, int, int, int, WindowHandle,
                            std::intptr_t, InstanceHandle) {
    return 0;
}
void ShowWindow(WindowHandle, int) {}
void DestroyWindow(WindowHandle) {}
void SetWindowText(WindowHandle, const char*) {}
void UseDialogManners(WindowHandle, WindowHandle) {}
AcceleratorHandle CreateAcceleratorTable(const AcceleratorEntry*, int) { return 0; }
void DestroyAcceleratorTable(AcceleratorHandle) {}
bool TranslateAccelerator(WindowHandle, AcceleratorHandle, const Message*) { return false; }
bool GetMessage(Message* message) {
    *message = Message{};
    return false;
}
void TranslateMessage(const Message*) {}
std::intptr_t DispatchMessage(const Message*) { return 0; }
std::intptr_t DefWindowProc(WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) { return 0; }
std::intptr_t CallWindowProc(WindowProc procedure, WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) {
    return procedure == nullptr ? 0 : procedure(window, message, wParam, lParam);
}
std::intptr_t SendMessage(WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) { return 0; }
std::int16_t GetKeyState(int) { return 0; }
WindowHandle GetFocus() { return 0; }
WindowHandle SetFocus(WindowHandle) { return 0; }
int GetClassName(WindowHandle, char* buffer, int size) {
    if (buffer != nullptr && size > 0) buffer[0] = 0;
    return 0;
}
bool IsChild(WindowHandle, WindowHandle) { return false; }
void EnumChildWindows(WindowHandle, EnumChildProc, std::intptr_t) {}
bool IsWindowEnabled(WindowHandle) { return false; }
bool IsWindowVisible(WindowHandle) { return false; }
std::intptr_t GetWindowLong(WindowHandle, std::int32_t) { return 0; }
std::intptr_t SetWindowLong(WindowHandle, std::int32_t, std::intptr_t) { return 0; }

}  // namespace platform
