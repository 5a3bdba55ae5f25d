// The window toolkit: top-level windows with their own classes, child
// controls (push button, drop-down list), the message wait and keyboard
// navigation, shaped after USER32.  The Win32 backend passes the calls
// through; other backends emulate them on their toolkit.
#pragma once

#include "platform/messages.h"

namespace platform {

using AcceleratorHandle = std::uintptr_t;
using FontHandle = std::uintptr_t;

// One entry of a keyboard table (ACCEL).
struct AcceleratorEntry {
    std::uint8_t flags;   // fVirt
    std::uint16_t key;
    std::uint16_t command;
};

// One taken message (MSG).
struct Message {
    WindowHandle window;
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

// Class template attributes (WNDCLASS).
struct WindowClassTemplate {
    std::uint32_t style;
    WindowProc procedure;
    InstanceHandle instance;
    std::uintptr_t icon;
    std::uintptr_t cursor;
    std::uintptr_t background;
    const char* className;
};

constexpr std::int32_t kWindowLongProc = -4;   // GWL_WNDPROC
constexpr std::int32_t kWindowLongId = -12;    // GWL_ID
constexpr std::int32_t kWindowLongStyle = -16; // GWL_STYLE

constexpr std::uint32_t kStyleCaption = 0xC00000;
constexpr std::uint32_t kStyleSysMenu = 0x80000;
constexpr std::uint32_t kStyleVisible = 0x10000000;
constexpr std::uint32_t kStyleMaximize = 0x1000000;
constexpr std::uint32_t kStyleTabStop = 0x10000;

void InitCommonControls();
FontHandle GetDefaultGuiFont();
std::uintptr_t LoadArrowCursor();
std::uintptr_t LoadProgramIcon(InstanceHandle instance, int resource);

bool RegisterWindowClass(const WindowClassTemplate* tmpl);
bool UnregisterWindowClass(const char* className, InstanceHandle instance);
// Outer rectangle for a client rectangle and a style, no menu.
void AdjustWindowRectangle(Rect* rect, std::uint32_t style);
int GetScreenWidth();
int GetScreenHeight();
WindowHandle GetActiveWindow();
bool GetWindowRectangle(WindowHandle window, Rect* rect);

// Top-level window (parent 0, id 0) or child control ("BUTTON", "COMBOBOX").
WindowHandle CreateWindowEx(std::uint32_t exStyle, const char* className, const char* text,
                            std::uint32_t style, int x, int y, int width, int height,
                            WindowHandle parent, std::intptr_t id, InstanceHandle instance);
void ShowWindow(WindowHandle window, int command);
void DestroyWindow(WindowHandle window);
void SetWindowText(WindowHandle window, const char* text);

AcceleratorHandle CreateAcceleratorTable(const AcceleratorEntry* entries, int count);
void DestroyAcceleratorTable(AcceleratorHandle table);
// True when the message was a key of the table and ran as a command.
bool TranslateAccelerator(WindowHandle window, AcceleratorHandle table, const Message* message);

// Blocks until the next message of the thread, for any window.
bool GetMessage(Message* message);
void TranslateMessage(const Message* message);
std::intptr_t DispatchMessage(const Message* message);
std::intptr_t DefWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam);
std::intptr_t CallWindowProc(WindowProc procedure, WindowHandle window, std::uint32_t message,
                             std::uintptr_t wParam, std::intptr_t lParam);
std::intptr_t SendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam);

// Keyboard navigation.
std::int16_t GetKeyState(int virtualKey);
WindowHandle GetFocus();
WindowHandle SetFocus(WindowHandle window);
int GetClassName(WindowHandle window, char* buffer, int size);
bool IsChild(WindowHandle parent, WindowHandle window);
using EnumChildProc = bool (*)(WindowHandle child, std::intptr_t context);
void EnumChildWindows(WindowHandle parent, EnumChildProc procedure, std::intptr_t context);
bool IsWindowEnabled(WindowHandle window);
bool IsWindowVisible(WindowHandle window);
std::intptr_t GetWindowLong(WindowHandle window, std::int32_t index);
std::intptr_t SetWindowLong(WindowHandle window, std::int32_t index, std::intptr_t value);

}  // namespace platform
