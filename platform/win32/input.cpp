// The keyboard through DirectInput 7 ("DINPUT.DLL", loaded by name), the
// screen window of USER32 and its message pump.

#define DIRECTINPUT_VERSION 0x0700
#include "platform/win32/common.h"

#include <dinput.h>

#include <cstddef>
#include <type_traits>

#include "platform/input_device.h"
#include "platform/screen_window.h"
#include "platform/shared_holder.h"

namespace platform {

// The seam's records are the system's own.
static_assert(sizeof(InputObjectFormat) == sizeof(DIOBJECTDATAFORMAT));
static_assert(offsetof(InputObjectFormat, guid) == offsetof(DIOBJECTDATAFORMAT, pguid));
static_assert(offsetof(InputObjectFormat, offset) == offsetof(DIOBJECTDATAFORMAT, dwOfs));
static_assert(offsetof(InputObjectFormat, type) == offsetof(DIOBJECTDATAFORMAT, dwType));
static_assert(offsetof(InputObjectFormat, flags) == offsetof(DIOBJECTDATAFORMAT, dwFlags));
// The core fills the data format with the sizes of the 32-bit records.
static_assert(sizeof(DIOBJECTDATAFORMAT) == 16 && sizeof(DIDATAFORMAT) == 24);
static_assert(kInputExclusiveForeground == (DISCL_EXCLUSIVE | DISCL_FOREGROUND));
static_assert(kInputNonExclusive == DISCL_NONEXCLUSIVE);
static_assert(kInputRelativeAxes == DIDF_RELAXIS);
static_assert(kInputButtonType == (DIDFT_BUTTON | DIDFT_OPTIONAL));
static_assert(kShowHide == SW_HIDE && kShowMaximize == SW_MAXIMIZE);

namespace {

using DirectInputCreateExProc = HRESULT(WINAPI*)(HINSTANCE, DWORD, REFIID, LPVOID*, LPUNKNOWN);

// The library stays loaded while any object made from it lives: each
// object is one user of it.
SharedHolder<std::remove_pointer_t<HMODULE>> gInputLibrary;

IDirectInput7A* NativeSystem(InputSystem* system) { return reinterpret_cast<IDirectInput7A*>(system); }
IDirectInputDevice7A* NativeDevice(InputDevice* device) { return reinterpret_cast<IDirectInputDevice7A*>(device); }
HWND NativeWindow(WindowHandle window) { return reinterpret_cast<HWND>(window); }

}  // namespace

// Keyboard.

const void* KeyObjectGuid() { return &GUID_Key; }

InputSystem* CreateInputSystem(InstanceHandle instance) {
    HMODULE library = gInputLibrary.Acquire([] { return ::LoadLibraryA("DINPUT.DLL"); });
    IDirectInput7A* object = nullptr;
    if (library != nullptr) {
        const auto create = reinterpret_cast<DirectInputCreateExProc>(
            reinterpret_cast<void*>(::GetProcAddress(library, "DirectInputCreateEx")));
        if (create != nullptr) {
            create(reinterpret_cast<HINSTANCE>(instance), 0x0700, IID_IDirectInput7A,
                   reinterpret_cast<LPVOID*>(&object), nullptr);
        }
    }
    if (object == nullptr) {
        gInputLibrary.Release(::FreeLibrary);
        return nullptr;
    }
    return reinterpret_cast<InputSystem*>(object);
}

void ReleaseInputSystem(InputSystem* system) {
    if (system == nullptr) return;
    NativeSystem(system)->Release();
    if (gInputLibrary.users() > 0) gInputLibrary.Release(::FreeLibrary);
}

Result CreateKeyboardDevice(InputSystem* system, InputDevice** device) {
    if (device == nullptr) return kFail;
    *device = nullptr;
    if (system == nullptr) return kFail;
    IDirectInputDevice7A* keyboard = nullptr;
    const HRESULT result = NativeSystem(system)->CreateDeviceEx(GUID_SysKeyboard, IID_IDirectInputDevice7A,
                                                                reinterpret_cast<LPVOID*>(&keyboard), nullptr);
    *device = reinterpret_cast<InputDevice*>(keyboard);
    return static_cast<Result>(result);
}

void ReleaseInputDevice(InputDevice* device) {
    if (device != nullptr) NativeDevice(device)->Release();
}

Result SetInputDataFormat(InputDevice* device, const InputDataFormat* format) {
    if (device == nullptr || format == nullptr) return kFail;
    DIDATAFORMAT native{};
    native.dwSize = format->size;
    native.dwObjSize = format->objectSize;
    native.dwFlags = format->flags;
    native.dwDataSize = format->dataSize;
    native.dwNumObjs = format->objectCount;
    native.rgodf = reinterpret_cast<LPDIOBJECTDATAFORMAT>(format->objects);
    return static_cast<Result>(NativeDevice(device)->SetDataFormat(&native));
}

Result SetInputCooperativeLevel(InputDevice* device, WindowHandle window, std::uint32_t flags) {
    if (device == nullptr) return kFail;
    return static_cast<Result>(NativeDevice(device)->SetCooperativeLevel(NativeWindow(window), flags));
}

Result AcquireInputDevice(InputDevice* device) {
    if (device == nullptr) return kFail;
    return static_cast<Result>(NativeDevice(device)->Acquire());
}

Result UnacquireInputDevice(InputDevice* device) {
    if (device == nullptr) return kFail;
    return static_cast<Result>(NativeDevice(device)->Unacquire());
}

Result GetInputDeviceState(InputDevice* device, std::uint32_t size, void* state) {
    if (device == nullptr || state == nullptr) return kFail;
    return static_cast<Result>(NativeDevice(device)->GetDeviceState(size, state));
}

// Screen window.

namespace {

constexpr const char* kScreenClassName = "MultimediaBase Class";
WindowProc gScreenProcedure = nullptr;

LRESULT CALLBACK ScreenWindowBridge(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (gScreenProcedure == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
    return static_cast<LRESULT>(gScreenProcedure(reinterpret_cast<WindowHandle>(window), message,
                                                 static_cast<std::uintptr_t>(wParam),
                                                 static_cast<std::intptr_t>(lParam)));
}

}  // namespace

bool RegisterScreenWindowClass(InstanceHandle instance, WindowProc procedure) {
    const HINSTANCE module = reinterpret_cast<HINSTANCE>(instance);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(WNDCLASSEXA);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = ScreenWindowBridge;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = module;
    windowClass.hIcon = ::LoadIconA(module, MAKEINTRESOURCEA(1));
    windowClass.hCursor = nullptr;
    windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = kScreenClassName;
    windowClass.hIconSm = nullptr;
    gScreenProcedure = procedure;
    return ::RegisterClassExA(&windowClass) != 0;
}

WindowHandle CreateScreenWindow(InstanceHandle instance) {
    const HWND window = ::CreateWindowExA(0, kScreenClassName, "", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 1, 1,
                                          nullptr, nullptr, reinterpret_cast<HINSTANCE>(instance), nullptr);
    return reinterpret_cast<WindowHandle>(window);
}

void SetScreenWindowTitle(WindowHandle window, const char* title) {
    ::SetWindowTextA(NativeWindow(window), title == nullptr ? "" : title);
}

void MoveScreenWindow(WindowHandle window, int x, int y, int width, int height, bool repaint) {
    ::MoveWindow(NativeWindow(window), x, y, width, height, repaint ? TRUE : FALSE);
}

void ShowScreenWindow(WindowHandle window, int command) { ::ShowWindow(NativeWindow(window), command); }

void ShowMouseCursor(bool show) { ::ShowCursor(show ? TRUE : FALSE); }

// The Windows program always plays in DirectDraw's exclusive full screen and
// has no show keys: a windowed request keeps the full screen, and the
// handler is never called.
void SetScreenWindowed(WindowHandle, bool) {}
void SetShowKeyHandler(ShowKeyHandler) {}

bool PeekAndDispatchMessage() {
    MSG message{};
    if (!::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return false;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
    return true;
}

std::intptr_t DefaultWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
    return static_cast<std::intptr_t>(
        ::DefWindowProcA(NativeWindow(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

void ValidateWindowPaint(WindowHandle window) {
    PAINTSTRUCT paint{};
    ::BeginPaint(NativeWindow(window), &paint);
    ::EndPaint(NativeWindow(window), &paint);
}

// A Windows session always has its desktop.
bool ScreenAvailable() { return true; }

}  // namespace platform
