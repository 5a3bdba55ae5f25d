// No sound device: the library is not there, so the program runs silent.

#include "platform/sound_device.h"

namespace platform {

bool LoadSoundLibrary() { return false; }
void UnloadSoundLibrary() {}
Result CreateSoundDevice(SoundDevice** device) {
    *device = nullptr;
    return kFail;
}
void ReleaseSoundDevice(SoundDevice*) {}
Result SetSoundCooperativeLevel(SoundDevice*, WindowHandle, std::uint32_t) { return kFail; }
Result CreateSoundBuffer(SoundDevice*, const SoundBufferDesc*, SoundBuffer** buffer) {
    *buffer = nullptr;
    return kFail;
}
void ReleaseSoundBuffer(SoundBuffer*) {}
Result LockSoundBuffer(SoundBuffer*, std::uint32_t, std::uint32_t, void**, std::uint32_t*, void**, std::uint32_t*) {
    return kFail;
}
Result UnlockSoundBuffer(SoundBuffer*, void*, std::uint32_t, void*, std::uint32_t) { return kFail; }
Result StopSoundBuffer(SoundBuffer*) { return kFail; }
Result SetSoundBufferPosition(SoundBuffer*, std::uint32_t) { return kFail; }
Result PlaySoundBuffer(SoundBuffer*, std::uint32_t) { return kFail; }

Result SetSoundMasterVolume(SoundDevice*, std::uint32_t) { return kFail; }
Result PauseSoundDevice(SoundDevice*, bool) { return kFail; }

}  // namespace platform
