// Presentations packed in one archive file (a zip), read in place: nothing is
// unpacked to disk.  While an archive is mounted, the file service looks every
// relative path up inside it by the same rules as on disk (backslashes are
// separators, letter case is ignored) and hands out ordinary file handles for
// its entries; absolute paths still reach the disk.
//
// An archive is checked whole before it is mounted.  It is refused when it
// cannot be read, when an entry's path is absolute or climbs out of it with
// "..", or when its sizes could make a small file unpack into a flood: an
// entry over kMaxArchiveEntryBytes, all entries together over
// kMaxArchiveBytes, more than kMaxArchiveEntries entries, or an entry over
// kArchiveRatioFloor bytes packed more tightly than kMaxArchiveRatio to 1.
// The sizes the archive states are bounds, not promises: an entry that
// unpacks past its stated size is damaged and opens as no file.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

inline constexpr std::uint64_t kMaxArchiveEntryBytes = std::uint64_t{256} << 20;
inline constexpr std::uint64_t kMaxArchiveBytes = std::uint64_t{1} << 30;
inline constexpr std::uint64_t kMaxArchiveEntries = 65536;
inline constexpr std::uint64_t kMaxArchiveRatio = 200;
inline constexpr std::uint64_t kArchiveRatioFloor = std::uint64_t{1} << 20;

// Checks the archive file at path and mounts it as the folder that holds
// `marker` (a relative path such as "data\\vuze.kel"): the archive's root
// when the marker lies there, a top folder of the archive when the marker
// lies in it, or the root seen as the marker's own folder when the archive
// holds that folder's contents (the marker's file name at its root).  Any
// archive mounted before is unmounted first.  False, with nothing mounted and
// a one-line reason that follows the archive's name in *error ("holds no
// data/vuze.kel", "is not a zip archive that can be read: ..."), when the
// archive is refused or holds no marker.
bool MountArchive(const char* path, const char* marker, std::string* error);
// Relative paths reach the current folder again.  Files opened inside the
// archive stay readable until they are closed.
void UnmountArchive();

}  // namespace platform
