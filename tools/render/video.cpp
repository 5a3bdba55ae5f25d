#include "tools/render/video.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "tools/render/frame_files.h"

extern char** environ;

namespace render {

namespace {

// Runs ffmpeg with args, its standard input from stdinFd (-1: none), and
// returns the child, or -1.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args, int stdinFd) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdinFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, stdinFd, 0);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    pid_t child = -1;
    const int result = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return result == 0 ? child : -1;
}

bool Succeeded(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool WriteAll(int fd, const unsigned char* bytes, std::size_t count) {
    while (count > 0) {
        const ssize_t done = ::write(fd, bytes, count);
        if (done < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += done;
        count -= static_cast<std::size_t>(done);
    }
    return true;
}

const std::vector<std::string> kQuiet = {"-hide_banner", "-loglevel", "error", "-nostats", "-y"};

std::vector<std::string> PictureCodec(const std::string& container) {
    if (container == "webm") {
        return {"-c:v", "libvpx-vp9", "-pix_fmt", "yuv420p",   "-b:v", "0",       "-crf",
                "31",   "-deadline",  "realtime", "-cpu-used", "8",    "-row-mt", "1"};
    }
    return {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-preset", "veryfast", "-crf", "18"};
}

std::vector<std::string> SoundCodec(const std::string& container) {
    if (container == "webm") return {"-c:a", "libopus", "-b:a", "160k"};
    if (container == "mkv") return {"-c:a", "flac"};
    return {"-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart"};
}

}  // namespace

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return "";
    const std::string folders = path;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = folders.find(':', start);
        const std::string folder = folders.substr(start, end == std::string::npos ? std::string::npos : end - start);
        // An empty entry is the current folder.
        const std::string candidate = (folder.empty() ? std::string("./") : folder + "/") + name;
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        if (end == std::string::npos) return "";
        start = end + 1;
    }
}

VideoEncoder::~VideoEncoder() {
    if (pipe_ >= 0) ::close(pipe_);
    if (child_ > 0) Succeeded(child_);
}

bool VideoEncoder::Start(const std::string& ffmpeg, const std::string& container, int width, int height, double fps,
                         const std::string& videoOnly) {
    ffmpeg_ = ffmpeg;
    container_ = container;
    width_ = width;
    height_ = height;
    rgb_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0);
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return false;
    char size[32];
    std::snprintf(size, sizeof size, "%dx%d", width, height);
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.9g", fps);
    std::vector<std::string> args = kQuiet;
    for (const char* arg : {"-f", "rawvideo", "-pix_fmt", "rgb24", "-s"}) args.emplace_back(arg);
    args.emplace_back(size);
    args.emplace_back("-framerate");
    args.emplace_back(rate);
    args.emplace_back("-i");
    args.emplace_back("-");
    for (const std::string& arg : PictureCodec(container)) args.push_back(arg);
    args.push_back(videoOnly);
    child_ = Spawn(ffmpeg, args, ends[0]);
    ::close(ends[0]);
    if (child_ < 0) {
        ::close(ends[1]);
        return false;
    }
    pipe_ = ends[1];
    return true;
}

bool VideoEncoder::AddFrame(const platform::sdl::Frame& frame) {
    if (pipe_ < 0) return false;
    const std::size_t row = static_cast<std::size_t>(width_) * 3;
    if (frame.width == width_ && frame.height == height_ && !frame.Empty()) {
        for (int y = 0; y < height_; ++y) FrameRowToRgb(frame, y, &rgb_[static_cast<std::size_t>(y) * row]);
    } else {
        std::fill(rgb_.begin(), rgb_.end(), 0);
    }
    if (WriteAll(pipe_, rgb_.data(), rgb_.size())) return true;
    // ffmpeg has gone: the rest of the frames have nowhere to go.
    ::close(pipe_);
    pipe_ = -1;
    return false;
}

bool VideoEncoder::Finish() {
    if (child_ < 0) return false;
    const bool piped = pipe_ >= 0;
    if (piped) ::close(pipe_);
    pipe_ = -1;
    const bool ok = Succeeded(child_);
    child_ = -1;
    return piped && ok;
}

bool VideoEncoder::Combine(const std::string& videoOnly, const std::string& wav, const std::string& path) {
    std::vector<std::string> args = kQuiet;
    args.emplace_back("-i");
    args.push_back(videoOnly);
    args.emplace_back("-i");
    args.push_back(wav);
    for (const char* arg : {"-map", "0:v", "-map", "1:a", "-c:v", "copy"}) args.emplace_back(arg);
    for (const std::string& arg : SoundCodec(container_)) args.push_back(arg);
    // The container by name: a name in capitals is not guessed wrong.
    args.emplace_back("-f");
    args.emplace_back(container_ == "mkv" ? "matroska" : container_);
    args.push_back(path);
    const pid_t child = Spawn(ffmpeg_, args, -1);
    return child > 0 && Succeeded(child);
}

}  // namespace render
