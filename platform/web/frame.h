// The browser's frame pace: a program in a page shows a frame only when it
// hands control back to the browser.
#pragma once

namespace platform::web {

// Suspends the program until the browser's next animation frame (the
// display's refresh), so that what was presented is shown.
void WaitForAnimationFrame();

}  // namespace platform::web
