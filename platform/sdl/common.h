// State shared by the SDL drivers: the one SDL window that plays the screen
// window, its focus and close request, and the hooks through which the
// message pump tells the display driver what happened to the window.
#pragma once

#include <SDL2/SDL.h>

#include "platform/messages.h"

namespace platform::sdl {

struct ScreenWindowState {
    SDL_Window* window;      // null until the screen window is created
    std::uint32_t windowId;  // SDL's id of the window; its WindowHandle
    bool videoHeld;          // the window holds one use of SDL video
    WindowProc procedure;    // set at class registration
    bool visible;
    bool focused;        // the window has the keyboard focus
    bool quitRequested;  // the window manager asked the program to end
    int cursorCount;     // ShowCursor counter: the cursor shows while >= 0
    bool windowed;       // shown as a resizable window rather than the whole desktop
};

ScreenWindowState& ScreenWindow();

// The SDL window behind a handle; null for any other handle.
SDL_Window* WindowFromHandle(WindowHandle window);

// Leaves SIGINT and SIGTERM to the process service; before any SDL_Init.
void KeepSignalsToTheProcess();
// Takes one use of SDL's video subsystem; false when it cannot start.
bool AcquireVideo();
void ReleaseVideo();

// True for SDL's video drivers that have no window system (dummy,
// offscreen): no window manager hands out the focus there, and only the
// software renderer is offered.
bool HeadlessVideoDriver();

// What the message pump tells the display driver.
struct WindowHooks {
    void (*focusLost)();                   // after the deactivation message was delivered
    void (*focusGained)();                 // before the activation message is delivered
    void (*renderReset)(bool deviceLost);  // the renderer lost its targets (or everything)
};
void SetWindowHooks(const WindowHooks& hooks);
const WindowHooks& Hooks();

// Destroys the screen window and gives back its use of SDL video, so that
// a test can start again from nothing.  The display device must be gone.
void DestroyScreenWindow();

}  // namespace platform::sdl
