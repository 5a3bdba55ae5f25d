// The renderer's virtual clock: the platform tick that only moves when a
// frame is shown (to the vertical blank of a display at the chosen rate)
// and when the program pauses.
#pragma once

#include <cstdint>
#include <functional>

namespace render {

struct ClockSettings {
    std::uint32_t startTick = 0;
    double framesPerSecond = 60.0;
};

void StartVirtualClock(const ClockSettings& settings);
// Called by the pause before it advances the clock: the tool looks for a
// newly shown frame here.
void SetPauseHook(std::function<void()> hook);
// Moves the clock to the vertical blank that ends frame number frame (from 1).
void ReachFrame(std::uint64_t frame);
std::uint32_t VirtualTicks();
// Milliseconds since the start tick (64 bits: no wrap).
std::uint64_t ElapsedMilliseconds();

// What ended the program: the exit the player asked for.
struct ProgramEnded {
    int exitCode;
};

}  // namespace render
