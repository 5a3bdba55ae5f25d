// The screen window: one top-level popup window that owns the full screen and
// serves the sound and keyboard devices as their cooperative-level window.
// Its messages reach the procedure given at registration while the program
// pumps them.
#pragma once

#include "platform/messages.h"

namespace platform {

constexpr int kShowHide = 0;      // SW_HIDE
constexpr int kShowMaximize = 3;  // SW_MAXIMIZE / SW_SHOWMAXIMIZED

// Registers the window class "MultimediaBase Class" with the given procedure
// (double clicks, black background, no cursor).  False on failure.
bool RegisterScreenWindowClass(InstanceHandle instance, WindowProc procedure);
// Creates the hidden 1 x 1 popup of that class.  0 on failure.
WindowHandle CreateScreenWindow(InstanceHandle instance);
void SetScreenWindowTitle(WindowHandle window, const char* title);
void MoveScreenWindow(WindowHandle window, int x, int y, int width, int height, bool repaint);
void ShowScreenWindow(WindowHandle window, int command);
void ShowMouseCursor(bool show);
// Takes one pending message of the thread, translates and dispatches it.
// False when no message was pending.
bool PeekAndDispatchMessage();
// Default processing of a message the screen window does not handle.
std::intptr_t DefaultWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam);
// BeginPaint and EndPaint without drawing.
void ValidateWindowPaint(WindowHandle window);

// Whether a screen can be shown at all: false on a system without a display
// to show it on (then nothing the program draws could ever be seen).
bool ScreenAvailable();

}  // namespace platform
