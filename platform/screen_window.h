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

// How kShowMaximize shows the window: as the whole desktop (the default) or,
// windowed, as a resizable window of the size MoveScreenWindow gave it.  A
// window already shown takes the new way at once.  The picture inside is
// the same either way: the display scales the screen mode to fit.  A
// backend that cannot show a window this way keeps the full screen.
void SetScreenWindowed(WindowHandle window, bool windowed);

// Keys that steer the show itself and never reach the presentation's
// script as commands: switching between full screen and window, saving the
// frame shown, pausing, muting.
enum class ShowKey { kToggleFullscreen, kSaveFrame, kPause, kMute };
using ShowKeyHandler = void (*)(ShowKey key);
// The message pump hands every show key pressed in the screen window to the
// handler (null: to nobody), in the order pressed.  A backend that offers no
// show keys keeps the handler and never calls it.
void SetShowKeyHandler(ShowKeyHandler handler);

// Whether a screen can be shown at all: false on a system without a display
// to show it on (then nothing the program draws could ever be seen).
bool ScreenAvailable();

}  // namespace platform
