#include "player/show_controls.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "player/player_state.h"
#include "runtime/timing.h"
#include "screen/screen.h"
#include "sound/sound.h"

namespace player {

namespace {

constexpr std::size_t kMaxNotedKeys = 16;
constexpr std::size_t kMaxTitleCharacters = 64;

struct ShowControlsState {
    std::int32_t volume = 100;
    bool muted = false;
    bool paused = false;
    // Keys noted by the pump (which must not act in the middle of a flip),
    // without allocating; keys beyond the room are dropped.
    std::array<platform::ShowKey, kMaxNotedKeys> noted{};
    std::size_t notedCount = 0;
};

ShowControlsState gControls;

void ApplyVolume() { sound::SetSoundVolume(gControls.muted ? 0 : gControls.volume); }

void TogglePause() {
    gControls.paused = !gControls.paused;
    if (gControls.paused) {
        runtime::HoldTicks();
        sound::PauseSounds(true);
    } else {
        runtime::ReleaseTicks();
        sound::PauseSounds(false);
    }
}

std::string NewFramePath() {
    const std::string folder = FrameFolder(std::getenv("XDG_PICTURES_DIR"), std::getenv("HOME"));
    if (folder.empty()) return {};
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) return {};
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    if (local == nullptr) return {};
    const std::string name = FrameFileName(gPlayer.programTitle, *local);
    std::string path = folder + "/" + name;
    // A second frame within the same second gets a number of its own.
    for (int copy = 2; std::filesystem::exists(path, error) && copy < 100; ++copy) {
        path = folder + "/" + name.substr(0, name.size() - 4) + "-" + std::to_string(copy) + ".png";
    }
    return path;
}

void SaveFrame() {
    const std::string path = NewFramePath();
    if (!path.empty() && screen::SavePresentedFrame(path.c_str())) {
        std::fprintf(stderr, "rodazaro: saved %s\n", path.c_str());
    } else {
        std::fprintf(stderr, "rodazaro: could not save the frame%s%s\n", path.empty() ? "" : " as ", path.c_str());
    }
}

}  // namespace

void InstallShowControls(const ShowOptions& options) {
    gControls.volume = options.volume;
    gControls.muted = options.mute;
    // Without options nothing is asked of the devices: the show is as ever.
    if (options.window == ShowOptions::Window::kWindow) screen::SetScreenWindowed(true);
    if (gControls.muted || gControls.volume != 100) ApplyVolume();
    platform::SetShowKeyHandler(OnShowKey);
}

void OnShowKey(platform::ShowKey key) {
    if (gControls.notedCount < gControls.noted.size()) gControls.noted[gControls.notedCount++] = key;
}

void ApplyShowKeys() {
    for (std::size_t i = 0; i < gControls.notedCount; ++i) {
        switch (gControls.noted[i]) {
            case platform::ShowKey::kToggleFullscreen: screen::SetScreenWindowed(screen::gScreen.windowed == 0); break;
            case platform::ShowKey::kSaveFrame: SaveFrame(); break;
            case platform::ShowKey::kPause: TogglePause(); break;
            case platform::ShowKey::kMute:
                gControls.muted = !gControls.muted;
                ApplyVolume();
                break;
        }
    }
    gControls.notedCount = 0;
}

bool ShowPaused() { return gControls.paused; }

bool ShowMuted() { return gControls.muted; }

void ResetShowControls() {
    gControls = ShowControlsState{};
    runtime::ResetTicks();
}

std::string FrameFolder(const char* picturesDir, const char* home) {
    if (picturesDir != nullptr && picturesDir[0] != '\0') return std::string(picturesDir) + "/RodaZaro";
    if (home != nullptr && home[0] != '\0') return std::string(home) + "/Pictures/RodaZaro";
    return {};
}

std::string FrameFileName(const char* title, const std::tm& when) {
    std::string name;
    for (const char* c = title; c != nullptr && *c != '\0' && name.size() < kMaxTitleCharacters; ++c) {
        const char ch = *c;
        const bool safe = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ||
                          ch == '-' || ch == '_' || (ch == '.' && !name.empty());
        name += safe ? ch : '_';
    }
    if (name.empty()) name = "RodaZaro";
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "-%04d-%02d-%02d-%02d%02d%02d.png", when.tm_year + 1900, when.tm_mon + 1,
                  when.tm_mday, when.tm_hour, when.tm_min, when.tm_sec);
    return name + stamp;
}

}  // namespace player
