#include "sound/ogg_decoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

namespace sound {

SoundDecoder OggSoundDecoder{};

namespace {

std::int32_t gRegistered = 0;

// The one stream that is open at a time on a thread: every thread that
// decodes (the main thread, the decode-ahead worker) has its own.
thread_local OggVorbis_File gStream{};
thread_local bool gStreamOpen = false;

// Where vorbisfile reads in the image.
struct MemoryStream {
    std::uint32_t position;
    std::uint32_t size;
};
thread_local MemoryStream gMemory{};

thread_local ov_callbacks gCallbacks{};

thread_local std::int32_t gChannels = 0;
thread_local std::int32_t gFrames = 0;
thread_local std::int32_t gRate = 0;

// The samples of the open stream, decoded when it was opened: blocks of
// kBlockBytes filled one after another, gDecodedBytes in all.  The sound's
// size comes from what really decoded, never from the length the stream
// claims, so a small file cannot make the loader allocate gigabytes.
constexpr std::size_t kBlockBytes = 256 * 1024;
// Made on first use and deleted by DropDecoded: a thread-local object with
// a destructor of its own is not safe at thread exit everywhere (the
// Windows build's emulated thread storage may be gone by then).
using Blocks = std::vector<std::unique_ptr<char[]>>;
thread_local Blocks* gBlocks = nullptr;
thread_local std::uint64_t gDecodedBytes = 0;

Blocks& DecodedBlocks() {
    if (gBlocks == nullptr) gBlocks = new Blocks;
    return *gBlocks;
}

void CloseStream() {
    if (!gStreamOpen) return;
    ov_clear(&gStream);
    gStreamOpen = false;
}

void DropDecoded() {
    delete gBlocks;
    gBlocks = nullptr;
    gDecodedBytes = 0;
}

// Decodes the open stream into the blocks, at most limit bytes.  A hole in
// the stream is skipped, but not for ever; any other error ends the sound
// where it is: after vorbisfile failed to set up a section's decoder, asking
// it again would run the decoder on the remains of that setup (a damaged
// codebook then divides by zero inside libvorbis).
void DecodeStream(std::uint64_t limit) {
    int errors = 0;
    int section = 0;
    while (gDecodedBytes < limit) {
        const std::size_t inBlock = static_cast<std::size_t>(gDecodedBytes % kBlockBytes);
        Blocks& blocks = DecodedBlocks();
        if (inBlock == 0 && gDecodedBytes / kBlockBytes == blocks.size()) {
            blocks.push_back(std::unique_ptr<char[]>(new (std::nothrow) char[kBlockBytes]));
            if (!blocks.back()) {
                blocks.pop_back();
                break;
            }
        }
        const std::uint64_t room = std::min<std::uint64_t>(kBlockBytes - inBlock, limit - gDecodedBytes);
        const int want = static_cast<int>(std::min<std::uint64_t>(room, kDecodeChunkBytes));
        const long n = ov_read(&gStream, blocks.back().get() + inBlock, want, 0, 2, 1, &section);
        // The end of the stream, or less room left than one frame takes.
        if (n == 0 || n == OV_EINVAL) break;
        if (n == OV_HOLE) {
            if (++errors >= kMaxDecodeErrors) break;
            continue;
        }
        if (n < 0) break;
        errors = 0;
        gDecodedBytes += static_cast<std::uint64_t>(n) < room ? static_cast<std::uint64_t>(n) : room;
    }
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
    DropDecoded();
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
    DropDecoded();
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
    const auto claimed = static_cast<std::int32_t>(static_cast<std::uint32_t>(ov_pcm_total(&gStream, -1)));
    gFrames = claimed;
    if (claimed < 0 || gChannels <= 0 || gChannels > kMaxDecodedChannels) return 1;
    // Never more than the stream claims, nor than the loader would take.
    const std::uint64_t frameBytes = static_cast<std::uint64_t>(gChannels) * 2;
    const std::uint64_t claimedBytes = static_cast<std::uint64_t>(claimed) * frameBytes;
    DecodeStream(std::min<std::uint64_t>(claimedBytes, kMaxDecodedBytes + frameBytes));
    gFrames = static_cast<std::int32_t>(gDecodedBytes / frameBytes);
    return 1;
}

void OggDecodeAll(void* destination, std::uint32_t byteCount) {
    auto* cursor = static_cast<char*>(destination);
    std::uint64_t left = destination == nullptr ? 0 : byteCount;
    // Whole frames only: the part of a frame at the end stays silent.
    const std::uint64_t frameBytes = gChannels > 0 ? static_cast<std::uint64_t>(gChannels) * 2 : 1;
    const std::uint64_t tail = left % frameBytes;
    left -= tail;
    const Blocks& blocks = DecodedBlocks();
    for (std::size_t i = 0; i < blocks.size() && left > 0; ++i) {
        const std::uint64_t inBlock = std::min<std::uint64_t>(kBlockBytes, gDecodedBytes - i * kBlockBytes);
        const auto n = static_cast<std::size_t>(std::min(inBlock, left));
        std::memcpy(cursor, blocks[i].get(), n);
        cursor += n;
        left -= n;
    }
    left += tail;
    if (left > 0) std::memset(cursor, 0, static_cast<std::size_t>(left));
    DropDecoded();
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
