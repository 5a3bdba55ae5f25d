// rodazaro-check: reads a presentation the way the player will and tells
// its author what will go wrong before the show.
//
//   rodazaro-check [--quiet] [--dir DIR]
//
// Exit code 0 when nothing is wrong (notes of kind "info" allowed), 1 when
// there is an error or a warning, 2 for bad usage.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "tools/check/findings.h"
#include "tools/check/script_check.h"

namespace {

constexpr int kUsageExit = 2;

void PrintUsage(std::FILE* out) {
    std::fputs(
        "Usage: rodazaro-check [--quiet] [--dir DIR]\n"
        "Checks the presentation data\\vuze.kel (with data\\gfx and data\\sound) in DIR,\n"
        "by default the current directory, as the player will read it.\n"
        "\n"
        "  --dir DIR   check the presentation in DIR\n"
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

}  // namespace

int Main(int argc, char** argv) {
    bool quiet = false;
    const char* dir = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return 0;
        }
        if (arg == "--quiet" || arg == "-q") {
            quiet = true;
        } else if (arg == "--dir") {
            if (i + 1 >= argc) return Usage("--dir needs a folder");
            if (dir != nullptr) return Usage("--dir given twice");
            dir = argv[++i];
        } else if (arg.rfind("--dir=", 0) == 0) {
            if (dir != nullptr) return Usage("--dir given twice");
            dir = argv[i] + 6;
        } else {
            return Usage("unknown argument '" + arg + "'");
        }
    }
    if (dir != nullptr && (dir[0] == '\0' || ::chdir(dir) != 0)) {
        return Usage(std::string("cannot enter the folder '") + dir +
                     "': " + (dir[0] == '\0' ? "empty name" : std::strerror(errno)));
    }

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
