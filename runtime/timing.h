// The millisecond clock and the pause.
#pragma once

#include <cstdint>

namespace runtime {

// Milliseconds since the platform started; 32 bits, wrapping.  Intervals are
// differences taken in 32-bit arithmetic, so they stay right across the wrap.
std::uint32_t GetTicks();
void Delay(std::uint32_t milliseconds);

}  // namespace runtime
