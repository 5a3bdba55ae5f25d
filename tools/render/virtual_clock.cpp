// The platform clock and process services of the renderer.  Loading a
// picture or a sound takes no virtual time; only frames and pauses do.

#include "tools/render/virtual_clock.h"

#include <cmath>

#include "platform/clock.h"
#include "platform/process.h"

namespace render {

namespace {

ClockSettings gSettings;
std::uint64_t gElapsed = 0;  // ms since the start tick
std::function<void()> gPauseHook;
int gModuleAnchor;

}  // namespace

void StartVirtualClock(const ClockSettings& settings) {
    gSettings = settings;
    gElapsed = 0;
}

void SetPauseHook(std::function<void()> hook) { gPauseHook = std::move(hook); }

void ReachFrame(std::uint64_t frame) {
    const auto vblank = static_cast<std::uint64_t>(
        std::llround(static_cast<double>(frame) * 1000.0 / gSettings.framesPerSecond));
    if (vblank > gElapsed) gElapsed = vblank;
}

std::uint32_t VirtualTicks() { return gSettings.startTick + static_cast<std::uint32_t>(gElapsed); }

std::uint64_t ElapsedMilliseconds() { return gElapsed; }

}  // namespace render

namespace platform {

std::uint32_t GetTickCount() { return render::VirtualTicks(); }

void Sleep(std::uint32_t milliseconds) {
    if (render::gPauseHook) render::gPauseHook();
    render::gElapsed += milliseconds;
}

InstanceHandle GetModuleInstance() { return reinterpret_cast<InstanceHandle>(&render::gModuleAnchor); }

void ExitProcess(int exitCode) { throw render::ProgramEnded{exitCode}; }

// A render is a batch job: Ctrl+C and signals end it at once, as they end
// any command-line tool.
void WatchTerminationRequests() {}
int TerminationStatus() { return 0; }
int TerminationWakeDescriptor() { return -1; }
bool ThreadsAvailable() { return true; }

}  // namespace platform
