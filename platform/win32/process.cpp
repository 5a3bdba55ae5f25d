// The running process of KERNEL32: the module handle, the exit, and the
// console's requests to end the program.  The console's handler runs on a
// thread of its own: it records the request, wakes the message wait of the
// program's thread, and for a closing console waits there, since the system
// ends the process as soon as the handler returns.

#include "platform/process.h"

#include <cstdio>

#include "platform/win32/common.h"

namespace platform {

namespace {

volatile LONG gTerminationStatus = 0;
DWORD gMainThread = 0;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    // Ctrl+C and Ctrl+Break are interrupts; a closing console, a log-off
    // or a system shutdown is a hang-up.
    const LONG status = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? 128 + 2 : 128 + 1;
    if (::InterlockedCompareExchange(&gTerminationStatus, status, 0) != 0) {
        // Asked twice: the shutdown under way is not waited for.
        ::ExitProcess(static_cast<UINT>(gTerminationStatus));
    }
    if (gMainThread != 0) ::PostThreadMessageA(gMainThread, WM_NULL, 0, 0);
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        // The program's own exit ends this thread too.
        ::Sleep(10000);
    }
    return TRUE;
}

}  // namespace

InstanceHandle GetModuleInstance() { return reinterpret_cast<InstanceHandle>(::GetModuleHandleA(nullptr)); }

void ExitProcess(int exitCode) {
    std::fflush(nullptr);
    ::ExitProcess(static_cast<UINT>(exitCode));
}

void WatchTerminationRequests() {
    gMainThread = ::GetCurrentThreadId();
    // A windowed program started from a console hears that console's Ctrl+C.
    ::AttachConsole(ATTACH_PARENT_PROCESS);
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

int TerminationStatus() { return static_cast<int>(gTerminationStatus); }

int TerminationWakeDescriptor() { return -1; }

bool ThreadsAvailable() { return true; }

}  // namespace platform
