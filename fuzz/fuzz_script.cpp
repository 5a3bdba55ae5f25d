// Fuzz target: the script reader and the interpreter, with everything a
// script reaches (loaders, decoders, scene, sound) on the test backend.
//
// The input is written as data/vuze.kel into a scratch folder that also
// holds a few small valid assets, made at start:
//   data/gfx/a.png  (RGB)     data/gfx/b.png  (palette, interlaced)
//   data/gfx/a.bmp  (24 bits) data/gfx/b.bmp  (4 bits, odd width)
//   data/sound/a.wav          data/sound/a.ogg
// Then the player starts as the test fixtures start it: a small memory
// display stands in for the launcher's choice (32 bits for an input of even
// length, 16 bits otherwise), and at most kTurns main-loop turns run on the
// driven clock before the player shuts down, unless the script ended it.
// The test backend's process exit comes back as an exception.
//
// The scratch folder is the current folder only while an input runs.  A
// crash leaves it current when libFuzzer writes the input out, so give
// libFuzzer an absolute -artifact_prefix (scripts/fuzz.sh does).
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "fuzz_support.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_display.h"
#include "player/decode_ahead.h"
#include "player/player.h"
#include "player/player_state.h"
#include "samples.h"
#include "screen/screen.h"

namespace {

constexpr int kTurns = 200;
constexpr std::int16_t kScreenWidth = 64;
constexpr std::int16_t kScreenHeight = 48;

namespace fs = std::filesystem;

fs::path gFolder;
int gHome = -1;  // the folder the fuzzer was started in

void WriteFile(const fs::path& path, const void* bytes, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    fuzz_support::Require(file != nullptr, "cannot write into the scratch folder");
    const bool written = std::fwrite(bytes, 1, size, file) == size;
    fuzz_support::Require(std::fclose(file) == 0 && written, "cannot write into the scratch folder");
}

void WriteAsset(const char* relative, const fuzz_samples::Bytes& bytes) {
    fuzz_support::Require(!bytes.empty(), "an asset could not be made");
    WriteFile(gFolder / relative, bytes.data(), bytes.size());
}

void RemoveFolder() {
    std::error_code ignored;
    if (!gFolder.empty()) fs::remove_all(gFolder, ignored);
}

// True while the player runs; false once it has ended itself.
bool Turn() {
    try {
        player::RunTurn();
    } catch (const platform::test::ProcessExit& exit) {
        fuzz_support::Require(exit.code == 0, "the player ended with a non-zero exit code");
        return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (fs::temp_directory_path() / "rodazaro-fuzz-XXXXXX").string();
    fuzz_support::Require(::mkdtemp(pattern.data()) != nullptr, "cannot make a scratch folder");
    gFolder = pattern;
    std::atexit(RemoveFolder);
    fs::create_directories(gFolder / "data/gfx");
    fs::create_directories(gFolder / "data/sound");
    WriteAsset("data/gfx/a.png", fuzz_samples::Png(12, 9, 2, 8, false));
    WriteAsset("data/gfx/b.png", fuzz_samples::Png(7, 5, 3, 4, true, true));
    WriteAsset("data/gfx/a.bmp", fuzz_samples::Bmp(10, 6, 24));
    WriteAsset("data/gfx/b.bmp", fuzz_samples::Bmp(5, 3, 4));
    WriteAsset("data/sound/a.wav", fuzz_samples::Wav(1, 8000, 16, 200));
    WriteAsset("data/sound/a.ogg", fuzz_samples::Ogg(1, 8000, 1000));
    gHome = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    fuzz_support::Require(gHome >= 0, "cannot open the current folder");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::Require(::chdir(gFolder.c_str()) == 0, "cannot enter the scratch folder");
    WriteFile("data/vuze.kel", data, size);
    platform::test::Reset();
    player::SetDecodeAheadSettings({false});  // one thread: runs repeat exactly
    player::StartUp();
    player::gPlayer.screenWidth = kScreenWidth;
    player::gPlayer.screenHeight = kScreenHeight;
    screen::OpenScreen(kScreenWidth, kScreenHeight, size % 2 == 0 ? 32 : 16, player::gPlayer.programTitle);
    player::gPlayer.screenOpen = 1;

    bool running = true;
    for (int turn = 0; running && turn < kTurns; ++turn) running = Turn();
    if (running) {
        try {
            player::Shutdown();
        } catch (const platform::test::ProcessExit& exit) {
            fuzz_support::Require(exit.code == 0, "the player ended with a non-zero exit code");
        }
    }
    fuzz_support::Require(platform::test::BlitViolations() == 0, "a blit left its surfaces");
    fuzz_support::Require(::fchdir(gHome) == 0, "cannot go back to the current folder");
    return 0;
}
