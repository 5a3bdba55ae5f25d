// What the command line asks of a show, beyond the presentation itself.
// None of it is visible to the script: with the defaults the player behaves
// exactly as without a command line.
#pragma once

#include <cstdint>
#include <iterator>

namespace player {

// The six screen modes the launcher offers, in its order.
struct ScreenMode {
    const char* text;
    std::int16_t width;
    std::int16_t height;
    std::int16_t depth;
};

inline constexpr ScreenMode kScreenModes[] = {
    {"1024x768x32", 1024, 768, 32}, {"800x600x32", 800, 600, 32}, {"640x480x32", 640, 480, 32},
    {"1024x768x16", 1024, 768, 16}, {"800x600x16", 800, 600, 16}, {"640x480x16", 640, 480, 16},
};
inline constexpr std::int32_t kScreenModeCount = static_cast<std::int32_t>(std::size(kScreenModes));

struct ShowOptions {
    enum class Window { kDefault, kWindow, kFullscreen };
    std::int32_t mode = -1;  // an index into kScreenModes; -1: the launcher asks
    Window window = Window::kDefault;
    std::int32_t volume = 100;  // percent of full volume
    bool mute = false;
    bool verbose = false;  // failed loads, missing files and ignored lines on stderr
};

// The options of the running show (the defaults until PlayerMain sets them).
const ShowOptions& CurrentShowOptions();

}  // namespace player
