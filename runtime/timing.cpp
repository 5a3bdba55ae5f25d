#include "runtime/timing.h"

#include "platform/clock.h"

namespace runtime {

namespace {

HeldClock gClock{};

}  // namespace

std::uint32_t ReadHeldClock(const HeldClock& clock, std::uint32_t now) {
    return (clock.held ? clock.heldAt : now) - clock.shift;
}

void HoldClock(HeldClock* clock, std::uint32_t now) {
    if (clock->held) return;
    clock->heldAt = now;
    clock->held = true;
}

void ReleaseClock(HeldClock* clock, std::uint32_t now) {
    if (!clock->held) return;
    clock->shift += now - clock->heldAt;
    clock->held = false;
}

std::uint32_t GetTicks() { return ReadHeldClock(gClock, platform::GetTickCount()); }

void Delay(std::uint32_t milliseconds) { platform::Sleep(milliseconds); }

void HoldTicks() { HoldClock(&gClock, platform::GetTickCount()); }

void ReleaseTicks() { ReleaseClock(&gClock, platform::GetTickCount()); }

bool TicksHeld() { return gClock.held; }

void ResetTicks() { gClock = HeldClock{}; }

}  // namespace runtime
