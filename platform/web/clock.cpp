// The millisecond tick and the pause in a web page.  The program runs on the
// page's only thread: a pause hands control back to the browser (ASYNCIFY
// unwinds the stack and resumes it from a timer), so the page stays alive
// while the show waits.  The pauses are counted for the page.

#include <emscripten.h>

#include "platform/clock.h"
#include "platform/web/frame.h"

namespace {

// The player pauses once a main-loop turn: the page reads the count as the
// module's `turns` to tell the turns a second.
// clang-format off
EM_JS(void, CountTurn, (), {
    Module['turns'] = (Module['turns'] || 0) + 1;
});
// clang-format on

}  // namespace

namespace platform {

std::uint32_t GetTickCount() {
    // performance.now(): milliseconds since the page opened, never backwards.
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(emscripten_get_now()));
}

void Sleep(std::uint32_t milliseconds) {
    CountTurn();
    emscripten_sleep(milliseconds);
}

}  // namespace platform

namespace platform::web {

namespace {

// clang-format off
EM_ASYNC_JS(void, AwaitAnimationFrame, (), {
    await new Promise((resolve) => requestAnimationFrame(() => resolve()));
});
// clang-format on

}  // namespace

void WaitForAnimationFrame() { AwaitAnimationFrame(); }

}  // namespace platform::web
