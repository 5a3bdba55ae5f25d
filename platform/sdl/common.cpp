#include "platform/sdl/common.h"

#include <cstring>

namespace platform::sdl {

namespace {

ScreenWindowState gWindow{};
WindowHooks gHooks{};

}  // namespace

ScreenWindowState& ScreenWindow() { return gWindow; }

SDL_Window* WindowFromHandle(WindowHandle window) {
    if (window == 0 || gWindow.window == nullptr || window != gWindow.windowId) return nullptr;
    return gWindow.window;
}

void KeepSignalsToTheProcess() {
    // SDL would turn Ctrl+C and SIGTERM into a quit event nobody reads; the
    // process service handles them instead.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

bool AcquireVideo() {
    KeepSignalsToTheProcess();
#ifdef __EMSCRIPTEN__
    // In a page the program hands control to the browser itself, at the
    // flip and the main loop's pause: SDL's own yields (at every present)
    // would come through calls the page's build cannot pause in.
    SDL_SetHint(SDL_HINT_EMSCRIPTEN_ASYNCIFY, "0");
#endif
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

void ReleaseVideo() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

bool HeadlessVideoDriver() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) return true;
    return std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0;
}

void SetWindowHooks(const WindowHooks& hooks) { gHooks = hooks; }

const WindowHooks& Hooks() { return gHooks; }

void DestroyScreenWindow() {
    if (gWindow.window != nullptr) SDL_DestroyWindow(gWindow.window);
    // Nothing of this window may reach the next one.
    if (gWindow.videoHeld) SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    if (gWindow.cursorCount < 0 && gWindow.videoHeld) SDL_ShowCursor(SDL_ENABLE);
    if (gWindow.videoHeld) ReleaseVideo();
    gWindow = ScreenWindowState{};
}

}  // namespace platform::sdl
