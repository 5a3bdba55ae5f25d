// Windows versions of the POSIX calls that the tests use.

#include "posix_extras.h"

#include <sys/inotify.h>

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/posix/path.h"

extern "C" char* mkdtemp(char* pattern) {
    const std::size_t length = pattern == nullptr ? 0 : std::strlen(pattern);
    if (length < 6 || std::strcmp(pattern + length - 6, "XXXXXX") != 0) {
        errno = EINVAL;
        return nullptr;
    }
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    static unsigned seed = static_cast<unsigned>(::GetTickCount()) ^ static_cast<unsigned>(::GetCurrentProcessId());
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (std::size_t i = length - 6; i < length; ++i) {
            seed = seed * 1103515245u + 12345u;
            pattern[i] = kLetters[(seed >> 16) % (sizeof kLetters - 1)];
        }
        if (::CreateDirectoryA(pattern, nullptr)) return pattern;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    errno = EEXIST;
    return nullptr;
}

extern "C" int setenv(const char* name, const char* value, int overwrite) {
    if (name == nullptr || value == nullptr) return -1;
    if (overwrite == 0 && std::getenv(name) != nullptr) return 0;
    return _putenv_s(name, value) == 0 ? 0 : -1;
}

extern "C" int unsetenv(const char* name) {
    if (name == nullptr) return -1;
    return _putenv_s(name, "") == 0 ? 0 : -1;
}

extern "C" FILE* fmemopen(void* buffer, size_t size, const char* mode) {
    if (mode == nullptr || mode[0] != 'r' || std::strchr(mode, '+') != nullptr || (buffer == nullptr && size > 0)) {
        errno = EINVAL;
        return nullptr;
    }
    // A temporary file that holds the bytes; it goes when it is closed.
    FILE* stream = std::tmpfile();
    if (stream == nullptr) return nullptr;
    if (std::fwrite(buffer, 1, size, stream) != size || std::fseek(stream, 0, SEEK_SET) != 0) {
        std::fclose(stream);
        return nullptr;
    }
    return stream;
}

extern "C" int inotify_init1(int) {
    errno = ENOSYS;
    return -1;
}

extern "C" int inotify_add_watch(int, const char*, uint32_t) {
    errno = EBADF;
    return -1;
}

namespace platform {

// Backslashes become "/", and each component takes the spelling it has on
// disk (the file system ignores case).  A path that resolves to nothing
// comes back mapped but otherwise unchanged.
std::string ResolveScriptPath(const char* path) {
    std::string mapped(path == nullptr ? "" : path);
    for (char& c : mapped) {
        if (c == '\\') c = '/';
    }
    std::string resolved;
    std::size_t pos = 0;
    while (pos <= mapped.size()) {
        std::size_t slash = mapped.find('/', pos);
        if (slash == std::string::npos) slash = mapped.size();
        const std::string part = mapped.substr(pos, slash - pos);
        std::string spelled = part;
        if (!part.empty() && part != "." && part != "..") {
            WIN32_FIND_DATAA found{};
            const HANDLE search = ::FindFirstFileA((resolved + part).c_str(), &found);
            if (search == INVALID_HANDLE_VALUE) return mapped;
            ::FindClose(search);
            spelled = found.cFileName;
        }
        resolved += spelled;
        if (slash < mapped.size()) resolved += '/';
        pos = slash + 1;
    }
    return resolved;
}

}  // namespace platform
