// Choices remembered between runs on a POSIX system, as the XDG base
// directories place state: one file a name in $XDG_STATE_HOME/rodazaro/
// (~/.local/state/rodazaro/ when that is not set).  Each line of the file is
// one presentation: the value, a tab, the folder's absolute path.  The latest
// choice comes first, and the file keeps the most recent presentations only.
// A new file replaces the old one whole, so a run that ends half-way leaves
// the old one.  Lines that do not read so are passed over and dropped with
// the next change.

#include "platform/preferences.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace platform {

namespace {

constexpr std::size_t kMaxPresentations = 100;
constexpr std::size_t kMaxValue = 255;
constexpr off_t kMaxFileSize = 1 << 20;  // a larger file is not one of ours

struct Entry {
    std::string value;
    std::string folder;
};

bool ValidName(const char* name) {
    if (name == nullptr || name[0] == 0) return false;
    for (const char* c = name; *c != 0; ++c) {
        const bool letter = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z');
        const bool digit = *c >= '0' && *c <= '9';
        if (!letter && !digit && *c != '-' && *c != '_') return false;
    }
    return true;
}

bool ValidValue(const std::string& value) {
    return !value.empty() && value.size() <= kMaxValue && value.find_first_of("\t\r\n") == std::string::npos;
}

// The folder of the program's state, or empty when no absolute one is known.
std::string StateFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') return std::string(state) + "/rodazaro";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/state/rodazaro";
    return std::string();
}

// The current folder's absolute path, or empty when it cannot be a key.
std::string CurrentFolder() {
    std::vector<char> buffer(256);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 16)) return std::string();
        buffer.resize(buffer.size() * 2);
    }
    std::string folder(buffer.data());
    if (folder.empty() || folder[0] != '/' || folder.find('\n') != std::string::npos) return std::string();
    return folder;
}

// The entries of a store file; none when it is missing or not a small
// regular file.
std::vector<Entry> ReadEntries(const std::string& path) {
    std::vector<Entry> entries;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return entries;
    struct stat info {};
    std::string text;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kMaxFileSize) {
        char chunk[4096];
        ssize_t got = 0;
        while ((got = ::read(fd, chunk, sizeof chunk)) > 0 && text.size() <= static_cast<std::size_t>(kMaxFileSize))
            text.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fd);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        Entry entry{line.substr(0, tab), line.substr(tab + 1)};
        if (!ValidValue(entry.value) || entry.folder.empty() || entry.folder[0] != '/') continue;
        if (entry.folder.find('\0') != std::string::npos) continue;
        entries.push_back(std::move(entry));
    }
    return entries;
}

// Makes the folder and the ones above it that are missing.
bool MakeFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// Replaces the store file with the entries: a new file beside it, renamed
// over it once it is whole.
void WriteEntries(const std::string& folder, const std::string& path, const std::vector<Entry>& entries) {
    if (!MakeFolders(folder)) return;
    std::string text;
    for (const Entry& entry : entries) text += entry.value + '\t' + entry.folder + '\n';
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return;
    const bool written = WriteAll(fd, text);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) ::unlink(temporary.c_str());
}

}  // namespace

bool RecallChoice(const char* name, char* value, std::size_t size) {
    if (!ValidName(name) || value == nullptr) return false;
    const std::string folder = StateFolder();
    const std::string current = CurrentFolder();
    if (folder.empty() || current.empty()) return false;
    for (const Entry& entry : ReadEntries(folder + "/" + name)) {
        if (entry.folder != current) continue;
        if (entry.value.size() >= size) return false;
        std::memcpy(value, entry.value.c_str(), entry.value.size() + 1);
        return true;
    }
    return false;
}

void RememberChoice(const char* name, const char* value) {
    if (!ValidName(name) || value == nullptr || !ValidValue(value)) return;
    const std::string folder = StateFolder();
    const std::string current = CurrentFolder();
    if (folder.empty() || current.empty()) return;
    const std::string path = folder + "/" + name;
    std::vector<Entry> entries{{value, current}};
    for (Entry& entry : ReadEntries(path)) {
        if (entry.folder != current && entries.size() < kMaxPresentations) entries.push_back(std::move(entry));
    }
    WriteEntries(folder, path, entries);
}

}  // namespace platform
