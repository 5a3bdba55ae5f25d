// Files on a POSIX file system.  The script's paths use backslashes and were
// written where case does not matter: separators are mapped to "/", and a
// path component that does not exist as written is looked up ignoring case.
// While an archive is mounted, relative paths are looked up inside it.

#include "platform/archive_files.h"
#include "platform/file.h"
#include "platform/posix/path.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace platform {

namespace {

// Handles carry the descriptor plus one, so that descriptor 0 is not "no file".
FileHandle ToHandle(int fd) { return static_cast<FileHandle>(fd) + 1; }
int ToDescriptor(FileHandle file) { return static_cast<int>(file - 1); }

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// Finds the entry of directory that equals name ignoring ASCII case; the
// first match in directory order wins.  Empty when there is none.
std::string FindIgnoringCase(const std::string& directory, const std::string& name) {
    DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
    if (dir == nullptr) return {};
    std::string found;
    while (dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

}  // namespace

std::string ResolveScriptPath(const char* path) {
    std::string mapped(path == nullptr ? "" : path);
    for (char& c : mapped) {
        if (c == '\\') c = '/';
    }
    if (mapped.empty() || Exists(mapped)) return mapped;

    // Walk the components, taking each as written when it exists and
    // otherwise the entry that matches it ignoring case.
    std::string resolved;
    std::size_t pos = 0;
    if (mapped[0] == '/') {
        resolved = "/";
        pos = 1;
    }
    while (pos <= mapped.size()) {
        std::size_t slash = mapped.find('/', pos);
        if (slash == std::string::npos) slash = mapped.size();
        std::string part = mapped.substr(pos, slash - pos);
        if (!part.empty()) {
            std::string candidate = resolved + part;
            if (!Exists(candidate) && part != "." && part != "..") {
                std::string match = FindIgnoringCase(resolved, part);
                if (match.empty()) return mapped;
                candidate = resolved + match;
            }
            resolved = candidate;
        }
        if (slash < mapped.size()) resolved += '/';
        pos = slash + 1;
    }
    return resolved;
}

FileHandle OpenFileForReading(const char* path) {
    if (FileHandle inArchive = 0; OpenArchiveFile(path, &inArchive)) return inArchive;
    const std::string resolved = ResolveScriptPath(path);
    if (resolved.empty()) return 0;
    // Opened without waiting, so that a FIFO with no writer cannot block
    // the program; only a regular file is kept (a FIFO, a device or a
    // folder is no file to read).
    int fd;
    do {
        fd = ::open(resolved.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return 0;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return 0;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return ToHandle(fd);
}

bool ReadFileBytes(FileHandle file, void* buffer, std::uint32_t size, std::uint32_t* bytesRead) {
    if (bytesRead != nullptr) *bytesRead = 0;
    if (file == 0) return false;
    if (IsArchiveHandle(file)) return ReadArchiveFile(file, buffer, size, bytesRead);
    std::uint32_t total = 0;
    auto* out = static_cast<unsigned char*>(buffer);
    while (total < size) {
        ssize_t n = ::read(ToDescriptor(file), out + total, size - total);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            if (bytesRead != nullptr) *bytesRead = total;
            return false;
        }
        if (n == 0) break;
        total += static_cast<std::uint32_t>(n);
    }
    if (bytesRead != nullptr) *bytesRead = total;
    return true;
}

bool MoveFilePosition(FileHandle file, std::int32_t delta) {
    if (file == 0) return false;
    if (IsArchiveHandle(file)) return MoveArchiveFilePosition(file, delta);
    return ::lseek(ToDescriptor(file), delta, SEEK_CUR) >= 0;
}

std::uint32_t GetFileSizeLow(FileHandle file) {
    if (file == 0) return 0;
    if (IsArchiveHandle(file)) return GetArchiveFileSizeLow(file);
    struct stat info {};
    if (::fstat(ToDescriptor(file), &info) != 0) return 0;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(info.st_size) & 0xFFFFFFFFu);
}

bool GetFileIdentity(const char* path, FileIdentity* identity) {
    if (bool found = false; ArchiveFileIdentity(path, &found, identity)) return found;
    const std::string resolved = ResolveScriptPath(path);
    struct stat info {};
    if (resolved.empty() || ::stat(resolved.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    *identity = FileIdentity{static_cast<std::uint64_t>(info.st_size),
                             static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
                             static_cast<std::uint64_t>(info.st_ino), 0};
    return true;
}

bool SetCurrentFolder(const char* path) { return ::chdir(path) == 0; }

void CloseFileHandle(FileHandle file) {
    if (IsArchiveHandle(file)) {
        CloseArchiveFile(file);
    } else if (file != 0) {
        ::close(ToDescriptor(file));
    }
}

}  // namespace platform
