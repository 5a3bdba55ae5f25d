// Files of KERNEL32.  The script's backslash paths are native here and the
// file system ignores case, so paths go to CreateFileA unchanged.  While an
// archive is mounted, relative paths are looked up inside it.

#include "platform/archive_files.h"
#include "platform/file.h"

#include "platform/win32/common.h"

namespace platform {

namespace {

HANDLE Native(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

}  // namespace

FileHandle OpenFileForReading(const char* path) {
    if (path == nullptr) return 0;
    if (FileHandle inArchive = 0; OpenArchiveFile(path, &inArchive)) return inArchive;
    const HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    // A device ("CON", "NUL", a serial port) or a pipe is no file to read.
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        ::CloseHandle(file);
        return 0;
    }
    return reinterpret_cast<FileHandle>(file);
}

bool ReadFileBytes(FileHandle file, void* buffer, std::uint32_t size, std::uint32_t* bytesRead) {
    if (IsArchiveHandle(file)) return ReadArchiveFile(file, buffer, size, bytesRead);
    DWORD count = 0;
    bool ok = false;
    if (file != 0) ok = ::ReadFile(Native(file), buffer, size, &count, nullptr) != FALSE;
    if (bytesRead != nullptr) *bytesRead = static_cast<std::uint32_t>(count);
    return ok;
}

bool MoveFilePosition(FileHandle file, std::int32_t delta) {
    if (file == 0) return false;
    if (IsArchiveHandle(file)) return MoveArchiveFilePosition(file, delta);
    return ::SetFilePointer(Native(file), delta, nullptr, FILE_CURRENT) != INVALID_SET_FILE_POINTER;
}

std::uint32_t GetFileSizeLow(FileHandle file) {
    if (file == 0) return 0;
    if (IsArchiveHandle(file)) return GetArchiveFileSizeLow(file);
    const DWORD size = ::GetFileSize(Native(file), nullptr);
    return size == INVALID_FILE_SIZE ? 0 : static_cast<std::uint32_t>(size);
}

bool GetFileIdentity(const char* path, FileIdentity* identity) {
    if (path == nullptr) return false;
    if (bool found = false; ArchiveFileIdentity(path, &found, identity)) return found;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExA(path, GetFileExInfoStandard, &data) == FALSE) return false;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
    const std::uint64_t written = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                  data.ftLastWriteTime.dwLowDateTime;
    *identity = FileIdentity{(static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
                             static_cast<std::int64_t>(written), 0, 0};
    return true;
}

bool SetCurrentFolder(const char* path) { return ::SetCurrentDirectoryA(path) != FALSE; }

void CloseFileHandle(FileHandle file) {
    if (IsArchiveHandle(file)) {
        CloseArchiveFile(file);
    } else if (file != 0) {
        ::CloseHandle(Native(file));
    }
}

}  // namespace platform
