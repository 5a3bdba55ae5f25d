// The running process: its module handle, its end, and the requests to end
// it that come from outside (Ctrl+C, a termination or hang-up signal, the
// console closing).
#pragma once

#include "platform/types.h"

namespace platform {

InstanceHandle GetModuleInstance();
// Ends the process with the given exit code; never returns.
[[noreturn]] void ExitProcess(int exitCode);

// From now on a request to end the program from outside is recorded
// instead of killing the process at once; the program ends itself through
// its normal shutdown when it sees the request.  A second request while the
// first is being honoured ends the process at once.
void WatchTerminationRequests();
// The exit status the first request asks for (128 + the signal number:
// 130 for an interrupt, 143 for a termination, 129 for a hang-up), or 0
// while none came.
int TerminationStatus();
// A descriptor that becomes readable when a request comes, for a driver that
// waits on descriptors; -1 where a request wakes waits another way.
int TerminationWakeDescriptor();

// Whether the program can run a second thread beside its own (the
// decode-ahead worker): false where the build has no threads at all, as
// in a web page.
bool ThreadsAvailable();

}  // namespace platform
