// Zip archives on libzip, mounted in place of the current folder
// (platform/archive.h).  The archive is checked entry by entry from its
// central directory when it is mounted; an entry is unpacked whole into
// memory when it is opened, never past the size the archive states for it,
// and its handle then reads that memory.  The player's decode-ahead worker
// opens entries while the main thread does: one lock guards the archive and
// the open entries.

#include <zip.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "platform/archive.h"
#include "platform/archive_files.h"

namespace platform {

namespace {

struct ZipDiscard {
    void operator()(zip_t* zip) const { zip_discard(zip); }
};

// A file of the mounted archive under the name the file service sees.
struct ArchiveEntry {
    std::string name;  // components joined by "/"
    zip_uint64_t index;
    zip_uint64_t size;
};

struct OpenEntry {
    std::vector<unsigned char> bytes;
    std::int64_t position = 0;
};

std::mutex gLock;
std::unique_ptr<zip_t, ZipDiscard> gZip;
std::vector<ArchiveEntry> gEntries;
std::vector<std::unique_ptr<OpenEntry>> gOpenEntries;  // by handle number - 1

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

// The components of a path separated by "/" or "\", without empty ones and
// "."; ".." is kept for the caller to judge.
std::vector<std::string> Components(std::string_view path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (!part.empty() && part != ".") parts.emplace_back(part);
        start = end + 1;
    }
    return parts;
}

std::string Join(const std::vector<std::string>& parts, std::size_t first, std::size_t last) {
    std::string joined;
    for (std::size_t i = first; i < last; ++i) joined += (i == first ? "" : "/") + parts[i];
    return joined;
}

bool IsAbsolute(std::string_view path) {
    const bool drive = path.size() >= 2 && path[1] == ':' && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z');
    return !path.empty() && (path[0] == '/' || path[0] == '\\' || drive);
}

// The mounted entry a relative path names: the one spelled exactly so, or
// else the first that matches ignoring case.  ".." steps back one folder;
// above the archive's root there is nothing.
const ArchiveEntry* FindEntry(std::string_view path) {
    std::vector<std::string> parts;
    for (std::string& part : Components(path)) {
        if (part != "..") {
            parts.push_back(std::move(part));
        } else if (parts.empty()) {
            return nullptr;
        } else {
            parts.pop_back();
        }
    }
    const std::string name = Join(parts, 0, parts.size());
    const ArchiveEntry* found = nullptr;
    for (const ArchiveEntry& entry : gEntries) {
        if (entry.name == name) return &entry;
        if (found == nullptr && EqualIgnoringCase(entry.name, name)) found = &entry;
    }
    return found;
}

// Unpacks one entry whole.  At most size + 1 bytes are ever asked for: an
// entry that holds more than it states is damaged, as is one that holds less
// or fails its checksum (libzip checks it at the end of the data).
bool Unpack(const ArchiveEntry& entry, std::vector<unsigned char>* bytes) {
    zip_file_t* file = zip_fopen_index(gZip.get(), entry.index, 0);
    if (file == nullptr) return false;
    bool ok = true;
    try {
        bytes->assign(static_cast<std::size_t>(entry.size) + 1, 0);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    zip_uint64_t got = 0;
    while (ok) {
        const zip_int64_t n = zip_fread(file, bytes->data() + got, entry.size + 1 - got);
        if (n <= 0) {
            ok = n == 0 && got == entry.size;
            break;
        }
        got += static_cast<zip_uint64_t>(n);
        ok = got <= entry.size;
    }
    zip_fclose(file);
    if (ok) bytes->resize(static_cast<std::size_t>(entry.size));
    return ok;
}

OpenEntry* Lookup(FileHandle file) {
    const FileHandle number = file & ~kArchiveHandleBit;
    if (!IsArchiveHandle(file) || number == 0 || number > gOpenEntries.size()) return nullptr;
    return gOpenEntries[number - 1].get();
}

// Checks every entry of the open archive and lists its files; an empty
// answer, or what is wrong.
std::string CheckEntries(std::vector<ArchiveEntry>* files) {
    const zip_int64_t count = zip_get_num_entries(gZip.get(), 0);
    if (count < 0 || static_cast<zip_uint64_t>(count) > kMaxArchiveEntries) {
        return "holds more than " + std::to_string(kMaxArchiveEntries) + " entries";
    }
    zip_uint64_t total = 0;
    for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        constexpr zip_uint64_t kNeeded = ZIP_STAT_NAME | ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE;
        if (zip_stat_index(gZip.get(), i, ZIP_FL_ENC_RAW, &stat) != 0 || (stat.valid & kNeeded) != kNeeded) {
            return "is damaged: entry " + std::to_string(i + 1) + " cannot be read";
        }
        const std::string name = stat.name;
        if (IsAbsolute(name)) return "has an entry with an absolute path: " + name;
        const std::vector<std::string> parts = Components(name);
        for (const std::string& part : parts) {
            if (part == "..") return "has an entry that climbs out of it: " + name;
        }
        if (stat.size > kMaxArchiveEntryBytes) {
            return "has an entry too large to unpack: " + name + " (" + std::to_string(stat.size) + " bytes)";
        }
        total += stat.size;
        if (total > kMaxArchiveBytes) return "unpacks to more than " + std::to_string(kMaxArchiveBytes) + " bytes";
        if (stat.size > kArchiveRatioFloor && stat.size / kMaxArchiveRatio > stat.comp_size) {
            return "has an entry packed too tightly to trust: " + name + " (" + std::to_string(stat.size) +
                   " bytes from " + std::to_string(stat.comp_size) + ")";
        }
        const char last = name.empty() ? '/' : name.back();
        if (last != '/' && last != '\\' && !parts.empty())
            files->push_back({Join(parts, 0, parts.size()), i, stat.size});
    }
    return {};
}

void Unmount() {
    gEntries.clear();
    gZip.reset();
}

bool Refuse(std::string* error, std::string text) {
    Unmount();
    if (error != nullptr) *error = std::move(text);
    return false;
}

}  // namespace

bool MountArchive(const char* path, const char* marker, std::string* error) {
    const std::lock_guard<std::mutex> lock(gLock);
    Unmount();
    int code = 0;
    gZip.reset(zip_open(path, ZIP_RDONLY | ZIP_CHECKCONS, &code));
    if (gZip == nullptr) {
        zip_error_t problem;
        zip_error_init_with_code(&problem, code);
        std::string text = std::string("is not a zip archive that can be read: ") + zip_error_strerror(&problem);
        zip_error_fini(&problem);
        return Refuse(error, std::move(text));
    }
    std::vector<ArchiveEntry> files;
    if (std::string problem = CheckEntries(&files); !problem.empty()) return Refuse(error, std::move(problem));

    // Where the marker lies decides which entries are seen and as what:
    // those under `inside`, with `inside` replaced by `as`.
    const std::vector<std::string> wanted = Components(marker);
    const std::string wantedName = Join(wanted, 0, wanted.size());
    std::string inside;
    std::string as;
    bool found = false;
    for (const ArchiveEntry& entry : files) {
        if (EqualIgnoringCase(entry.name, wantedName)) found = true;
    }
    for (std::size_t i = 0; !found && i < files.size(); ++i) {
        const std::vector<std::string> parts = Components(files[i].name);
        if (parts.size() == wanted.size() + 1 && EqualIgnoringCase(Join(parts, 1, parts.size()), wantedName)) {
            inside = parts[0] + "/";
            found = true;
        }
    }
    for (std::size_t i = 0; !found && wanted.size() >= 2 && i < files.size(); ++i) {
        if (EqualIgnoringCase(files[i].name, wanted.back())) {
            as = Join(wanted, 0, wanted.size() - 1) + "/";
            found = true;
        }
    }
    if (!found) return Refuse(error, "holds no " + wantedName);
    for (ArchiveEntry& entry : files) {
        if (entry.name.compare(0, inside.size(), inside) != 0) continue;
        entry.name = as + entry.name.substr(inside.size());
        gEntries.push_back(std::move(entry));
    }
    std::vector<unsigned char> script;
    const ArchiveEntry* entry = FindEntry(wantedName);
    if (entry == nullptr || !Unpack(*entry, &script))
        return Refuse(error, "is damaged: its " + wantedName + " cannot be unpacked");
    return true;
}

void UnmountArchive() {
    const std::lock_guard<std::mutex> lock(gLock);
    Unmount();
}

bool OpenArchiveFile(const char* path, FileHandle* file) {
    const std::lock_guard<std::mutex> lock(gLock);
    if (gZip == nullptr || path == nullptr || IsAbsolute(path)) return false;
    *file = 0;
    const ArchiveEntry* entry = FindEntry(path);
    if (entry == nullptr) return true;
    auto open = std::make_unique<OpenEntry>();
    if (!Unpack(*entry, &open->bytes)) return true;
    std::size_t slot = 0;
    while (slot < gOpenEntries.size() && gOpenEntries[slot] != nullptr) ++slot;
    if (slot == gOpenEntries.size()) gOpenEntries.emplace_back();
    gOpenEntries[slot] = std::move(open);
    *file = kArchiveHandleBit | static_cast<FileHandle>(slot + 1);
    return true;
}

bool ReadArchiveFile(FileHandle file, void* buffer, std::uint32_t size, std::uint32_t* bytesRead) {
    const std::lock_guard<std::mutex> lock(gLock);
    if (bytesRead != nullptr) *bytesRead = 0;
    OpenEntry* entry = Lookup(file);
    if (entry == nullptr) return false;
    const auto length = static_cast<std::int64_t>(entry->bytes.size());
    const std::int64_t left = entry->position < length ? length - entry->position : 0;
    const auto count = static_cast<std::uint32_t>(left < size ? left : size);
    if (count > 0) std::memcpy(buffer, entry->bytes.data() + entry->position, count);
    entry->position += count;
    if (bytesRead != nullptr) *bytesRead = count;
    return true;
}

bool MoveArchiveFilePosition(FileHandle file, std::int32_t delta) {
    const std::lock_guard<std::mutex> lock(gLock);
    OpenEntry* entry = Lookup(file);
    if (entry == nullptr || entry->position + delta < 0) return false;
    entry->position += delta;
    return true;
}

std::uint32_t GetArchiveFileSizeLow(FileHandle file) {
    const std::lock_guard<std::mutex> lock(gLock);
    const OpenEntry* entry = Lookup(file);
    return entry == nullptr ? 0 : static_cast<std::uint32_t>(entry->bytes.size());
}

void CloseArchiveFile(FileHandle file) {
    const std::lock_guard<std::mutex> lock(gLock);
    if (Lookup(file) != nullptr) gOpenEntries[(file & ~kArchiveHandleBit) - 1].reset();
}

// An entry is known by its place in the archive and its size: the archive
// does not change while it is mounted.
bool ArchiveFileIdentity(const char* path, bool* found, FileIdentity* identity) {
    const std::lock_guard<std::mutex> lock(gLock);
    if (gZip == nullptr || path == nullptr || IsAbsolute(path)) return false;
    const ArchiveEntry* entry = FindEntry(path);
    *found = entry != nullptr;
    if (entry != nullptr) *identity = FileIdentity{entry->size, 0, 0, entry->index + 1};
    return true;
}

}  // namespace platform
