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
    std::uint8_t flags;  // fVirt
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

constexpr std::int32_t kWindowLongProc = -4;       // GWL_WNDPROC
constexpr std::int32_t kWindowLongId = -12;        // GWL_ID
constexpr std::int32_t kWindowLongStyle = -16;     // GWL_STYLE
constexpr std::int32_t kWindowLongExStyle = -20;   // GWL_EXSTYLE
constexpr std::int32_t kWindowLongUserData = -21;  // GWL_USERDATA

// Window styles (WS_*).
constexpr std::uint32_t kStylePopup = 0x80000000;
constexpr std::uint32_t kStyleChild = 0x40000000;
constexpr std::uint32_t kStyleVisible = 0x10000000;
constexpr std::uint32_t kStyleDisabled = 0x08000000;
constexpr std::uint32_t kStyleMaximize = 0x1000000;
constexpr std::uint32_t kStyleCaption = 0xC00000;  // border and title bar
constexpr std::uint32_t kStyleBorder = 0x800000;
constexpr std::uint32_t kStyleVScroll = 0x200000;
constexpr std::uint32_t kStyleSysMenu = 0x80000;
constexpr std::uint32_t kStyleThickFrame = 0x40000;
constexpr std::uint32_t kStyleMinimizeBox = 0x20000;       // top-level windows
constexpr std::uint32_t kStyleGroup = 0x20000;             // controls
constexpr std::uint32_t kStyleMaximizeBox = 0x10000;       // top-level windows
constexpr std::uint32_t kStyleTabStop = 0x10000;           // controls
constexpr std::uint32_t kExStyleClientEdge = 0x200;        // WS_EX_CLIENTEDGE
constexpr std::uint32_t kButtonStylePush = 0x0;            // BS_PUSHBUTTON
constexpr std::uint32_t kButtonStyleDefaultPush = 0x1;     // BS_DEFPUSHBUTTON
constexpr std::uint32_t kComboBoxStyleDropDownList = 0x3;  // CBS_DROPDOWNLIST
constexpr std::uint32_t kComboBoxStyleHasStrings = 0x200;  // CBS_HASSTRINGS

// Position for the platform to choose (CW_USEDEFAULT).
constexpr int kUseDefaultPosition = static_cast<int>(0x80000000u);

// ShowWindow commands (SW_*).
constexpr int kShowCommandHide = 0;
constexpr int kShowCommandNormal = 1;
constexpr int kShowCommandMinimized = 2;
constexpr int kShowCommandMaximized = 3;
constexpr int kShowCommandShow = 5;
constexpr int kShowCommandRestore = 9;

// Messages of windows and controls beyond platform/messages.h.
constexpr std::uint32_t kMsgCreate = 0x0001;            // WM_CREATE
constexpr std::uint32_t kMsgDestroy = 0x0002;           // WM_DESTROY
constexpr std::uint32_t kMsgSetFocus = 0x0007;          // WM_SETFOCUS
constexpr std::uint32_t kMsgKillFocus = 0x0008;         // WM_KILLFOCUS
constexpr std::uint32_t kMsgSetText = 0x000C;           // WM_SETTEXT
constexpr std::uint32_t kMsgGetText = 0x000D;           // WM_GETTEXT
constexpr std::uint32_t kMsgGetTextLength = 0x000E;     // WM_GETTEXTLENGTH
constexpr std::uint32_t kMsgShowWindow = 0x0018;        // WM_SHOWWINDOW
constexpr std::uint32_t kMsgGetFont = 0x0031;           // WM_GETFONT
constexpr std::uint32_t kMsgWindowPosChanged = 0x0047;  // WM_WINDOWPOSCHANGED
constexpr std::uint32_t kMsgNcCreate = 0x0081;          // WM_NCCREATE
constexpr std::uint32_t kMsgNcActivate = 0x0086;        // WM_NCACTIVATE
constexpr std::uint32_t kMsgSysKeyDown = 0x0104;        // WM_SYSKEYDOWN
constexpr std::uint32_t kMsgChar = 0x0102;              // WM_CHAR
constexpr std::uint32_t kMsgSysChar = 0x0106;           // WM_SYSCHAR
constexpr std::uint32_t kMsgSysCommand = 0x0112;        // WM_SYSCOMMAND
constexpr std::uintptr_t kSysCommandClose = 0xF060;     // SC_CLOSE

constexpr std::uint32_t kButtonGetCheck = 0x00F0;           // BM_GETCHECK
constexpr std::uint32_t kButtonSetCheck = 0x00F1;           // BM_SETCHECK
constexpr std::uint32_t kButtonClick = 0x00F5;              // BM_CLICK
constexpr std::uint32_t kComboBoxAddString = 0x0143;        // CB_ADDSTRING
constexpr std::uint32_t kComboBoxDeleteString = 0x0144;     // CB_DELETESTRING
constexpr std::uint32_t kComboBoxGetCount = 0x0146;         // CB_GETCOUNT
constexpr std::uint32_t kComboBoxGetCurSel = 0x0147;        // CB_GETCURSEL
constexpr std::uint32_t kComboBoxGetLbText = 0x0148;        // CB_GETLBTEXT
constexpr std::uint32_t kComboBoxGetLbTextLen = 0x0149;     // CB_GETLBTEXTLEN
constexpr std::uint32_t kComboBoxInsertString = 0x014A;     // CB_INSERTSTRING
constexpr std::uint32_t kComboBoxResetContent = 0x014B;     // CB_RESETCONTENT
constexpr std::uint32_t kComboBoxSetCurSel = 0x014E;        // CB_SETCURSEL
constexpr std::uint32_t kComboBoxShowDropDown = 0x014F;     // CB_SHOWDROPDOWN
constexpr std::uint32_t kComboBoxGetDroppedState = 0x0157;  // CB_GETDROPPEDSTATE
constexpr std::uint32_t kComboBoxFindStringExact = 0x0158;  // CB_FINDSTRINGEXACT
constexpr std::intptr_t kComboBoxError = -1;                // CB_ERR
constexpr std::intptr_t kComboBoxErrorSpace = -2;           // CB_ERRSPACE

// Notification codes in the high word of a control's WM_COMMAND.
constexpr std::uint32_t kButtonClicked = 0;      // BN_CLICKED
constexpr std::uint32_t kComboBoxSelChange = 1;  // CBN_SELCHANGE
constexpr std::uint32_t kComboBoxSetFocus = 3;   // CBN_SETFOCUS
constexpr std::uint32_t kComboBoxKillFocus = 4;  // CBN_KILLFOCUS
constexpr std::uint32_t kComboBoxDropDown = 7;   // CBN_DROPDOWN
constexpr std::uint32_t kComboBoxCloseUp = 8;    // CBN_CLOSEUP

// Keyboard table entry flags (fVirt).
constexpr std::uint8_t kAcceleratorVirtualKey = 0x01;  // FVIRTKEY
constexpr std::uint8_t kAcceleratorNoInvert = 0x02;    // FNOINVERT
constexpr std::uint8_t kAcceleratorShift = 0x04;       // FSHIFT
constexpr std::uint8_t kAcceleratorControl = 0x08;     // FCONTROL
constexpr std::uint8_t kAcceleratorAlt = 0x10;         // FALT

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
WindowHandle CreateWindowEx(std::uint32_t exStyle, const char* className, const char* text, std::uint32_t style, int x,
                            int y, int width, int height, WindowHandle parent, std::intptr_t id,
                            InstanceHandle instance);
void ShowWindow(WindowHandle window, int command);
void DestroyWindow(WindowHandle window);
void SetWindowText(WindowHandle window, const char* text);

// Dialog manners for a small window of choices, where the toolkit has them:
// the window and its controls grow, in proportion and about the window's
// centre, until every text they show fits (the caption in the title bar
// too) at the desktop's font size; `defaultButton` becomes the default
// button and takes the focus, Enter presses it and Escape asks the window to
// close as its close box does.  USER32 has no such manners: the Win32
// backend leaves its windows exactly as they were made.
void UseDialogManners(WindowHandle window, WindowHandle defaultButton);

AcceleratorHandle CreateAcceleratorTable(const AcceleratorEntry* entries, int count);
void DestroyAcceleratorTable(AcceleratorHandle table);
// True when the message was a key of the table and ran as a command.
bool TranslateAccelerator(WindowHandle window, AcceleratorHandle table, const Message* message);

// Blocks until the next message of the thread, for any window.
bool GetMessage(Message* message);
void TranslateMessage(const Message* message);
std::intptr_t DispatchMessage(const Message* message);
std::intptr_t DefWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
std::intptr_t CallWindowProc(WindowProc procedure, WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam);
std::intptr_t SendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

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
