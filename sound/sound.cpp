// Placeholder until the sound system lands: there is no device.
#include "sound/sound.h"

namespace sound {
std::int32_t OpenSoundDevice() { return 0; }
std::intptr_t LoadSoundFile(std::int32_t, const char*) { return 0; }
void StartSound(std::int32_t) {}
void CloseSoundDevice() {}
void ResetSoundModule() {}
}  // namespace sound
