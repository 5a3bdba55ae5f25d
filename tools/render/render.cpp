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
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "keyboard/keyboard.h"
#include "platform/file.h"
#include "platform/sdl/display.h"
#include "platform/sdl/sound_device.h"
#include "player/command_line.h"
#include "player/decode_ahead.h"
#include "player/player.h"
#include "player/player_state.h"
#include "screen/screen.h"
#include "tools/render/frame_files.h"
#include "tools/render/options.h"
#include "tools/render/out_folder.h"
#include "tools/render/turn_stats.h"
#include "tools/render/video.h"
#include "tools/render/virtual_clock.h"

#ifndef RODAZARO_VERSION
#define RODAZARO_VERSION "unknown"
#endif

namespace {

constexpr int kMixRate = 48000;
constexpr std::uint64_t kRunOutMilliseconds = 10000;

using render::Options;

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

bool ScriptPresent() {
    const platform::FileHandle file = platform::OpenFileForReading("data\\vuze.kel");
    if (file == 0) return false;
    platform::CloseFileHandle(file);
    return true;
}

class Renderer {
public:
    explicit Renderer(const Options& options) : options_(options) {}

    // soundPath: where the mix goes (--audio, or a temporary file for the
    // video); video: the encoder of --video, or null.
    int Run(const std::string& soundPath, render::VideoEncoder* video) {
        const std::vector<unsigned char> script = ReadScript();
        const std::size_t lines = render::CountScriptLines(script);
        commands_ = lines > 0 ? lines - 1 : 0;
        video_ = video;

        if (!options_.outDir.empty() && !frameList_.Open(options_.outDir)) {
            std::fprintf(stderr, "rodazaro-render: cannot write into %s\n", options_.outDir.c_str());
            return 1;
        }
        mixing_ = !soundPath.empty();
        if (mixing_ && !wav_.Open(soundPath, kMixRate)) {
            std::fprintf(stderr, "rodazaro-render: cannot write %s\n", soundPath.c_str());
            return 1;
        }

        // The worker decodes ahead on wall time only: the virtual clock never
        // waits for it, and a load finds the same pixels and samples either way.
        player::DecodeAheadSettings decodeAhead;
        decodeAhead.enabled = options_.decodeAhead;
        player::SetDecodeAheadSettings(decodeAhead);
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
                const Clock::time_point began = Clock::now();
                toolTime_ = Clock::duration::zero();
                player::RunTurn();
                // The frames and video the tool writes in the pause are not the player's time.
                const std::chrono::duration<double, std::milli> took = Clock::now() - began - toolTime_;
                if (options_.stats) turnStats_.Add(took.count(), player::gPlayer.scriptLine);
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
        if (options_.stats) std::fprintf(stderr, "rodazaro-render: %s\n", turnStats_.Summary().c_str());
        if (options_.decodeAhead) {
            std::fprintf(stderr, "rodazaro-render: %llu loads found decoded ahead\n",
                         static_cast<unsigned long long>(player::LoadsDecodedAhead()));
        }
        bool ok = true;
        if (mixing_) ok = wav_.Finish() && ok;
        if (!options_.outDir.empty()) ok = frameList_.Close() && ok;
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
    using Clock = std::chrono::steady_clock;

    void OnPause() {
        const Clock::time_point began = Clock::now();
        WriteNewFrames();
        toolTime_ += Clock::now() - began;
    }

    void WriteNewFrames() {
        const std::uint32_t shown = platform::sdl::PresentedFrameCount();
        if (shown == shownFrames_) return;
        // A flip that showed no frame of its own repeats the last one in
        // the video, which has one picture per vertical blank.
        const std::uint32_t newFrames = shown - shownFrames_;
        shownFrames_ = shown;
        render::ReachFrame(shown);
        const bool toFile = !options_.outDir.empty() && shown % options_.every == 0;
        if (!toFile && video_ == nullptr) return;
        const platform::sdl::Frame frame = platform::sdl::ReadPresentedFrame();
        if (toFile) {
            char name[32];
            std::snprintf(name, sizeof name, "frame_%05u.png", shown);
            // Listed first: a render cut short leaves no frame unlisted.
            if (frameList_.Add(name) && render::WriteFramePng(options_.outDir + "/" + name, frame)) ++written_;
            else writeOk_ = false;
        }
        for (std::uint32_t i = 0; video_ != nullptr && i < newFrames; ++i) {
            if (!video_->AddFrame(frame)) {
                std::fprintf(stderr, "rodazaro-render: ffmpeg took no more frames\n");
                writeOk_ = false;
                video_ = nullptr;
            }
        }
        if (shown % 600 == 0) {
            std::fprintf(stderr, "rodazaro-render: %u frames, %.1f s\n", shown,
                         static_cast<double>(render::ElapsedMilliseconds()) / 1000.0);
        }
    }

    // The mix follows the clock: sample 0 lies at the start tick.
    void MixUpToNow() {
        if (!mixing_) return;
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
    render::FrameList frameList_;
    render::VideoEncoder* video_ = nullptr;
    bool mixing_ = false;
    std::size_t commands_ = 0;
    std::size_t executed_ = 0;
    std::optional<std::uint64_t> ranOutAt_;
    std::uint64_t turns_ = 0;
    std::uint32_t shownFrames_ = 0;
    std::uint64_t written_ = 0;
    std::uint64_t mixed_ = 0;
    bool quitting_ = false;
    bool writeOk_ = true;
    render::TurnStats turnStats_;
    Clock::duration toolTime_{};
};

}  // namespace

int UsageError(const std::string& error) {
    std::fprintf(stderr, "rodazaro-render: %s\nTry 'rodazaro-render --help' for more information.\n", error.c_str());
    return 2;
}

// A folder of its own for the video's intermediate files, removed on return.
class TemporaryFolder {
public:
    ~TemporaryFolder() {
        std::error_code error;
        if (!path_.empty()) std::filesystem::remove_all(path_, error);
    }
    bool Make() {
        std::string pattern = (std::filesystem::temp_directory_path() / "rodazaro-render-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) return false;
        path_ = pattern;
        return true;
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

int Main(int argc, char** argv) {
    Options options = render::ParseOptions(argc, argv);
    switch (options.action) {
        case Options::Action::kHelp: std::fputs(render::UsageText(), stdout); return 0;
        case Options::Action::kVersion: std::printf("rodazaro-render %s\n", RODAZARO_VERSION); return 0;
        case Options::Action::kUsageError: return UsageError(options.error);
        case Options::Action::kRender: break;
    }
    options.outDir = Absolute(options.outDir);
    options.audioPath = Absolute(options.audioPath);
    options.videoPath = Absolute(options.videoPath);
    if (!options.presentation.empty()) {
        std::string problem;
        if (!player::EnterPresentation(options.presentation, &problem)) {
            std::fprintf(stderr, "rodazaro-render: %s %s\n", options.presentation.c_str(), problem.c_str());
            return 2;
        }
    } else if (!ScriptPresent()) {
        std::fputs("rodazaro-render: the current folder holds no data/vuze.kel\n", stderr);
        return 2;
    }
    std::string ffmpeg;
    if (!options.videoPath.empty()) {
        ffmpeg = render::FindProgram("ffmpeg");
        if (ffmpeg.empty()) {
            std::fputs(
                "rodazaro-render: --video needs the ffmpeg program, which is not installed (not found in PATH)\n",
                stderr);
            return 1;
        }
    }
    if (!options.outDir.empty()) {
        const std::string refused = render::PrepareOutFolder(options.outDir, options.force);
        if (!refused.empty()) {
            std::fprintf(stderr, "rodazaro-render: %s\n", refused.c_str());
            return 2;
        }
        std::error_code error;
        std::filesystem::create_directories(options.outDir, error);
        if (error) {
            std::fprintf(stderr, "rodazaro-render: cannot make the folder %s: %s\n", options.outDir.c_str(),
                         error.message().c_str());
            return 1;
        }
    }

    // Headless video with the software renderer: the same pixels on every run.
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    ::setenv("RODAZARO_RENDERER", "software", 1);
    Renderer renderer(options);
    if (options.videoPath.empty()) return renderer.Run(options.audioPath, nullptr);

    // ffmpeg gone while frames are sent is a failed write, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    TemporaryFolder temporary;
    if (!temporary.Make()) {
        std::fputs("rodazaro-render: cannot make a temporary folder for the video\n", stderr);
        return 1;
    }
    const std::string soundPath = options.audioPath.empty() ? temporary.Path() + "/sound.wav" : options.audioPath;
    const std::string picture = temporary.Path() + "/picture.mkv";
    render::VideoEncoder video;
    if (!video.Start(ffmpeg, render::VideoContainer(options.videoPath), options.width, options.height, options.fps,
                     picture)) {
        std::fprintf(stderr, "rodazaro-render: cannot start %s\n", ffmpeg.c_str());
        return 1;
    }
    const int status = renderer.Run(soundPath, &video);
    const bool pictured = video.Finish();
    // A render that failed has said why; its video would be incomplete.
    if (status != 0) return status;
    if (!pictured || !video.Combine(picture, soundPath, options.videoPath)) {
        std::fprintf(stderr, "rodazaro-render: ffmpeg could not write %s\n", options.videoPath.c_str());
        return 1;
    }
    return 0;
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
