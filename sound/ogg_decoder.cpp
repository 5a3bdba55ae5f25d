// Placeholder until the Ogg Vorbis decoder lands.
#include "sound/ogg_decoder.h"

namespace sound {
void RegisterOggDecoder() {}
void ResetOggModule() {}
}  // namespace sound
