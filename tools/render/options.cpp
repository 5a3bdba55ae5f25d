#include "tools/render/options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <utility>

#include "player/command_line.h"
#include "player/show_options.h"

namespace render {

namespace {

constexpr std::uint64_t kMostTurns = 1u << 30;

Options UsageError(std::string error) {
    Options options;
    options.action = Options::Action::kUsageError;
    options.error = std::move(error);
    return options;
}

// A whole number from 1 (or 0) to max in decimal digits only.
bool WholeNumber(const std::string& text, std::uint64_t least, std::uint64_t max, std::uint64_t* out) {
    if (text.empty() || text.size() > 19) return false;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value < least || value > max) return false;
    *out = value;
    return true;
}

std::string ModeList() {
    std::string list;
    for (const player::ScreenMode& mode : player::kScreenModes) {
        list += std::string(list.empty() ? "" : ", ") + mode.text;
    }
    return list;
}

bool TakesValue(const std::string& name) {
    for (const char* option : {"--dir", "--mode", "--start-tick", "--fps", "--frames", "--escape-at", "--out",
                               "--every", "--audio", "--video"}) {
        if (name == option) return true;
    }
    return false;
}

// Reads one option with its value into options; an error text when the
// value is not one the option takes.
std::string ReadOption(const std::string& name, const std::string& value, Options* options) {
    const std::string quoted = "'" + value + "'";
    std::uint64_t n = 0;
    if (name == "--dir") {
        if (value.empty()) return "--dir takes a folder, not an empty name";
        if (!options->presentation.empty()) return "one presentation at a time ('" + value + "' is one too many)";
        options->presentation = value;
    } else if (name == "--mode") {
        for (const player::ScreenMode& mode : player::kScreenModes) {
            if (value == mode.text) {
                options->width = mode.width;
                options->height = mode.height;
                options->depth = mode.depth;
                return "";
            }
        }
        return quoted + " is not a screen mode; --mode takes one of " + ModeList();
    } else if (name == "--start-tick") {
        if (!WholeNumber(value, 0, 0xFFFFFFFFu, &n)) {
            return quoted + " is not a tick; --start-tick takes a whole number of milliseconds from 0 to 4294967295";
        }
        options->startTick = static_cast<std::uint32_t>(n);
    } else if (name == "--fps") {
        char* end = nullptr;
        errno = 0;
        const double fps = std::strtod(value.c_str(), &end);
        const bool plain = !value.empty() && (std::isdigit(static_cast<unsigned char>(value[0])) != 0);
        if (!plain || *end != '\0' || errno != 0 || !(fps >= 1.0 && fps <= 1000.0)) {
            return quoted + " is not a frame rate; --fps takes a number from 1 to 1000";
        }
        options->fps = fps;
    } else if (name == "--frames") {
        if (!WholeNumber(value, 1, kMostTurns, &n)) {
            return quoted + " is not a number of turns; --frames takes a whole number from 1 to 1073741824";
        }
        options->frames = n;
    } else if (name == "--escape-at") {
        if (!WholeNumber(value, 1, kMostTurns, &n)) {
            return quoted + " is not a turn; --escape-at takes a whole number from 1 to 1073741824";
        }
        options->escapeAt = n;
    } else if (name == "--every") {
        if (!WholeNumber(value, 1, kMostTurns, &n)) {
            return quoted + " is not a step; --every takes a whole number from 1 to 1073741824";
        }
        options->every = n;
    } else if (name == "--out") {
        if (value.empty()) return "--out takes a folder, not an empty name";
        options->outDir = value;
    } else if (name == "--audio") {
        if (value.empty()) return "--audio takes a file name, not an empty one";
        options->audioPath = value;
    } else if (name == "--video") {
        if (VideoContainer(value).empty()) {
            return quoted + " is not a video file name; --video takes a name ending in .mp4, .webm or .mkv";
        }
        options->videoPath = value;
    }
    return "";
}

}  // namespace

std::string VideoContainer(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    // A name that is only an extension (".mp4") names no file.
    if (dot == std::string::npos || dot == 0 || (slash != std::string::npos && dot <= slash + 1)) return "";
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "mp4" || extension == "webm" || extension == "mkv") return extension;
    return "";
}

Options ParseOptions(int argc, const char* const* argv) {
    Options options;
    bool optionsEnded = false;
    bool sawOut = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] != nullptr ? argv[i] : "";
        if (!optionsEnded && arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            const std::size_t equals = arg.find('=');
            const std::string name = arg.substr(0, equals);
            if (TakesValue(name)) {
                std::string value;
                if (!player::TakeOptionValue(argc, argv, &i, &value)) {
                    return UsageError("option '" + name + "' needs a value");
                }
                const std::string error = ReadOption(name, value, &options);
                if (!error.empty()) return UsageError(error);
                if (name == "--out") sawOut = true;
                continue;
            }
            const bool flag = name == "--help" || name == "--version" || name == "--force" || name == "--stats" ||
                              name == "--no-decode-ahead";
            if (!flag) return UsageError("unknown option '" + arg + "'");
            if (equals != std::string::npos) return UsageError("option '" + name + "' takes no value");
            // The first of --help and --version wins.
            if (name == "--help" && options.action == Options::Action::kRender) {
                options.action = Options::Action::kHelp;
            } else if (name == "--version" && options.action == Options::Action::kRender) {
                options.action = Options::Action::kVersion;
            } else if (name == "--force") {
                options.force = true;
            } else if (name == "--stats") {
                options.stats = true;
            } else if (name == "--no-decode-ahead") {
                options.decodeAhead = false;
            }
        } else if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "-h") {
            if (options.action == Options::Action::kRender) options.action = Options::Action::kHelp;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + arg + "'");
        } else if (arg.empty()) {
            return UsageError("an empty PRESENTATION names no folder");
        } else if (options.presentation.empty()) {
            options.presentation = arg;
        } else {
            return UsageError("one presentation at a time ('" + arg + "' is one too many)");
        }
    }
    if (options.action != Options::Action::kRender) return options;
    if (options.every != 1 && !sawOut) return UsageError("--every chooses among the frames of --out: give --out too");
    return options;
}

const char* UsageText() {
    return "Usage: rodazaro-render [OPTIONS] [PRESENTATION]\n"
           "Plays a presentation without a display or a sound card, on a virtual\n"
           "clock, and writes its frames and sound, identically on every run.\n"
           "\n"
           "PRESENTATION is a folder that holds data/vuze.kel, or that data folder\n"
           "itself, or a .zip of either; without it, the current folder.\n"
           "\n"
           "      --dir DIR        the presentation, as PRESENTATION\n"
           "      --mode WxHxD     1024x768x32 (default), 800x600x32, 640x480x32,\n"
           "                       1024x768x16, 800x600x16 or 640x480x16\n"
           "      --start-tick T   the clock's first value in ms (default 0)\n"
           "      --fps F          frames per second of the virtual display, 1 to 1000\n"
           "                       (default 60)\n"
           "      --frames N       stop after N turns\n"
           "      --escape-at K    press Escape in turn K\n"
           "      --out DIR        write frame_NNNNN.png for the shown frames\n"
           "      --every K        with --out: write every K-th frame only (default 1)\n"
           "      --force          let --out replace the frames of an earlier render\n"
           "      --audio FILE     write the mixed sound, a 16-bit stereo WAV\n"
           "      --video FILE     write a video with the sound through ffmpeg:\n"
           "                       FILE.mp4 (H.264, AAC), FILE.webm (VP9, Opus)\n"
           "                       or FILE.mkv (H.264, FLAC)\n"
           "      --stats          at the end, print on stderr the real time the turns\n"
           "                       took: median, 99th percentile, worst, and the\n"
           "                       script line of the worst\n"
           "      --no-decode-ahead\n"
           "                       load every picture and sound on its line's own\n"
           "                       turn, none decoded ahead (the same output)\n"
           "  -h, --help           show this text and exit\n"
           "      --version        show the version and exit\n"
           "\n"
           "Without --frames and QUIT it stops 10 s of virtual time after the\n"
           "script's last line. --out refuses a folder that holds frames of\n"
           "another render unless --force is given; --force removes only the\n"
           "frames that the renderer listed in the folder's .rodazaro-render.\n"
           "\n"
           "Exit status: 0 when the render is written, 1 when a file could not be\n"
           "written or ffmpeg is missing or failed, 2 for a wrong command line, a\n"
           "PRESENTATION without data/vuze.kel or an --out folder refused.\n";
}

}  // namespace render
