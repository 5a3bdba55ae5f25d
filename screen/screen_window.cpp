#include "screen/screen_window.h"

#include "platform/process.h"
#include "platform/screen_window.h"

namespace screen {

ScreenWindowState gScreenWindow{};

void ResetScreenWindowModule() { gScreenWindow = ScreenWindowState{}; }

std::int32_t CreateScreenWindow() {
    if (gScreenWindow.windowCreated != 0) return 1;
    const platform::InstanceHandle instance = platform::GetModuleInstance();
    if (!platform::RegisterScreenWindowClass(instance, ScreenWindowProc)) return 0;
    const platform::WindowHandle window = platform::CreateScreenWindow(instance);
    if (window == 0) return 0;
    gScreenWindow.window = window;
    gScreenWindow.windowCreated = 1;
    return 1;
}

std::intptr_t ScreenWindowProc(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) {
    switch (message) {
        case platform::kMsgEraseBackground: return 1;
        case platform::kMsgPaint: platform::ValidateWindowPaint(window); return 1;
        case platform::kMsgActivate:
        case platform::kMsgKeyUp:
        case platform::kMsgSysKeyUp:
            if (gScreenWindow.messageHandler != nullptr) gScreenWindow.messageHandler(message, wParam);
            return 0;
        case platform::kMsgLButtonDown:
        case platform::kMsgLButtonUp:
        case platform::kMsgRButtonDown:
        case platform::kMsgRButtonUp: return 0;
        default: return platform::DefaultWindowProc(window, message, wParam, lParam);
    }
}

}  // namespace screen
