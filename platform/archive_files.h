// The files backends' side of a mounted archive (platform/archive.h): each
// file call asks here first.  Only the files backends include this header.
#pragma once

#include "platform/file.h"

namespace platform {

// The archive's handles have the top bit set; no system handle has it.
inline constexpr FileHandle kArchiveHandleBit = FileHandle{1} << (sizeof(FileHandle) * 8 - 1);
inline bool IsArchiveHandle(FileHandle file) { return (file & kArchiveHandleBit) != 0; }

// True when a mounted archive answers for path (a relative path while one is
// mounted); *file is then the entry's handle, or 0 when there is no such
// entry or it cannot be unpacked.
bool OpenArchiveFile(const char* path, FileHandle* file);
// The file calls on an archive handle, answering as their namesakes do.
bool ReadArchiveFile(FileHandle file, void* buffer, std::uint32_t size, std::uint32_t* bytesRead);
bool MoveArchiveFilePosition(FileHandle file, std::int32_t delta);
std::uint32_t GetArchiveFileSizeLow(FileHandle file);
void CloseArchiveFile(FileHandle file);
// GetFileIdentity for a path the mounted archive answers for: true when one
// does (*found then tells whether the entry exists, and *identity is set).
bool ArchiveFileIdentity(const char* path, bool* found, FileIdentity* identity);

}  // namespace platform
