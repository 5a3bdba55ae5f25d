// The player's command line: `rodazaro [OPTIONS] [PRESENTATION]`, read the
// GNU way. Without arguments the player plays the folder `data` in the
// current folder, as it always has.
#pragma once

#include <string>

#include "player/show_options.h"

namespace player {

struct CommandLine {
    enum class Action { kPlay, kHelp, kVersion, kUsageError };
    Action action = Action::kPlay;
    std::string presentation;  // empty: the current folder
    std::string error;         // what was wrong, for kUsageError
    ShowOptions options;
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

// The text of --help.
const char* UsageText();

// Enters the folder that holds the presentation's `data` folder: PATH itself
// when it holds data/vuze.kel, or the folder above PATH when PATH is the
// `data` folder. False (the current folder unchanged or left in PATH) when
// neither holds the script.
bool EnterPresentation(const std::string& path);

}  // namespace player
