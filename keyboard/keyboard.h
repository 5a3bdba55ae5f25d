// The keyboard: one snapshot of all 256 keys per main-loop turn, by key code,
// and the key-down test.
#pragma once

#include <cstdint>

#include "platform/input_device.h"

namespace keyboard {

constexpr std::int32_t kKeyEscape = 1;  // DIK_ESCAPE

std::intptr_t OpenKeyboard();
std::int32_t ReadKeyboard();
std::int32_t IsKeyDown(std::int32_t keyCode);
void CloseKeyboard();

platform::InputSystem* OpenDirectInput();
void ReleaseDirectInput();

}  // namespace keyboard

namespace keyboard {
// Back to the state at program start.
void ResetKeyboardModule();
}  // namespace keyboard
