// The screen window on SDL: one SDL window, hidden until the screen opens,
// then shown as a desktop-sized full-screen window (or, windowed, as a
// resizable window of the mode's size).  Its SDL events are played to the
// registered window procedure as the window messages the program knows, one
// event per pump call; the show keys go to the show key handler.

#include <SDL2/SDL.h>

#include <cstdlib>
#include <initializer_list>

#include "platform/posix/window_text.h"
#include "platform/screen_window.h"
#include "platform/sdl/common.h"
#include "platform/sdl/input.h"

namespace platform {

namespace {

std::intptr_t PointParameter(std::int32_t x, std::int32_t y) {
    const auto low = static_cast<std::uint32_t>(x) & 0xFFFFu;
    const auto high = static_cast<std::uint32_t>(y) & 0xFFFFu;
    return static_cast<std::intptr_t>(static_cast<std::int32_t>(low | (high << 16)));
}

void Deliver(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    const sdl::ScreenWindowState& state = sdl::ScreenWindow();
    if (state.procedure == nullptr || state.window == nullptr) return;
    state.procedure(state.windowId, message, wParam, lParam);
}

bool OurWindow(std::uint32_t windowId) {
    const sdl::ScreenWindowState& state = sdl::ScreenWindow();
    return state.window != nullptr && windowId == state.windowId;
}

void PlayWindowEvent(const SDL_WindowEvent& event) {
    sdl::ScreenWindowState& state = sdl::ScreenWindow();
    if (!OurWindow(event.windowID)) return;
    switch (event.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            state.focused = true;
            if (sdl::Hooks().focusGained != nullptr) sdl::Hooks().focusGained();
            Deliver(kMsgActivate, 1, 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            state.focused = false;
            // The program saves its sprites while the surfaces still hold them.
            Deliver(kMsgActivate, 0, 0);
            if (sdl::Hooks().focusLost != nullptr) sdl::Hooks().focusLost();
            break;
        case SDL_WINDOWEVENT_CLOSE: state.quitRequested = true; break;
        default: break;
    }
}

void PlayKeyUp(const SDL_KeyboardEvent& event) {
    if (!OurWindow(event.windowID)) return;
    const SDL_Scancode code = event.keysym.scancode;
    if (code == SDL_SCANCODE_TAB) {
        const bool alt = (event.keysym.mod & KMOD_ALT) != 0;
        Deliver(alt ? kMsgSysKeyUp : kMsgKeyUp, kVkTab, 0);
    } else if (code == SDL_SCANCODE_LALT || code == SDL_SCANCODE_RALT) {
        Deliver(kMsgSysKeyUp, kVkMenu, 0);
    }
}

ShowKeyHandler gShowKeyHandler = nullptr;

void PlayKeyDown(const SDL_KeyboardEvent& event) {
    if (!OurWindow(event.windowID) || event.repeat != 0 || gShowKeyHandler == nullptr) return;
    ShowKey key{};
    if (sdl::ShowKeyOf(event.keysym.scancode, event.keysym.mod, &key)) gShowKeyHandler(key);
}

// Shows the window as the whole desktop or as a window of its own size,
// as the program last asked.
void ApplyWindowedness(SDL_Window* window, bool windowed) {
    if (!windowed) {
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
        return;
    }
    SDL_SetWindowFullscreen(window, 0);
    SDL_SetWindowResizable(window, SDL_TRUE);
}

void PlayMouseButton(const SDL_MouseButtonEvent& event) {
    if (!OurWindow(event.windowID)) return;
    const std::intptr_t point = PointParameter(event.x, event.y);
    const bool down = event.type == SDL_MOUSEBUTTONDOWN;
    if (event.button == SDL_BUTTON_LEFT) {
        if (down) Deliver(event.clicks == 2 ? kMsgLButtonDoubleClick : kMsgLButtonDown, 0, point);
        else Deliver(kMsgLButtonUp, 0, point);
    } else if (event.button == SDL_BUTTON_RIGHT) {
        Deliver(down ? kMsgRButtonDown : kMsgRButtonUp, 0, point);
    }
}

}  // namespace

bool RegisterScreenWindowClass(InstanceHandle, WindowProc procedure) {
    if (procedure == nullptr) return false;
    sdl::ScreenWindow().procedure = procedure;
    return true;
}

WindowHandle CreateScreenWindow(InstanceHandle) {
    sdl::ScreenWindowState& state = sdl::ScreenWindow();
    if (state.procedure == nullptr) return 0;
    if (!state.videoHeld) {
        if (!sdl::AcquireVideo()) return 0;
        state.videoHeld = true;
    }
    SDL_Window* window = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN);
    if (window == nullptr) return 0;
    // A second window replaces the first: the program has one screen window.
    if (state.window != nullptr) SDL_DestroyWindow(state.window);
    state.window = window;
    state.windowId = SDL_GetWindowID(window);
    state.visible = false;
    state.focused = false;
    return state.windowId;
}

void SetScreenWindowTitle(WindowHandle window, const char* title) {
    SDL_Window* sdlWindow = sdl::WindowFromHandle(window);
    if (sdlWindow != nullptr) SDL_SetWindowTitle(sdlWindow, posix::WindowTextToUtf8(title).c_str());
}

void MoveScreenWindow(WindowHandle window, int x, int y, int width, int height, bool) {
    SDL_Window* sdlWindow = sdl::WindowFromHandle(window);
    if (sdlWindow == nullptr) return;
    // A full-screen window keeps the desktop's size; the size counts when it
    // is windowed again.
    SDL_SetWindowPosition(sdlWindow, x, y);
    if (width > 0 && height > 0) SDL_SetWindowSize(sdlWindow, width, height);
}

void ShowScreenWindow(WindowHandle window, int command) {
    SDL_Window* sdlWindow = sdl::WindowFromHandle(window);
    if (sdlWindow == nullptr) return;
    sdl::ScreenWindowState& state = sdl::ScreenWindow();
    if (command == kShowHide) {
        SDL_SetWindowFullscreen(sdlWindow, 0);
        SDL_HideWindow(sdlWindow);
        state.visible = false;
        if (sdl::HeadlessVideoDriver()) state.focused = false;
        return;
    }
    if ((SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_MINIMIZED) != 0) SDL_RestoreWindow(sdlWindow);
    SDL_ShowWindow(sdlWindow);
    ApplyWindowedness(sdlWindow, state.windowed);
    // A window comes up in the middle of the desktop; shown again (after a
    // switch away) it stays where the user put it.
    if (state.windowed && !state.visible) {
        SDL_SetWindowPosition(sdlWindow, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    SDL_RaiseWindow(sdlWindow);
    state.visible = true;
    // Without a window system nobody hands out the focus: the shown window
    // is in front.
    if (sdl::HeadlessVideoDriver()) state.focused = true;
}

void ShowMouseCursor(bool show) {
    sdl::ScreenWindowState& state = sdl::ScreenWindow();
    state.cursorCount += show ? 1 : -1;
    if (!state.videoHeld) return;
    SDL_ShowCursor(state.cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

void SetScreenWindowed(WindowHandle window, bool windowed) {
    sdl::ScreenWindowState& state = sdl::ScreenWindow();
    const bool was = state.windowed;
    state.windowed = windowed;
    SDL_Window* sdlWindow = sdl::WindowFromHandle(window);
    if (sdlWindow == nullptr || !state.visible || was == windowed) return;
    ApplyWindowedness(sdlWindow, windowed);
    if (windowed) SDL_SetWindowPosition(sdlWindow, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

void SetShowKeyHandler(ShowKeyHandler handler) { gShowKeyHandler = handler; }

bool PeekAndDispatchMessage() {
    if (!sdl::ScreenWindow().videoHeld) return false;
    SDL_Event event;
    if (SDL_PollEvent(&event) == 0) return false;
    switch (event.type) {
        case SDL_WINDOWEVENT: PlayWindowEvent(event.window); break;
        case SDL_KEYDOWN: PlayKeyDown(event.key); break;
        case SDL_KEYUP: PlayKeyUp(event.key); break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: PlayMouseButton(event.button); break;
        case SDL_QUIT: sdl::ScreenWindow().quitRequested = true; break;
        case SDL_RENDER_TARGETS_RESET:
            if (sdl::Hooks().renderReset != nullptr) sdl::Hooks().renderReset(false);
            break;
        case SDL_RENDER_DEVICE_RESET:
            if (sdl::Hooks().renderReset != nullptr) sdl::Hooks().renderReset(true);
            break;
        default: break;
    }
    return true;
}

std::intptr_t DefaultWindowProc(WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) { return 0; }

void ValidateWindowPaint(WindowHandle) {}

bool ScreenAvailable() {
    // An X11 or Wayland display, or a video driver chosen on purpose (SDL's
    // dummy and offscreen drivers for headless runs).
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') return true;
    }
    return false;
}

}  // namespace platform

namespace platform::sdl {

bool ScreenWindowFocused() { return ScreenWindow().focused; }
bool CloseRequested() { return ScreenWindow().quitRequested; }
bool CursorShown() { return ScreenWindow().cursorCount >= 0; }

bool ShowKeyOf(int scancode, unsigned modifiers, ShowKey* key) {
    const bool alt = (modifiers & KMOD_ALT) != 0;
    // Space and M count alone: with Ctrl, Alt or the logo key they are the
    // desktop's or another program's.
    const bool plain = (modifiers & (KMOD_CTRL | KMOD_ALT | KMOD_GUI)) == 0;
    switch (scancode) {
        case SDL_SCANCODE_RETURN:
        case SDL_SCANCODE_KP_ENTER:
            if (!alt) return false;
            *key = ShowKey::kToggleFullscreen;
            return true;
        case SDL_SCANCODE_F11: *key = ShowKey::kToggleFullscreen; return true;
        case SDL_SCANCODE_F12: *key = ShowKey::kSaveFrame; return true;
        case SDL_SCANCODE_PAUSE: *key = ShowKey::kPause; return true;
        case SDL_SCANCODE_SPACE:
            if (!plain) return false;
            *key = ShowKey::kPause;
            return true;
        case SDL_SCANCODE_M:
            if (!plain) return false;
            *key = ShowKey::kMute;
            return true;
        default: return false;
    }
}

}  // namespace platform::sdl
