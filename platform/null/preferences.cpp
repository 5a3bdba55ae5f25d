// Nothing is remembered between runs: every choice starts from the program's
// own default.

#include "platform/preferences.h"

namespace platform {

bool RecallChoice(const char*, char*, std::size_t) { return false; }
void RememberChoice(const char*, const char*) {}

}  // namespace platform
