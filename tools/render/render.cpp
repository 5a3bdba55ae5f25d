// rodazaro-render: plays a presentation without a display or a sound card
// and writes what it shows and sounds to files, identically on every run.
//
// It runs the player's own start-up, main loop, interpreter, scene and
// mixer on SDL's headless video with the software renderer and a capturing
// sound device, under a virtual clock: the flip of turn k moves the clock to
// the k-th vertical blank of a display at --fps, the 1 ms pause adds 1 ms,
// and loading takes no time.

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "keyboard/keyboard.h"
#include "platform/file.h"
#include "platform/sdl/display.h"
#include "platform/sdl/sound_device.h"
#include "player/player.h"
#include "player/player_state.h"
#include "screen/screen.h"
#include "tools/render/frame_files.h"
#include "tools/render/virtual_clock.h"

namespace {

constexpr int kMixRate = 48000;
constexpr std::uint64_t kRunOutMilliseconds = 10000;

struct Options {
    std::string dir;
    int width = 1024;
    int height = 768;
    int depth = 32;
    std::uint32_t startTick = 0;
    double fps = 60.0;
    std::optional<std::uint64_t> frames;
    std::optional<std::uint64_t> escapeAt;
    std::string outDir;
    std::uint64_t every = 1;
    std::string audioPath;
};

void Usage(std::FILE* to) {
    std::fprintf(to,
                 "usage: rodazaro-render [options]\n"
                 "Plays the presentation in the current directory (data/vuze.kel) headless\n"
                 "and writes its frames and sound.\n"
                 "  --dir DIR          the folder that holds data/ (default: .)\n"
                 "  --mode WxHxD       1024x768x32 (default), 800x600x32, 640x480x32,\n"
                 "                     1024x768x16, 800x600x16 or 640x480x16\n"
                 "  --start-tick T     the clock's first value in ms (default 0)\n"
                 "  --fps F            frames per second of the virtual display (default 60)\n"
                 "  --frames N         stop after N turns\n"
                 "  --escape-at K      press Escape in turn K\n"
                 "  --out DIR          write frame_NNNNN.png for the shown frames\n"
                 "  --every K          with --out: write every K-th frame only (default 1)\n"
                 "  --audio FILE.wav   write the mixed sound, 16-bit stereo\n"
                 "Without --frames and QUIT it stops 10 s of virtual time after the\n"
                 "script's last line.\n");
}

bool ParseNumber(const char* text, std::uint64_t max, std::uint64_t* out) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || text[0] == '-' || value > max) return false;
    *out = value;
    return true;
}

bool ParseMode(const std::string& text, Options* options) {
    static const char* const kModes[] = {"1024x768x32", "800x600x32", "640x480x32",
                                         "1024x768x16", "800x600x16", "640x480x16"};
    for (const char* mode : kModes) {
        if (text == mode) {
            return std::sscanf(mode, "%dx%dx%d", &options->width, &options->height, &options->depth) == 3;
        }
    }
    return false;
}

// Returns false (after printing why) on bad options; sets help for --help.
bool ParseOptions(int argc, char** argv, Options* options, bool* help) {
    *help = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char** out) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "rodazaro-render: %s needs a value\n", arg.c_str());
                return false;
            }
            *out = argv[++i];
            return true;
        };
        const char* v = nullptr;
        std::uint64_t n = 0;
        if (arg == "--help" || arg == "-h") {
            *help = true;
            return true;
        } else if (arg == "--dir") {
            if (!value(&v)) return false;
            options->dir = v;
        } else if (arg == "--mode") {
            if (!value(&v)) return false;
            if (!ParseMode(v, options)) {
                std::fprintf(stderr, "rodazaro-render: unknown mode %s\n", v);
                return false;
            }
        } else if (arg == "--start-tick") {
            if (!value(&v) || !ParseNumber(v, 0xFFFFFFFFu, &n)) return false;
            options->startTick = static_cast<std::uint32_t>(n);
        } else if (arg == "--fps") {
            if (!value(&v)) return false;
            char* end = nullptr;
            const double fps = std::strtod(v, &end);
            if (*end != '\0' || !(fps >= 1.0 && fps <= 1000.0)) {
                std::fprintf(stderr, "rodazaro-render: --fps takes a number from 1 to 1000\n");
                return false;
            }
            options->fps = fps;
        } else if (arg == "--frames") {
            if (!value(&v) || !ParseNumber(v, 1u << 30, &n) || n == 0) return false;
            options->frames = n;
        } else if (arg == "--escape-at") {
            if (!value(&v) || !ParseNumber(v, 1u << 30, &n) || n == 0) return false;
            options->escapeAt = n;
        } else if (arg == "--out") {
            if (!value(&v)) return false;
            options->outDir = v;
        } else if (arg == "--every") {
            if (!value(&v) || !ParseNumber(v, 1u << 30, &n) || n == 0) return false;
            options->every = n;
        } else if (arg == "--audio") {
            if (!value(&v)) return false;
            options->audioPath = v;
        } else {
            std::fprintf(stderr, "rodazaro-render: unknown option %s\n", arg.c_str());
            return false;
        }
    }
    return true;
}

std::string Absolute(const std::string& path) {
    if (path.empty()) return path;
    return std::filesystem::absolute(path).string();
}

// The script's bytes, read as the player reads it: through the platform's
// file service, which opens only a regular file.  A script that cannot be
// read (missing, a folder, a FIFO) has no lines, as for the player.
std::vector<unsigned char> ReadScript() {
    std::vector<unsigned char> script;
    const platform::FileHandle file = platform::OpenFileForReading("data\\vuze.kel");
    if (file == 0) return script;
    script.resize(platform::GetFileSizeLow(file));
    std::uint32_t got = 0;
    if (!platform::ReadFileBytes(file, script.data(), static_cast<std::uint32_t>(script.size()), &got)) got = 0;
    script.resize(got);
    platform::CloseFileHandle(file);
    return script;
}

class Renderer {
public:
    explicit Renderer(const Options& options) : options_(options) {}

    int Run() {
        const std::vector<unsigned char> script = ReadScript();
        const std::size_t lines = render::CountScriptLines(script);
        commands_ = lines > 0 ? lines - 1 : 0;

        if (!options_.outDir.empty()) std::filesystem::create_directories(options_.outDir);
        if (!options_.audioPath.empty() && !wav_.Open(options_.audioPath, kMixRate)) {
            std::fprintf(stderr, "rodazaro-render: cannot write %s\n", options_.audioPath.c_str());
            return 1;
        }

        render::StartVirtualClock({options_.startTick, options_.fps});
        render::SetPauseHook([this] { OnPause(); });
        platform::sdl::UseCapturingSoundDevice(kMixRate);

        std::string reason = "script end";
        try {
            player::StartUp();
            // No launcher: the screen opens in the chosen mode at once.
            player::gPlayer.screenWidth = static_cast<std::int16_t>(options_.width);
            player::gPlayer.screenHeight = static_cast<std::int16_t>(options_.height);
            screen::OpenScreen(player::gPlayer.screenWidth, player::gPlayer.screenHeight,
                               static_cast<std::int16_t>(options_.depth), player::gPlayer.programTitle);
            player::gPlayer.screenOpen = 1;
            for (;;) {
                MixUpToNow();
                ++turns_;
                if (player::gPlayer.waitUntil == 0 && executed_ < commands_) {
                    ++executed_;
                    if (executed_ == commands_) ranOutAt_ = render::ElapsedMilliseconds();
                } else if (commands_ == 0 && !ranOutAt_) {
                    ranOutAt_ = render::ElapsedMilliseconds();
                }
                quitting_ = true;  // a QUIT inside this turn ends it
                player::RunTurn();
                quitting_ = false;
                // The mix covers the whole rendered time, up to the last pause.
                auto stop = [this, &reason](const char* why) {
                    reason = why;
                    MixUpToNow();
                    player::Shutdown();
                };
                if (keyboard::IsKeyDown(keyboard::kKeyEscape) != 0 ||
                    (options_.escapeAt && turns_ == *options_.escapeAt)) {
                    stop("escape");
                }
                if (options_.frames && turns_ >= *options_.frames) stop("frames");
                if (ranOutAt_ && render::ElapsedMilliseconds() >= *ranOutAt_ + kRunOutMilliseconds) stop("script end");
            }
        } catch (const render::ProgramEnded&) {
            if (quitting_) reason = "quit";
        }
        bool ok = true;
        if (!options_.audioPath.empty()) ok = wav_.Finish() && ok;
        std::fprintf(stderr, "rodazaro-render: %llu turns, %llu frames written, %llu ms virtual time, stopped: %s\n",
                     static_cast<unsigned long long>(turns_), static_cast<unsigned long long>(written_),
                     static_cast<unsigned long long>(render::ElapsedMilliseconds()), reason.c_str());
        if (!writeOk_ || !ok) {
            std::fprintf(stderr, "rodazaro-render: some files could not be written\n");
            return 1;
        }
        return 0;
    }

private:
    void OnPause() {
        const std::uint32_t shown = platform::sdl::PresentedFrameCount();
        if (shown == shownFrames_) return;
        shownFrames_ = shown;
        render::ReachFrame(shown);
        if (!options_.outDir.empty() && shown % options_.every == 0) {
            char name[32];
            std::snprintf(name, sizeof name, "/frame_%05u.png", shown);
            if (render::WriteFramePng(options_.outDir + name, platform::sdl::ReadPresentedFrame())) ++written_;
            else writeOk_ = false;
        }
        if (shown % 600 == 0) {
            std::fprintf(stderr, "rodazaro-render: %u frames, %.1f s\n", shown,
                         static_cast<double>(render::ElapsedMilliseconds()) / 1000.0);
        }
    }

    // The mix follows the clock: sample 0 lies at the start tick.
    void MixUpToNow() {
        if (options_.audioPath.empty()) return;
        const std::uint64_t target = render::ElapsedMilliseconds() * kMixRate / 1000;
        while (mixed_ < target) {
            const std::uint64_t count = std::min<std::uint64_t>(target - mixed_, 4096);
            std::vector<std::int16_t> samples(count * 2, 0);
            platform::sdl::MixCaptured(samples.data(), static_cast<int>(count));
            wav_.Append(samples.data(), count);
            mixed_ += count;
        }
    }

    const Options& options_;
    render::WavWriter wav_;
    std::size_t commands_ = 0;
    std::size_t executed_ = 0;
    std::optional<std::uint64_t> ranOutAt_;
    std::uint64_t turns_ = 0;
    std::uint32_t shownFrames_ = 0;
    std::uint64_t written_ = 0;
    std::uint64_t mixed_ = 0;
    bool quitting_ = false;
    bool writeOk_ = true;
};

}  // namespace

int Main(int argc, char** argv) {
    Options options;
    bool help = false;
    if (!ParseOptions(argc, argv, &options, &help)) {
        Usage(stderr);
        return 2;
    }
    if (help) {
        Usage(stdout);
        return 0;
    }
    options.outDir = Absolute(options.outDir);
    options.audioPath = Absolute(options.audioPath);
    if (!options.dir.empty() && ::chdir(options.dir.c_str()) != 0) {
        std::fprintf(stderr, "rodazaro-render: cannot enter %s\n", options.dir.c_str());
        return 2;
    }
    // Headless video with the software renderer: the same pixels on every run.
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    ::setenv("RODAZARO_RENDERER", "software", 1);
    Renderer renderer(options);
    return renderer.Run();
}

int main(int argc, char** argv) {
    // Nothing the standard library throws (a folder that cannot be made, a
    // file that cannot be written) leaves the program unexplained.
    try {
        return Main(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "rodazaro-render: %s\n", error.what());
        return 1;
    }
}
