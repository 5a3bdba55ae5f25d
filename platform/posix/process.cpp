// The process on a POSIX system.

#include "platform/process.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
int gModuleAnchor;
}

InstanceHandle GetModuleInstance() {
    return reinterpret_cast<InstanceHandle>(&gModuleAnchor);
}

void ExitProcess(int exitCode) {
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

}  // namespace platform
