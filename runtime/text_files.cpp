#include "runtime/text_files.h"

#include "runtime/strings.h"

namespace runtime {

namespace {

struct FileEntry {
    platform::FileHandle handle;
};

ObjectTable gFiles{};
platform::FileHandle gCurrentFile = 0;

}  // namespace

void InitFiles() {
    InitObjectTable(gFiles, 10, 10, sizeof(FileEntry));
    gCurrentFile = 0;
}

const ObjectTable& FileTable() { return gFiles; }
platform::FileHandle CurrentFile() { return gCurrentFile; }

std::intptr_t OpenReadFile(std::int32_t number, const char* path) {
    const platform::FileHandle handle = platform::OpenFileForReading(path);
    gCurrentFile = handle;
    if (handle == 0) return 0;
    std::int32_t effective = number;
    auto* entry = static_cast<FileEntry*>(GetOrGrowEntry(gFiles, effective));
    if (entry == nullptr) {
        // No entry for this number (below -1, beyond the table, or no
        // memory): a file that no number owns could never be closed, so the
        // open fails and leaves no current file.
        platform::CloseFileHandle(handle);
        gCurrentFile = 0;
        return 0;
    }
    if (number != -1) {
        CloseFile(number);
        entry = static_cast<FileEntry*>(GetOrGrowEntry(gFiles, effective));
    }
    entry->handle = handle;
    return number == -1 ? effective : static_cast<std::intptr_t>(handle);
}

char* ReadLine() {
    char* start = TemporaryTop();
    if (start == nullptr) return nullptr;
    if (gCurrentFile == 0) {
        TerminateTemporary();
        return start;
    }
    char b = 0;
    for (;;) {
        b = 0;
        std::uint32_t got = 0;
        platform::ReadFileBytes(gCurrentFile, &b, 1, &got);
        if (got == 0) b = 0;
        if (b == 0 || b == '\r' || b == '\n') break;
        // A byte that finds no room in the area is dropped: the line is cut.
        PushTemporaryByte(b);
    }
    TerminateTemporary();
    if (b == '\r') {
        char next = 0;
        std::uint32_t got = 0;
        platform::ReadFileBytes(gCurrentFile, &next, 1, &got);
        // The byte after a lone CR is given back; at the end of the file the
        // position goes back onto the CR itself, so every later call again
        // reads an empty line.
        if (got == 0 || next != '\n') platform::MoveFilePosition(gCurrentFile, -1);
    }
    return start;
}

void CloseFile(std::int32_t number) {
    if (number == -1) return;
    auto* entry = static_cast<FileEntry*>(LookupEntry(gFiles, number));
    if (entry == nullptr) return;
    platform::CloseFileHandle(entry->handle);
    // A closed handle is never read again: its number may soon belong to
    // another file.
    if (entry->handle == gCurrentFile) gCurrentFile = 0;
    FreeEntry(gFiles, number);
}

void CloseAllFiles() {
    ForEachObject(gFiles, [](std::int32_t number, void*) -> std::int32_t {
        CloseFile(number);
        return 1;
    });
}

}  // namespace runtime
