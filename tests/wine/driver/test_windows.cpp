// The window services of the Windows drivers: the screen window and the
// toolkit, with the core's window procedures reached through the system's.

#include <gtest/gtest.h>

// The system headers, without their A/W name macros.
#include "platform/win32/common.h"

#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/screen_window.h"
#include "platform/toolkit.h"

namespace {

struct Seen {
    platform::WindowHandle window;
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

std::vector<Seen> gScreenSeen;
std::intptr_t ScreenProc(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                         std::intptr_t lParam) {
    gScreenSeen.push_back({window, message, wParam, lParam});
    if (message == WM_APP + 1) return static_cast<std::intptr_t>(wParam * 2 + static_cast<std::uintptr_t>(lParam));
    return platform::DefaultWindowProc(window, message, wParam, lParam);
}

// The screen window exists once per process: made by the first test that
// needs it.
platform::WindowHandle ScreenWindow() {
    static platform::WindowHandle window = [] {
        if (!platform::RegisterScreenWindowClass(platform::GetModuleInstance(), ScreenProc))
            return platform::WindowHandle{};
        return platform::CreateScreenWindow(platform::GetModuleInstance());
    }();
    return window;
}

void Drain() {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&message);
}

TEST(Win32ScreenWindow, HasTheClassAndStyleOfTheFullScreen) {
    const platform::WindowHandle window = ScreenWindow();
    ASSERT_NE(window, 0u);
    const HWND hwnd = reinterpret_cast<HWND>(window);
    WNDCLASSEXA info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(
        ::GetClassInfoExA(reinterpret_cast<HINSTANCE>(platform::GetModuleInstance()), "MultimediaBase Class", &info));
    EXPECT_EQ(info.style, static_cast<UINT>(CS_DBLCLKS));
    EXPECT_EQ(info.hbrBackground, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(info.hCursor, nullptr);
    EXPECT_EQ(info.cbClsExtra, 0);
    EXPECT_EQ(info.cbWndExtra, 0);

    EXPECT_EQ(static_cast<DWORD>(::GetWindowLongA(hwnd, GWL_STYLE)) & ~WS_CLIPSIBLINGS, 0x80C80000u);
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    RECT rect{};
    ::GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right - rect.left, 1);
    EXPECT_EQ(rect.bottom - rect.top, 1);
}

TEST(Win32ScreenWindow, ItsMessagesReachTheCoreProcedure) {
    const platform::WindowHandle window = ScreenWindow();
    ASSERT_NE(window, 0u);
    Drain();
    gScreenSeen.clear();
    // Sent: the core's answer comes back through the system.
    EXPECT_EQ(::SendMessageA(reinterpret_cast<HWND>(window), WM_APP + 1, 20, 2), 42);
    ASSERT_FALSE(gScreenSeen.empty());
    EXPECT_EQ(gScreenSeen.back().window, window);
    EXPECT_EQ(gScreenSeen.back().wParam, 20u);

    // Posted: delivered by the pump, one message a call.
    gScreenSeen.clear();
    ::PostMessageA(reinterpret_cast<HWND>(window), WM_APP + 2, 7, -9);
    EXPECT_TRUE(platform::PeekAndDispatchMessage());
    ASSERT_EQ(gScreenSeen.size(), 1u);
    EXPECT_EQ(gScreenSeen[0].message, static_cast<std::uint32_t>(WM_APP + 2));
    EXPECT_EQ(gScreenSeen[0].wParam, 7u);
    EXPECT_EQ(gScreenSeen[0].lParam, -9);
    Drain();
    EXPECT_FALSE(platform::PeekAndDispatchMessage());
}

TEST(Win32ScreenWindow, TakesTheTitleAndTheSizeOfTheScreen) {
    const platform::WindowHandle window = ScreenWindow();
    ASSERT_NE(window, 0u);
    const HWND hwnd = reinterpret_cast<HWND>(window);
    platform::SetScreenWindowTitle(window, "Show");
    char title[32] = {};
    ::GetWindowTextA(hwnd, title, sizeof title);
    EXPECT_STREQ(title, "Show");
    platform::MoveScreenWindow(window, 0, 0, 320, 200, true);
    RECT rect{};
    ::GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.right - rect.left, 320);
    EXPECT_EQ(rect.bottom - rect.top, 200);
    platform::MoveScreenWindow(window, 0, 0, 1, 1, false);
    platform::ValidateWindowPaint(window);
    EXPECT_FALSE(::GetUpdateRect(hwnd, nullptr, FALSE)) << "nothing is left to paint";
    Drain();
}

// Toolkit.

std::vector<std::string> gLog;
std::intptr_t FirstProc(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                        std::intptr_t lParam) {
    if (message == WM_NCCREATE) gLog.push_back("first nccreate");
    if (message == WM_COMMAND)
        gLog.push_back("first command " + std::to_string(LOWORD(wParam)) + " " + std::to_string(HIWORD(wParam)));
    if (message == WM_APP) return 1;
    return platform::DefWindowProc(window, message, wParam, lParam);
}
std::intptr_t SecondProc(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                         std::intptr_t lParam) {
    if (message == WM_NCCREATE) gLog.push_back("second nccreate");
    if (message == WM_APP) return 2;
    return platform::DefWindowProc(window, message, wParam, lParam);
}

platform::WindowProc gButtonPrevious = nullptr;
std::intptr_t ButtonProc(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                         std::intptr_t lParam) {
    if (message == WM_SETTEXT) gLog.push_back(std::string("button text ") + reinterpret_cast<const char*>(lParam));
    if (message == WM_NCDESTROY) gLog.push_back("button ncdestroy");
    return platform::CallWindowProc(gButtonPrevious, window, message, wParam, lParam);
}

platform::WindowHandle MakeWindow(const char* className, platform::WindowProc procedure) {
    platform::WindowClassTemplate tmpl{};
    tmpl.style = CS_DBLCLKS;
    tmpl.procedure = procedure;
    tmpl.instance = platform::GetModuleInstance();
    tmpl.cursor = platform::LoadArrowCursor();
    tmpl.background = COLOR_BTNFACE + 1;
    tmpl.className = className;
    if (!platform::RegisterWindowClass(&tmpl)) return 0;
    return platform::CreateWindowEx(0, className, "Toolkit", WS_CAPTION | WS_SYSMENU, 10, 10, 200, 100, 0, 0,
                                    platform::GetModuleInstance());
}

TEST(Win32Toolkit, EachClassReachesItsOwnCoreProcedureFromTheFirstMessage) {
    gLog.clear();
    const platform::WindowHandle first = MakeWindow("DriverFirst", FirstProc);
    const platform::WindowHandle second = MakeWindow("DriverSecond", SecondProc);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    EXPECT_EQ(gLog, (std::vector<std::string>{"first nccreate", "second nccreate"}));
    EXPECT_EQ(platform::SendMessage(first, WM_APP, 0, 0), 1);
    EXPECT_EQ(platform::SendMessage(second, WM_APP, 0, 0), 2);
    char name[16] = {};
    EXPECT_EQ(platform::GetClassName(first, name, 6), 5);
    EXPECT_STREQ(name, "Drive");
    platform::DestroyWindow(first);
    platform::DestroyWindow(second);
    EXPECT_TRUE(platform::UnregisterWindowClass("DriverFirst", platform::GetModuleInstance()));
    EXPECT_TRUE(platform::UnregisterWindowClass("DriverSecond", platform::GetModuleInstance()));
    EXPECT_FALSE(platform::UnregisterWindowClass("DriverSecond", platform::GetModuleInstance()));
}

TEST(Win32Toolkit, ASubclassedControlPassesMessagesOnToItsOwnProcedure) {
    gLog.clear();
    const platform::WindowHandle parent = MakeWindow("DriverParent", FirstProc);
    ASSERT_NE(parent, 0u);
    const platform::WindowHandle button = platform::CreateWindowEx(0, "BUTTON", "Run", 0x50030000, 0, 20, 150, 20,
                                                                   parent, 2, platform::GetModuleInstance());
    ASSERT_NE(button, 0u);
    EXPECT_EQ(platform::GetWindowLong(button, platform::kWindowLongId), 2);
    gButtonPrevious = reinterpret_cast<platform::WindowProc>(
        platform::SetWindowLong(button, platform::kWindowLongProc, reinterpret_cast<std::intptr_t>(ButtonProc)));
    ASSERT_NE(gButtonPrevious, nullptr);

    platform::SetWindowText(button, "Go");
    char text[16] = {};
    ::GetWindowTextA(reinterpret_cast<HWND>(button), text, sizeof text);
    EXPECT_STREQ(text, "Go") << "the button's own procedure stored the text";
    EXPECT_EQ(platform::SendMessage(button, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // A click reaches the parent as a command from the control.
    platform::SendMessage(button, BM_CLICK, 0, 0);
    platform::DestroyWindow(parent);
    EXPECT_EQ(gLog,
              (std::vector<std::string>{"first nccreate", "button text Go", "first command 2 0", "button ncdestroy"}));
    platform::UnregisterWindowClass("DriverParent", platform::GetModuleInstance());
}

std::vector<platform::WindowHandle> gChildren;
bool CollectFirstTwo(platform::WindowHandle child, std::intptr_t context) {
    gChildren.push_back(child);
    return static_cast<std::intptr_t>(gChildren.size()) < context;
}

TEST(Win32Toolkit, ChildrenAreWalkedInCreationOrderUntilTheWalkStops) {
    const platform::WindowHandle parent = MakeWindow("DriverWalk", FirstProc);
    ASSERT_NE(parent, 0u);
    std::vector<platform::WindowHandle> made;
    for (int id = 1; id <= 3; ++id) {
        made.push_back(platform::CreateWindowEx(0, "BUTTON", "b", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, id * 20, 50,
                                                20, parent, id, platform::GetModuleInstance()));
    }
    gChildren.clear();
    platform::EnumChildWindows(parent, CollectFirstTwo, 100);
    EXPECT_EQ(gChildren, made);
    gChildren.clear();
    platform::EnumChildWindows(parent, CollectFirstTwo, 2);
    EXPECT_EQ(gChildren, (std::vector<platform::WindowHandle>{made[0], made[1]}));
    EXPECT_TRUE(platform::IsChild(parent, made[2]));
    EXPECT_FALSE(platform::IsChild(made[2], parent));
    EXPECT_TRUE(platform::IsWindowEnabled(made[0]));
    EXPECT_FALSE(platform::IsWindowVisible(made[0])) << "the parent is not shown";
    EXPECT_NE(static_cast<std::uint32_t>(platform::GetWindowLong(made[0], platform::kWindowLongStyle)) &
                  platform::kStyleTabStop,
              0u);
    platform::DestroyWindow(parent);
    platform::UnregisterWindowClass("DriverWalk", platform::GetModuleInstance());
}

TEST(Win32Toolkit, TheKeyboardTableTurnsTabIntoACommand) {
    gLog.clear();
    const platform::WindowHandle window = MakeWindow("DriverKeys", FirstProc);
    ASSERT_NE(window, 0u);
    const platform::AcceleratorEntry entries[2] = {{3, VK_TAB, 1212}, {7, VK_TAB, 1213}};
    const platform::AcceleratorHandle table = platform::CreateAcceleratorTable(entries, 2);
    ASSERT_NE(table, 0u);
    EXPECT_EQ(::CopyAcceleratorTableA(reinterpret_cast<HACCEL>(table), nullptr, 0), 2);

    Drain();
    ::PostMessageA(reinterpret_cast<HWND>(window), WM_KEYDOWN, VK_TAB, 0x000F0001);
    platform::Message message{};
    ASSERT_TRUE(platform::GetMessage(&message));
    EXPECT_EQ(message.window, window);
    EXPECT_EQ(message.message, static_cast<std::uint32_t>(WM_KEYDOWN));
    EXPECT_EQ(message.wParam, static_cast<std::uintptr_t>(VK_TAB));
    EXPECT_TRUE(platform::TranslateAccelerator(window, table, &message));
    EXPECT_EQ(gLog, (std::vector<std::string>{"first nccreate", "first command 1212 1"}));

    // Another key is no command: it is dispatched as it is.
    ::PostMessageA(reinterpret_cast<HWND>(window), WM_APP, 0, 0);
    ASSERT_TRUE(platform::GetMessage(&message));
    EXPECT_FALSE(platform::TranslateAccelerator(window, table, &message));
    EXPECT_EQ(platform::DispatchMessage(&message), 1);

    platform::DestroyAcceleratorTable(table);
    platform::DestroyWindow(window);
    platform::UnregisterWindowClass("DriverKeys", platform::GetModuleInstance());
}

TEST(Win32Toolkit, TheOuterRectangleHoldsTheClientArea) {
    platform::Rect rect{0, 0, 150, 40};
    platform::AdjustWindowRectangle(&rect, WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
    RECT expected{0, 0, 150, 40};
    ::AdjustWindowRect(&expected, WS_CAPTION | WS_SYSMENU | WS_VISIBLE, FALSE);
    EXPECT_EQ(rect.left, expected.left);
    EXPECT_EQ(rect.top, expected.top);
    EXPECT_EQ(rect.right, expected.right);
    EXPECT_EQ(rect.bottom, expected.bottom);
    EXPECT_GT(rect.right - rect.left, 150);
    EXPECT_GT(rect.bottom - rect.top, 40);
    EXPECT_EQ(platform::GetScreenWidth(), ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_GT(platform::GetScreenHeight(), 0);
    EXPECT_EQ(platform::GetDefaultGuiFont(),
              reinterpret_cast<platform::FontHandle>(::GetStockObject(DEFAULT_GUI_FONT)));
}

}  // namespace
