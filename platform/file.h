// Files, as the program reads them: opened for reading by path, read byte
// runs at the platform's file position, moved relative to it.
//
// Paths are the script's own: they use backslashes and were written on a file
// system that ignores case.  A backend whose separator is "/" maps the
// separators, and on a case-sensitive file system a name that matches a file
// only when case is ignored opens that file.
#pragma once

#include "platform/types.h"

namespace platform {

using FileHandle = std::uintptr_t;  // 0: no file

// Opens an existing file for reading, shared for reading
// (GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING).  0 on failure.
FileHandle OpenFileForReading(const char* path);
// Reads up to size bytes; stores the count read (0 at the end of the file or
// on an error) and returns false on an error.
bool ReadFileBytes(FileHandle file, void* buffer, std::uint32_t size, std::uint32_t* bytesRead);
// Moves the file position by delta bytes from where it stands.
bool MoveFilePosition(FileHandle file, std::int32_t delta);
// Size in bytes, low 32 bits.  0 for an invalid handle.
std::uint32_t GetFileSizeLow(FileHandle file);
void CloseFileHandle(FileHandle file);

// What tells one state of a file from another without reading it: its size
// and last write time (and, where the system has one, its file number), or
// for an entry of the mounted archive that entry's place and size.  Two
// looks at an unchanged file give equal identities.
struct FileIdentity {
    std::uint64_t size = 0;
    std::int64_t modified = 0;       // nanoseconds (posix) or 100 ns units (win32)
    std::uint64_t fileNumber = 0;    // inode; 0 where the system gives none
    std::uint64_t archiveEntry = 0;  // 1 + the entry's index; 0 for a file outside an archive
    bool operator==(const FileIdentity&) const = default;
};
// The identity of the file path names, found as OpenFileForReading finds it.
// False when no such file would open.  Safe to call from any thread.
bool GetFileIdentity(const char* path, FileIdentity* identity);

// Makes a folder, given as the system writes paths, the current folder.
// False when it is not a folder that can be entered.
bool SetCurrentFolder(const char* path);

}  // namespace platform
