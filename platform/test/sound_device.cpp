// The test backend's sound device: see test_sound_device.h.

#include "platform/test/test_sound_device.h"

#include <cstring>
#include <deque>
#include <memory>

namespace platform {

struct SoundDevice {
    bool live;
};

struct SoundBuffer {
    test::SoundBufferInfo info;
};

namespace {

struct DeviceState {
    test::SoundDeviceFaults faults;
    bool libraryLoaded = false;
    std::unique_ptr<SoundDevice> device;
    std::deque<std::unique_ptr<SoundBuffer>> buffers;  // released ones stay for inspection
    std::vector<std::string> calls;
    int staleUses = 0;
};

DeviceState& State() {
    static DeviceState state;
    return state;
}

void Log(const std::string& line) { State().calls.push_back(line); }

std::string Name(const SoundBuffer* buffer) { return "#" + std::to_string(buffer->info.id); }

// A buffer the program may still use: known and not released.
bool Usable(const SoundBuffer* buffer) {
    if (buffer == nullptr) return false;
    if (buffer->info.released) {
        ++State().staleUses;
        return false;
    }
    return true;
}

bool UsableDevice(const SoundDevice* device) {
    if (device == nullptr) return false;
    if (!device->live || device != State().device.get()) {
        ++State().staleUses;
        return false;
    }
    return true;
}

// What DirectSound takes for a static buffer: PCM, 8 or 16 bits, one or two
// channels, a block of whole samples, a rate it can play, some bytes.
bool AcceptedFormat(const void* format, std::uint32_t formatBytes, std::uint32_t bufferBytes) {
    if (format == nullptr || formatBytes < 16) return false;
    WaveFormat wave{};
    std::memcpy(&wave, format, formatBytes < sizeof wave ? formatBytes : sizeof wave);
    if (wave.formatTag != 1) return false;
    if (wave.channels != 1 && wave.channels != 2) return false;
    if (wave.bitsPerSample != 8 && wave.bitsPerSample != 16) return false;
    if (wave.blockAlign != wave.channels * wave.bitsPerSample / 8) return false;
    if (wave.samplesPerSecond < 100 || wave.samplesPerSecond > 200000) return false;
    return bufferBytes >= 4 && bufferBytes <= 0x0FFFFFFF;
}

}  // namespace

namespace test {

void ResetSoundDevice() { State() = DeviceState{}; }
void SetSoundDeviceFaults(const SoundDeviceFaults& faults) { State().faults = faults; }
const std::vector<std::string>& SoundCalls() { return State().calls; }
void ClearSoundCalls() { State().calls.clear(); }

const SoundBufferInfo* DescribeSoundBuffer(const SoundBuffer* buffer) {
    for (const auto& owned : State().buffers) {
        if (owned.get() == buffer) return &owned->info;
    }
    return nullptr;
}

const SoundBufferInfo* SoundBufferById(int id) {
    for (const auto& owned : State().buffers) {
        if (owned->info.id == id) return &owned->info;
    }
    return nullptr;
}

int SoundBufferIdOf(const SoundBuffer* buffer) {
    const SoundBufferInfo* info = DescribeSoundBuffer(buffer);
    return info == nullptr ? 0 : info->id;
}

int LiveSoundBufferCount() {
    int count = 0;
    for (const auto& owned : State().buffers) count += owned->info.released ? 0 : 1;
    return count;
}

bool SoundDeviceLive() { return State().device != nullptr && State().device->live; }
bool SoundLibraryLoaded() { return State().libraryLoaded; }
int StaleSoundHandleUses() { return State().staleUses; }

}  // namespace test

bool LoadSoundLibrary() {
    Log("load");
    if (State().faults.library) return false;
    State().libraryLoaded = true;
    return true;
}

void UnloadSoundLibrary() {
    Log("unload");
    State().libraryLoaded = false;
}

Result CreateSoundDevice(SoundDevice** device) {
    Log("create device");
    *device = nullptr;
    DeviceState& state = State();
    if (!state.libraryLoaded || state.faults.device) return kFail;
    state.device = std::make_unique<SoundDevice>(SoundDevice{true});
    *device = state.device.get();
    return kOk;
}

void ReleaseSoundDevice(SoundDevice* device) {
    Log("release device");
    if (!UsableDevice(device)) return;
    device->live = false;
}

Result SetSoundCooperativeLevel(SoundDevice* device, WindowHandle window, std::uint32_t level) {
    Log("level window=" + std::to_string(window) + " level=" + std::to_string(level));
    if (!UsableDevice(device) || State().faults.cooperativeLevel || window == 0) return kFail;
    return kOk;
}

Result CreateSoundBuffer(SoundDevice* device, const SoundBufferDesc* desc, SoundBuffer** buffer) {
    *buffer = nullptr;
    DeviceState& state = State();
    if (desc == nullptr || !UsableDevice(device) || desc->size != 36) {
        Log("create refused");
        return kFail;
    }
    const bool primary = (desc->flags & kBufferPrimary) != 0;
    if (primary) {
        Log("create primary");
        if (state.faults.primary || desc->bufferBytes != 0 || desc->format != nullptr) return kFail;
    } else {
        Log("create bytes=" + std::to_string(desc->bufferBytes));
        if (state.faults.secondary || !AcceptedFormat(desc->format, desc->formatBytes, desc->bufferBytes)) {
            return kFail;
        }
    }
    auto owned = std::make_unique<SoundBuffer>();
    test::SoundBufferInfo& info = owned->info;
    info.id = static_cast<int>(state.buffers.size()) + 1;
    info.primary = primary;
    info.flags = desc->flags;
    if (!primary) {
        const auto* bytes = static_cast<const std::uint8_t*>(desc->format);
        info.format.assign(bytes, bytes + desc->formatBytes);
        // Fresh buffers hold noise, so a test sees what was never written.
        info.data.assign(desc->bufferBytes, 0xEE);
    }
    *buffer = owned.get();
    state.buffers.push_back(std::move(owned));
    state.calls.back() += " -> " + Name(*buffer);
    return kOk;
}

void ReleaseSoundBuffer(SoundBuffer* buffer) {
    if (buffer == nullptr) return;
    Log("release " + Name(buffer));
    if (!Usable(buffer)) return;
    buffer->info.released = true;
    buffer->info.playing = false;
}

Result LockSoundBuffer(SoundBuffer* buffer, std::uint32_t offset, std::uint32_t bytes, void** first,
                       std::uint32_t* firstBytes, void** second, std::uint32_t* secondBytes) {
    *first = nullptr;
    *second = nullptr;
    *firstBytes = 0;
    *secondBytes = 0;
    if (buffer == nullptr) return kFail;
    Log("lock " + Name(buffer));
    if (!Usable(buffer) || State().faults.lock || buffer->info.primary || buffer->info.locked) return kFail;
    const auto size = static_cast<std::uint32_t>(buffer->info.data.size());
    if (offset >= size || bytes == 0 || bytes > size) return kFail;
    // A region that runs past the end goes on at the start, as in a ring.
    const std::uint32_t tail = size - offset;
    *first = buffer->info.data.data() + offset;
    *firstBytes = bytes < tail ? bytes : tail;
    if (bytes > tail) {
        *second = buffer->info.data.data();
        *secondBytes = bytes - tail;
    }
    buffer->info.locked = true;
    return kOk;
}

Result UnlockSoundBuffer(SoundBuffer* buffer, void*, std::uint32_t, void*, std::uint32_t) {
    if (buffer == nullptr) return kFail;
    Log("unlock " + Name(buffer));
    if (!Usable(buffer) || !buffer->info.locked) return kFail;
    buffer->info.locked = false;
    return kOk;
}

Result StopSoundBuffer(SoundBuffer* buffer) {
    if (buffer == nullptr) return kFail;
    Log("stop " + Name(buffer));
    if (!Usable(buffer)) return kFail;
    buffer->info.playing = false;
    return kOk;
}

Result SetSoundBufferPosition(SoundBuffer* buffer, std::uint32_t position) {
    if (buffer == nullptr) return kFail;
    Log("position " + Name(buffer) + " " + std::to_string(position));
    if (!Usable(buffer) || position > buffer->info.data.size()) return kFail;
    buffer->info.position = position;
    return kOk;
}

Result PlaySoundBuffer(SoundBuffer* buffer, std::uint32_t flags) {
    if (buffer == nullptr) return kFail;
    Log("play " + Name(buffer) + " flags=" + std::to_string(flags));
    if (!Usable(buffer)) return kFail;
    buffer->info.playing = true;
    ++buffer->info.plays;
    return kOk;
}

Result SetSoundMasterVolume(SoundDevice* device, std::uint32_t percent) {
    Log("volume " + std::to_string(percent));
    return device == nullptr ? kFail : kOk;
}

Result PauseSoundDevice(SoundDevice* device, bool paused) {
    Log(paused ? "pause" : "resume");
    return device == nullptr ? kFail : kOk;
}

}  // namespace platform
