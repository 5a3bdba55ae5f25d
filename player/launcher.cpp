// The launcher: a small window in which the user picks the screen mode
// ("Run") or ends the program (the close box).

#include <cstring>

#include "gui/gadgets.h"
#include "gui/windows.h"
#include "platform/preferences.h"
#include "platform/process.h"
#include "platform/toolkit.h"
#include "player/player.h"
#include "player/player_state.h"
#include "player/show_options.h"
#include "runtime/strings.h"
#include "screen/screen.h"

namespace player {

namespace {

constexpr std::int32_t kLauncherWindow = 1;
constexpr std::int32_t kModeList = 1;
constexpr std::int32_t kRunButton = 2;
constexpr std::uint32_t kLauncherFlags = 0xC80001;    // caption, system menu, centred on the screen
constexpr const char* kModeChoice = "launcher-mode";  // the mode last played, by its text

// The item of the mode last played in this presentation; the first without one.
std::int32_t RememberedMode() {
    char text[32] = {};
    if (!platform::RecallChoice(kModeChoice, text, sizeof text)) return 0;
    for (std::int32_t i = 0; i < kScreenModeCount; ++i) {
        if (std::strcmp(text, kScreenModes[i].text) == 0) return i;
    }
    return 0;
}

void OpenChosenScreen(std::int16_t depth) {
    gui::FreeWindow(kLauncherWindow);
    screen::OpenScreen(gPlayer.screenWidth, gPlayer.screenHeight, depth, gPlayer.programTitle);
    gPlayer.screenOpen = 1;
}

}  // namespace

void RunLauncher() {
    std::int16_t depth = 0;

    const std::int32_t chosen = CurrentShowOptions().mode;
    if (chosen >= 0 && chosen < kScreenModeCount) {
        // The mode came from the command line: nobody needs to be asked.
        gPlayer.screenWidth = kScreenModes[chosen].width;
        gPlayer.screenHeight = kScreenModes[chosen].height;
        OpenChosenScreen(kScreenModes[chosen].depth);
        return;
    }

    char* saved = runtime::TemporaryTop();
    char* title = runtime::AppendString("RodaZaro - ");
    runtime::AppendString(gPlayer.programTitle);
    const std::intptr_t window = gui::OpenWindow(kLauncherWindow, 0, 0, 150, 40, kLauncherFlags, title);
    runtime::SetTemporaryTop(saved);

    if (window == 0) {
        // Without a window system there is nobody to ask: the presentation
        // runs in the first mode, as if "Run" had been pressed at once.
        gPlayer.screenWidth = kScreenModes[0].width;
        gPlayer.screenHeight = kScreenModes[0].height;
        OpenChosenScreen(kScreenModes[0].depth);
        return;
    }

    gui::SetGadgetParent(gui::GetWindowHandle());
    gui::CreateButton(kRunButton, 0, 20, 150, 20, "Run");
    gui::CreateComboBox(kModeList, 0, 0, 150, 60);
    for (const ScreenMode& mode : kScreenModes) gui::InsertGadgetItem(kModeList, -1, mode.text);
    gui::SetGadgetValue(kModeList, RememberedMode());
    platform::UseDialogManners(gui::GetWindowHandle(), gui::GetGadgetHandle(kRunButton));

    for (;;) {
        const std::int32_t event = gui::WaitEvent();
        // A request from outside (Ctrl+C, a signal) ends the program as the
        // close box does.
        if (platform::TerminationStatus() != 0) Shutdown();
        if (event == gui::kGadgetEvent && gui::GetEventGadget() == kRunButton) {
            const std::intptr_t choice = gui::GetGadgetValue(kModeList);
            if (choice >= 0 && choice < kScreenModeCount) {
                gPlayer.screenWidth = kScreenModes[choice].width;
                gPlayer.screenHeight = kScreenModes[choice].height;
                depth = kScreenModes[choice].depth;
                platform::RememberChoice(kModeChoice, kScreenModes[choice].text);
            }
            if (gPlayer.screenWidth > 0) {
                OpenChosenScreen(depth);
                return;
            }
        } else if (event == gui::kCloseEvent) {
            Shutdown();
        }
    }
}

}  // namespace player
