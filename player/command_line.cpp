#include "player/command_line.h"

#include <utility>

#include "platform/archive.h"
#include "platform/file.h"

namespace player {

namespace {

CommandLine UsageError(std::string error) {
    CommandLine line;
    line.action = CommandLine::Action::kUsageError;
    line.error = std::move(error);
    return line;
}

std::int32_t ModeIndex(const std::string& text) {
    for (std::int32_t i = 0; i < kScreenModeCount; ++i) {
        if (text == kScreenModes[i].text) return i;
    }
    return -1;
}

std::string ModeList() {
    std::string list;
    for (const ScreenMode& mode : kScreenModes) list += std::string(list.empty() ? "" : ", ") + mode.text;
    return list;
}

// A whole number from 0 to 100 written in decimal digits only; -1 otherwise.
std::int32_t Percent(const std::string& text) {
    if (text.empty() || text.size() > 3) return -1;
    std::int32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value <= 100 ? value : -1;
}

}  // namespace

bool TakeOptionValue(int argc, const char* const* argv, int* index, std::string* value) {
    const std::string arg = argv[*index] != nullptr ? argv[*index] : "";
    const std::size_t equals = arg.find('=');
    if (equals != std::string::npos) {
        *value = arg.substr(equals + 1);
    } else if (*index + 1 < argc && argv[*index + 1] != nullptr) {
        *value = argv[++*index];
    } else {
        return false;
    }
    return true;
}

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] != nullptr ? argv[i] : "";
        if (!optionsEnded && arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            // --name, --name=value or --name value
            const std::size_t equals = arg.find('=');
            const std::string name = arg.substr(0, equals);
            const bool takesValue = name == "--mode" || name == "--volume";
            std::string value;
            if (takesValue) {
                if (!TakeOptionValue(argc, argv, &i, &value)) return UsageError("option '" + name + "' needs a value");
            } else if (equals != std::string::npos &&
                       (name == "--help" || name == "--version" || name == "--window" || name == "--fullscreen" ||
                        name == "--mute" || name == "--verbose")) {
                return UsageError("option '" + name + "' takes no value");
            }
            if (name == "--help") {
                // The first of --help and --version wins, as later words are not read.
                if (line.action == CommandLine::Action::kPlay) line.action = CommandLine::Action::kHelp;
            } else if (name == "--version") {
                if (line.action == CommandLine::Action::kPlay) line.action = CommandLine::Action::kVersion;
            } else if (name == "--mode") {
                line.options.mode = ModeIndex(value);
                if (line.options.mode < 0) {
                    return UsageError("'" + value + "' is not a screen mode; --mode takes one of " + ModeList());
                }
            } else if (name == "--volume") {
                line.options.volume = Percent(value);
                if (line.options.volume < 0) {
                    return UsageError("'" + value + "' is not a volume; --volume takes a whole number from 0 to 100");
                }
            } else if (name == "--window") {
                line.options.window = ShowOptions::Window::kWindow;
            } else if (name == "--fullscreen") {
                line.options.window = ShowOptions::Window::kFullscreen;
            } else if (name == "--mute") {
                line.options.mute = true;
            } else if (name == "--verbose") {
                line.options.verbose = true;
            } else {
                return UsageError("unknown option '" + arg + "'");
            }
        } else if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "-h") {
            if (line.action == CommandLine::Action::kPlay) line.action = CommandLine::Action::kHelp;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + arg + "'");
        } else if (arg.empty()) {
            return UsageError("an empty PRESENTATION names no folder");
        } else if (line.presentation.empty()) {
            line.presentation = arg;
        } else {
            return UsageError("one presentation at a time ('" + arg + "' is one too many)");
        }
    }
    return line;
}

const char* UsageText() {
    return "Usage: rodazaro [OPTIONS] [PRESENTATION]\n"
           "Plays a presentation: the launcher offers the screen modes, Run plays the\n"
           "show full screen, Escape ends it.\n"
           "\n"
           "PRESENTATION is a folder that holds data/vuze.kel, or that data folder\n"
           "itself, or a .zip of either (read in place, never unpacked); without it,\n"
           "the current folder.\n"
           "\n"
           "      --mode WxHxD   play in this screen mode without asking: 1024x768x32,\n"
           "                     800x600x32, 640x480x32, 1024x768x16, 800x600x16 or\n"
           "                     640x480x16\n"
           "      --window       play in a window\n"
           "      --fullscreen   play full screen (the default)\n"
           "      --volume N     sound at N percent, 0 to 100 (default 100)\n"
           "      --mute         start with the sound off\n"
           "      --verbose      report failed loads, missing files and ignored\n"
           "                     script lines on stderr\n"
           "  -h, --help         show this text and exit\n"
           "      --version      show the version and exit\n"
           "\n"
           "Keys during the show (Linux): Alt+Enter or F11 switch between full screen\n"
           "and window; F12 saves the frame shown as a PNG in $XDG_PICTURES_DIR/RodaZaro\n"
           "(else ~/Pictures/RodaZaro); Space or Pause pause and resume; M mutes and\n"
           "unmutes; Escape ends the show.\n"
           "\n"
           "Exit status: 0 when the show ended, 1 when there is no display to show\n"
           "it on, 2 for a wrong command line, a PRESENTATION without\n"
           "data/vuze.kel or a zip refused as unsafe or unreadable, 128+N after\n"
           "signal N.\n";
}

namespace {

constexpr const char* kScriptPath = "data\\vuze.kel";

bool HoldsScript(const char* path) {
    const platform::FileHandle file = platform::OpenFileForReading(path);
    if (file == 0) return false;
    platform::CloseFileHandle(file);
    return true;
}

}  // namespace

bool IsArchiveName(const std::string& path) {
    if (path.size() < 4) return false;
    std::string ending = path.substr(path.size() - 4);
    for (char& c : ending) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return ending == ".zip";
}

bool EnterPresentation(const std::string& path, std::string* error) {
    platform::UnmountArchive();
    if (IsArchiveName(path)) return platform::MountArchive(path.c_str(), kScriptPath, error);
    if (error != nullptr) *error = "holds no data/vuze.kel";
    if (path.empty() || !platform::SetCurrentFolder(path.c_str())) return false;
    if (HoldsScript(kScriptPath)) return true;
    // The data folder itself: the presentation is the folder above it.
    return HoldsScript("vuze.kel") && platform::SetCurrentFolder("..") && HoldsScript(kScriptPath);
}

}  // namespace player
