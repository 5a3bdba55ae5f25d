// The SDL keyboard and screen window drivers: what they offer besides the
// platform services, for tests and for the other SDL drivers.
#pragma once

#include <cstdint>

#include "platform/screen_window.h"

namespace platform::sdl {

// The DirectInput key code of an SDL scancode; 0 for a key that has none.
std::uint8_t KeyCodeFromScancode(int scancode);

// Fills the 256 key bytes by key code from SDL's key state array (indexed by
// scancode, count entries): 0x80 for a key that is down, 0 otherwise.
void FillKeyState(const std::uint8_t* sdlKeys, int count, std::uint8_t keys[256]);

// True while the screen window has the keyboard focus.
bool ScreenWindowFocused();
// True once the window manager has asked the program to end.
bool CloseRequested();
// True while the mouse cursor is shown.
bool CursorShown();

// The show key an SDL key press stands for (Alt+Enter and F11: full screen
// or window; F12: save the frame; Space and Pause: pause; M: mute); false
// for any other key.  modifiers are SDL's key modifier bits.
bool ShowKeyOf(int scancode, unsigned modifiers, ShowKey* key);

}  // namespace platform::sdl
