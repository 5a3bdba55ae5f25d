// The test backend: a millisecond tick that only moves when the program
// pauses or the test says so, a keyboard whose key states the test scripts,
// a screen window whose messages the test posts, and a process exit that
// comes back to the test as an exception.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/screen_window.h"
#include "platform/types.h"

namespace platform::test {

// Thrown by ExitProcess.
struct ProcessExit {
    int code;
};

// Back to the state at program start: tick 0, no keys, no messages, a
// fresh memory display and sound device.
void Reset();

void SetTicks(std::uint32_t ticks);
void AdvanceTicks(std::uint32_t milliseconds);
std::uint32_t Ticks();
std::uint32_t SleepCalls();
// Called at every pause, after the tick has advanced by the pause.
void SetSleepHook(std::function<void(std::uint32_t milliseconds)> hook);

// Fills the 256 key bytes at each successful keyboard read; readIndex
// counts the reads from 0.  Without a script every key is up.
using KeyScript = std::function<void(std::uint32_t readIndex, std::uint8_t keys[256])>;
void SetKeyScript(KeyScript script);
std::uint32_t KeyReads();
// While false the keyboard read fails as with the window in the background.
void SetKeyboardFocus(bool focused);
// While false the input library cannot be loaded.
void SetKeyboardAvailable(bool available);
std::uint32_t KeyboardAcquireCount();
// Every call of the input services since Reset, in order: "create system",
// "release system", "create keyboard", "release keyboard", "format",
// "cooperative <window> <flags>", "acquire", "unacquire", "read" (a read
// that delivered the key states) and "read failed".
const std::vector<std::string>& InputCalls();

// Messages for the screen window, delivered by the next pump.
void PostScreenMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
// A show key pressed in the screen window: the next pump hands it to the
// show key handler, before any posted message.
void PressShowKey(ShowKey key);
// Whether the program last asked for a windowed screen window.
bool ScreenWindowWindowed();
// Calls of the message pump that found the queue empty: one per pump.
std::uint32_t EmptyPumps();
bool ScreenWindowVisible();
bool CursorVisible();
// A request to end the program from outside, as a signal would make it:
// TerminationStatus reports status from now on.
void RequestTermination(int status);
bool WatchingTermination();
// While false the program runs as a build without threads.
void SetThreadsAvailable(bool available);

}  // namespace platform::test
