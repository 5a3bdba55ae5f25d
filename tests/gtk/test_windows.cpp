// The window library on real windows: opening with the flags and the
// centring arithmetic, the event wait, closing, and Tab navigation.

#include "gtk_fixture.h"

namespace {

using gtktest::GuiTest;
using gtktest::NodeOf;
using gtktest::WaitEventWithin;
using gtktest::WaitFor;

constexpr std::uint32_t kLauncherFlags = 0xC80001;

std::uint32_t StyleOf(platform::WindowHandle window) {
    return static_cast<std::uint32_t>(platform::GetWindowLong(window, platform::kWindowLongStyle));
}

// The client area of a top-level window: origin on the screen and size.
struct ClientArea {
    int x, y, width, height;
};

ClientArea ClientOf(platform::WindowHandle window) {
    GtkWidget* widget = gtktest::WidgetOf(window);
    GdkWindow* gdkWindow = gtk_widget_get_window(widget);
    ClientArea area{};
    gdk_window_get_origin(gdkWindow, &area.x, &area.y);
    area.width = gdk_window_get_width(gdkWindow);
    area.height = gdk_window_get_height(gdkWindow);
    return area;
}

using WindowLibraryTest = GuiTest;

TEST_F(WindowLibraryTest, LauncherFlagsGiveAVisibleCentredWindowWithAnExactClientArea) {
    const auto handle = static_cast<platform::WindowHandle>(
        gui::OpenWindow(1, 0, 0, 150, 40, kLauncherFlags, "RodaZaro - Show"));
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(gui::GetWindowHandle(), handle);
    gtktest::Settle(300);

    const std::uint32_t style = StyleOf(handle);
    EXPECT_EQ(style & platform::kStyleCaption, platform::kStyleCaption);
    EXPECT_NE(style & platform::kStyleSysMenu, 0u);
    EXPECT_NE(style & platform::kStyleVisible, 0u);
    EXPECT_EQ(style & (gui::kWindowCentred | gui::kWindowCentredOnActive), 0u);
    EXPECT_TRUE(platform::IsWindowVisible(handle));
    EXPECT_EQ(gtktest::TextOf(handle), "RodaZaro - Show");
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(gtktest::WidgetOf(handle))), "RodaZaro - Show");
    EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(gtktest::WidgetOf(handle))));

    const ClientArea client = ClientOf(handle);
    EXPECT_EQ(client.width, 150);
    EXPECT_EQ(client.height, 40);
    // Centred: the outer rectangle lies in the middle of the screen.
    platform::Rect outer{};
    ASSERT_TRUE(platform::GetWindowRectangle(handle, &outer));
    const int screenWidth = platform::GetScreenWidth();
    const int screenHeight = platform::GetScreenHeight();
    EXPECT_EQ(outer.left, (screenWidth >> 1) - ((outer.right - outer.left) >> 1));
    EXPECT_EQ(outer.top, (screenHeight >> 1) - ((outer.bottom - outer.top) >> 1));
    // The outer rectangle holds the client area.
    EXPECT_LE(outer.left, client.x);
    EXPECT_LE(outer.top, client.y);
    EXPECT_GE(outer.right, client.x + client.width);
    EXPECT_GE(outer.bottom, client.y + client.height);
}

TEST_F(WindowLibraryTest, NoStyleGivesATitleBarAndInvisibleGivesAHiddenWindow) {
    const auto plain = static_cast<platform::WindowHandle>(gui::OpenWindow(2, 10, 10, 80, 30, 0, "plain"));
    ASSERT_NE(plain, 0u);
    EXPECT_EQ(StyleOf(plain) & platform::kStyleCaption, platform::kStyleCaption);
    EXPECT_TRUE(platform::IsWindowVisible(plain));
    EXPECT_TRUE(gtk_widget_get_visible(gtktest::WidgetOf(plain)));

    const auto hidden = static_cast<platform::WindowHandle>(
        gui::OpenWindow(3, 10, 10, 80, 30, gui::kWindowInvisible, "hidden"));
    ASSERT_NE(hidden, 0u);
    EXPECT_EQ(StyleOf(hidden) & platform::kStyleCaption, platform::kStyleCaption);
    EXPECT_FALSE(platform::IsWindowVisible(hidden));
    EXPECT_FALSE(gtk_widget_get_visible(gtktest::WidgetOf(hidden)));
    EXPECT_TRUE(gtk_window_get_decorated(GTK_WINDOW(gtktest::WidgetOf(hidden))));

    // A style of its own (a popup without a caption) gets no title bar added.
    const auto popup = static_cast<platform::WindowHandle>(
        gui::OpenWindow(4, 10, 10, 80, 30, platform::kStylePopup, "popup"));
    ASSERT_NE(popup, 0u);
    EXPECT_EQ(StyleOf(popup) & platform::kStyleCaption, 0u);
    EXPECT_FALSE(gtk_window_get_decorated(GTK_WINDOW(gtktest::WidgetOf(popup))));
}

TEST_F(WindowLibraryTest, UncentredWindowsKeepTheirPosition) {
    const auto handle = static_cast<platform::WindowHandle>(
        gui::OpenWindow(1, 37, 53, 120, 70, platform::kStylePopup, "here"));
    ASSERT_NE(handle, 0u);
    gtktest::Settle(200);
    platform::Rect outer{};
    ASSERT_TRUE(platform::GetWindowRectangle(handle, &outer));
    EXPECT_EQ(outer.left, 37);
    EXPECT_EQ(outer.top, 53);
    EXPECT_EQ(outer.right - outer.left, 120);
    EXPECT_EQ(outer.bottom - outer.top, 70);
}

TEST_F(WindowLibraryTest, WindowsWiderThanTheScreenAndCentredNearTheCornerLandAtZero) {
    const int screenWidth = platform::GetScreenWidth();
    const auto wide = static_cast<platform::WindowHandle>(
        gui::OpenWindow(1, 500, 500, screenWidth + 300, 50, platform::kStylePopup | gui::kWindowCentred, "wide"));
    ASSERT_NE(wide, 0u);
    platform::Rect outer{};
    ASSERT_TRUE(platform::GetWindowRectangle(wide, &outer));
    EXPECT_EQ(outer.left, 0);
    EXPECT_EQ(outer.top, (platform::GetScreenHeight() >> 1) - (50 >> 1));
    gui::FreeWindow(1);

    // An active window near the top-left corner: the new one, centred on
    // it, would start left of and above the screen, and is clamped.
    const auto corner = static_cast<platform::WindowHandle>(
        gui::OpenWindow(1, 0, 0, 40, 40, platform::kStylePopup, "corner"));
    ASSERT_NE(corner, 0u);
    ASSERT_EQ(platform::GetActiveWindow(), corner);
    const auto centred = static_cast<platform::WindowHandle>(gui::OpenWindow(
        2, 700, 700, 300, 200, platform::kStylePopup | gui::kWindowCentred | gui::kWindowCentredOnActive, "on active"));
    ASSERT_NE(centred, 0u);
    ASSERT_TRUE(platform::GetWindowRectangle(centred, &outer));
    EXPECT_EQ(outer.left, 0);
    EXPECT_EQ(outer.top, 0);

    // Centred on a larger active window away from the corner.
    const auto big = static_cast<platform::WindowHandle>(
        gui::OpenWindow(3, 100, 120, 400, 300, platform::kStylePopup, "big"));
    ASSERT_EQ(platform::GetActiveWindow(), big);
    const auto small = static_cast<platform::WindowHandle>(
        gui::OpenWindow(4, 0, 0, 100, 50, platform::kStylePopup | gui::kWindowCentredOnActive, "small"));
    ASSERT_TRUE(platform::GetWindowRectangle(small, &outer));
    EXPECT_EQ(outer.left, 100 - (100 >> 1) + (400 >> 1));
    EXPECT_EQ(outer.top, 120 - (50 >> 1) + (300 >> 1));
}

TEST_F(WindowLibraryTest, NumberTenGrowsTheTableToFortyAndFreeAllWindowsClosesIt) {
    EXPECT_EQ(gui::WindowTable().capacity, 10);
    const auto handle = static_cast<platform::WindowHandle>(gui::OpenWindow(10, 0, 0, 50, 20, 0, "ten"));
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(gui::WindowTable().capacity, 40);
    gui::FreeAllWindows();
    EXPECT_EQ(NodeOf(handle), nullptr);
    EXPECT_EQ(runtime::LookupEntry(gui::WindowTable(), 10), nullptr);
    // Its class went with it: the name can be registered afresh.
    platform::WindowClassTemplate probe{0, gui::WindowProc, 0, 0, 0, 0, "WindowClass_10"};
    EXPECT_TRUE(platform::RegisterWindowClass(&probe));
    EXPECT_TRUE(platform::UnregisterWindowClass("WindowClass_10", 0));
}

TEST_F(WindowLibraryTest, OpeningANumberAgainClosesTheFirstWindowAndFreeingUnknownNumbersDoesNothing) {
    const auto first = static_cast<platform::WindowHandle>(gui::OpenWindow(1, 0, 0, 50, 20, 0, "first"));
    ASSERT_NE(first, 0u);
    const auto second = static_cast<platform::WindowHandle>(gui::OpenWindow(1, 0, 0, 50, 20, 0, "second"));
    ASSERT_NE(second, 0u);
    EXPECT_NE(first, second);
    EXPECT_EQ(NodeOf(first), nullptr);
    EXPECT_EQ(gtktest::TextOf(second), "second");

    gui::FreeWindow(7);
    gui::FreeWindow(-5);
    gui::FreeWindow(0x40000123);
    EXPECT_NE(NodeOf(second), nullptr);
    gui::FreeWindow(1);
    EXPECT_EQ(NodeOf(second), nullptr);
    gui::FreeWindow(1);
}

TEST_F(WindowLibraryTest, NumberMinusOneGivesADynamicWindowNumber) {
    const std::intptr_t number = gui::OpenWindow(-1, 0, 0, 60, 20, 0, "dynamic");
    ASSERT_GE(number, runtime::kFirstDynamicHandle);
    EXPECT_EQ(runtime::DynamicObjectCount(gui::WindowTable()), 1);
    const platform::WindowHandle handle = gui::GetWindowHandle();
    EXPECT_NE(NodeOf(handle), nullptr);
    gui::FreeWindow(static_cast<std::int32_t>(number));
    EXPECT_EQ(NodeOf(handle), nullptr);
    EXPECT_EQ(runtime::DynamicObjectCount(gui::WindowTable()), 0);
}

TEST_F(WindowLibraryTest, OpeningADynamicNumberAgainClosesItAndOpensNothing) {
    const std::intptr_t number = gui::OpenWindow(-1, 0, 0, 60, 20, 0, "dynamic");
    ASSERT_GE(number, runtime::kFirstDynamicHandle);
    const platform::WindowHandle first = gui::GetWindowHandle();
    // The first window and its record are gone; no freed record is written.
    EXPECT_EQ(gui::OpenWindow(static_cast<std::int32_t>(number), 0, 0, 60, 20, 0, "again"), 0);
    EXPECT_EQ(NodeOf(first), nullptr);
    EXPECT_EQ(runtime::DynamicObjectCount(gui::WindowTable()), 0);
}

TEST_F(WindowLibraryTest, TheCreationMoveEventIsWhatTheFirstWaitReturns) {
    ASSERT_NE(gui::OpenWindow(1, 0, 0, 150, 40, kLauncherFlags, "moved"), 0);
    EXPECT_EQ(WaitEventWithin(500), gui::kMoveEvent);
}

TEST_F(WindowLibraryTest, CloseRequestReturnsCloseEventAndLeavesTheWindowOpen) {
    const auto handle = static_cast<platform::WindowHandle>(
        gui::OpenWindow(1, 0, 0, 150, 40, kLauncherFlags, "close me"));
    ASSERT_NE(handle, 0u);
    gtktest::Settle(200);
    gtktest::RequestClose(handle);
    EXPECT_TRUE(WaitFor([](std::int32_t e) { return e == gui::kCloseEvent; }, 2000));
    gtktest::Settle(100);
    EXPECT_NE(NodeOf(handle), nullptr);
    EXPECT_TRUE(platform::IsWindowVisible(handle));
    EXPECT_TRUE(gtk_widget_get_mapped(gtktest::WidgetOf(handle)));
    EXPECT_NE(runtime::LookupEntry(gui::WindowTable(), 1), nullptr);
}

TEST_F(WindowLibraryTest, AMouseMoveReturnsANumberOutsideTheEventTable) {
    const auto handle = static_cast<platform::WindowHandle>(
        gui::OpenWindow(1, 200, 200, 150, 100, platform::kStylePopup, "pointer"));
    ASSERT_NE(handle, 0u);
    gtktest::Settle(200);
    GdkDisplay* display = gdk_display_get_default();
    GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(display));
    gdk_device_warp(pointer, gdk_display_get_default_screen(display), 10, 10);
    gdk_display_flush(display);
    gtktest::Settle(100);
    std::vector<std::int32_t> seen;
    gdk_device_warp(pointer, gdk_display_get_default_screen(display), 260, 240);
    gdk_display_flush(display);
    const bool moved = WaitFor(
        [&](std::int32_t e) {
            seen.push_back(e);
            return e == platform::kMsgMouseMove;
        },
        2000);
    EXPECT_TRUE(moved);
    for (std::int32_t e : seen) {
        EXPECT_NE(e, gui::kGadgetEvent);
        EXPECT_NE(e, gui::kCloseEvent);
    }
}

}  // namespace
