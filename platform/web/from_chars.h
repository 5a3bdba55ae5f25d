// The decimal conversion of std::from_chars for double, which emscripten's
// C++ library (libc++ 14) lacks.  The web build puts this header in front of
// the sources that convert (see the top CMakeLists.txt); the page's program
// runs in the "C" locale only, so strtod reads "." whatever the browser's
// language.
#pragma once

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <string>

namespace std {

inline from_chars_result from_chars(const char* first, const char* last, double& value, chars_format) {
    const std::string text(first, last);
    char* end = nullptr;
    errno = 0;
    const double converted = std::strtod(text.c_str(), &end);
    from_chars_result result{first + (end - text.c_str()), errc()};
    if (end == text.c_str()) {
        result = {first, errc::invalid_argument};
    } else if (errno == ERANGE) {
        result.ec = errc::result_out_of_range;
    } else {
        value = converted;
    }
    return result;
}

}  // namespace std
