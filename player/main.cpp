// The program's entry: the command line, then the player. Without arguments
// it plays data/vuze.kel from the current folder; the only file it writes is
// the launcher's remembered mode (on Linux).

#include <cstdio>
#include <exception>
#include <string>

#include "platform/screen_window.h"
#include "player/command_line.h"
#include "player/player.h"

#ifndef RODAZARO_VERSION
#define RODAZARO_VERSION "unknown"
#endif

int main(int argc, char** argv) {
    const player::CommandLine line = player::ParseCommandLine(argc, argv);
    switch (line.action) {
        case player::CommandLine::Action::kHelp: std::fputs(player::UsageText(), stdout); return 0;
        case player::CommandLine::Action::kVersion: std::printf("rodazaro %s\n", RODAZARO_VERSION); return 0;
        case player::CommandLine::Action::kUsageError:
            std::fprintf(stderr, "rodazaro: %s\nTry 'rodazaro --help' for more information.\n", line.error.c_str());
            return 2;
        case player::CommandLine::Action::kPlay: break;
    }
    std::string problem;
    if (!line.presentation.empty() && !player::EnterPresentation(line.presentation, &problem)) {
        std::fprintf(stderr, "rodazaro: %s %s\n", line.presentation.c_str(), problem.c_str());
        return 2;
    }
    if (!platform::ScreenAvailable()) {
        std::fputs("rodazaro: no display to show the presentation on (DISPLAY and WAYLAND_DISPLAY are not set)\n",
                   stderr);
        return 1;
    }
    try {
        player::PlayerMain(line.options);
    } catch (const std::exception&) {
        // Memory ran out inside the standard library: the program ends as
        // it always does, through its shutdown, and says nothing.
        player::Shutdown();
    }
}
