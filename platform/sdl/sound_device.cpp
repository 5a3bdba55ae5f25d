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
//
// Converting a long sound to another rate takes longer than decoding it, so
// the device converts on a thread of its own: Unlock hands the buffer over
// and returns, and the program's next call on that buffer (Play, Lock, a new
// position, Release) first waits for the conversion and puts its result in
// place.  What is heard is the same sound at the same moment; only the load
// that wrote it returns sooner.

#include "platform/sdl/sound_device.h"
#include "platform/sound_format.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
#define RODAZARO_SOUND_NO_THREADS 1
#endif

namespace platform {

// One conversion of a buffer's sound to the device's format: SDL's converter
// and a copy of the buffer's whole frames, taken when the program unlocks
// the buffer.
struct Conversion {
    SDL_AudioCVT cvt{};
    std::unique_ptr<std::uint8_t[]> sound;
    std::size_t whole = 0;  // bytes of whole frames in sound
    std::size_t work = 0;   // bytes the converter works in
};

struct SoundBuffer {
    SoundDevice* device = nullptr;  // null once the device is gone
    bool primary = false;
    WaveFormat format{};
    std::vector<std::uint8_t> bytes;  // as the program wrote them
    std::vector<std::int16_t> mixed;  // stereo frames at the device's rate
    std::size_t cursor = 0;           // next frame of mixed to play
    bool playing = false;
    bool handedOver = false;  // the program's side: a conversion's result is still to be taken
    // Shared with the conversion thread, under its mutex:
    bool converting = false;           // queued or being converted
    Conversion conversion;             // what the conversion thread is to do
    bool converted = false;            // the conversion succeeded
    std::vector<std::int16_t> result;  // what it made
};

// The conversion thread of a device and the buffers waiting for it.
struct Converter {
    std::mutex mutex;
    std::condition_variable wake;  // a buffer was queued, or the thread is to stop
    std::condition_variable done;  // a conversion ended
    std::deque<SoundBuffer*> queue;
    bool stopping = false;
    std::thread thread;
};

struct SoundDevice {
    SDL_AudioDeviceID id = 0;  // 0 for a capturing device
    int rate = 0;
    int bufferFrames = 0;
    std::vector<SoundBuffer*> buffers;     // the secondary buffers the mixer walks
    std::uint32_t volume = 100;            // master volume in percent
    bool paused = false;                   // the mixer gives silence and moves no cursor
    std::unique_ptr<Converter> converter;  // started by the first conversion
    bool convertInline = false;            // no thread could be started: convert at Unlock
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

// Sets up the conversion of the buffer's sound as it stands now; false when
// SDL cannot convert it or the work area would be too large.
bool StartConversion(const SoundBuffer& buffer, int rate, Conversion* conversion) {
    const WaveFormat& format = buffer.format;
    conversion->whole = buffer.bytes.size() / format.blockAlign * format.blockAlign;
    SDL_AudioCVT& cvt = conversion->cvt;
    if (SDL_BuildAudioCVT(&cvt, format.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB,
                          static_cast<Uint8>(format.channels), static_cast<int>(format.samplesPerSecond), AUDIO_S16SYS,
                          2, rate) < 0) {
        return false;
    }
    conversion->work = conversion->whole * static_cast<std::size_t>(cvt.len_mult > 1 ? cvt.len_mult : 1);
    if (conversion->work > 0x7FFFFFFF) return false;
    conversion->sound.reset(new (std::nothrow) std::uint8_t[conversion->whole == 0 ? 1 : conversion->whole]);
    if (conversion->sound == nullptr) return false;
    if (conversion->whole > 0) std::memcpy(conversion->sound.get(), buffer.bytes.data(), conversion->whole);
    return true;
}

// Runs SDL's converter in one pass over the whole sound (which keeps its
// length exact), in a work area as large as it needs (a multiple of the
// sound), and gives the stereo frames at the device's rate.
bool FinishConversion(Conversion* conversion, std::vector<std::int16_t>* mixed) {
    SDL_AudioCVT& cvt = conversion->cvt;
    std::unique_ptr<std::uint8_t[]> work(new (std::nothrow) std::uint8_t[conversion->work == 0 ? 1 : conversion->work]);
    if (work == nullptr) return false;
    if (conversion->whole > 0) std::memcpy(work.get(), conversion->sound.get(), conversion->whole);
    conversion->sound.reset();
    cvt.buf = work.get();
    cvt.len = static_cast<int>(conversion->whole);
    if (cvt.needed != 0 && SDL_ConvertAudio(&cvt) != 0) return false;
    const std::size_t bytes = cvt.needed != 0 ? static_cast<std::size_t>(cvt.len_cvt) : conversion->whole;
    try {
        mixed->resize(bytes / 4 * 2);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!mixed->empty()) std::memcpy(mixed->data(), work.get(), mixed->size() * sizeof(std::int16_t));
    return true;
}

// Puts a converted sound in place of the buffer's old one, under the device
// lock; the old one is freed by the caller's vector, outside the lock.
void InstallMixed(SoundBuffer* buffer, std::vector<std::int16_t>* mixed) {
    DeviceLock lock(buffer->device);
    buffer->mixed.swap(*mixed);
    if (buffer->cursor * 2 >= buffer->mixed.size()) buffer->cursor = 0;
}

#ifndef RODAZARO_SOUND_NO_THREADS
void ConvertQueued(Converter* converter) {
    std::unique_lock<std::mutex> lock(converter->mutex);
    for (;;) {
        converter->wake.wait(lock, [converter] { return converter->stopping || !converter->queue.empty(); });
        if (converter->stopping) return;
        SoundBuffer* buffer = converter->queue.front();
        converter->queue.pop_front();
        // The conversion works on its own copy of the sound; the program
        // waits for it before it touches the buffer's converted sound.
        Conversion conversion = std::move(buffer->conversion);
        lock.unlock();
        std::vector<std::int16_t> made;
        const bool ok = FinishConversion(&conversion, &made);
        conversion.sound.reset();
        lock.lock();
        buffer->result.swap(made);
        buffer->converted = ok;
        buffer->converting = false;
        converter->done.notify_all();
    }
}
#endif

// Hands the conversion to the device's conversion thread, started on first
// use; false (the conversion still the caller's) when there is no thread to
// hand it to.
bool HandOver(SoundBuffer* buffer, Conversion* conversion) {
#ifdef RODAZARO_SOUND_NO_THREADS
    static_cast<void>(buffer);
    static_cast<void>(conversion);
    return false;
#else
    SoundDevice* device = buffer->device;
    if (device->convertInline) return false;
    if (device->converter == nullptr) {
        try {
            auto converter = std::make_unique<Converter>();
            converter->thread = std::thread(ConvertQueued, converter.get());
            device->converter = std::move(converter);
        } catch (const std::exception&) {
            device->convertInline = true;
            return false;
        }
    }
    Converter* converter = device->converter.get();
    {
        std::lock_guard<std::mutex> lock(converter->mutex);
        try {
            converter->queue.push_back(buffer);
        } catch (const std::bad_alloc&) {
            return false;
        }
        buffer->conversion = std::move(*conversion);
        buffer->converting = true;
    }
    converter->wake.notify_one();
    buffer->handedOver = true;
    return true;
#endif
}

// Waits for the buffer's conversion, if one was handed over, and puts its
// result in place; false when that conversion failed (the buffer then keeps
// the sound it had, and Play says so).
bool Settle(SoundBuffer* buffer) {
    if (!buffer->handedOver) return true;
    buffer->handedOver = false;
    SoundDevice* device = buffer->device;
    if (device == nullptr || device->converter == nullptr) return false;
    Converter* converter = device->converter.get();
    std::vector<std::int16_t> made;
    bool ok = false;
    {
        std::unique_lock<std::mutex> lock(converter->mutex);
        converter->done.wait(lock, [buffer] { return !buffer->converting; });
        made.swap(buffer->result);
        ok = buffer->converted;
    }
    // A failed conversion leaves the sound the buffer had.
    if (ok) InstallMixed(buffer, &made);
    return ok;
}

// Takes a buffer that is going away out of the conversion queue, or waits
// for its conversion to end.
void Withdraw(SoundBuffer* buffer) {
    if (!buffer->handedOver) return;
    buffer->handedOver = false;
    SoundDevice* device = buffer->device;
    if (device == nullptr || device->converter == nullptr) return;
    Converter* converter = device->converter.get();
    std::unique_lock<std::mutex> lock(converter->mutex);
    auto& queue = converter->queue;
    const auto queued = std::find(queue.begin(), queue.end(), buffer);
    if (queued != queue.end()) {
        queue.erase(queued);
        buffer->conversion.sound.reset();
        buffer->converting = false;
    }
    converter->done.wait(lock, [buffer] { return !buffer->converting; });
}

// Ends the device's conversion thread after its current conversion; the
// buffers still waiting keep no sound.
void StopConverter(SoundDevice* device) {
    Converter* converter = device->converter.get();
    if (converter == nullptr) return;
    {
        std::lock_guard<std::mutex> lock(converter->mutex);
        converter->stopping = true;
        for (SoundBuffer* buffer : converter->queue) {
            buffer->conversion.sound.reset();
            buffer->converting = false;
        }
        converter->queue.clear();
    }
    converter->wake.notify_one();
    converter->thread.join();
    for (SoundBuffer* buffer : device->buffers) buffer->handedOver = false;
    device->converter.reset();
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
    StopConverter(device);
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
    Withdraw(buffer);
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
    Settle(buffer);
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
    Settle(buffer);
    // The sound is taken as it stands now: what is written later through the
    // lock's pointers is not heard.
    Conversion conversion;
    if (!StartConversion(*buffer, buffer->device->rate, &conversion)) return kFail;
    bool playing = false;
    {
        DeviceLock lock(buffer->device);
        playing = buffer->playing;
    }
    // A buffer that is playing changes its sound at once.
    if (!playing && HandOver(buffer, &conversion)) return kOk;
    std::vector<std::int16_t> mixed;
    if (!FinishConversion(&conversion, &mixed)) return kFail;
    InstallMixed(buffer, &mixed);
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
    Settle(buffer);
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
    if (!Settle(buffer)) return kFail;
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
