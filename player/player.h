// Start-up, the main loop and shutdown.
#pragma once

#include <cstdint>

#include "player/show_options.h"

namespace player {

// The program: start-up, launcher, main loop; ends the process.
[[noreturn]] void PlayerMain(const ShowOptions& options = {});

// The start-up sequence up to (not including) the launcher.
void StartUp();
// Hands control to the launcher; returns with the screen open.
void RunLauncher();
// One main-loop turn without the Escape test: key snapshot, one script line
// or the wait check, the frame while the screen is open, the 1 ms pause.
void RunTurn();
// Turns until Escape is down after a turn; then Shutdown.
[[noreturn]] void MainLoop();
[[noreturn]] void Shutdown();
// Shutdown's steps without the end of the program: the worker stopped,
// sprites, screen, sound, keyboard, windows, files and heaps released.
void CloseEverything();

std::int32_t ElapsedSinceClockStart();
std::int32_t TakeFrameDelta();

// Zeroes every module's state as at program start.
void ResetAllModules();

}  // namespace player
