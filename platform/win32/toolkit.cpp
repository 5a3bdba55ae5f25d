// The window toolkit on USER32, GDI32 and COMCTL32: every call passes
// through to the system.  The core's window procedures reach the system
// through the bridges of common.cpp.

#include "platform/win32/common.h"

#include <commctrl.h>

#include <cstddef>

#include "platform/process.h"
#include "platform/toolkit.h"

namespace platform {

static_assert(sizeof(AcceleratorEntry) == sizeof(ACCEL));
static_assert(offsetof(AcceleratorEntry, flags) == offsetof(ACCEL, fVirt));
static_assert(offsetof(AcceleratorEntry, key) == offsetof(ACCEL, key));
static_assert(offsetof(AcceleratorEntry, command) == offsetof(ACCEL, cmd));
static_assert(kWindowLongProc == GWL_WNDPROC && kWindowLongId == GWL_ID && kWindowLongStyle == GWL_STYLE);
static_assert(kStyleCaption == WS_CAPTION && kStyleSysMenu == WS_SYSMENU && kStyleVisible == WS_VISIBLE);
static_assert(kStyleMaximize == WS_MAXIMIZE && kStyleTabStop == WS_TABSTOP);

namespace {

HWND Native(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle Handle(HWND window) { return reinterpret_cast<WindowHandle>(window); }

// The message that the last GetMessage took, with its time and position,
// so that a message handed back is translated and dispatched whole.
MSG gLastMessage{};

MSG ToNative(const Message* message) {
    if (message == nullptr) return MSG{};
    if (Handle(gLastMessage.hwnd) == message->window && gLastMessage.message == message->message &&
        static_cast<std::uintptr_t>(gLastMessage.wParam) == message->wParam &&
        static_cast<std::intptr_t>(gLastMessage.lParam) == message->lParam) {
        return gLastMessage;
    }
    MSG native{};
    native.hwnd = Native(message->window);
    native.message = message->message;
    native.wParam = static_cast<WPARAM>(message->wParam);
    native.lParam = static_cast<LPARAM>(message->lParam);
    native.time = ::GetMessageTime();
    const DWORD position = ::GetMessagePos();
    native.pt.x = static_cast<short>(LOWORD(position));
    native.pt.y = static_cast<short>(HIWORD(position));
    return native;
}

struct EnumContext {
    EnumChildProc procedure;
    std::intptr_t context;
};

BOOL CALLBACK EnumChildBridge(HWND child, LPARAM lParam) {
    const auto* context = reinterpret_cast<const EnumContext*>(lParam);
    return context->procedure(Handle(child), context->context) ? TRUE : FALSE;
}

}  // namespace

void InitCommonControls() { ::InitCommonControls(); }

FontHandle GetDefaultGuiFont() { return reinterpret_cast<FontHandle>(::GetStockObject(DEFAULT_GUI_FONT)); }

std::uintptr_t LoadArrowCursor() {
    return reinterpret_cast<std::uintptr_t>(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));
}

std::uintptr_t LoadProgramIcon(InstanceHandle instance, int resource) {
    return reinterpret_cast<std::uintptr_t>(
        ::LoadIconA(reinterpret_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(resource)));
}

bool RegisterWindowClass(const WindowClassTemplate* tmpl) {
    if (tmpl == nullptr || tmpl->className == nullptr) return false;
    WNDCLASSA windowClass{};
    windowClass.style = tmpl->style;
    windowClass.lpfnWndProc = win32::ClassProcedureBridge;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = reinterpret_cast<HINSTANCE>(tmpl->instance);
    windowClass.hIcon = reinterpret_cast<HICON>(tmpl->icon);
    windowClass.hCursor = reinterpret_cast<HCURSOR>(tmpl->cursor);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(tmpl->background);
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = tmpl->className;
    const ATOM atom = ::RegisterClassA(&windowClass);
    if (atom == 0) return false;
    win32::RememberClassProcedure(atom, tmpl->procedure);
    return true;
}

bool UnregisterWindowClass(const char* className, InstanceHandle instance) {
    if (className == nullptr) return false;
    return ::UnregisterClassA(className, reinterpret_cast<HINSTANCE>(instance)) != FALSE;
}

void AdjustWindowRectangle(Rect* rect, std::uint32_t style) {
    if (rect == nullptr) return;
    RECT native{rect->left, rect->top, rect->right, rect->bottom};
    if (!::AdjustWindowRect(&native, style, FALSE)) return;
    *rect = Rect{native.left, native.top, native.right, native.bottom};
}

int GetScreenWidth() { return ::GetSystemMetrics(SM_CXSCREEN); }

int GetScreenHeight() { return ::GetSystemMetrics(SM_CYSCREEN); }

WindowHandle GetActiveWindow() { return Handle(::GetActiveWindow()); }

bool GetWindowRectangle(WindowHandle window, Rect* rect) {
    if (rect == nullptr) return false;
    RECT native{};
    if (!::GetWindowRect(Native(window), &native)) return false;
    *rect = Rect{native.left, native.top, native.right, native.bottom};
    return true;
}

WindowHandle CreateWindowEx(std::uint32_t exStyle, const char* className, const char* text, std::uint32_t style, int x,
                            int y, int width, int height, WindowHandle parent, std::intptr_t id,
                            InstanceHandle instance) {
    return Handle(::CreateWindowExA(exStyle, className, text, style, x, y, width, height, Native(parent),
                                    reinterpret_cast<HMENU>(id), reinterpret_cast<HINSTANCE>(instance), nullptr));
}

void ShowWindow(WindowHandle window, int command) { ::ShowWindow(Native(window), command); }

void DestroyWindow(WindowHandle window) {
    if (window != 0) ::DestroyWindow(Native(window));
}

void SetWindowText(WindowHandle window, const char* text) { ::SetWindowTextA(Native(window), text); }

// USER32's windows keep the sizes they were made with and their own keys.
void UseDialogManners(WindowHandle, WindowHandle) {}

AcceleratorHandle CreateAcceleratorTable(const AcceleratorEntry* entries, int count) {
    if (entries == nullptr || count <= 0) return 0;
    // The system copies the entries and does not write them.
    return reinterpret_cast<AcceleratorHandle>(
        ::CreateAcceleratorTableA(reinterpret_cast<LPACCEL>(const_cast<AcceleratorEntry*>(entries)), count));
}

void DestroyAcceleratorTable(AcceleratorHandle table) {
    if (table != 0) ::DestroyAcceleratorTable(reinterpret_cast<HACCEL>(table));
}

bool TranslateAccelerator(WindowHandle window, AcceleratorHandle table, const Message* message) {
    if (table == 0 || message == nullptr) return false;
    MSG native = ToNative(message);
    return ::TranslateAcceleratorA(Native(window), reinterpret_cast<HACCEL>(table), &native) != 0;
}

bool GetMessage(Message* message) {
    MSG native{};
    // Asked to end (the console's Ctrl+C): there is no message, as after WM_QUIT.
    const BOOL result = TerminationStatus() != 0 ? 0 : ::GetMessageA(&native, nullptr, 0, 0);
    gLastMessage = native;
    if (message != nullptr) {
        message->window = Handle(native.hwnd);
        message->message = native.message;
        message->wParam = static_cast<std::uintptr_t>(native.wParam);
        message->lParam = static_cast<std::intptr_t>(native.lParam);
    }
    return result != 0 && result != -1;
}

void TranslateMessage(const Message* message) {
    if (message == nullptr) return;
    const MSG native = ToNative(message);
    ::TranslateMessage(&native);
}

std::intptr_t DispatchMessage(const Message* message) {
    if (message == nullptr) return 0;
    const MSG native = ToNative(message);
    return static_cast<std::intptr_t>(::DispatchMessageA(&native));
}

std::intptr_t DefWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return static_cast<std::intptr_t>(
        ::DefWindowProcA(Native(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

std::intptr_t CallWindowProc(WindowProc procedure, WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) {
    if (procedure == nullptr) return 0;
    // The procedures handed out by SetWindowLong are the system's: calling
    // them goes through the system, which also knows the handles it gives in
    // place of a procedure.
    return static_cast<std::intptr_t>(::CallWindowProcA(reinterpret_cast<WNDPROC>(reinterpret_cast<void*>(procedure)),
                                                        Native(window), message, static_cast<WPARAM>(wParam),
                                                        static_cast<LPARAM>(lParam)));
}

std::intptr_t SendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return static_cast<std::intptr_t>(
        ::SendMessageA(Native(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

std::int16_t GetKeyState(int virtualKey) { return static_cast<std::int16_t>(::GetKeyState(virtualKey)); }

WindowHandle GetFocus() { return Handle(::GetFocus()); }

WindowHandle SetFocus(WindowHandle window) { return Handle(::SetFocus(Native(window))); }

int GetClassName(WindowHandle window, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    buffer[0] = 0;
    return ::GetClassNameA(Native(window), buffer, size);
}

bool IsChild(WindowHandle parent, WindowHandle window) { return ::IsChild(Native(parent), Native(window)) != FALSE; }

void EnumChildWindows(WindowHandle parent, EnumChildProc procedure, std::intptr_t context) {
    if (procedure == nullptr) return;
    EnumContext bridge{procedure, context};
    ::EnumChildWindows(Native(parent), EnumChildBridge, reinterpret_cast<LPARAM>(&bridge));
}

bool IsWindowEnabled(WindowHandle window) { return ::IsWindowEnabled(Native(window)) != FALSE; }

bool IsWindowVisible(WindowHandle window) { return ::IsWindowVisible(Native(window)) != FALSE; }

std::intptr_t GetWindowLong(WindowHandle window, std::int32_t index) {
    return static_cast<std::intptr_t>(::GetWindowLongA(Native(window), index));
}

std::intptr_t SetWindowLong(WindowHandle window, std::int32_t index, std::intptr_t value) {
    if (index == GWL_WNDPROC) {
        // The value is a core procedure: the window gets the bridge, and the
        // core gets back the system procedure it replaced.
        return static_cast<std::intptr_t>(
            win32::SubclassWithCoreProcedure(Native(window), reinterpret_cast<WindowProc>(value)));
    }
    return static_cast<std::intptr_t>(::SetWindowLongA(Native(window), index, static_cast<LONG>(value)));
}

}  // namespace platform
