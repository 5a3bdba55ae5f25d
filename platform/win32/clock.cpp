// The millisecond tick and the pause of KERNEL32.

#include "platform/clock.h"

#include "platform/win32/common.h"

namespace platform {

std::uint32_t GetTickCount() { return static_cast<std::uint32_t>(::GetTickCount()); }

void Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace platform
