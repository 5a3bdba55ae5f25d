// Numbered text files read line by line, one platform read per byte.
#pragma once

#include <cstdint>

#include "platform/file.h"
#include "runtime/object_table.h"

namespace runtime {

// The file table: capacity 10, grows to number + 10.  No current file.
void InitFiles();
// Opens an existing file for reading under number (-1: a new dynamic entry)
// and makes it the current file; a failed open leaves no current file.
// Returns the platform handle (for -1 the new entry's handle), 0 on failure.
std::intptr_t OpenReadFile(std::int32_t number, const char* path);
// The next line of the current file, built at `top` of the temporary string
// area, without its terminator.  CR LF, LF, CR and a zero byte end a line;
// at the end of the file (and without a current file) every call gives the
// empty string.  A line longer than the room left in the area is cut there;
// the rest of it is read and dropped.
char* ReadLine();
void CloseFile(std::int32_t number);
void CloseAllFiles();

const ObjectTable& FileTable();
platform::FileHandle CurrentFile();

}  // namespace runtime
