// Events the SDL drivers would get from the window manager or the renderer,
// posted on demand so that tests can play them: none of the player's own
// code calls these.  Each posts one event; the next pump of the screen
// window's messages delivers it.
#pragma once

namespace platform::sdl {

// A switch away from the screen and back.
void SimulateFocusLoss();
void SimulateFocusGain();
// A loss of the renderer's targets, or of the whole render device.
void SimulateRenderTargetsReset();
void SimulateRenderDeviceReset();
// The window manager's close request (as Alt+F4 or the close button make).
void SimulateCloseRequest();

}  // namespace platform::sdl
