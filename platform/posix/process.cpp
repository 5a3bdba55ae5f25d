// The process on a POSIX system.  SIGINT, SIGTERM and SIGHUP are recorded
// by a handler that only stores the status and writes one byte into a pipe,
// so that a driver blocked in poll() wakes up; the program itself decides
// when to end.

#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace platform {

namespace {

int gModuleAnchor;

volatile std::sig_atomic_t gTerminationStatus = 0;
int gWakePipe[2] = {-1, -1};

void OnTerminationSignal(int signal) {
    if (gTerminationStatus != 0) {
        // Asked twice: the shutdown under way is not waited for.
        std::_Exit(gTerminationStatus);
    }
    gTerminationStatus = 128 + signal;
    if (gWakePipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(gWakePipe[1], &byte, 1);
    }
}

}  // namespace

InstanceHandle GetModuleInstance() { return reinterpret_cast<InstanceHandle>(&gModuleAnchor); }

void ExitProcess(int exitCode) {
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

void WatchTerminationRequests() {
    if (gWakePipe[0] < 0 && ::pipe2(gWakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        gWakePipe[0] = gWakePipe[1] = -1;
    }
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&action.sa_mask, signal);
    }
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

int TerminationStatus() { return gTerminationStatus; }

int TerminationWakeDescriptor() { return gWakePipe[0]; }

bool ThreadsAvailable() { return true; }

}  // namespace platform
