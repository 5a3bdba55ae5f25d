#include "sound/ogg_decoder.h"

#include <cstdio>
#include <cstring>

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

namespace sound {

SoundDecoder OggSoundDecoder{};

namespace {

std::int32_t gRegistered = 0;

// The one stream that is open at a time.
OggVorbis_File gStream{};
bool gStreamOpen = false;

// Where vorbisfile reads in the image.
struct MemoryStream {
    std::uint32_t position;
    std::uint32_t size;
};
MemoryStream gMemory{};

ov_callbacks gCallbacks{};

std::int32_t gChannels = 0;
std::int32_t gFrames = 0;
std::int32_t gRate = 0;

void CloseStream() {
    if (!gStreamOpen) return;
    ov_clear(&gStream);
    gStreamOpen = false;
}

}  // namespace

void ResetOggModule() {
    CloseStream();
    OggSoundDecoder = SoundDecoder{};
    gRegistered = 0;
    gStream = OggVorbis_File{};
    gMemory = MemoryStream{};
    gCallbacks = ov_callbacks{};
    gChannels = 0;
    gFrames = 0;
    gRate = 0;
}

void RegisterOggDecoder() {
    if (gRegistered != 0) return;
    OggSoundDecoder.OpenData = OggOpenData;
    OggSoundDecoder.DecodeAll = OggDecodeAll;
    OggSoundDecoder.GetChannels = OggGetChannels;
    OggSoundDecoder.GetSampleCount = OggGetSampleCount;
    OggSoundDecoder.GetFrequency = OggGetFrequency;
    AddSoundDecoder(&OggSoundDecoder);
    gRegistered = 1;
}

std::int32_t OggOpenData(const void* data, std::uint32_t size) {
    // A stream left open by an earlier caller goes first.
    CloseStream();
    gCallbacks.read_func = MemoryRead;
    gCallbacks.seek_func = MemorySeek;
    gCallbacks.close_func = MemoryClose;
    gCallbacks.tell_func = MemoryTell;
    OpenMemoryStream(size);
    if (data == nullptr) return 0;
    // vorbisfile releases what it built when the open fails.
    if (ov_open_callbacks(const_cast<void*>(data), &gStream, nullptr, 0, gCallbacks) < 0) return 0;
    gStreamOpen = true;
    const vorbis_info* info = ov_info(&gStream, -1);
    gChannels = info == nullptr ? 0 : info->channels;
    gRate = info == nullptr ? 0 : static_cast<std::int32_t>(info->rate);
    // The total over every chained stream, low 32 bits; an error is negative.
    gFrames = static_cast<std::int32_t>(static_cast<std::uint32_t>(ov_pcm_total(&gStream, -1)));
    return 1;
}

void OggDecodeAll(void* destination, std::uint32_t byteCount) {
    auto* cursor = static_cast<char*>(destination);
    std::uint32_t left = destination == nullptr ? 0 : byteCount;
    int errors = 0;
    int section = 0;
    while (gStreamOpen && left > 0) {
        const int want = left < static_cast<std::uint32_t>(kDecodeChunkBytes) ? static_cast<int>(left)
                                                                               : kDecodeChunkBytes;
        const long n = ov_read(&gStream, cursor, want, 0, 2, 1, &section);
        // The end of the stream, or less room left than one frame takes.
        if (n == 0 || n == OV_EINVAL) break;
        if (n < 0) {
            // A hole or a damaged page is skipped, but not for ever.
            if (++errors >= kMaxDecodeErrors) break;
            continue;
        }
        errors = 0;
        const auto got = static_cast<std::uint32_t>(n) < left ? static_cast<std::uint32_t>(n) : left;
        cursor += got;
        left -= got;
    }
    if (left > 0) std::memset(cursor, 0, left);
    CloseStream();
}

std::int32_t OggGetChannels() { return gChannels; }
std::int32_t OggGetSampleCount() { return gFrames; }
std::int32_t OggGetFrequency() { return gRate; }

void OpenMemoryStream(std::uint32_t size) {
    gMemory.position = 0;
    gMemory.size = size;
}

std::size_t MemoryRead(void* destination, std::size_t, std::size_t elementCount, void* source) {
    const std::uint32_t left = gMemory.position < gMemory.size ? gMemory.size - gMemory.position : 0;
    const std::size_t n = elementCount < left ? elementCount : left;
    if (n == 0) return 0;
    std::memcpy(destination, static_cast<const unsigned char*>(source) + gMemory.position, n);
    gMemory.position += static_cast<std::uint32_t>(n);
    return n;
}

int MemorySeek(void*, std::int64_t offset, int origin) {
    // The sum is formed in 64 bits (wrapping, never overflowing) and its low
    // 32 bits become the position; a position outside the image is a place
    // with nothing to read.  An unknown origin leaves the position.
    std::uint64_t base;
    switch (origin) {
        case SEEK_SET: base = 0; break;
        case SEEK_CUR: base = gMemory.position; break;
        case SEEK_END: base = gMemory.size; break;
        default: return 0;
    }
    gMemory.position = static_cast<std::uint32_t>(base + static_cast<std::uint64_t>(offset));
    return 0;
}

int MemoryClose(void*) {
    gMemory.position = 0;
    return 0;
}

long MemoryTell(void*) { return static_cast<long>(gMemory.position); }

}  // namespace sound
