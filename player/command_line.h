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

// The value of the long option in argv[*index] that takes one: what follows
// its '=', else the next word, which is then used up (*index moves on).
// False when there is neither.
bool TakeOptionValue(int argc, const char* const* argv, int* index, std::string* value);

// The text of --help.
const char* UsageText();

// Enters the presentation PATH names, a folder or a zip archive (a name
// ending in ".zip", in any case), so that data\vuze.kel and the files it
// names open from there.  A folder: PATH itself when it holds data/vuze.kel,
// or the folder above PATH when PATH is the `data` folder; it becomes the
// current folder.  A zip: mounted in place of the current folder when it
// holds data/vuze.kel at its root or under one top folder, or vuze.kel at its
// root (a zip of the data folder); read in place, never unpacked to disk.
// Whatever was entered before is left first.  False, with the reason that
// follows PATH in a message in *error ("holds no data/vuze.kel"), when PATH
// holds no presentation or its zip is refused (platform/archive.h); the
// current folder is then unchanged or left in PATH.  The player, the render
// tool and the checker all enter a presentation through this call.
bool EnterPresentation(const std::string& path, std::string* error = nullptr);

// True for a PRESENTATION that names a zip archive: it ends in ".zip".
bool IsArchiveName(const std::string& path);

}  // namespace player
