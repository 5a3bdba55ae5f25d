// Mapping of the script's paths to a POSIX file system.
#pragma once

#include <string>

namespace platform {

// Backslashes become "/"; a component that does not exist as written is
// replaced by the directory entry that matches it ignoring case.  A path
// that resolves to nothing comes back mapped but otherwise unchanged.
std::string ResolveScriptPath(const char* path);

}  // namespace platform
