// Test support: the keyboard's internal state, for tests, fuzz targets and tools only.
#pragma once

#include <cstdint>

namespace keyboard {

// 0: no device; 1: device with its data format; 2: bound to the screen
// window and acquired.
std::int32_t KeyboardState();
const std::uint8_t* KeyStateArray();

}  // namespace keyboard
