// The launcher driven as a user would: its window is looked at and used
// from timers that run while the launcher waits for events.

#include <cstdlib>
#include <filesystem>

#include "gtk_fixture.h"
#include "keyboard/keyboard.h"
#include "platform/preferences.h"
#include "player/player.h"
#include "screen/screen.h"
#include "screen/sprites.h"

namespace {

using gtktest::GuiTest;

platform::WindowHandle Launcher() { return gui::GetWindowHandle(); }
platform::WindowHandle RunButton() { return gui::GetGadgetHandle(2); }
platform::WindowHandle ModeList() { return gui::GetGadgetHandle(1); }

// Steps run one after another while RunLauncher waits, 250 ms apart; the
// first once the launcher is on the screen with its controls laid out,
// which a slow (sanitized) build may take several ticks to reach.
std::vector<std::function<void()>> gSteps;
std::size_t gNextStep = 0;
int gTicksWaited = 0;
constexpr int kMostTicksToWait = 40;

bool LauncherLaidOut() {
    GtkWidget* window = Launcher() != 0 ? gtktest::WidgetOf(Launcher()) : nullptr;
    if (window == nullptr || !gtk_widget_get_mapped(window)) return false;
    if (RunButton() == 0 || gtktest::WidgetOf(RunButton()) == nullptr) return false;
    const GtkAllocation run = gtktest::AllocationOf(RunButton());
    return run.width > 1 && run.height > 1;
}

gboolean RunNextStep(gpointer) {
    if (gNextStep >= gSteps.size()) return G_SOURCE_REMOVE;
    if (gNextStep == 0 && !LauncherLaidOut() && ++gTicksWaited < kMostTicksToWait) return G_SOURCE_CONTINUE;
    gSteps[gNextStep++]();
    return gNextStep < gSteps.size() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

class LauncherTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        if (IsSkipped()) return;
        // The full screen opens on SDL's window-less driver.
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        screen::ResetScreenModule();
        keyboard::ResetKeyboardModule();
        screen::InitSpriteSystem();
        gSteps.clear();
        gNextStep = 0;
        gTicksWaited = 0;
        // The launcher remembers the mode played in a state folder of the
        // test's own, made when something is first remembered.
        static int tests = 0;
        stateFolder = ::testing::TempDir() + "rodazaro-launcher-state-" + std::to_string(getpid()) + "-" +
                      std::to_string(++tests);
        std::filesystem::remove_all(stateFolder);
        setenv("XDG_STATE_HOME", stateFolder.c_str(), 1);
    }
    void TearDown() override {
        if (!IsSkipped()) {
            screen::CloseSpriteSystem();
            keyboard::CloseKeyboard();
        }
        if (!stateFolder.empty()) std::filesystem::remove_all(stateFolder);
        GuiTest::TearDown();
    }

    void SetTitle(const char* title) {
        runtime::AssignString(&player::gPlayer.programTitle, runtime::AppendString(title));
    }

    // Runs the launcher with the steps; every step has run when it returns.
    void Launch() {
        g_timeout_add(250, RunNextStep, nullptr);
        player::RunLauncher();
        EXPECT_EQ(gNextStep, gSteps.size());
    }

    std::string stateFolder;
};

TEST_F(LauncherTest, RunWithoutTouchingTheListOpensTheFirstMode) {
    SetTitle("My Show");
    struct Seen {
        int width = 0, height = 0, x = -1, y = -1;
        std::string title;
        std::vector<std::string> items;
        std::intptr_t value = -2;
    } seen;
    char* top = nullptr;
    gSteps = {
        [&] {
            GtkWidget* window = gtktest::WidgetOf(Launcher());
            GdkWindow* client = gtk_widget_get_window(window);
            gdk_window_get_origin(client, &seen.x, &seen.y);
            seen.width = gdk_window_get_width(client);
            seen.height = gdk_window_get_height(client);
            seen.title = gtk_window_get_title(GTK_WINDOW(window));
            const platform::WindowHandle list = ModeList();
            const int count = static_cast<int>(platform::SendMessage(list, platform::kComboBoxGetCount, 0, 0));
            for (int i = 0; i < count; ++i) {
                char text[32] = {};
                platform::SendMessage(list, platform::kComboBoxGetLbText, static_cast<std::uintptr_t>(i),
                                      reinterpret_cast<std::intptr_t>(text));
                seen.items.push_back(text);
            }
            seen.value = gui::GetGadgetValue(1);
            top = runtime::TemporaryTop();
        },
        [&] { gtktest::ClickButton(RunButton()); },
    };
    char* before = runtime::TemporaryTop();
    Launch();

    // At least the asked 150 x 40, wider for the caption, centred on the
    // screen.
    EXPECT_GE(seen.width, 150);
    EXPECT_EQ(seen.height, 40);
    EXPECT_NEAR(seen.x, (platform::GetScreenWidth() - seen.width) / 2, 1);
    EXPECT_NEAR(seen.y, (platform::GetScreenHeight() - seen.height) / 2, 1);
    EXPECT_EQ(seen.title, "RodaZaro - My Show");
    EXPECT_EQ(seen.items, (std::vector<std::string>{"1024x768x32", "800x600x32", "640x480x32", "1024x768x16",
                                                    "800x600x16", "640x480x16"}));
    EXPECT_EQ(seen.value, 0);
    EXPECT_EQ(top, before);  // the title's room in the string area was given back

    EXPECT_EQ(player::gPlayer.screenWidth, 1024);
    EXPECT_EQ(player::gPlayer.screenHeight, 768);
    EXPECT_EQ(player::gPlayer.screenOpen, 1);
    EXPECT_EQ(screen::gScreen.screenDepth, 32);
    // The launcher window went before the screen opened, with its gadgets.
    EXPECT_EQ(runtime::LookupEntry(gui::WindowTable(), 1), nullptr);
    EXPECT_EQ(RunButton(), 0u);
    EXPECT_EQ(ModeList(), 0u);
}

TEST_F(LauncherTest, TheFourthItemChosenWithTheKeyboardOpens1024x768At16Bits) {
    SetTitle("");
    std::string title;
    bool stillWaiting = false;
    gSteps = {
        [&] {
            title = gtk_window_get_title(GTK_WINDOW(gtktest::WidgetOf(Launcher())));
            gtktest::PressKey(Launcher(), GDK_KEY_Tab);  // from the button to the list
        },
        [&] {
            for (int i = 0; i < 3; ++i) gtktest::PressKey(Launcher(), GDK_KEY_Down);
        },
        [&] {
            // Changing the list started nothing.
            stillWaiting = RunButton() != 0 && player::gPlayer.screenOpen == 0 && player::gPlayer.screenWidth == 0;
            gtktest::PressKey(Launcher(), GDK_KEY_Tab);  // round to the button
        },
        [&] { gtktest::PressKey(Launcher(), GDK_KEY_space); },
    };
    Launch();
    EXPECT_EQ(title, "RodaZaro - ");
    EXPECT_TRUE(stillWaiting);
    EXPECT_EQ(player::gPlayer.screenWidth, 1024);
    EXPECT_EQ(player::gPlayer.screenHeight, 768);
    EXPECT_EQ(screen::gScreen.screenDepth, 16);
    EXPECT_EQ(player::gPlayer.screenOpen, 1);
}

TEST_F(LauncherTest, RunWithNoSelectionKeepsWaiting) {
    SetTitle("x");
    bool stillWaiting = false;
    gSteps = {
        [&] {
            gui::SetGadgetValue(1, -1);
            gtktest::ClickButton(RunButton());
        },
        [&] {
            stillWaiting = RunButton() != 0 && player::gPlayer.screenOpen == 0;
            gui::SetGadgetValue(1, 5);
            gtktest::ClickButton(RunButton());
        },
    };
    Launch();
    EXPECT_TRUE(stillWaiting);
    EXPECT_EQ(player::gPlayer.screenWidth, 640);
    EXPECT_EQ(player::gPlayer.screenHeight, 480);
    EXPECT_EQ(screen::gScreen.screenDepth, 16);
}

// The launcher laid out at a font scale (the desktop's resolution over 96
// dpi) with a title.
struct LayoutCase {
    double scale;
    const char* title;
};

class LauncherLayoutTest : public LauncherTest, public ::testing::WithParamInterface<LayoutCase> {
protected:
    void SetUp() override {
        LauncherTest::SetUp();
        if (IsSkipped()) return;
        GtkSettings* settings = gtk_settings_get_default();
        g_object_get(settings, "gtk-xft-dpi", &savedDpi, nullptr);
        g_object_set(settings, "gtk-xft-dpi", static_cast<int>(GetParam().scale * 96 * 1024), nullptr);
    }
    void TearDown() override {
        if (!IsSkipped()) g_object_set(gtk_settings_get_default(), "gtk-xft-dpi", savedDpi, nullptr);
        LauncherTest::TearDown();
    }
    int savedDpi = -1;
};

// A widget's natural size, apart from the size the driver asked of it.
GtkRequisition NaturalSize(GtkWidget* widget) {
    int width = -1;
    int height = -1;
    gtk_widget_get_size_request(widget, &width, &height);
    gtk_widget_set_size_request(widget, -1, -1);
    GtkRequisition natural{};
    gtk_widget_get_preferred_size(widget, nullptr, &natural);
    gtk_widget_set_size_request(widget, width, height);
    return natural;
}

bool Inside(const GtkAllocation& inner, const GtkAllocation& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

// Every text has room and nothing overlaps or leaves the window: the caption
// in bold, the list's longest mode and "Run" at the desktop's font size; Run
// is the default button and has the focus.
TEST_P(LauncherLayoutTest, EveryTextFitsAndRunIsTheDefaultButtonWithTheFocus) {
    SetTitle(GetParam().title);
    GtkAllocation client{}, list{}, run{};
    GtkRequisition listNatural{}, runNatural{};
    int captionWidth = 0;
    bool runIsDefault = false, runHasFocus = false;
    gSteps = {
        [&] {
            GtkWidget* window = gtktest::WidgetOf(Launcher());
            gtk_widget_get_allocation(gtktest::NodeOf(Launcher())->client, &client);
            list = gtktest::AllocationOf(ModeList());
            run = gtktest::AllocationOf(RunButton());
            listNatural = NaturalSize(gtktest::WidgetOf(ModeList()));
            runNatural = NaturalSize(gtktest::WidgetOf(RunButton()));
            PangoLayout* caption = gtk_widget_create_pango_layout(window, gtk_window_get_title(GTK_WINDOW(window)));
            PangoAttrList* bold = pango_attr_list_new();
            pango_attr_list_insert(bold, pango_attr_weight_new(PANGO_WEIGHT_BOLD));
            pango_layout_set_attributes(caption, bold);
            pango_layout_get_pixel_size(caption, &captionWidth, nullptr);
            pango_attr_list_unref(bold);
            g_object_unref(caption);
            runIsDefault = gtk_window_get_default_widget(GTK_WINDOW(window)) == gtktest::WidgetOf(RunButton());
            runHasFocus = gtk_window_get_focus(GTK_WINDOW(window)) == gtktest::WidgetOf(RunButton());
        },
        [&] { gtktest::ClickButton(RunButton()); },
    };
    Launch();

    EXPECT_GE(client.width, 150);
    EXPECT_GE(client.height, 40);
    EXPECT_GE(client.width, captionWidth);
    EXPECT_TRUE(Inside(list, client));
    EXPECT_TRUE(Inside(run, client));
    EXPECT_LE(list.y + list.height, run.y);  // the list stays above the button
    EXPECT_GE(list.width, listNatural.width);
    EXPECT_GE(list.height, listNatural.height);
    EXPECT_GE(run.width, runNatural.width);
    EXPECT_GE(run.height, runNatural.height);
    // Texts that fit keep the asked pixels: at the usual font size only the
    // caption widens the window.
    if (GetParam().scale == 1.0) {
        EXPECT_EQ(client.height, 40);
    }
    EXPECT_TRUE(runIsDefault);
    EXPECT_TRUE(runHasFocus);
    EXPECT_EQ(player::gPlayer.screenOpen, 1);
}

constexpr const char* kLongTitle =
    "Caf\xc3\xa9 de la Gare: une tr\xc3\xa8s longue soir\xc3\xa9"
    "e";
INSTANTIATE_TEST_SUITE_P(Scales, LauncherLayoutTest,
                         ::testing::Values(LayoutCase{1.0, ""}, LayoutCase{1.0, kLongTitle},
                                           LayoutCase{1.6, "Caf\xc3\xa9"}, LayoutCase{2.0, ""},
                                           LayoutCase{2.0, kLongTitle}));

// Enter at once, before any Tab, plays the mode last played in this
// presentation, or the first mode when none (or no mode's text) was
// remembered; the mode played is remembered.
struct RememberedCase {
    const char* remembered;  // null: nothing
    const char* played;
    int width, height, depth;
};

class LauncherEnterTest : public LauncherTest, public ::testing::WithParamInterface<RememberedCase> {};

TEST_P(LauncherEnterTest, EnterAtOncePlaysTheModeLastPlayedHere) {
    const RememberedCase& c = GetParam();
    if (c.remembered != nullptr) platform::RememberChoice("launcher-mode", c.remembered);
    SetTitle("Again");
    gSteps = {[] { gtktest::PressKey(Launcher(), GDK_KEY_Return); }};
    Launch();
    EXPECT_EQ(player::gPlayer.screenWidth, c.width);
    EXPECT_EQ(player::gPlayer.screenHeight, c.height);
    EXPECT_EQ(screen::gScreen.screenDepth, c.depth);
    char recalled[32] = {};
    ASSERT_TRUE(platform::RecallChoice("launcher-mode", recalled, sizeof recalled));
    EXPECT_STREQ(recalled, c.played);
}

INSTANTIATE_TEST_SUITE_P(Choices, LauncherEnterTest,
                         ::testing::Values(RememberedCase{"800x600x16", "800x600x16", 800, 600, 16},
                                           RememberedCase{"640x480x32", "640x480x32", 640, 480, 32},
                                           RememberedCase{"1024x768", "1024x768x32", 1024, 768, 32},
                                           RememberedCase{nullptr, "1024x768x32", 1024, 768, 32}));

// The close box and Escape alike.
TEST_F(LauncherTest, ClosingTheLauncherEndsTheProgramWithCodeZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    SetTitle("bye");
    void (*const closings[])() = {[] { gtktest::RequestClose(Launcher()); },
                                  [] { gtktest::PressKey(Launcher(), GDK_KEY_Escape); }};
    for (void (*const close)() : closings) {
        EXPECT_EXIT(
            {
                gSteps = {close};
                g_timeout_add(250, RunNextStep, nullptr);
                player::RunLauncher();
                std::exit(3);  // never here
            },
            ::testing::ExitedWithCode(0), "");
    }
}

}  // namespace
