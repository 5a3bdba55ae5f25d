// The gadget library on real controls: creation, items and values, the
// kinds' operation slots, the events of clicks and focus, Tab navigation.

#include <cstring>

#include "gtk_fixture.h"

namespace {

using gtktest::GuiTest;
using gtktest::NodeOf;
using gtktest::WaitEventWithin;
using gtktest::WaitFor;

constexpr std::uint32_t kLauncherFlags = 0xC80001;
const char* const kModes[] = {"1024x768x32", "800x600x32", "640x480x32", "1024x768x16", "800x600x16", "640x480x16"};

class GadgetTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        if (IsSkipped()) return;
        window = static_cast<platform::WindowHandle>(gui::OpenWindow(1, 0, 0, 150, 40, kLauncherFlags, "gadgets"));
        ASSERT_NE(window, 0u);
        gui::SetGadgetParent(gui::GetWindowHandle());
    }

    // The launcher's two gadgets.
    void CreateLauncherGadgets() {
        button = static_cast<platform::WindowHandle>(gui::CreateButton(2, 0, 20, 150, 20, "Run"));
        combo = static_cast<platform::WindowHandle>(gui::CreateComboBox(1, 0, 0, 150, 60));
        ASSERT_NE(button, 0u);
        ASSERT_NE(combo, 0u);
        for (const char* mode : kModes) gui::InsertGadgetItem(1, -1, mode);
        gui::SetGadgetValue(1, 0);
    }

    platform::WindowHandle window = 0;
    platform::WindowHandle button = 0;
    platform::WindowHandle combo = 0;
};

std::string ItemText(platform::WindowHandle combo, int index) {
    char buffer[64] = {};
    platform::SendMessage(combo, platform::kComboBoxGetLbText, static_cast<std::uintptr_t>(index),
                          reinterpret_cast<std::intptr_t>(buffer));
    return buffer;
}

TEST_F(GadgetTest, TheLaunchersListHoldsTheSixModesInOrderWithTheFirstSelected) {
    CreateLauncherGadgets();
    EXPECT_EQ(platform::SendMessage(combo, platform::kComboBoxGetCount, 0, 0), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(ItemText(combo, i), kModes[i]) << i;
    EXPECT_EQ(gui::GetGadgetValue(1), 0);
    gchar* shown = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(gtktest::WidgetOf(combo)));
    ASSERT_NE(shown, nullptr);
    EXPECT_STREQ(shown, "1024x768x32");
    g_free(shown);
    EXPECT_EQ(gtktest::TextOf(button), "Run");
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(gtktest::WidgetOf(button))), "Run");

    // Styles and identifiers as the library asked for them.
    EXPECT_EQ(static_cast<std::uint32_t>(platform::GetWindowLong(button, platform::kWindowLongStyle)), 0x50030000u);
    EXPECT_EQ(static_cast<std::uint32_t>(platform::GetWindowLong(combo, platform::kWindowLongStyle)), 0x50A30203u);
    EXPECT_EQ(platform::GetWindowLong(combo, platform::kWindowLongExStyle), 0x200);
    EXPECT_EQ(platform::GetWindowLong(button, platform::kWindowLongId), 2);
    EXPECT_EQ(platform::GetWindowLong(combo, platform::kWindowLongId), 1);
    EXPECT_EQ(platform::GetWindowLong(button, platform::kWindowLongProc),
              reinterpret_cast<std::intptr_t>(gui::GadgetProc));
    EXPECT_EQ(platform::SendMessage(combo, platform::kMsgGetFont, 0, 0),
              static_cast<std::intptr_t>(platform::GetDefaultGuiFont()));
    EXPECT_EQ(gui::GetGadgetKind(1), &gui::ComboBoxKind);
    EXPECT_EQ(gui::GetGadgetKind(2), &gui::ButtonKind);
}

TEST_F(GadgetTest, BothControlsFitTheirRectanglesInTheClientArea) {
    CreateLauncherGadgets();
    gtktest::Settle(300);
    const GtkAllocation buttonArea = gtktest::AllocationOf(button);
    EXPECT_EQ(buttonArea.x, 0);
    EXPECT_EQ(buttonArea.y, 20);
    EXPECT_EQ(buttonArea.width, 150);
    EXPECT_EQ(buttonArea.height, 20);
    const GtkAllocation comboArea = gtktest::AllocationOf(combo);
    EXPECT_EQ(comboArea.x, 0);
    EXPECT_EQ(comboArea.y, 0);
    EXPECT_EQ(comboArea.width, 150);
    EXPECT_EQ(comboArea.height, 20);
    // The window did not grow around them.
    GdkWindow* client = gtk_widget_get_window(gtktest::WidgetOf(window));
    EXPECT_EQ(gdk_window_get_width(client), 150);
    EXPECT_EQ(gdk_window_get_height(client), 40);
    // Their labels fit: the texts' natural sizes are inside the rectangles.
    int minimum = 0;
    int natural = 0;
    gtk_widget_get_preferred_height(gtktest::WidgetOf(button), &minimum, &natural);
    EXPECT_LE(minimum, 20);
    gtk_widget_get_preferred_height(gtktest::WidgetOf(combo), &minimum, &natural);
    EXPECT_LE(minimum, 20);
    gtk_widget_get_preferred_width(gtktest::WidgetOf(combo), &minimum, &natural);
    EXPECT_LE(minimum, 150);
}

TEST_F(GadgetTest, AClearedOrEmptyListHasNoValueAndSettingAValueRaisesNoEvent) {
    CreateLauncherGadgets();
    gtktest::Settle(100);
    EXPECT_EQ(gui::SetGadgetValue(1, -1), -1);
    EXPECT_EQ(gui::GetGadgetValue(1), -1);
    EXPECT_EQ(gui::SetGadgetValue(1, 4), 4);
    EXPECT_EQ(gui::GetGadgetValue(1), 4);
    EXPECT_EQ(gui::SetGadgetValue(1, 6), -1);  // past the end: the selection is cleared
    EXPECT_EQ(gui::GetGadgetValue(1), -1);
    EXPECT_EQ(gui::SetGadgetValue(1, 2), 2);
    // None of this raised an event: the next wait reports only its own message.
    EXPECT_NE(WaitEventWithin(50), gui::kGadgetEvent);

    ASSERT_NE(gui::CreateComboBox(3, 0, 0, 100, 60), 0);
    EXPECT_EQ(gui::GetGadgetValue(3), -1);
    EXPECT_EQ(gui::SetGadgetValue(3, 0), -1);
}

TEST_F(GadgetTest, ItemsGoWhereTheyAreInsertedAndTheSelectionFollowsItsItem) {
    combo = static_cast<platform::WindowHandle>(gui::CreateComboBox(1, 0, 0, 150, 60));
    ASSERT_NE(combo, 0u);
    EXPECT_EQ(gui::InsertGadgetItem(1, -1, "b"), 0);
    EXPECT_EQ(gui::InsertGadgetItem(1, 0, "a"), 0);
    EXPECT_EQ(gui::InsertGadgetItem(1, 2, "d"), 2);
    EXPECT_EQ(gui::InsertGadgetItem(1, 2, "c"), 2);
    EXPECT_EQ(gui::InsertGadgetItem(1, 9, "x"), -1);  // beyond the end
    EXPECT_EQ(gui::InsertGadgetItem(1, -2, "x"), -1);
    EXPECT_EQ(gui::InsertGadgetItem(1, -1, nullptr), 4);  // an absent text is an empty item
    EXPECT_EQ(platform::SendMessage(combo, platform::kComboBoxGetCount, 0, 0), 5);
    EXPECT_EQ(ItemText(combo, 0), "a");
    EXPECT_EQ(ItemText(combo, 1), "b");
    EXPECT_EQ(ItemText(combo, 2), "c");
    EXPECT_EQ(ItemText(combo, 3), "d");
    EXPECT_EQ(ItemText(combo, 4), "");
    EXPECT_EQ(gui::SetGadgetValue(1, 1), 1);
    gui::InsertGadgetItem(1, 0, "first");
    EXPECT_EQ(gui::GetGadgetValue(1), 2);
    EXPECT_EQ(ItemText(combo, 2), "b");
}

TEST_F(GadgetTest, TheButtonHasNoItemsAndNoValue) {
    CreateLauncherGadgets();
    EXPECT_EQ(gui::InsertGadgetItem(2, -1, "item"), 0);
    EXPECT_EQ(gui::SetGadgetValue(2, 1), 0);
    EXPECT_EQ(gui::GetGadgetValue(2), 0);
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(gtktest::WidgetOf(button))), "Run");
    // Numbers that hold no gadget.
    EXPECT_EQ(gui::InsertGadgetItem(9, -1, "item"), 0);
    EXPECT_EQ(gui::SetGadgetValue(9, 1), 0);
    EXPECT_EQ(gui::GetGadgetValue(-7), 0);
}

TEST_F(GadgetTest, CreatingANumberAgainDestroysTheFirstControl) {
    const auto first = static_cast<platform::WindowHandle>(gui::CreateButton(2, 0, 20, 150, 20, "Run"));
    ASSERT_NE(first, 0u);
    const auto second = static_cast<platform::WindowHandle>(gui::CreateButton(2, 0, 20, 150, 20, "Again"));
    ASSERT_NE(second, 0u);
    EXPECT_NE(first, second);
    EXPECT_EQ(NodeOf(first), nullptr);
    EXPECT_EQ(gui::GetGadgetHandle(2), second);
    EXPECT_EQ(NodeOf(window)->children.size(), 1u);
    GList* children = gtk_container_get_children(GTK_CONTAINER(NodeOf(window)->client));
    EXPECT_EQ(g_list_length(children), 1u);
    g_list_free(children);
}

TEST_F(GadgetTest, ClosingTheWindowFreesItsGadgetNumbers) {
    CreateLauncherGadgets();
    gui::FreeWindow(1);
    EXPECT_EQ(gui::GetGadgetHandle(1), 0u);
    EXPECT_EQ(gui::GetGadgetHandle(2), 0u);
    EXPECT_EQ(NodeOf(button), nullptr);
    EXPECT_EQ(NodeOf(combo), nullptr);
}

TEST_F(GadgetTest, NumberThirtyGrowsTheTableToSixtyAndMinusOneGivesADynamicNumber) {
    EXPECT_EQ(gui::GadgetTable().capacity, 30);
    ASSERT_NE(gui::CreateButton(30, 0, 0, 50, 20, "30"), 0);
    EXPECT_EQ(gui::GadgetTable().capacity, 60);

    const std::intptr_t number = gui::CreateButton(-1, 50, 0, 50, 20, "dyn");
    ASSERT_GE(number, runtime::kFirstDynamicHandle);
    const platform::WindowHandle control = gui::GetGadgetHandle(static_cast<std::int32_t>(number));
    ASSERT_NE(control, 0u);
    EXPECT_EQ(platform::GetWindowLong(control, platform::kWindowLongId), number);
    gtktest::Settle(200);
    gtktest::ClickButton(control);
    EXPECT_TRUE(WaitFor([](std::int32_t e) { return e == gui::kGadgetEvent; }, 2000));
    EXPECT_EQ(gui::GetEventGadget(), number);
    gui::FreeWindow(1);
    EXPECT_EQ(runtime::DynamicObjectCount(gui::GadgetTable()), 0);
}

TEST_F(GadgetTest, ADynamicNumberIsGoneOnceItsControlIsDestroyed) {
    const std::intptr_t number = gui::CreateButton(-1, 0, 0, 50, 20, "dyn");
    ASSERT_GE(number, runtime::kFirstDynamicHandle);
    // Creating under the same number destroys the control, whose record goes
    // with it: nothing is created and no freed record is written.
    EXPECT_EQ(gui::CreateButton(static_cast<std::int32_t>(number), 0, 0, 50, 20, "again"), 0);
    EXPECT_EQ(gui::GetGadgetHandle(static_cast<std::int32_t>(number)), 0u);
    EXPECT_EQ(runtime::DynamicObjectCount(gui::GadgetTable()), 0);
}

TEST_F(GadgetTest, WithoutAParentNoControlIsMadeAndTheNumberStaysFree) {
    gui::SetGadgetParent(0);
    EXPECT_EQ(gui::CreateButton(5, 0, 0, 10, 10, "x"), 0);
    EXPECT_EQ(gui::GetGadgetHandle(5), 0u);
    EXPECT_EQ(gui::CreateComboBox(-1, 0, 0, 10, 10), 0);
    EXPECT_EQ(runtime::DynamicObjectCount(gui::GadgetTable()), 0);
}

TEST_F(GadgetTest, ClickingTheButtonRaisesAGadgetEventForGadgetTwo) {
    CreateLauncherGadgets();
    gtktest::Settle(300);
    gtktest::ClickButton(button);
    EXPECT_TRUE(WaitFor([](std::int32_t e) { return e == gui::kGadgetEvent; }, 2000));
    EXPECT_EQ(gui::GetEventGadget(), 2);
    // The event gadget stays until the next gadget event.
    gtktest::Settle(100);
    EXPECT_EQ(gui::GetEventGadget(), 2);
}

TEST_F(GadgetTest, FocusAndListChangesOfTheComboBoxRaiseGadgetEventsForIt) {
    CreateLauncherGadgets();
    gtktest::Settle(200);
    // Focus moved into the list by the program.
    platform::SetFocus(combo);
    EXPECT_EQ(platform::GetFocus(), combo);
    EXPECT_EQ(gtktest::WaitEventWithin(50), gui::kGadgetEvent);
    EXPECT_EQ(gui::GetEventGadget(), 1);
    // Out of it again, onto the button.
    platform::SetFocus(button);
    EXPECT_EQ(platform::GetFocus(), button);
    EXPECT_EQ(gtktest::WaitEventWithin(50), gui::kGadgetEvent);
    EXPECT_EQ(gui::GetEventGadget(), 1);
    // A selection made by the user (a key on the focused list).
    platform::SetFocus(combo);
    gtktest::Settle(50);
    gtktest::PressKey(window, GDK_KEY_Down);
    EXPECT_TRUE(WaitFor([](std::int32_t e) { return e == gui::kGadgetEvent; }, 2000));
    EXPECT_EQ(gui::GetEventGadget(), 1);
    EXPECT_EQ(gui::GetGadgetValue(1), 1);
}

// Tab moves the focus through the controls in creation order, Shift+Tab
// the other way, both wrapping round.
TEST_F(GadgetTest, TabAndShiftTabMoveTheFocusRoundTheControls) {
    CreateLauncherGadgets();
    const auto third = static_cast<platform::WindowHandle>(gui::CreateButton(3, 100, 0, 50, 20, "3"));
    ASSERT_NE(third, 0u);
    gtktest::Settle(200);
    ASSERT_EQ(platform::GetActiveWindow(), window);
    ASSERT_EQ(platform::GetFocus(), window);

    struct Step {
        guint keyval;
        GdkModifierType modifiers;
        platform::WindowHandle focus;
    };
    const Step steps[] = {
        {GDK_KEY_Tab, GdkModifierType(0), button},  // from the window itself to the first
        {GDK_KEY_Tab, GdkModifierType(0), combo},      {GDK_KEY_Tab, GdkModifierType(0), third},
        {GDK_KEY_Tab, GdkModifierType(0), button},      // from the last round to the first
        {GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK, third},  // from the first round to the last
        {GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK, combo}, {GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK, button},
    };
    int index = 0;
    for (const Step& step : steps) {
        gtktest::PressKey(window, step.keyval, step.modifiers);
        EXPECT_TRUE(WaitFor([&](std::int32_t) { return platform::GetFocus() == step.focus; }, 2000))
            << "step " << index;
        gtktest::Settle(50);
        // GTK's own focus chain did not move it further.
        EXPECT_EQ(platform::GetFocus(), step.focus) << "step " << index;
        ++index;
    }
}

TEST_F(GadgetTest, ShiftTabWithNothingFocusedGoesToTheLastControlAndSkipsDisabledOnes) {
    CreateLauncherGadgets();
    const auto third = static_cast<platform::WindowHandle>(gui::CreateButton(3, 0, 0, 10, 10, "3"));
    ASSERT_NE(third, 0u);
    // Not a candidate: disabled.
    platform::SetWindowLong(third, platform::kWindowLongStyle,
                            platform::GetWindowLong(third, platform::kWindowLongStyle) | platform::kStyleDisabled);
    gtktest::Settle(200);
    ASSERT_EQ(platform::GetFocus(), window);
    gui::FocusPreviousGadget();
    EXPECT_EQ(platform::GetFocus(), combo);
    gui::FocusNextGadget();
    EXPECT_EQ(platform::GetFocus(), button);  // round past the disabled third
    gui::FocusPreviousGadget();
    EXPECT_EQ(platform::GetFocus(), combo);
    // A hidden control is no candidate either.
    platform::ShowWindow(button, platform::kShowCommandHide);
    gui::FocusNextGadget();
    EXPECT_EQ(platform::GetFocus(), combo);
}

TEST_F(GadgetTest, TheKindSlotsOfTheComboBox) {
    CreateLauncherGadgets();
    const gui::GadgetKind& kind = gui::ComboBoxKind;
    EXPECT_EQ(kind.countItems(combo), 6);
    // Set text: selects the item of that text, whatever its case.
    EXPECT_EQ(kind.setText(combo, "800X600X16"), 4);
    EXPECT_EQ(gui::GetGadgetValue(1), 4);
    EXPECT_EQ(kind.setText(combo, "nothing like it"), -1);
    EXPECT_EQ(gui::GetGadgetValue(1), 4);
    EXPECT_EQ(kind.setText(combo, ""), -1);
    EXPECT_EQ(gui::GetGadgetValue(1), -1);
    // Item text lands at the top of the temporary string area.
    char* before = runtime::TemporaryTop();
    char* text = kind.getItemText(combo, 1);
    EXPECT_EQ(text, before);
    EXPECT_STREQ(text, "800x600x32");
    EXPECT_EQ(runtime::TemporaryTop(), before + std::strlen("800x600x32"));
    char* missing = kind.getItemText(combo, 17);
    EXPECT_STREQ(missing, "");
    EXPECT_EQ(runtime::TemporaryTop(), missing);
    // Replace an item, remove one, clear them all.
    EXPECT_EQ(kind.setItemText(combo, 2, "320x200x8"), 2);
    EXPECT_EQ(ItemText(combo, 2), "320x200x8");
    EXPECT_EQ(kind.countItems(combo), 6);
    EXPECT_EQ(kind.removeItem(combo, 0), 5);
    EXPECT_EQ(kind.removeItem(combo, 5), -1);
    EXPECT_EQ(ItemText(combo, 0), "800x600x32");
    EXPECT_EQ(kind.clearItems(combo), 0);
    EXPECT_EQ(kind.countItems(combo), 0);
    EXPECT_EQ(gui::GetGadgetValue(1), -1);
    // The button kind has only the value slots.
    EXPECT_EQ(gui::ButtonKind.insertItem, nullptr);
    EXPECT_EQ(gui::ButtonKind.free, nullptr);
    EXPECT_NE(gui::ButtonKind.getValue, nullptr);
}

TEST_F(GadgetTest, AnItemTextLongerThanTheRoomLeftIsCutAtTheEndOfTheArea) {
    combo = static_cast<platform::WindowHandle>(gui::CreateComboBox(1, 0, 0, 150, 60));
    ASSERT_NE(combo, 0u);
    gui::InsertGadgetItem(1, -1, "0123456789");
    char* end = runtime::TemporaryAreaEnd();
    runtime::SetTemporaryTop(end - 5);
    char* text = gui::ComboBoxKind.getItemText(combo, 0);
    EXPECT_EQ(text, end - 5);
    EXPECT_STREQ(text, "0123");
    EXPECT_EQ(runtime::TemporaryTop(), end - 1);
}

}  // namespace
