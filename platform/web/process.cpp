// The program in a web page.  Its end returns to the page (the module's
// onExit hears the status) instead of ending a process; a request from the
// page to end the show (the viewer left full screen, or closed the show)
// is recorded and the program ends itself through its normal shutdown.

#include <emscripten.h>

#include <cstdio>

#include "platform/process.h"

namespace platform {

namespace {

int gModuleAnchor;
int gTerminationStatus = 0;

}  // namespace

InstanceHandle GetModuleInstance() { return reinterpret_cast<InstanceHandle>(&gModuleAnchor); }

void ExitProcess(int exitCode) {
    std::fflush(nullptr);
    emscripten_force_exit(exitCode);
    __builtin_unreachable();
}

void WatchTerminationRequests() {}

int TerminationStatus() { return gTerminationStatus; }

int TerminationWakeDescriptor() { return -1; }

// The page's program is built without threads: every load runs on its own
// turn.
bool ThreadsAvailable() { return false; }

}  // namespace platform

// Called by the page: ends the show as an interrupt would (status 130).
extern "C" EMSCRIPTEN_KEEPALIVE void rodazaro_request_end() {
    if (platform::gTerminationStatus == 0) platform::gTerminationStatus = 130;
}
