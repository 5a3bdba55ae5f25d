// The renderer's command line, read the GNU way as the player's is:
// `rodazaro-render [OPTIONS] [PRESENTATION]`, options as --name VALUE or
// --name=VALUE, `--` ending them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace render {

struct Options {
    enum class Action { kRender, kHelp, kVersion, kUsageError };
    Action action = Action::kRender;
    std::string error;         // what was wrong, for kUsageError
    std::string presentation;  // PRESENTATION or --dir; empty: the current folder
    int width = 1024;
    int height = 768;
    int depth = 32;
    std::uint32_t startTick = 0;
    double fps = 60.0;
    std::optional<std::uint64_t> frames;
    std::optional<std::uint64_t> escapeAt;
    std::string outDir;
    std::uint64_t every = 1;
    bool force = false;
    bool stats = false;       // --stats: real time per turn on stderr at the end
    bool decodeAhead = true;  // off: --no-decode-ahead
    std::string audioPath;
    std::string videoPath;
};

Options ParseOptions(int argc, const char* const* argv);

// The text of --help.
const char* UsageText();

// The container a video file's name asks for: "mp4", "webm" or "mkv" (any
// letter case in the name); empty for any other name.
std::string VideoContainer(const std::string& path);

}  // namespace render
