// The launcher: a small window in which the user picks the screen mode
// ("Run") or ends the program (the close box).

#include "gui/gadgets.h"
#include "gui/windows.h"
#include "platform/process.h"
#include "player/player.h"
#include "player/player_state.h"
#include "runtime/strings.h"
#include "screen/screen.h"

namespace player {

namespace {

constexpr std::int32_t kLauncherWindow = 1;
constexpr std::int32_t kModeList = 1;
constexpr std::int32_t kRunButton = 2;
constexpr std::uint32_t kLauncherFlags = 0xC80001;  // caption, system menu, centred on the screen

struct ScreenMode {
    const char* text;
    std::int16_t width;
    std::int16_t height;
    std::int16_t depth;
};

constexpr ScreenMode kModes[] = {
    {"1024x768x32", 1024, 768, 32}, {"800x600x32", 800, 600, 32}, {"640x480x32", 640, 480, 32},
    {"1024x768x16", 1024, 768, 16}, {"800x600x16", 800, 600, 16}, {"640x480x16", 640, 480, 16},
};
constexpr std::int32_t kModeCount = static_cast<std::int32_t>(sizeof kModes / sizeof kModes[0]);

void OpenChosenScreen(std::int16_t depth) {
    gui::FreeWindow(kLauncherWindow);
    screen::OpenScreen(gPlayer.screenWidth, gPlayer.screenHeight, depth, gPlayer.programTitle);
    gPlayer.screenOpen = 1;
}

}  // namespace

void RunLauncher() {
    std::int16_t depth = 0;

    char* saved = runtime::TemporaryTop();
    char* title = runtime::AppendString("RodaZaro - ");
    runtime::AppendString(gPlayer.programTitle);
    const std::intptr_t window = gui::OpenWindow(kLauncherWindow, 0, 0, 150, 40, kLauncherFlags, title);
    runtime::SetTemporaryTop(saved);

    if (window == 0) {
        // Without a window system there is nobody to ask: the presentation
        // runs in the first mode, as if "Run" had been pressed at once.
        gPlayer.screenWidth = kModes[0].width;
        gPlayer.screenHeight = kModes[0].height;
        OpenChosenScreen(kModes[0].depth);
        return;
    }

    gui::SetGadgetParent(gui::GetWindowHandle());
    gui::CreateButton(kRunButton, 0, 20, 150, 20, "Run");
    gui::CreateComboBox(kModeList, 0, 0, 150, 60);
    for (const ScreenMode& mode : kModes) gui::InsertGadgetItem(kModeList, -1, mode.text);
    gui::SetGadgetValue(kModeList, 0);

    for (;;) {
        const std::int32_t event = gui::WaitEvent();
        // A request from outside (Ctrl+C, a signal) ends the program as the
        // close box does.
        if (platform::TerminationStatus() != 0) Shutdown();
        if (event == gui::kGadgetEvent && gui::GetEventGadget() == kRunButton) {
            const std::intptr_t choice = gui::GetGadgetValue(kModeList);
            if (choice >= 0 && choice < kModeCount) {
                gPlayer.screenWidth = kModes[choice].width;
                gPlayer.screenHeight = kModes[choice].height;
                depth = kModes[choice].depth;
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
