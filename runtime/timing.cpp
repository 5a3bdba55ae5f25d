#include "runtime/timing.h"

#include "platform/clock.h"

namespace runtime {

std::uint32_t GetTicks() { return platform::GetTickCount(); }

void Delay(std::uint32_t milliseconds) { platform::Sleep(milliseconds); }

}  // namespace runtime
