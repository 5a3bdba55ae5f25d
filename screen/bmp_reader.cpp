// Placeholder until the BMP reader lands: nothing reads.
#include "screen/image_decoders.h"

namespace screen {
bool ReadBmp(const void*, std::uint32_t, bool, SourceImage*) { return false; }
}  // namespace screen
