// The running process of KERNEL32: the module handle and the exit.

#include "platform/process.h"

#include <cstdio>

#include "platform/win32/common.h"

namespace platform {

InstanceHandle GetModuleInstance() { return reinterpret_cast<InstanceHandle>(::GetModuleHandleA(nullptr)); }

void ExitProcess(int exitCode) {
    std::fflush(nullptr);
    ::ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace platform
