// The launcher driven as a user would: its window is looked at and used
// from timers that run while the launcher waits for events.

#include <cstdlib>

#include "gtk_fixture.h"
#include "keyboard/keyboard.h"
#include "player/player.h"
#include "screen/screen.h"
#include "screen/sprites.h"

namespace {

using gtktest::GuiTest;

// Steps run one after another while RunLauncher waits, 250 ms apart.
std::vector<std::function<void()>> gSteps;
std::size_t gNextStep = 0;

gboolean RunNextStep(gpointer) {
    if (gNextStep >= gSteps.size()) return G_SOURCE_REMOVE;
    gSteps[gNextStep++]();
    return gNextStep < gSteps.size() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

platform::WindowHandle Launcher() { return gui::GetWindowHandle(); }
platform::WindowHandle RunButton() { return gui::GetGadgetHandle(2); }
platform::WindowHandle ModeList() { return gui::GetGadgetHandle(1); }

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
    }
    void TearDown() override {
        if (!IsSkipped()) {
            screen::CloseSpriteSystem();
            keyboard::CloseKeyboard();
        }
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

    EXPECT_EQ(seen.width, 150);
    EXPECT_EQ(seen.height, 40);
    EXPECT_EQ(seen.x, (platform::GetScreenWidth() >> 1) - (150 >> 1));
    EXPECT_EQ(seen.y, (platform::GetScreenHeight() >> 1) - (40 >> 1));
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
            gtktest::PressKey(Launcher(), GDK_KEY_Tab);  // the button
            gtktest::PressKey(Launcher(), GDK_KEY_Tab);  // the list
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

TEST_F(LauncherTest, ClosingTheLauncherEndsTheProgramWithCodeZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    SetTitle("bye");
    EXPECT_EXIT(
        {
            gSteps = {[] { gtktest::RequestClose(Launcher()); }};
            g_timeout_add(250, RunNextStep, nullptr);
            player::RunLauncher();
            std::exit(3);  // never here
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
