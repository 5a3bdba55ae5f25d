// rodazaro-check: reads a presentation the way the player will and tells
// its author what will go wrong before the show.
//
//   rodazaro-check [--quiet] [PRESENTATION]   (or --dir PRESENTATION)
//
// Exit code 0 when nothing is wrong (notes of kind "info" allowed), 1 when
// there is an error or a warning, 2 for bad usage.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "player/command_line.h"
#include "tools/check/findings.h"
#include "tools/check/script_check.h"

namespace {

constexpr int kUsageExit = 2;

void PrintUsage(std::FILE* out) {
    std::fputs(
        "Usage: rodazaro-check [--quiet] [PRESENTATION]\n"
        "Checks the presentation data\\vuze.kel (with data\\gfx and data\\sound) as the\n"
        "player will read it. PRESENTATION is a folder that holds data/vuze.kel, or\n"
        "that data folder itself, or a .zip of either, as the player takes it; by\n"
        "default the current directory.\n"
        "\n"
        "  --dir DIR   the same as giving DIR as PRESENTATION\n"
        "  --quiet     print nothing; only the exit code tells\n"
        "  --help      show this text\n"
        "\n"
        "Each finding is one line: vuze.kel:LINE: error|warning|info: text.\n"
        "Exit code: 0 nothing wrong (info allowed), 1 errors or warnings, 2 bad usage.\n",
        out);
}

int Usage(const std::string& problem) {
    std::fprintf(stderr, "rodazaro-check: %s\n", problem.c_str());
    PrintUsage(stderr);
    return kUsageExit;
}

// Enters the presentation the way the player does; a folder without the
// script is entered all the same, for the checker to report the missing
// script.  False when the path names nothing the checker can enter.
bool EnterToCheck(const std::string& path, std::string* problem) {
    if (path.empty()) {
        *problem = "an empty PRESENTATION names no folder";
        return false;
    }
    // A failed EnterPresentation may leave the current folder in PATH.
    const int start = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::string refusal;
    const bool entered = player::EnterPresentation(path, &refusal);
    const bool back = !entered && start >= 0 && ::fchdir(start) == 0;
    if (start >= 0) ::close(start);
    if (entered) return true;
    if (player::IsArchiveName(path)) {
        // A zip is checked only when it opens as a presentation.
        *problem = path + " " + refusal;
        return false;
    }
    if (!back) {
        *problem = "cannot return to the folder the checker started in";
        return false;
    }
    if (::chdir(path.c_str()) == 0) return true;
    *problem = "cannot enter the presentation '" + path + "': " + std::strerror(errno);
    return false;
}

}  // namespace

int Main(int argc, char** argv) {
    bool quiet = false;
    bool optionsEnded = false;
    const char* presentation = nullptr;
    auto take = [&](const char* path) {
        if (presentation != nullptr) return false;
        presentation = path;
        return true;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-') {
            if (!take(argv[i])) return Usage("one presentation at a time ('" + arg + "' is one too many)");
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return 0;
        } else if (arg == "--quiet" || arg == "-q") {
            quiet = true;
        } else if (arg == "--dir") {
            if (i + 1 >= argc) return Usage("--dir needs a folder");
            if (!take(argv[++i])) return Usage("one presentation at a time (--dir '" + std::string(argv[i]) + "')");
        } else if (arg.rfind("--dir=", 0) == 0) {
            if (!take(argv[i] + 6)) return Usage("one presentation at a time (" + arg + ")");
        } else {
            return Usage("unknown argument '" + arg + "'");
        }
    }
    std::string problem;
    if (presentation != nullptr && !EnterToCheck(presentation, &problem)) return Usage(problem);

    check::StartRuntime();
    check::Report report;
    check::CheckScript(report);
    check::StopRuntime();

    if (!quiet) {
        report.Print(stdout);
        std::printf("%d error%s, %d warning%s, %d info\n", report.Count(check::Severity::Error),
                    report.Count(check::Severity::Error) == 1 ? "" : "s", report.Count(check::Severity::Warning),
                    report.Count(check::Severity::Warning) == 1 ? "" : "s", report.Count(check::Severity::Info));
    }
    std::fflush(stdout);
    return report.ExitCode();
}

int main(int argc, char** argv) {
    // Nothing the standard library throws leaves the program unexplained.
    try {
        return Main(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "rodazaro-check: %s\n", error.what());
        return 2;
    }
}
