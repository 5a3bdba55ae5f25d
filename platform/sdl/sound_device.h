// The SDL2 sound device's own controls, beyond the sound device service.
//
// The device mixes every playing buffer into 16-bit stereo at its rate.  It
// has two kinds:
// - output (the default): SDL's default audio device, whose callback runs
//   the mixer on SDL's audio thread;
// - capturing: no SDL device at all.  Nothing is heard; whoever renders the
//   sound (a test, a headless renderer) pulls the mix with MixCaptured, on
//   the program's own thread, as many frames at a time as it likes.
// Either kind converts an unlocked buffer's sound to its own format on a
// thread of its own (none in a browser without threads): Unlock returns at
// once, and the next call on that buffer waits for the conversion.
#pragma once

#include <cstdint>

#include "platform/sound_device.h"

namespace platform::sdl {

constexpr int kOutputRate = 48000;        // asked of the output device
constexpr int kOutputBufferFrames = 512;  // about 11 ms at 48000 Hz

// The kind of device the next CreateSoundDevice makes.  Call before the
// sound device is opened.  A capturing device mixes at rate Hz (8000 to
// 192000; outside that range CreateSoundDevice fails) and needs no SDL audio
// driver: LoadSoundLibrary then does not start SDL's audio at all.
void UseOutputSoundDevice();
void UseCapturingSoundDevice(int rate);

// Runs the mixer of the live capturing device for frames stereo frames and
// stores them interleaved (left, right) in out, which holds 2 * frames
// values: the same mixer, with the same effects on the buffers, as the
// output device's callback.  False, with out silent, when there is no
// capturing device.
bool MixCaptured(std::int16_t* out, int frames);

struct SoundDeviceInfo {
    int rate;          // frames per second of the mix
    int bufferFrames;  // frames per callback of the output device; 0 when capturing
    bool capturing;
};
// The most recently created device that is still live; false when none.
bool DescribeSoundDevice(SoundDeviceInfo* info);

// Whether the buffer is playing now; false for the primary buffer.
bool SoundBufferPlaying(SoundBuffer* buffer);

}  // namespace platform::sdl
