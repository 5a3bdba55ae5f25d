// The SDL keyboard and screen window drivers: what they offer besides the
// platform services, for tests and for the other SDL drivers.
#pragma once

#include <cstdint>

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

}  // namespace platform::sdl
