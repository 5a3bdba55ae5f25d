// The running process: its module handle and its end.
#pragma once

#include "platform/types.h"

namespace platform {

InstanceHandle GetModuleInstance();
// Ends the process with the given exit code; never returns.
[[noreturn]] void ExitProcess(int exitCode);

}  // namespace platform
