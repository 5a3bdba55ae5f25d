// No archives: a build without an archive library mounts none, and the files
// backend never finds a path inside one.

#include "platform/archive.h"
#include "platform/archive_files.h"

namespace platform {

bool MountArchive(const char*, const char*, std::string* error) {
    if (error != nullptr) *error = "cannot be played: this build reads no zip archives (the Linux build does)";
    return false;
}

void UnmountArchive() {}

bool OpenArchiveFile(const char*, FileHandle*) { return false; }
bool ReadArchiveFile(FileHandle, void*, std::uint32_t, std::uint32_t* bytesRead) {
    if (bytesRead != nullptr) *bytesRead = 0;
    return false;
}
bool MoveArchiveFilePosition(FileHandle, std::int32_t) { return false; }
std::uint32_t GetArchiveFileSizeLow(FileHandle) { return 0; }
void CloseArchiveFile(FileHandle) {}
bool ArchiveFileIdentity(const char*, bool*, FileIdentity*) { return false; }

}  // namespace platform
