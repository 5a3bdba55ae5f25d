// Choices remembered between runs: one short line of text under a name, for
// the presentation in the current folder (the folder's absolute path tells
// presentations apart).  Remembering is a courtesy and never a failure the
// program sees: a store that is missing, damaged or cannot be written is an
// empty one, and a backend may remember nothing at all.
#pragma once

#include <cstddef>

namespace platform {

// The value last remembered under `name` for the current folder, copied with
// its terminating zero into `value`.  False (and `value` untouched) when
// there is none, or when it does not fit in `size` bytes.
bool RecallChoice(const char* name, char* value, std::size_t size);

// Remembers `value` under `name` for the current folder, in place of the one
// before.  A name is letters, digits, '-' and '_'; a value is one line
// without tabs.  Anything else is not remembered.
void RememberChoice(const char* name, const char* value);

}  // namespace platform
