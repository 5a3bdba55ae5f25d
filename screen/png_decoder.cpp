// Placeholder until the PNG decoder lands: nothing registers.
#include "screen/image_decoders.h"

namespace screen {
void RegisterPngDecoder() {}
}  // namespace screen
