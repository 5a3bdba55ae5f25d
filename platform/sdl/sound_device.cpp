// The sound device on SDL2: one output device in 16-bit stereo whose
// callback mixes every playing buffer, or a capturing device that mixes only
// when asked (see sound_device.h).
//
// A buffer keeps two copies of its sound: the bytes the program writes
// through Lock, in the buffer's own format, and the same sound converted by
// SDL's converter to the device's format when the program unlocks it.  The
// mixer reads only the converted copy, so playing never converts and never
// allocates.  Everything the mixer reads (the buffer list, the converted
// sound, the play cursor and flag) changes only under the device lock.

#include "platform/sdl/sound_device.h"
#include "platform/sound_format.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace platform {

struct SoundBuffer {
    SoundDevice* device = nullptr;  // null once the device is gone
    bool primary = false;
    WaveFormat format{};
    std::vector<std::uint8_t> bytes;  // as the program wrote them
    std::vector<std::int16_t> mixed;  // stereo frames at the device's rate
    std::size_t cursor = 0;           // next frame of mixed to play
    bool playing = false;
};

struct SoundDevice {
    SDL_AudioDeviceID id = 0;  // 0 for a capturing device
    int rate = 0;
    int bufferFrames = 0;
    std::vector<SoundBuffer*> buffers;  // the secondary buffers the mixer walks
    std::uint32_t volume = 100;         // master volume in percent
    bool paused = false;                // the mixer gives silence and moves no cursor
};

namespace {

constexpr std::uint64_t kMaxMixedBytes = 1ull << 30;  // converted copy of one buffer
constexpr int kMinCaptureRate = 8000;
constexpr int kMaxCaptureRate = 192000;
constexpr int kMixChunkFrames = 256;
using sdl::kOutputBufferFrames;
using sdl::kOutputRate;

bool gCapturing = false;
int gCaptureRate = kOutputRate;
int gAudioStarted = 0;  // LoadSoundLibrary calls that started SDL's audio
SoundDevice* gLatest = nullptr;

class DeviceLock {
public:
    explicit DeviceLock(const SoundDevice* device) : id_(device == nullptr ? 0 : device->id) {
        if (id_ != 0) SDL_LockAudioDevice(id_);
    }
    ~DeviceLock() {
        if (id_ != 0) SDL_UnlockAudioDevice(id_);
    }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

private:
    SDL_AudioDeviceID id_;
};

std::int16_t Saturate(std::int32_t value) {
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(value, -32768, 32767));
}

// Sums every playing buffer of the device into out at the master volume; a
// buffer that reaches its end stops and rewinds to its start.  A paused
// device gives silence and leaves every buffer where it stands.
void Mix(SoundDevice* device, std::int16_t* out, int frames) {
    if (device->paused) {
        std::fill(out, out + static_cast<std::size_t>(frames) * 2, std::int16_t{0});
        return;
    }
    const auto volume = static_cast<std::int32_t>(device->volume);
    std::int32_t sum[kMixChunkFrames * 2];
    while (frames > 0) {
        const int chunk = frames < kMixChunkFrames ? frames : kMixChunkFrames;
        const std::size_t values = static_cast<std::size_t>(chunk) * 2;
        std::fill(sum, sum + values, 0);
        for (SoundBuffer* buffer : device->buffers) {
            if (!buffer->playing) continue;
            const std::size_t total = buffer->mixed.size() / 2;
            const std::size_t left = total > buffer->cursor ? total - buffer->cursor : 0;
            const std::size_t take = std::min<std::size_t>(static_cast<std::size_t>(chunk), left);
            const std::int16_t* source = buffer->mixed.data() + buffer->cursor * 2;
            for (std::size_t i = 0; i < take * 2; ++i) sum[i] += source[i];
            buffer->cursor += take;
            if (buffer->cursor >= total) {
                buffer->playing = false;
                buffer->cursor = 0;
            }
        }
        if (volume != 100) {
            for (std::size_t i = 0; i < values; ++i) sum[i] = sum[i] * volume / 100;
        }
        for (std::size_t i = 0; i < values; ++i) out[i] = Saturate(sum[i]);
        out += values;
        frames -= chunk;
    }
}

void SDLCALL MixCallback(void* userdata, Uint8* stream, int length) {
    Mix(static_cast<SoundDevice*>(userdata), reinterpret_cast<std::int16_t*>(stream), length / 4);
}

bool ReadAcceptedFormat(const SoundBufferDesc& desc, WaveFormat* format) {
    return CheckWaveFormat(desc.format, desc.formatBytes, desc.bufferBytes, format) == WaveFormatProblem::None;
}

std::uint64_t MixedFrames(std::uint64_t frames, const WaveFormat& format, int rate) {
    return frames * static_cast<std::uint64_t>(rate) / format.samplesPerSecond;
}

// The whole frames of the buffer in the device's format, by SDL's converter
// in one pass over the whole sound (which keeps its length exact).
bool Convert(const SoundBuffer& buffer, int rate, std::vector<std::int16_t>* mixed) {
    const WaveFormat& format = buffer.format;
    const std::size_t whole = buffer.bytes.size() / format.blockAlign * format.blockAlign;
    SDL_AudioCVT cvt{};
    if (SDL_BuildAudioCVT(&cvt, format.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB,
                          static_cast<Uint8>(format.channels), static_cast<int>(format.samplesPerSecond), AUDIO_S16SYS,
                          2, rate) < 0) {
        return false;
    }
    const std::size_t work = whole * static_cast<std::size_t>(cvt.len_mult > 1 ? cvt.len_mult : 1);
    if (work > 0x7FFFFFFF) return false;
    std::vector<std::uint8_t> scratch;
    try {
        scratch.resize(work);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (whole > 0) std::memcpy(scratch.data(), buffer.bytes.data(), whole);
    cvt.buf = scratch.data();
    cvt.len = static_cast<int>(whole);
    if (cvt.needed != 0 && SDL_ConvertAudio(&cvt) != 0) return false;
    const std::size_t bytes = cvt.needed != 0 ? static_cast<std::size_t>(cvt.len_cvt) : whole;
    try {
        mixed->assign(bytes / 4 * 2, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!mixed->empty()) std::memcpy(mixed->data(), scratch.data(), mixed->size() * sizeof(std::int16_t));
    return true;
}

}  // namespace

namespace sdl {

void UseOutputSoundDevice() { gCapturing = false; }

void UseCapturingSoundDevice(int rate) {
    gCapturing = true;
    gCaptureRate = rate;
}

bool MixCaptured(std::int16_t* out, int frames) {
    if (out == nullptr || frames <= 0) return false;
    if (gLatest == nullptr || gLatest->id != 0) {
        std::fill(out, out + static_cast<std::size_t>(frames) * 2, std::int16_t{0});
        return false;
    }
    Mix(gLatest, out, frames);
    return true;
}

bool DescribeSoundDevice(SoundDeviceInfo* info) {
    if (gLatest == nullptr || info == nullptr) return false;
    info->rate = gLatest->rate;
    info->bufferFrames = gLatest->bufferFrames;
    info->capturing = gLatest->id == 0;
    return true;
}

bool SoundBufferPlaying(SoundBuffer* buffer) {
    if (buffer == nullptr || buffer->primary) return false;
    DeviceLock lock(buffer->device);
    return buffer->playing;
}

}  // namespace sdl

bool LoadSoundLibrary() {
    if (gCapturing) return true;
    // Signals are the process service's, not a quit event's.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    ++gAudioStarted;
    return true;
}

void UnloadSoundLibrary() {
    if (gAudioStarted == 0) return;
    --gAudioStarted;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

Result CreateSoundDevice(SoundDevice** device) {
    *device = nullptr;
    auto* made = new (std::nothrow) SoundDevice;
    if (made == nullptr) return kFail;
    if (gCapturing) {
        if (gCaptureRate < kMinCaptureRate || gCaptureRate > kMaxCaptureRate) {
            delete made;
            return kFail;
        }
        made->rate = gCaptureRate;
    } else {
        SDL_AudioSpec want{};
        want.freq = kOutputRate;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = kOutputBufferFrames;
        want.callback = MixCallback;
        want.userdata = made;
        SDL_AudioSpec have{};
        // The driver may prefer its own rate (44100 on many); the sounds are
        // converted to whatever it is.
        made->id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
        if (made->id == 0) {
            delete made;
            return kFail;
        }
        made->rate = have.freq;
        made->bufferFrames = have.samples;
        SDL_PauseAudioDevice(made->id, 0);
    }
    gLatest = made;
    *device = made;
    return kOk;
}

void ReleaseSoundDevice(SoundDevice* device) {
    if (device == nullptr) return;
    // Closing the output device ends its callback for good.
    if (device->id != 0) SDL_CloseAudioDevice(device->id);
    for (SoundBuffer* buffer : device->buffers) {
        buffer->device = nullptr;
        buffer->playing = false;
    }
    if (gLatest == device) gLatest = nullptr;
    delete device;
}

Result SetSoundCooperativeLevel(SoundDevice* device, WindowHandle window, std::uint32_t level) {
    // Sounds are heard whichever window is in front; the level only has to
    // be one of DirectSound's (normal, priority, exclusive, write-primary).
    if (device == nullptr || window == 0 || level < 1 || level > 4) return kFail;
    return kOk;
}

Result CreateSoundBuffer(SoundDevice* device, const SoundBufferDesc* desc, SoundBuffer** buffer) {
    *buffer = nullptr;
    if (device == nullptr || desc == nullptr || (desc->size != 36 && desc->size != 20)) return kFail;
    if ((desc->flags & kBufferPrimary) != 0) {
        // The device mixes on its own: the primary buffer is a stand-in that
        // nothing ever plays.
        if (desc->bufferBytes != 0 || desc->format != nullptr) return kFail;
        auto* primary = new (std::nothrow) SoundBuffer;
        if (primary == nullptr) return kFail;
        primary->device = device;
        primary->primary = true;
        *buffer = primary;
        return kOk;
    }
    WaveFormat format{};
    if (!ReadAcceptedFormat(*desc, &format)) return kFail;
    if (MixedFrames(desc->bufferBytes / format.blockAlign, format, device->rate) * 4 > kMaxMixedBytes) return kFail;
    auto* made = new (std::nothrow) SoundBuffer;
    if (made == nullptr) return kFail;
    try {
        made->bytes.assign(desc->bufferBytes, format.bitsPerSample == 8 ? 0x80 : 0x00);
        made->device = device;
        made->format = format;
        DeviceLock lock(device);
        device->buffers.push_back(made);
    } catch (const std::bad_alloc&) {
        delete made;
        return kFail;
    }
    *buffer = made;
    return kOk;
}

void ReleaseSoundBuffer(SoundBuffer* buffer) {
    if (buffer == nullptr) return;
    if (SoundDevice* device = buffer->device; device != nullptr && !buffer->primary) {
        DeviceLock lock(device);
        auto& list = device->buffers;
        list.erase(std::remove(list.begin(), list.end(), buffer), list.end());
    }
    delete buffer;
}

Result LockSoundBuffer(SoundBuffer* buffer, std::uint32_t offset, std::uint32_t bytes, void** first,
                       std::uint32_t* firstBytes, void** second, std::uint32_t* secondBytes) {
    *first = nullptr;
    *second = nullptr;
    *firstBytes = 0;
    *secondBytes = 0;
    if (buffer == nullptr || buffer->primary) return kFail;
    const auto size = static_cast<std::uint32_t>(buffer->bytes.size());
    if (offset >= size || bytes == 0 || bytes > size) return kFail;
    // As in DirectSound, a region running past the end goes on at the start.
    const std::uint32_t tail = size - offset;
    *first = buffer->bytes.data() + offset;
    *firstBytes = bytes < tail ? bytes : tail;
    if (bytes > tail) {
        *second = buffer->bytes.data();
        *secondBytes = bytes - tail;
    }
    return kOk;
}

Result UnlockSoundBuffer(SoundBuffer* buffer, void*, std::uint32_t, void*, std::uint32_t) {
    if (buffer == nullptr || buffer->primary) return kFail;
    if (buffer->device == nullptr) return kFail;
    std::vector<std::int16_t> mixed;
    if (!Convert(*buffer, buffer->device->rate, &mixed)) return kFail;
    {
        DeviceLock lock(buffer->device);
        buffer->mixed.swap(mixed);
        if (buffer->cursor * 2 >= buffer->mixed.size()) buffer->cursor = 0;
    }
    // The old converted copy is freed here, outside the lock.
    return kOk;
}

Result StopSoundBuffer(SoundBuffer* buffer) {
    if (buffer == nullptr) return kFail;
    if (buffer->primary) return kOk;
    DeviceLock lock(buffer->device);
    buffer->playing = false;
    return kOk;
}

Result SetSoundBufferPosition(SoundBuffer* buffer, std::uint32_t position) {
    if (buffer == nullptr || buffer->primary || position > buffer->bytes.size()) return kFail;
    const std::uint64_t frame = position / buffer->format.blockAlign;
    DeviceLock lock(buffer->device);
    const int rate = buffer->device == nullptr ? 0 : buffer->device->rate;
    buffer->cursor = static_cast<std::size_t>(
        std::min<std::uint64_t>(MixedFrames(frame, buffer->format, rate), buffer->mixed.size() / 2));
    return kOk;
}

// Every buffer plays once, from where its cursor stands to its end: the
// looping flag is not offered.
Result PlaySoundBuffer(SoundBuffer* buffer, std::uint32_t) {
    if (buffer == nullptr) return kFail;
    // Nothing plays the primary buffer; the device mixes regardless.
    if (buffer->primary) return kOk;
    if (buffer->device == nullptr) return kFail;
    DeviceLock lock(buffer->device);
    buffer->playing = true;
    return kOk;
}

Result SetSoundMasterVolume(SoundDevice* device, std::uint32_t percent) {
    if (device == nullptr || percent > 100) return kFail;
    DeviceLock lock(device);
    device->volume = percent;
    return kOk;
}

Result PauseSoundDevice(SoundDevice* device, bool paused) {
    if (device == nullptr) return kFail;
    DeviceLock lock(device);
    device->paused = paused;
    return kOk;
}

}  // namespace platform
