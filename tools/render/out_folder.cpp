#include "tools/render/out_folder.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>
#include <vector>

namespace render {

namespace {

constexpr const char* kListName = ".rodazaro-render";
constexpr const char* kListHeader = "rodazaro-render frames";

namespace fs = std::filesystem;

}  // namespace

bool IsFrameName(const std::string& name) {
    const std::string prefix = "frame_";
    const std::string suffix = ".png";
    if (name.size() < prefix.size() + 5 + suffix.size()) return false;
    if (name.compare(0, prefix.size(), prefix) != 0) return false;
    if (name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) return false;
    for (std::size_t i = prefix.size(); i < name.size() - suffix.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return false;
    }
    return true;
}

std::string PrepareOutFolder(const std::string& dir, bool force) {
    std::error_code error;
    const fs::file_status status = fs::status(dir, error);
    if (!fs::exists(status)) return "";
    if (!fs::is_directory(status)) return dir + " is not a folder";

    // The frames an earlier render listed: its own, which it may remove.
    std::set<std::string> listed;
    const fs::path list = fs::path(dir) / kListName;
    const bool hasList = fs::exists(fs::symlink_status(list, error));
    if (hasList) {
        std::ifstream in(list);
        std::string line;
        if (!fs::is_regular_file(fs::symlink_status(list, error)) || !std::getline(in, line) || line != kListHeader) {
            return list.string() + " is not a list of rendered frames; remove it or choose another --out folder";
        }
        while (std::getline(in, line)) {
            if (IsFrameName(line)) listed.insert(line);
        }
    }

    std::vector<std::string> own;
    std::vector<std::string> foreign;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (!IsFrameName(name)) continue;
        (listed.count(name) != 0 ? own : foreign).push_back(name);
    }
    if (own.empty() && foreign.empty()) return "";
    if (!force) {
        return dir + " holds the frames of another render; give --force to replace them, or another --out folder";
    }
    if (!foreign.empty()) {
        return dir + " holds frame files that no render listed (" + foreign.front() +
               (foreign.size() > 1 ? " and " + std::to_string(foreign.size() - 1) + " more" : std::string()) +
               "); --force removes only listed frames: remove them or choose another --out folder";
    }
    for (const std::string& name : own) {
        if (!fs::remove(fs::path(dir) / name, error) && error) {
            return "cannot remove " + (fs::path(dir) / name).string() + ": " + error.message();
        }
    }
    fs::remove(list, error);
    return "";
}

FrameList::~FrameList() {
    if (file_ != nullptr) std::fclose(file_);
}

bool FrameList::Open(const std::string& dir) {
    file_ = std::fopen((fs::path(dir) / kListName).c_str(), "w");
    if (file_ == nullptr) return false;
    ok_ = std::fprintf(file_, "%s\n", kListHeader) > 0 && std::fflush(file_) == 0;
    return ok_;
}

// Each name reaches the disk before the next frame: a render cut short
// still leaves every frame it wrote listed.
bool FrameList::Add(const std::string& name) {
    if (file_ == nullptr) return false;
    if (std::fprintf(file_, "%s\n", name.c_str()) < 0 || std::fflush(file_) != 0) ok_ = false;
    return ok_;
}

bool FrameList::Close() {
    if (file_ == nullptr) return false;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok_ && closed;
}

}  // namespace render
