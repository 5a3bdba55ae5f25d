// Window message numbers and key codes as the window procedures see them.
// Every backend delivers its window events to the core's window procedures
// as these messages.
#pragma once

#include "platform/types.h"

namespace platform {

constexpr std::uint32_t kMsgMove = 0x0003;                // WM_MOVE
constexpr std::uint32_t kMsgSize = 0x0005;                // WM_SIZE
constexpr std::uint32_t kMsgActivate = 0x0006;            // WM_ACTIVATE
constexpr std::uint32_t kMsgPaint = 0x000F;               // WM_PAINT
constexpr std::uint32_t kMsgClose = 0x0010;               // WM_CLOSE
constexpr std::uint32_t kMsgEraseBackground = 0x0014;     // WM_ERASEBKGND
constexpr std::uint32_t kMsgSetFont = 0x0030;             // WM_SETFONT
constexpr std::uint32_t kMsgNcDestroy = 0x0082;           // WM_NCDESTROY
constexpr std::uint32_t kMsgKeyDown = 0x0100;             // WM_KEYDOWN
constexpr std::uint32_t kMsgKeyUp = 0x0101;               // WM_KEYUP
constexpr std::uint32_t kMsgSysKeyUp = 0x0105;            // WM_SYSKEYUP
constexpr std::uint32_t kMsgCommand = 0x0111;             // WM_COMMAND
constexpr std::uint32_t kMsgMouseMove = 0x0200;           // WM_MOUSEMOVE
constexpr std::uint32_t kMsgLButtonDown = 0x0201;         // WM_LBUTTONDOWN
constexpr std::uint32_t kMsgLButtonUp = 0x0202;           // WM_LBUTTONUP
constexpr std::uint32_t kMsgLButtonDoubleClick = 0x0203;  // WM_LBUTTONDBLCLK
constexpr std::uint32_t kMsgRButtonDown = 0x0204;         // WM_RBUTTONDOWN
constexpr std::uint32_t kMsgRButtonUp = 0x0205;           // WM_RBUTTONUP

constexpr std::uint32_t kVkTab = 0x09;      // VK_TAB
constexpr std::uint32_t kVkShift = 0x10;    // VK_SHIFT
constexpr std::uint32_t kVkControl = 0x11;  // VK_CONTROL
constexpr std::uint32_t kVkMenu = 0x12;     // VK_MENU (Alt)

// Window procedure shape shared by the screen window and the toolkit windows.
using WindowProc = std::intptr_t (*)(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam);

}  // namespace platform
