#include "player/command_line.h"

#include "platform/file.h"

namespace player {

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] != nullptr ? argv[i] : "";
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            // The first of --help and --version wins, as later words are not read.
            if (line.action == CommandLine::Action::kPlay) line.action = CommandLine::Action::kHelp;
        } else if (!optionsEnded && arg == "--version") {
            if (line.action == CommandLine::Action::kPlay) line.action = CommandLine::Action::kVersion;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return {CommandLine::Action::kUsageError, {}, "unknown option '" + arg + "'"};
        } else if (arg.empty()) {
            return {CommandLine::Action::kUsageError, {}, "an empty PRESENTATION names no folder"};
        } else if (line.presentation.empty()) {
            line.presentation = arg;
        } else {
            return {CommandLine::Action::kUsageError, {}, "one presentation at a time ('" + arg + "' is one too many)"};
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
           "itself; without it, the current folder.\n"
           "\n"
           "  -h, --help     show this text and exit\n"
           "      --version  show the version and exit\n"
           "\n"
           "Exit status: 0 when the show ended, 1 when there is no display to show\n"
           "it on, 2 for a wrong command line or a PRESENTATION without\n"
           "data/vuze.kel, 128+N after signal N.\n";
}

namespace {

bool HoldsScript(const char* path) {
    const platform::FileHandle file = platform::OpenFileForReading(path);
    if (file == 0) return false;
    platform::CloseFileHandle(file);
    return true;
}

}  // namespace

bool EnterPresentation(const std::string& path) {
    if (path.empty() || !platform::SetCurrentFolder(path.c_str())) return false;
    if (HoldsScript("data\\vuze.kel")) return true;
    // The data folder itself: the presentation is the folder above it.
    return HoldsScript("vuze.kel") && platform::SetCurrentFolder("..") && HoldsScript("data\\vuze.kel");
}

}  // namespace player
