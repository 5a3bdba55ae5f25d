// The test backend's sound device: buffers in memory that remember their
// format and bytes, and a log of every call the program makes, in order.
// It accepts what a DirectSound device accepts from a WAV format chunk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sound_device.h"

namespace platform::test {

// Back to a device that is there and refuses nothing it would accept, with
// no buffers and an empty log.
void ResetSoundDevice();

// Steps of the device that can be made to fail.
struct SoundDeviceFaults {
    bool library = false;           // LoadSoundLibrary
    bool device = false;            // CreateSoundDevice
    bool cooperativeLevel = false;  // SetSoundCooperativeLevel
    bool primary = false;           // CreateSoundBuffer of the primary buffer
    bool secondary = false;         // CreateSoundBuffer of any other buffer
    bool lock = false;              // LockSoundBuffer
};
void SetSoundDeviceFaults(const SoundDeviceFaults& faults);

struct SoundBufferInfo {
    int id;  // from 1, in order of creation
    bool primary;
    std::uint32_t flags;
    std::vector<std::uint8_t> format;  // the format bytes as handed over
    std::vector<std::uint8_t> data;    // what the program wrote through Lock
    bool locked;
    bool playing;
    std::uint32_t position;
    int plays;
    bool released;
};

// One line per call, for example "create #2 bytes=400", "lock #2",
// "unlock #2", "stop #2", "position #2 0", "play #2 flags=0", "release #2",
// "level window=92 level=2", "release device", "unload".
const std::vector<std::string>& SoundCalls();
void ClearSoundCalls();
// The buffer a handle stands for, null for an unknown one.
const SoundBufferInfo* DescribeSoundBuffer(const SoundBuffer* buffer);
const SoundBufferInfo* SoundBufferById(int id);
int SoundBufferIdOf(const SoundBuffer* buffer);
int LiveSoundBufferCount();
bool SoundDeviceLive();
bool SoundLibraryLoaded();
// Calls that named a buffer already released, or a device already released.
int StaleSoundHandleUses();

}  // namespace platform::test
