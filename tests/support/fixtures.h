// Shared test fixtures: a scratch directory that becomes the current
// directory, the runtime modules on their own, a started player on the test
// backend, and a watch on the files a directory's entries are opened as.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rodazaro_test {

// A fresh directory under the system's temporary folder, removed with all it
// holds when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // path_ + "/" + relative.
    std::string File(std::string_view relative) const;
    // Writes bytes to a file below the directory, creating the folders on
    // the way.
    void Write(std::string_view relative, std::string_view bytes) const;
    void Write(std::string_view relative, const std::vector<std::uint8_t>& bytes) const;
    void MakeDir(std::string_view relative) const;

private:
    std::string path_;
};

// Makes a directory the current one until the object goes.
class ScopedCurrentDir {
public:
    explicit ScopedCurrentDir(const std::string& directory);
    ~ScopedCurrentDir();
    ScopedCurrentDir(const ScopedCurrentDir&) = delete;
    ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

private:
    std::string previous_;
};

// Names of the entries of one directory that were opened, in order, as the
// kernel reports them (inotify): what a module really opened, whatever path
// spelling it was given.
class OpenWatch {
public:
    explicit OpenWatch(const std::string& directory);
    ~OpenWatch();
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;

    bool Ok() const { return fd_ >= 0; }
    // The names opened since the last call.
    std::vector<std::string> Take();

private:
    int fd_ = -1;
};

// Number of descriptors the process has open; -1 where the system does not
// list them.
int OpenDescriptorCount();

// The runtime modules alone, as start-up makes them: program heap, object
// heap, file table, temporary string area; the test backend reset.  The
// current directory is a fresh scratch directory.
class RuntimeFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TempDir dir_;

private:
    std::optional<ScopedCurrentDir> cwd_;
};

// Thrown from the pause when a test's turn budget is spent.
struct TurnLimitReached {};

// The whole player on the test backend (driven clock, scripted keys, memory
// display) in a scratch directory holding data/vuze.kel.  TearDown shuts the
// player down unless it has ended itself, and checks that every end of the
// program had exit code 0.
class PlayerFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the script (no script file at all when nullopt), runs the
    // start-up sequence, and stands in for the launcher: the chosen size is
    // width x height and the screen counts as open (its frames are cleared,
    // moved, drawn and flipped).  openDisplay also opens the memory display
    // in that mode at 32 bits, so that sprites load and draws are recorded.
    void Start(std::optional<std::string_view> script, std::int16_t width = 640, std::int16_t height = 480,
               bool openDisplay = false);

    // One main-loop turn (without the Escape test).  False when the
    // program ended during it.
    bool Turn();
    // Turns until the program ends, at most limit; the number of turns run
    // when it ended (the ending one included), -1 when it did not end.
    int TurnsUntilExit(int limit);
    // The main loop itself, bounded: the number of pauses taken when the
    // program ended, -1 when it was still running after limit pauses.
    // onPause runs in every pause with the pause's count from 1.
    int RunMainLoop(int limit, std::function<void(int pause)> onPause = {});

    // Runs the shutdown sequence; the exit code the program ended with.
    int ShutdownNow();

    bool Running() const { return running_; }
    // The exit code the program is expected to end with (0 unless said).
    void ExpectExitCode(int code) { expectedExitCode_ = code; }

    TempDir dir_;

private:
    std::optional<ScopedCurrentDir> cwd_;
    bool running_ = false;
    int expectedExitCode_ = 0;
};

}  // namespace rodazaro_test
