// The millisecond clock and the pause.
#pragma once

#include <cstdint>

namespace runtime {

// Milliseconds since the platform started, less the time the clock was
// held; 32 bits, wrapping.  Intervals are differences taken in 32-bit
// arithmetic, so they stay right across the wrap.
std::uint32_t GetTicks();
void Delay(std::uint32_t milliseconds);

// A clock that can be held: while held it stands still, and once released
// it goes on from where it stood, as if the held time had never passed.
// The arithmetic over the platform's tick, apart so it can be checked.
struct HeldClock {
    std::uint32_t shift;   // milliseconds held in all, taken off every reading
    std::uint32_t heldAt;  // the platform tick when the hold began
    bool held;
};
std::uint32_t ReadHeldClock(const HeldClock& clock, std::uint32_t now);
// Holding a held clock, or releasing a running one, changes nothing.
void HoldClock(HeldClock* clock, std::uint32_t now);
void ReleaseClock(HeldClock* clock, std::uint32_t now);

// Holds and releases the clock GetTicks reads (the show's pause): the
// script clock, the motion and every wait stand still in between.
void HoldTicks();
void ReleaseTicks();
bool TicksHeld();
// The clock runs again with nothing held (at start-up).
void ResetTicks();

}  // namespace runtime
