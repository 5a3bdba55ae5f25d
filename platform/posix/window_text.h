// Texts the program shows in window titles and controls on a desktop that
// speaks UTF-8.  Presentations were written on Windows, whose titles are in
// the system's ANSI code page: a text that is valid UTF-8 is taken as it
// is, any other is read as Windows-1252.
#pragma once

#include <string>

namespace platform::posix {

bool IsValidUtf8(const char* text);
std::string WindowTextToUtf8(const char* text);

}  // namespace platform::posix
