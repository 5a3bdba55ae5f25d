// The GTK toolkit driver on its own: window classes, creation messages,
// window data, the controls' messages and notifications, destruction, the
// keyboard table, focus and the window tree.

#include <clocale>
#include <cstdlib>
#include <cstring>

#include "gtk_fixture.h"

namespace {

using gtktest::GuiTest;
using gtktest::NodeOf;
using gtktest::Received;

std::vector<Received> gLog;
bool gFailCreate = false;
bool gCloseByDefault = false;

std::intptr_t RecordingProc(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam) {
    gLog.push_back(Received{window, message, wParam, lParam});
    if (message == platform::kMsgCreate && gFailCreate) return -1;
    if (message == platform::kMsgClose && !gCloseByDefault) return 0;
    return platform::DefWindowProc(window, message, wParam, lParam);
}

// Put in front of a control: records and passes everything on.
platform::WindowProc gPrevious[4] = {};
platform::WindowHandle gSubclassed[4] = {};
std::intptr_t RecordingSubclass(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
    gLog.push_back(Received{window, message, wParam, lParam});
    for (int i = 0; i < 4; ++i) {
        if (gSubclassed[i] == window) return platform::CallWindowProc(gPrevious[i], window, message, wParam, lParam);
    }
    return platform::DefWindowProc(window, message, wParam, lParam);
}

std::vector<Received> MessagesOf(platform::WindowHandle window, std::uint32_t message) {
    std::vector<Received> found;
    for (const Received& r : gLog) {
        if (r.window == window && r.message == message) found.push_back(r);
    }
    return found;
}

class DriverTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        if (IsSkipped()) return;
        gLog.clear();
        gFailCreate = false;
        gCloseByDefault = false;
        std::memset(gSubclassed, 0, sizeof gSubclassed);
        platform::WindowClassTemplate tmpl{8, RecordingProc, 0, 0, 0, 16, "DriverTestClass"};
        platform::RegisterWindowClass(&tmpl);
    }
    void TearDown() override {
        if (!IsSkipped()) {
            for (platform::WindowHandle extra : extraWindows) platform::DestroyWindow(extra);
            extraWindows.clear();
            platform::UnregisterWindowClass("DriverTestClass", 0);
        }
        GuiTest::TearDown();
    }

    platform::WindowHandle Open(std::uint32_t style, int x, int y, int width, int height, const char* title = "t") {
        const platform::WindowHandle window = platform::CreateWindowEx(0, "DriverTestClass", title, style, x, y, width,
                                                                       height, 0, 0, 0);
        if (window != 0) extraWindows.push_back(window);
        return window;
    }

    platform::WindowHandle Child(platform::WindowHandle parent, const char* className, std::intptr_t id, int x = 0,
                                 int y = 0, int width = 60, int height = 20,
                                 std::uint32_t style = platform::kStyleChild | platform::kStyleVisible |
                                                       platform::kStyleTabStop) {
        return platform::CreateWindowEx(0, className, "&Go", style, x, y, width, height, parent, id, 0);
    }
};

TEST_F(DriverTest, ClassesRegisterOnceByNameAndStayWhileInUse) {
    platform::WindowClassTemplate tmpl{0, RecordingProc, 0, 0, 0, 0, "driverTESTclass"};
    EXPECT_FALSE(platform::RegisterWindowClass(&tmpl));  // names ignore case
    platform::WindowClassTemplate system{0, RecordingProc, 0, 0, 0, 0, "Button"};
    EXPECT_FALSE(platform::RegisterWindowClass(&system));
    EXPECT_EQ(platform::CreateWindowEx(0, "NoSuchClass", "x", 0, 0, 0, 10, 10, 0, 0, 0), 0u);

    const platform::WindowHandle window = Open(platform::kStyleCaption, 0, 0, 50, 20);
    ASSERT_NE(window, 0u);
    EXPECT_FALSE(platform::UnregisterWindowClass("DriverTestClass", 0));
    char name[64] = {};
    EXPECT_EQ(platform::GetClassName(window, name, sizeof name), 15);
    EXPECT_STREQ(name, "DriverTestClass");
    char prefix[5] = {};
    EXPECT_EQ(platform::GetClassName(window, prefix, sizeof prefix), 4);
    EXPECT_STREQ(prefix, "Driv");
    platform::DestroyWindow(window);
    EXPECT_TRUE(platform::UnregisterWindowClass("DriverTestClass", 0));
    EXPECT_FALSE(platform::UnregisterWindowClass("DriverTestClass", 0));
    EXPECT_EQ(Open(platform::kStyleCaption, 0, 0, 50, 20), 0u);
}

TEST_F(DriverTest, CreationSendsNcCreateCreateSizeAndMoveInThatOrder) {
    const platform::WindowHandle window = Open(platform::kStylePopup | platform::kStyleVisible, 30, 40, 123, 45);
    ASSERT_NE(window, 0u);
    ASSERT_GE(gLog.size(), 4u);
    EXPECT_EQ(gLog[0].message, platform::kMsgNcCreate);
    EXPECT_EQ(gLog[1].message, platform::kMsgCreate);
    EXPECT_EQ(gLog[2].message, platform::kMsgSize);
    EXPECT_EQ(gLog[2].lParam, (45 << 16) | 123);
    EXPECT_EQ(gLog[3].message, platform::kMsgMove);
    EXPECT_EQ(gLog[3].lParam, (40 << 16) | 30);
    EXPECT_EQ(platform::GetActiveWindow(), window);

    gFailCreate = true;
    gLog.clear();
    EXPECT_EQ(Open(platform::kStylePopup, 0, 0, 20, 20), 0u);
    ASSERT_FALSE(gLog.empty());
    EXPECT_EQ(gLog.back().message, platform::kMsgNcDestroy);
}

TEST_F(DriverTest, TheClientAreaIsExactlyTheAdjustedSize) {
    for (const std::uint32_t style : {platform::kStyleCaption | platform::kStyleSysMenu, platform::kStylePopup}) {
        platform::Rect rect{100, 100, 100 + 123, 100 + 45};
        platform::AdjustWindowRectangle(&rect, style | platform::kStyleVisible);
        const platform::WindowHandle window = Open(style | platform::kStyleVisible, rect.left, rect.top,
                                                   rect.right - rect.left, rect.bottom - rect.top);
        ASSERT_NE(window, 0u);
        gtktest::Settle(200);
        GdkWindow* client = gtk_widget_get_window(gtktest::WidgetOf(window));
        EXPECT_EQ(gdk_window_get_width(client), 123) << style;
        EXPECT_EQ(gdk_window_get_height(client), 45) << style;
        platform::Rect outer{};
        ASSERT_TRUE(platform::GetWindowRectangle(window, &outer));
        EXPECT_EQ(outer.right - outer.left, rect.right - rect.left);
        EXPECT_EQ(outer.bottom - outer.top, rect.bottom - rect.top);
        platform::DestroyWindow(window);
    }
}

TEST_F(DriverTest, ControlsNeedAParentWindowAndReportTheirClass) {
    const platform::WindowHandle window = Open(platform::kStyleCaption | platform::kStyleVisible, 0, 0, 200, 100);
    ASSERT_NE(window, 0u);
    EXPECT_EQ(platform::CreateWindowEx(0, "BUTTON", "x", platform::kStyleChild, 0, 0, 10, 10, 0, 1, 0), 0u);
    EXPECT_EQ(platform::CreateWindowEx(0, "BUTTON", "x", platform::kStyleChild, 0, 0, 10, 10, 0x7777, 1, 0), 0u);
    const platform::WindowHandle button = Child(window, "button", 5);
    const platform::WindowHandle combo = Child(window, "ComboBox", 6, 0, 30, 100, 80);
    ASSERT_NE(button, 0u);
    ASSERT_NE(combo, 0u);
    char name[16] = {};
    platform::GetClassName(button, name, sizeof name);
    EXPECT_STREQ(name, "BUTTON");
    platform::GetClassName(combo, name, sizeof name);
    EXPECT_STREQ(name, "COMBOBOX");
    EXPECT_TRUE(GTK_IS_BUTTON(gtktest::WidgetOf(button)));
    EXPECT_TRUE(GTK_IS_COMBO_BOX_TEXT(gtktest::WidgetOf(combo)));
    EXPECT_FALSE(gtk_combo_box_get_has_entry(GTK_COMBO_BOX(gtktest::WidgetOf(combo))));
    // "&Go": G is the mnemonic.
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(gtktest::WidgetOf(button))), "_Go");
    EXPECT_TRUE(gtk_button_get_use_underline(GTK_BUTTON(gtktest::WidgetOf(button))));
    EXPECT_EQ(platform::GetWindowLong(button, platform::kWindowLongId), 5);
    EXPECT_EQ(platform::GetWindowLong(combo, platform::kWindowLongId), 6);
}

TEST_F(DriverTest, WindowDataReadsAndWritesWithThePreviousValueReturned) {
    const platform::WindowHandle window = Open(platform::kStyleCaption | platform::kStyleVisible, 0, 0, 200, 100);
    const platform::WindowHandle button = Child(window, "BUTTON", 5);
    ASSERT_NE(button, 0u);
    EXPECT_EQ(platform::SetWindowLong(button, platform::kWindowLongId, 9), 5);
    EXPECT_EQ(platform::GetWindowLong(button, platform::kWindowLongId), 9);
    EXPECT_EQ(platform::SetWindowLong(button, platform::kWindowLongUserData, 1234), 0);
    EXPECT_EQ(platform::GetWindowLong(button, platform::kWindowLongUserData), 1234);
    const std::intptr_t own = platform::GetWindowLong(button, platform::kWindowLongProc);
    EXPECT_NE(own, 0);
    EXPECT_EQ(
        platform::SetWindowLong(button, platform::kWindowLongProc, reinterpret_cast<std::intptr_t>(RecordingSubclass)),
        own);
    EXPECT_EQ(platform::GetWindowLong(button, platform::kWindowLongProc),
              reinterpret_cast<std::intptr_t>(RecordingSubclass));
    EXPECT_EQ(platform::GetWindowLong(0x12345, platform::kWindowLongId), 0);
    EXPECT_EQ(platform::SetWindowLong(0x12345, platform::kWindowLongId, 3), 0);

    // Disabled through the style: GTK's widget follows.
    platform::SetWindowLong(button, platform::kWindowLongStyle,
                            platform::GetWindowLong(button, platform::kWindowLongStyle) | platform::kStyleDisabled);
    EXPECT_FALSE(platform::IsWindowEnabled(button));
    EXPECT_FALSE(gtk_widget_get_sensitive(gtktest::WidgetOf(button)));
    EXPECT_TRUE(platform::IsWindowEnabled(window));
}

TEST_F(DriverTest, TheWindowTreeInCreationOrder) {
    const platform::WindowHandle window = Open(platform::kStyleCaption | platform::kStyleVisible, 0, 0, 200, 100);
    const platform::WindowHandle other = Open(platform::kStyleCaption | platform::kStyleVisible, 0, 0, 50, 50);
    std::vector<platform::WindowHandle> made;
    for (int i = 0; i < 4; ++i) made.push_back(Child(window, i % 2 == 0 ? "BUTTON" : "COMBOBOX", 10 + i, 0, 20 * i));
    std::vector<platform::WindowHandle> seen;
    platform::EnumChildWindows(
        window,
        [](platform::WindowHandle child, std::intptr_t context) {
            reinterpret_cast<std::vector<platform::WindowHandle>*>(context)->push_back(child);
            return true;
        },
        reinterpret_cast<std::intptr_t>(&seen));
    EXPECT_EQ(seen, made);
    seen.clear();
    platform::EnumChildWindows(
        window,
        [](platform::WindowHandle child, std::intptr_t context) {
            reinterpret_cast<std::vector<platform::WindowHandle>*>(context)->push_back(child);
            return false;
        },
        reinterpret_cast<std::intptr_t>(&seen));
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_TRUE(platform::IsChild(window, made[2]));
    EXPECT_FALSE(platform::IsChild(other, made[2]));
    EXPECT_FALSE(platform::IsChild(window, window));
    EXPECT_FALSE(platform::IsChild(made[2], window));

    // Visible only while the window is.
    EXPECT_TRUE(platform::IsWindowVisible(made[0]));
    platform::ShowWindow(window, platform::kShowCommandHide);
    EXPECT_FALSE(platform::IsWindowVisible(made[0]));
    EXPECT_EQ(platform::GetWindowLong(made[0], platform::kWindowLongStyle) & platform::kStyleVisible,
              static_cast<std::intptr_t>(platform::kStyleVisible));
}

TEST_F(DriverTest, DestroyingAWindowGivesEveryControlWmNcDestroyAsItsLastMessage) {
    const platform::WindowHandle window = Open(platform::kStyleCaption | platform::kStyleVisible, 0, 0, 200, 100);
    const platform::WindowHandle button = Child(window, "BUTTON", 1);
    const platform::WindowHandle combo = Child(window, "COMBOBOX", 2, 0, 30);
    gSubclassed[0] = button;
    gSubclassed[1] = combo;
    gPrevious[0] = reinterpret_cast<platform::WindowProc>(
        platform::SetWindowLong(button, platform::kWindowLongProc, reinterpret_cast<std::intptr_t>(RecordingSubclass)));
    gPrevious[1] = reinterpret_cast<platform::WindowProc>(
        platform::SetWindowLong(combo, platform::kWindowLongProc, reinterpret_cast<std::intptr_t>(RecordingSubclass)));
    gtktest::Settle(100);
    gLog.clear();
    platform::DestroyWindow(window);

    // WM_DESTROY from the window down, WM_NCDESTROY from the controls up.
    std::vector<std::pair<platform::WindowHandle, std::uint32_t>> order;
    for (const Received& r : gLog) {
        if (r.message == platform::kMsgDestroy || r.message == platform::kMsgNcDestroy)
            order.emplace_back(r.window, r.message);
    }
    const std::vector<std::pair<platform::WindowHandle, std::uint32_t>> expected = {
        {window, platform::kMsgDestroy},  {button, platform::kMsgDestroy},   {combo, platform::kMsgDestroy},
        {combo, platform::kMsgNcDestroy}, {button, platform::kMsgNcDestroy}, {window, platform::kMsgNcDestroy}};
    EXPECT_EQ(order, expected);
    for (platform::WindowHandle control : {button, combo}) {
        std::uint32_t last = 0;
        for (const Received& r : gLog) {
            if (r.window == control) last = r.message;
        }
        EXPECT_EQ(last, platform::kMsgNcDestroy);
        EXPECT_EQ(NodeOf(control), nullptr);
        EXPECT_EQ(platform::SendMessage(control, platform::kComboBoxGetCount, 0, 0), 0);
    }
    EXPECT_EQ(NodeOf(window), nullptr);
    // Nothing reaches the gone windows afterwards.
    const std::size_t logged = gLog.size();
    gtktest::Settle(100);
    for (std::size_t i = logged; i < gLog.size(); ++i) {
        EXPECT_NE(gLog[i].window, button);
        EXPECT_NE(gLog[i].window, combo);
        EXPECT_NE(gLog[i].window, window);
    }
}

TEST_F(DriverTest, ComboBoxMessagesGiveTheirUsualResults) {
    const platform::WindowHandle window = Open(platform::kStyleCaption | platform::kStyleVisible, 0, 0, 200, 100);
    const platform::WindowHandle combo = Child(window, "COMBOBOX", 2);
    auto send = [&](std::uint32_t message, std::intptr_t wParam, const char* text = nullptr) {
        return platform::SendMessage(combo, message, static_cast<std::uintptr_t>(wParam),
                                     reinterpret_cast<std::intptr_t>(text));
    };
    EXPECT_EQ(send(platform::kComboBoxGetCurSel, 0), -1);
    EXPECT_EQ(send(platform::kComboBoxAddString, 0, "alpha"), 0);
    EXPECT_EQ(send(platform::kComboBoxInsertString, -1, "beta"), 1);
    EXPECT_EQ(send(platform::kComboBoxInsertString, 2, "Alpha"), 2);
    EXPECT_EQ(send(platform::kComboBoxInsertString, 4, "far"), -1);
    EXPECT_EQ(send(platform::kComboBoxGetCount, 0), 3);
    EXPECT_EQ(send(platform::kComboBoxGetLbTextLen, 1), 4);
    EXPECT_EQ(send(platform::kComboBoxGetLbTextLen, 3), -1);
    char buffer[16] = {};
    EXPECT_EQ(platform::SendMessage(combo, platform::kComboBoxGetLbText, 3, reinterpret_cast<std::intptr_t>(buffer)),
              -1);
    // Exact search ignores case, starts after the given index and wraps.
    EXPECT_EQ(send(platform::kComboBoxFindStringExact, -1, "ALPHA"), 0);
    EXPECT_EQ(send(platform::kComboBoxFindStringExact, 0, "alpha"), 2);
    EXPECT_EQ(send(platform::kComboBoxFindStringExact, 2, "alpha"), 0);
    EXPECT_EQ(send(platform::kComboBoxFindStringExact, -1, "alph"), -1);
    EXPECT_EQ(send(platform::kComboBoxFindStringExact, -1, nullptr), -1);
    // Selection.
    EXPECT_EQ(send(platform::kComboBoxSetCurSel, 2), 2);
    EXPECT_EQ(send(platform::kComboBoxDeleteString, 0), 2);
    EXPECT_EQ(send(platform::kComboBoxGetCurSel, 0), 1);
    EXPECT_EQ(send(platform::kComboBoxDeleteString, 1), 1);  // the selected item goes: no selection
    EXPECT_EQ(send(platform::kComboBoxGetCurSel, 0), -1);
    EXPECT_EQ(send(platform::kComboBoxDeleteString, 1), -1);
    EXPECT_EQ(send(platform::kComboBoxResetContent, 0), 0);
    EXPECT_EQ(send(platform::kComboBoxGetCount, 0), 0);
    // None of it told the parent anything.
    EXPECT_TRUE(MessagesOf(window, platform::kMsgCommand).empty());
}

TEST_F(DriverTest, AClickAndAnOpenedListNotifyTheParentWindow) {
    const platform::WindowHandle window = Open(platform::kStyleCaption | platform::kStyleVisible, 0, 0, 200, 100);
    const platform::WindowHandle button = Child(window, "BUTTON", 7);
    const platform::WindowHandle combo = Child(window, "COMBOBOX", 8, 0, 30, 120, 80);
    platform::SendMessage(combo, platform::kComboBoxAddString, 0, reinterpret_cast<std::intptr_t>("one"));
    gtktest::Settle(200);
    gLog.clear();
    platform::SendMessage(button, platform::kButtonClick, 0, 0);
    const std::vector<Received> clicks = MessagesOf(window, platform::kMsgCommand);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].wParam, static_cast<std::uintptr_t>((platform::kButtonClicked << 16) | 7));
    EXPECT_EQ(clicks[0].lParam, static_cast<std::intptr_t>(button));

    gLog.clear();
    platform::SendMessage(combo, platform::kComboBoxShowDropDown, 1, 0);
    gtktest::Settle(200);
    EXPECT_EQ(platform::SendMessage(combo, platform::kComboBoxGetDroppedState, 0, 0), 1);
    platform::SendMessage(combo, platform::kComboBoxShowDropDown, 0, 0);
    gtktest::Settle(100);
    EXPECT_EQ(platform::SendMessage(combo, platform::kComboBoxGetDroppedState, 0, 0), 0);
    std::vector<std::uint32_t> codes;
    for (const Received& r : MessagesOf(window, platform::kMsgCommand)) {
        EXPECT_EQ(r.lParam, static_cast<std::intptr_t>(combo));
        EXPECT_EQ(r.wParam & 0xFFFF, 8u);
        codes.push_back(static_cast<std::uint32_t>(r.wParam >> 16));
    }
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(codes.front(), platform::kComboBoxDropDown);
    EXPECT_EQ(codes.back(), platform::kComboBoxCloseUp);
}

TEST_F(DriverTest, FocusChangesReachTheControlsAndTheComboBoxNotifiesThem) {
    const platform::WindowHandle window = Open(platform::kStyleCaption | platform::kStyleVisible, 0, 0, 200, 100);
    const platform::WindowHandle button = Child(window, "BUTTON", 7);
    const platform::WindowHandle combo = Child(window, "COMBOBOX", 8, 0, 30, 120, 80);
    gSubclassed[0] = combo;
    gPrevious[0] = reinterpret_cast<platform::WindowProc>(
        platform::SetWindowLong(combo, platform::kWindowLongProc, reinterpret_cast<std::intptr_t>(RecordingSubclass)));
    gtktest::Settle(100);
    EXPECT_EQ(platform::GetFocus(), window);
    gLog.clear();
    EXPECT_EQ(platform::SetFocus(combo), window);
    EXPECT_EQ(platform::GetFocus(), combo);
    EXPECT_EQ(MessagesOf(combo, platform::kMsgSetFocus).size(), 1u);
    std::vector<Received> notes = MessagesOf(window, platform::kMsgCommand);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].wParam >> 16, platform::kComboBoxSetFocus);
    gLog.clear();
    EXPECT_EQ(platform::SetFocus(button), combo);
    EXPECT_EQ(MessagesOf(combo, platform::kMsgKillFocus).size(), 1u);
    notes = MessagesOf(window, platform::kMsgCommand);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].wParam >> 16, platform::kComboBoxKillFocus);
    // Back to the window itself.
    EXPECT_EQ(platform::SetFocus(window), button);
    EXPECT_EQ(platform::GetFocus(), window);
}

TEST_F(DriverTest, TheCloseBoxSendsWmCloseAndTheDefaultProcessingDestroysTheWindow) {
    const platform::WindowHandle window = Open(
        platform::kStyleCaption | platform::kStyleSysMenu | platform::kStyleVisible, 0, 0, 100, 50);
    gtktest::Settle(100);
    gLog.clear();
    gtktest::RequestClose(window);
    gtktest::Settle(200);
    EXPECT_EQ(MessagesOf(window, platform::kMsgClose).size(), 1u);
    EXPECT_NE(NodeOf(window), nullptr);  // the procedure kept it

    gCloseByDefault = true;
    gtktest::RequestClose(window);
    gtktest::Settle(200);
    EXPECT_EQ(NodeOf(window), nullptr);  // DefWindowProc closed it
}

TEST_F(DriverTest, TheKeyboardTableTurnsTabIntoCommandsOnlyWithTheRightModifiers) {
    const platform::WindowHandle window = Open(platform::kStyleCaption | platform::kStyleVisible, 0, 0, 100, 50);
    const platform::AcceleratorEntry entries[2] = {{3, platform::kVkTab, 1212}, {7, platform::kVkTab, 1213}};
    const platform::AcceleratorHandle table = platform::CreateAcceleratorTable(entries, 2);
    ASSERT_NE(table, 0u);
    gtktest::Settle(100);

    struct Case {
        guint keyval;
        GdkModifierType modifiers;
        std::intptr_t command;  // 0: no translation
    };
    const Case cases[] = {{GDK_KEY_Tab, GdkModifierType(0), 1212},
                          {GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK, 1213},
                          {GDK_KEY_Tab, GDK_CONTROL_MASK, 0},
                          {GDK_KEY_Down, GdkModifierType(0), 0}};
    for (const Case& c : cases) {
        gtktest::PressKey(window, c.keyval, c.modifiers);
        platform::Message message{};
        bool translated = false;
        bool sawKey = false;
        for (int i = 0; i < 40 && !sawKey; ++i) {
            const guint timer = g_timeout_add(50, gtktest::PutNothing, nullptr);
            platform::GetMessage(&message);
            g_source_remove(timer);
            if (message.message != platform::kMsgKeyDown) {
                platform::DispatchMessage(&message);
                continue;
            }
            sawKey = true;
            gLog.clear();
            EXPECT_EQ((platform::GetKeyState(platform::kVkTab) & 0x80) != 0, c.keyval != GDK_KEY_Down);
            EXPECT_EQ((platform::GetKeyState(platform::kVkShift) & 0x80) != 0, c.modifiers == GDK_SHIFT_MASK);
            translated = platform::TranslateAccelerator(window, table, &message);
            if (!translated) platform::DispatchMessage(&message);
        }
        ASSERT_TRUE(sawKey) << c.keyval;
        EXPECT_EQ(translated, c.command != 0) << c.keyval;
        if (c.command != 0) {
            const std::vector<Received> commands = MessagesOf(window, platform::kMsgCommand);
            ASSERT_EQ(commands.size(), 1u);
            EXPECT_EQ(commands[0].wParam, static_cast<std::uintptr_t>((1 << 16) | c.command));
            EXPECT_EQ(commands[0].lParam, 0);
        }
        gtktest::Settle(60);
    }
    EXPECT_EQ(platform::GetKeyState(platform::kVkTab) & 0x80, 0);
    platform::DestroyAcceleratorTable(table);
    platform::Message fake{window, platform::kMsgKeyDown, platform::kVkTab, 0};
    EXPECT_FALSE(platform::TranslateAccelerator(window, table, &fake));
}

TEST_F(DriverTest, TextsKeepTheCallersBytesAndGtkGetsUtf8) {
    const platform::WindowHandle window = Open(platform::kStyleCaption | platform::kStyleVisible, 0, 0, 100, 50,
                                               "Caf\xe9");
    ASSERT_NE(window, 0u);
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(gtktest::WidgetOf(window))), "Caf\xc3\xa9");
    EXPECT_EQ(gtktest::TextOf(window), "Caf\xe9");
    platform::SetWindowText(window, "new_title");
    EXPECT_EQ(gtktest::TextOf(window), "new_title");
    EXPECT_EQ(platform::SendMessage(window, platform::kMsgGetTextLength, 0, 0), 9);
    char small[4] = {};
    EXPECT_EQ(
        platform::SendMessage(window, platform::kMsgGetText, sizeof small, reinterpret_cast<std::intptr_t>(small)), 3);
    EXPECT_STREQ(small, "new");
    const platform::WindowHandle button = Child(window, "BUTTON", 1);
    platform::SetWindowText(button, "a_b && c");
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(gtktest::WidgetOf(button))), "a__b & c");
}

// A title's bytes are UTF-8 when they read as UTF-8; otherwise they are the
// Windows code page that presentations were written in.
TEST_F(DriverTest, TitlesAreUtf8WhenTheyReadSoAndWindows1252Otherwise) {
    const struct {
        const char* bytes;
        const char* shown;
    } cases[] = {
        {"Plain title", "Plain title"},
        {"Caf\xc3\xa9 \xe2\x80\x94 menu", "Caf\xc3\xa9 \xe2\x80\x94 menu"},              // UTF-8
        {"Caf\xe9", "Caf\xc3\xa9"},                                                      // Latin-1 range
        {"\x80 \x93q\x94 \x85", "\xe2\x82\xac \xe2\x80\x9cq\xe2\x80\x9d \xe2\x80\xa6"},  // 0x80-0x9F
        {"\x81\x9f\xff", "\xc2\x81\xc5\xb8\xc3\xbf"},  // an undefined byte stands for itself
        {"\xc3\x28", "\xc3\x83("},                     // broken UTF-8 is Windows-1252
    };
    for (const auto& c : cases) {
        const platform::WindowHandle window = Open(platform::kStyleCaption | platform::kStyleVisible, 0, 0, 100, 50,
                                                   c.bytes);
        ASSERT_NE(window, 0u);
        EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(gtktest::WidgetOf(window))), c.shown) << c.bytes;
        EXPECT_EQ(gtktest::TextOf(window), c.bytes);
        platform::DestroyWindow(window);
    }
}

}  // namespace

namespace {

// GTK's start-up must leave the C library's locale alone: under a locale
// with a decimal comma the script's "0.250" would read as 0.
TEST(ToolkitLocaleTest, StartingGtkKeepsNumbersInTheCLocale) {
    alarm(60);
    char folder[] = "/tmp/rodazaro-locale-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string locale = std::string(folder) + "/de_DE.ISO-8859-1";
    const std::string make = "localedef -i de_DE -f ISO-8859-1 " + locale + " >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0) {
        std::system(("rm -rf " + std::string(folder)).c_str());
        alarm(0);
        GTEST_SKIP() << "no de_DE locale can be made here";
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("LOCPATH", folder, 1);
            setenv("LC_ALL", "de_DE.ISO-8859-1", 1);
            setenv("LANG", "de_DE.ISO-8859-1", 1);
            // The locale works: a program that asks for it gets the comma.
            if (setlocale(LC_ALL, "") == nullptr) _exit(2);
            if (std::strtod("0.250", nullptr) == 0.25) _exit(3);
            setlocale(LC_ALL, "C");
            if (platform::GetScreenWidth() == 0) _exit(4);  // GTK has started
            _exit(std::strtod("0.250", nullptr) == 0.25 && runtime::ParseFloat("0.250") == 0.25f ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    std::system(("rm -rf " + std::string(folder)).c_str());
    alarm(0);
}

}  // namespace
