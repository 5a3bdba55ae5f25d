// The screen window: one window, made by whichever of the screen, the sound
// device and the keyboard needs it first, that owns the full screen and is
// the cooperative-level window of all three.  It answers painting and mouse
// messages itself and hands activation and key-up messages to the handler
// the screen installs.
#pragma once

#include <cstdint>

#include "platform/messages.h"

namespace screen {

// What the screen does when its window is activated, deactivated or sees
// Tab or Alt released.
using ScreenMessageHandler = void (*)(std::uint32_t message, std::uintptr_t wParam);

struct ScreenWindowState {
    platform::WindowHandle window;
    std::int32_t windowCreated;
    ScreenMessageHandler messageHandler;  // null until the screen installs one
};

extern ScreenWindowState gScreenWindow;

// Registers the window class and makes the window once; 1 once it exists.
std::int32_t CreateScreenWindow();
std::intptr_t ScreenWindowProc(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam);

void ResetScreenWindowModule();

}  // namespace screen
