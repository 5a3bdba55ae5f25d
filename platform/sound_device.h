// The sound device: static secondary buffers mixed by the device, shaped
// after DirectSound.
#pragma once

#include "platform/types.h"

namespace platform {

struct SoundDevice;
struct SoundBuffer;

// WAVEFORMATEX as it lies in a WAV file's format chunk.
#pragma pack(push, 1)
struct WaveFormat {
    std::uint16_t formatTag;
    std::uint16_t channels;
    std::uint32_t samplesPerSecond;
    std::uint32_t averageBytesPerSecond;
    std::uint16_t blockAlign;
    std::uint16_t bitsPerSample;
    std::uint16_t extraSize;
};
#pragma pack(pop)

// DSBUFFERDESC; formatBytes tells how many bytes lie behind format.
struct SoundBufferDesc {
    std::uint32_t size;
    std::uint32_t flags;
    std::uint32_t bufferBytes;
    std::uint32_t reserved;
    const void* format;
    std::uint32_t formatBytes;
};

constexpr std::uint32_t kSoundPriority = 2;            // DSSCL_PRIORITY
constexpr std::uint32_t kBufferPrimary = 0x1;          // DSBCAPS_PRIMARYBUFFER
constexpr std::uint32_t kBufferStaticFlags = 0x180E0;  // frequency, pan, volume, global focus, position2

// Loads the sound library by name and finds its creation function
// ("DSOUND.DLL", DirectSoundCreate).  False when either is missing.
bool LoadSoundLibrary();
void UnloadSoundLibrary();
// The default output device.  Non-zero result on failure.
Result CreateSoundDevice(SoundDevice** device);
void ReleaseSoundDevice(SoundDevice* device);
Result SetSoundCooperativeLevel(SoundDevice* device, WindowHandle window, std::uint32_t level);
Result CreateSoundBuffer(SoundDevice* device, const SoundBufferDesc* desc, SoundBuffer** buffer);
void ReleaseSoundBuffer(SoundBuffer* buffer);
Result LockSoundBuffer(SoundBuffer* buffer, std::uint32_t offset, std::uint32_t bytes, void** first,
                       std::uint32_t* firstBytes, void** second, std::uint32_t* secondBytes);
Result UnlockSoundBuffer(SoundBuffer* buffer, void* first, std::uint32_t firstBytes, void* second,
                         std::uint32_t secondBytes);
Result StopSoundBuffer(SoundBuffer* buffer);
Result SetSoundBufferPosition(SoundBuffer* buffer, std::uint32_t position);
// Plays once (no looping flag) from the current position.
Result PlaySoundBuffer(SoundBuffer* buffer, std::uint32_t flags);

// Beyond DirectSound's buffers, for the show's own controls.  A master
// volume over everything the device plays, in percent of the sounds as
// written (100, the default, leaves them untouched; 0 is silence), and a
// pause that holds every playing buffer where it stands until resumed
// (buffers started during the pause wait for the resumption too).  A backend
// that cannot do either answers kOk and leaves the sound as it is.
Result SetSoundMasterVolume(SoundDevice* device, std::uint32_t percent);
Result PauseSoundDevice(SoundDevice* device, bool paused);

}  // namespace platform
