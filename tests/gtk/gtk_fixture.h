// Shared by the tests of the GTK toolkit driver, the window and gadget
// libraries and the launcher: real windows on the X server the tests run
// under.  Every wait for a message is bounded: a timer puts an event that
// means nothing on the queue, so a message that never comes fails a test
// instead of hanging it, and an alarm ends a test that hangs all the same.
#pragma once

#include <gdk/gdk.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "gui/gadgets.h"
#include "gui/windows.h"
#include "platform/gtk/toolkit_internal.h"
#include "platform/toolkit.h"
#include "player/player_state.h"
#include "runtime/heaps.h"
#include "runtime/strings.h"

namespace gtktest {

inline gboolean PutNothing(gpointer) {
    GdkDisplay* display = gdk_display_get_default();
    if (display != nullptr) {
        GdkEvent* event = gdk_event_new(GDK_NOTHING);
        gdk_display_put_event(display, event);
        gdk_event_free(event);
    }
    return G_SOURCE_REMOVE;
}

// One WaitEvent that returns after at most about `ms` milliseconds.
inline std::int32_t WaitEventWithin(unsigned ms) {
    const guint timer = g_timeout_add(ms, PutNothing, nullptr);
    const std::int32_t result = gui::WaitEvent();
    GSource* source = g_main_context_find_source_by_id(nullptr, timer);
    if (source != nullptr && !g_source_is_destroyed(source)) g_source_remove(timer);
    return result;
}

// Waits until `wanted` holds for a result of WaitEvent, for at most `ms`.
inline bool WaitFor(const std::function<bool(std::int32_t)>& wanted, unsigned ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (wanted(WaitEventWithin(50))) return true;
    }
    return false;
}

// Takes every message for `ms`, collecting the results.
inline std::vector<std::int32_t> Settle(unsigned ms) {
    std::vector<std::int32_t> results;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) results.push_back(WaitEventWithin(20));
    return results;
}

inline platform::gtk::Node* NodeOf(platform::WindowHandle handle) { return platform::gtk::FindNode(handle); }

inline GtkWidget* WidgetOf(platform::WindowHandle handle) {
    platform::gtk::Node* node = NodeOf(handle);
    return node == nullptr ? nullptr : node->widget;
}

inline GdkWindow* GdkWindowOf(platform::WindowHandle handle) {
    GtkWidget* widget = WidgetOf(handle);
    if (widget == nullptr) return nullptr;
    if (GTK_IS_BUTTON(widget)) return gtk_button_get_event_window(GTK_BUTTON(widget));
    return gtk_widget_get_window(gtk_widget_get_toplevel(widget));
}

// A key pressed and released on a top-level window, through the X server.
inline void PressKey(platform::WindowHandle topLevel, guint keyval, GdkModifierType modifiers = GdkModifierType(0)) {
    GdkWindow* window = GdkWindowOf(topLevel);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(gdk_test_simulate_key(window, -1, -1, keyval, modifiers, GDK_KEY_PRESS));
    ASSERT_TRUE(gdk_test_simulate_key(window, -1, -1, keyval, modifiers, GDK_KEY_RELEASE));
}

// A left click in the middle of a button, through the X server.
inline void ClickButton(platform::WindowHandle button) {
    GtkWidget* widget = WidgetOf(button);
    ASSERT_NE(widget, nullptr);
    GdkWindow* window = GdkWindowOf(button);
    ASSERT_NE(window, nullptr);
    const int x = gtk_widget_get_allocated_width(widget) / 2;
    const int y = gtk_widget_get_allocated_height(widget) / 2;
    ASSERT_TRUE(gdk_test_simulate_button(window, x, y, 1, GdkModifierType(0), GDK_BUTTON_PRESS));
    ASSERT_TRUE(gdk_test_simulate_button(window, x, y, 1, GdkModifierType(0), GDK_BUTTON_RELEASE));
}

// The window manager's close request for a top-level window.
inline void RequestClose(platform::WindowHandle topLevel) {
    GdkWindow* window = GdkWindowOf(topLevel);
    ASSERT_NE(window, nullptr);
    GdkEvent* event = gdk_event_new(GDK_DELETE);
    event->any.window = GDK_WINDOW(g_object_ref(window));
    event->any.send_event = TRUE;
    gdk_display_put_event(gdk_window_get_display(window), event);
    gdk_event_free(event);
}

inline GtkAllocation AllocationOf(platform::WindowHandle handle) {
    GtkAllocation allocation{};
    gtk_widget_get_allocation(WidgetOf(handle), &allocation);
    return allocation;
}

inline std::string TextOf(platform::WindowHandle handle) {
    char buffer[256] = {};
    platform::SendMessage(handle, platform::kMsgGetText, sizeof buffer, reinterpret_cast<std::intptr_t>(buffer));
    return buffer;
}

// Messages one procedure received.
struct Received {
    platform::WindowHandle window;
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

// The runtime and both libraries as start-up leaves them; every window is
// closed again afterwards.
class GuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        alarm(60);
        // The keys and clicks the tests send through the X server are core
        // protocol events; GDK reads those only with core devices.
        setenv("GDK_CORE_DEVICE_EVENTS", "1", 0);
        player::gPlayer = player::PlayerState{};
        player::gPlayer.programHeap = runtime::CreateProgramHeap();
        runtime::CreateObjectHeap();
        runtime::InitStrings();
        gui::InitWindowLibrary();
        gui::InitGadgetLibrary();
        if (platform::GetScreenWidth() == 0) GTEST_SKIP() << "no display";
    }

    void TearDown() override {
        gui::FreeAllWindows();
        for (platform::WindowHandle extra : extraWindows) platform::DestroyWindow(extra);
        extraWindows.clear();
        Settle(30);
        runtime::ResetStrings();
        runtime::DestroyObjectHeap();
        runtime::DestroyProgramHeap();
        player::gPlayer = player::PlayerState{};
        alarm(0);
    }

    std::vector<platform::WindowHandle> extraWindows;
};

}  // namespace gtktest
