// The sound device through DirectSound ("DSOUND.DLL", loaded by name):
// static secondary buffers that the device mixes.

#define DIRECTSOUND_VERSION 0x0700
#include "platform/win32/common.h"

#include <mmsystem.h>
#include <mmreg.h>
#include <dsound.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/sound_device.h"

namespace platform {

static_assert(sizeof(WaveFormat) == sizeof(WAVEFORMATEX));
static_assert(sizeof(DSBUFFERDESC) == 36);
static_assert(kSoundPriority == DSSCL_PRIORITY);
static_assert(kBufferPrimary == DSBCAPS_PRIMARYBUFFER);
static_assert(kBufferStaticFlags == (DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME |
                                     DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2));

namespace {

using DirectSoundCreateProc = HRESULT(WINAPI*)(LPCGUID, LPDIRECTSOUND*, LPUNKNOWN);

constexpr Result kInvalid = static_cast<Result>(DSERR_INVALIDPARAM);

HMODULE gSoundLibrary = nullptr;
std::uint32_t gMasterPercent = 100;
bool gMasterSet = false;  // once set, every buffer starts at the master volume

// A percentage of the amplitude as DirectSound's attenuation.
LONG MasterVolumeToHundredthsOfDecibel(std::uint32_t percent) {
    if (percent == 0) return DSBVOLUME_MIN;
    if (percent >= 100) return DSBVOLUME_MAX;
    const long volume = std::lround(2000.0 * std::log10(percent / 100.0));
    return volume < DSBVOLUME_MIN ? DSBVOLUME_MIN : volume;
}
DirectSoundCreateProc gDirectSoundCreate = nullptr;

IDirectSound* Native(SoundDevice* device) { return reinterpret_cast<IDirectSound*>(device); }
IDirectSoundBuffer* Native(SoundBuffer* buffer) { return reinterpret_cast<IDirectSoundBuffer*>(buffer); }

}  // namespace

bool LoadSoundLibrary() {
    if (gSoundLibrary == nullptr) gSoundLibrary = ::LoadLibraryA("DSOUND.DLL");
    if (gSoundLibrary == nullptr) return false;
    gDirectSoundCreate = reinterpret_cast<DirectSoundCreateProc>(
        reinterpret_cast<void*>(::GetProcAddress(gSoundLibrary, "DirectSoundCreate")));
    return gDirectSoundCreate != nullptr;
}

void UnloadSoundLibrary() {
    if (gSoundLibrary != nullptr) ::FreeLibrary(gSoundLibrary);
    gSoundLibrary = nullptr;
    gDirectSoundCreate = nullptr;
}

Result CreateSoundDevice(SoundDevice** device) {
    if (device == nullptr) return kInvalid;
    *device = nullptr;
    if (gDirectSoundCreate == nullptr) return kFail;
    IDirectSound* created = nullptr;
    const HRESULT result = gDirectSoundCreate(nullptr, &created, nullptr);
    if (FAILED(result)) created = nullptr;
    *device = reinterpret_cast<SoundDevice*>(created);
    return static_cast<Result>(result);
}

void ReleaseSoundDevice(SoundDevice* device) {
    if (device != nullptr) Native(device)->Release();
}

Result SetSoundCooperativeLevel(SoundDevice* device, WindowHandle window, std::uint32_t level) {
    if (device == nullptr) return kInvalid;
    return static_cast<Result>(Native(device)->SetCooperativeLevel(reinterpret_cast<HWND>(window), level));
}

Result CreateSoundBuffer(SoundDevice* device, const SoundBufferDesc* desc, SoundBuffer** buffer) {
    if (buffer == nullptr) return kInvalid;
    *buffer = nullptr;
    if (device == nullptr || desc == nullptr) return kInvalid;

    // The format comes from a file's format chunk, which may be shorter than
    // the record DirectSound reads.  It is handed over in a block of its own,
    // zero-filled past the chunk; a chunk whose extra data runs past its end
    // is refused.
    std::vector<unsigned char> format;
    if (desc->format != nullptr) {
        const std::size_t given = desc->formatBytes;
        format.assign(given > sizeof(WAVEFORMATEX) ? given : sizeof(WAVEFORMATEX), 0);
        std::memcpy(format.data(), desc->format, given);
        WAVEFORMATEX header;
        std::memcpy(&header, format.data(), sizeof header);
        if (given < sizeof(WAVEFORMATEX)) header.cbSize = 0;
        if (header.wFormatTag != WAVE_FORMAT_PCM && sizeof(WAVEFORMATEX) + header.cbSize > given) return kInvalid;
        std::memcpy(format.data(), &header, sizeof header);
    }

    DSBUFFERDESC native{};
    native.dwSize = desc->size;
    native.dwFlags = desc->flags;
    native.dwBufferBytes = desc->bufferBytes;
    native.dwReserved = desc->reserved;
    native.lpwfxFormat = format.empty() ? nullptr : reinterpret_cast<LPWAVEFORMATEX>(format.data());
    IDirectSoundBuffer* created = nullptr;
    const HRESULT result = Native(device)->CreateSoundBuffer(&native, &created, nullptr);
    if (FAILED(result)) created = nullptr;
    *buffer = reinterpret_cast<SoundBuffer*>(created);
    return static_cast<Result>(result);
}

void ReleaseSoundBuffer(SoundBuffer* buffer) {
    if (buffer != nullptr) Native(buffer)->Release();
}

Result LockSoundBuffer(SoundBuffer* buffer, std::uint32_t offset, std::uint32_t bytes, void** first,
                       std::uint32_t* firstBytes, void** second, std::uint32_t* secondBytes) {
    if (buffer == nullptr) return kInvalid;
    void* region1 = nullptr;
    void* region2 = nullptr;
    DWORD bytes1 = 0;
    DWORD bytes2 = 0;
    const HRESULT result = Native(buffer)->Lock(offset, bytes, &region1, &bytes1, &region2, &bytes2, 0);
    if (first != nullptr) *first = region1;
    if (firstBytes != nullptr) *firstBytes = static_cast<std::uint32_t>(bytes1);
    if (second != nullptr) *second = region2;
    if (secondBytes != nullptr) *secondBytes = static_cast<std::uint32_t>(bytes2);
    return static_cast<Result>(result);
}

Result UnlockSoundBuffer(SoundBuffer* buffer, void* first, std::uint32_t firstBytes, void* second,
                         std::uint32_t secondBytes) {
    if (buffer == nullptr) return kInvalid;
    return static_cast<Result>(Native(buffer)->Unlock(first, firstBytes, second, secondBytes));
}

Result StopSoundBuffer(SoundBuffer* buffer) {
    if (buffer == nullptr) return kInvalid;
    return static_cast<Result>(Native(buffer)->Stop());
}

Result SetSoundBufferPosition(SoundBuffer* buffer, std::uint32_t position) {
    if (buffer == nullptr) return kInvalid;
    return static_cast<Result>(Native(buffer)->SetCurrentPosition(position));
}

Result PlaySoundBuffer(SoundBuffer* buffer, std::uint32_t flags) {
    if (buffer == nullptr) return kInvalid;
    if (gMasterSet) Native(buffer)->SetVolume(MasterVolumeToHundredthsOfDecibel(gMasterPercent));
    return static_cast<Result>(Native(buffer)->Play(0, 0, flags));
}

// The master volume: every secondary buffer has a volume control, and the
// program sets no volume of its own, so the device turns each buffer down
// as it starts playing (the primary buffer is left alone: its volume is the
// whole system's).  The Windows program offers no show keys, so nothing
// pauses its sound: the pause answers kOk and leaves the sound as it is.
Result SetSoundMasterVolume(SoundDevice* device, std::uint32_t percent) {
    if (device == nullptr) return kFail;
    gMasterPercent = percent < 100 ? percent : 100;
    gMasterSet = true;
    return kOk;
}

Result PauseSoundDevice(SoundDevice* device, bool) { return device == nullptr ? kFail : kOk; }

}  // namespace platform
