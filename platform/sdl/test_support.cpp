// The events that tests post in place of the window manager and the
// renderer.  Nothing else refers to this file, so the player never links it.

#include "platform/sdl/test_support.h"

#include <SDL2/SDL.h>

#include <cstdint>

#include "platform/sdl/common.h"

namespace platform::sdl {

namespace {

void PushWindowEvent(std::uint8_t which) {
    const ScreenWindowState& state = ScreenWindow();
    if (state.window == nullptr) return;
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.timestamp = SDL_GetTicks();
    event.window.windowID = state.windowId;
    event.window.event = which;
    SDL_PushEvent(&event);
}

void PushEventType(std::uint32_t type) {
    if (!ScreenWindow().videoHeld) return;
    SDL_Event event{};
    event.type = type;
    event.common.timestamp = SDL_GetTicks();
    SDL_PushEvent(&event);
}

}  // namespace

void SimulateFocusLoss() { PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST); }
void SimulateFocusGain() { PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED); }
void SimulateRenderTargetsReset() { PushEventType(SDL_RENDER_TARGETS_RESET); }
void SimulateRenderDeviceReset() { PushEventType(SDL_RENDER_DEVICE_RESET); }
void SimulateCloseRequest() { PushEventType(SDL_QUIT); }

}  // namespace platform::sdl
