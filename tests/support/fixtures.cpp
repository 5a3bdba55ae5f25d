#include "support/fixtures.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/test/test_backend.h"
#include "platform/test/test_display.h"
#include "player/decode_ahead.h"
#include "player/player.h"
#include "player/player_state.h"
#include "runtime/heaps.h"
#include "runtime/strings.h"
#include "runtime/text_files.h"
#include "screen/screen.h"

namespace rodazaro_test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "rodazaro-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = buffer.data();
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TempDir::File(std::string_view relative) const { return path_ + "/" + std::string(relative); }

void TempDir::MakeDir(std::string_view relative) const { fs::create_directories(File(relative)); }

void TempDir::Write(std::string_view relative, std::string_view bytes) const {
    const fs::path target = File(relative);
    fs::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + target.string());
}

void TempDir::Write(std::string_view relative, const std::vector<std::uint8_t>& bytes) const {
    Write(relative, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

ScopedCurrentDir::ScopedCurrentDir(const std::string& directory) {
    previous_ = fs::current_path().string();
    fs::current_path(directory);
}

ScopedCurrentDir::~ScopedCurrentDir() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
}

OpenWatch::OpenWatch(const std::string& directory) {
    fs::create_directories(directory);
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0 && ::inotify_add_watch(fd_, directory.c_str(), IN_OPEN) < 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

OpenWatch::~OpenWatch() {
    if (fd_ >= 0) ::close(fd_);
}

std::vector<std::string> OpenWatch::Take() {
    std::vector<std::string> names;
    if (fd_ < 0) return names;
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            // Events on the directory itself carry no name.
            if (event->len > 0 && (event->mask & IN_ISDIR) == 0) names.emplace_back(event->name);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return names;
}

int OpenDescriptorCount() {
    int count = 0;
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) return -1;
    while (dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') ++count;
    }
    ::closedir(dir);
    return count - 1;  // the listing's own descriptor
}

void RuntimeFixture::SetUp() {
    cwd_.emplace(dir_.Path());
    platform::test::Reset();
    runtime::ResetStrings();
    ASSERT_NE(runtime::CreateProgramHeap(), nullptr);
    runtime::CreateObjectHeap();
    ASSERT_NE(runtime::ObjectHeap(), nullptr);
    runtime::InitFiles();
    runtime::InitStrings();
    ASSERT_NE(runtime::TemporaryAreaStart(), nullptr);
}

void RuntimeFixture::TearDown() {
    runtime::CloseAllFiles();
    runtime::DestroyObjectHeap();
    runtime::DestroyProgramHeap();
    runtime::ResetStrings();
    cwd_.reset();
}

void PlayerFixture::SetUp() {
    cwd_.emplace(dir_.Path());
    // Every file a test's script names opens on its own turn; the tests of
    // decode-ahead switch it on themselves.
    player::SetDecodeAheadSettings({false});
    platform::test::Reset();
    platform::test::ResetDisplay();
}

void PlayerFixture::TearDown() {
    platform::test::SetSleepHook(nullptr);
    platform::test::SetKeyScript(nullptr);
    if (running_) {
        running_ = false;
        try {
            player::Shutdown();
        } catch (const platform::test::ProcessExit& exit) {
            EXPECT_EQ(exit.code, expectedExitCode_);
        }
    }
    platform::test::Reset();
    platform::test::ResetDisplay();
    cwd_.reset();
}

void PlayerFixture::Start(std::optional<std::string_view> script, std::int16_t width, std::int16_t height,
                          bool openDisplay) {
    if (script.has_value()) dir_.Write("data/vuze.kel", *script);
    player::StartUp();
    running_ = true;
    player::gPlayer.screenWidth = width;
    player::gPlayer.screenHeight = height;
    if (openDisplay) {
        ASSERT_EQ(screen::OpenScreen(width, height, 32, player::gPlayer.programTitle), 1);
    }
    player::gPlayer.screenOpen = 1;
}

bool PlayerFixture::Turn() {
    if (!running_) {
        ADD_FAILURE() << "turn after the program ended";
        return false;
    }
    try {
        player::RunTurn();
    } catch (const platform::test::ProcessExit& exit) {
        running_ = false;
        EXPECT_EQ(exit.code, expectedExitCode_);
        return false;
    }
    return true;
}

int PlayerFixture::ShutdownNow() {
    running_ = false;
    try {
        player::Shutdown();
    } catch (const platform::test::ProcessExit& exit) {
        return exit.code;
    }
}

int PlayerFixture::TurnsUntilExit(int limit) {
    for (int turn = 1; turn <= limit; ++turn) {
        if (!Turn()) return turn;
    }
    return -1;
}

int PlayerFixture::RunMainLoop(int limit, std::function<void(int pause)> onPause) {
    if (!running_) {
        ADD_FAILURE() << "main loop after the program ended";
        return -1;
    }
    const std::uint32_t first = platform::test::SleepCalls();
    platform::test::SetSleepHook([first, limit, onPause](std::uint32_t) {
        const int pause = static_cast<int>(platform::test::SleepCalls() - first);
        if (onPause) onPause(pause);
        if (pause >= limit) throw TurnLimitReached{};
    });
    int result = -1;
    try {
        player::MainLoop();
    } catch (const platform::test::ProcessExit& exit) {
        running_ = false;
        EXPECT_EQ(exit.code, expectedExitCode_);
        result = static_cast<int>(platform::test::SleepCalls() - first);
    } catch (const TurnLimitReached&) {
        result = -1;
    }
    platform::test::SetSleepHook(nullptr);
    return result;
}

}  // namespace rodazaro_test
