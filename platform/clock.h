// The millisecond tick and the pause.
#pragma once

#include "platform/types.h"

namespace platform {

// Milliseconds since the platform started, wrapping after 2^32 ms.
std::uint32_t GetTickCount();
// Suspends the thread for the given number of milliseconds.
void Sleep(std::uint32_t milliseconds);

}  // namespace platform
