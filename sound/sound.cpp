#include "sound/sound.h"
#include "sound/wav.h"

#include <cstdlib>
#include <cstring>

#include "platform/file.h"
#include "runtime/decoder_list.h"
#include "runtime/heaps.h"
#include "runtime/load_problems.h"
#include "runtime/prepared_loads.h"
#include "screen/screen_window.h"
#include "sound/sound_test_support.h"

namespace sound {

SoundDeviceState gSoundDevice{};

namespace {

struct SoundEntry {
    platform::SoundBuffer* buffer;
};

runtime::ObjectTable gSounds{};

runtime::DecoderList<SoundDecoder, kMaxSoundDecoders> gDecoders{};
// Per thread, as the decoders' own state: the decode-ahead worker decodes
// beside the main thread.
thread_local const SoundDecoder* gCurrentDecoder = nullptr;

// The format of the sound a decoder produced: 16-bit PCM.
thread_local platform::WaveFormat gDecodedFormat{};

bool HasTag(const unsigned char* at, const char* tag) { return std::memcmp(at, tag, 4) == 0; }

// Copies samples into a locked buffer's regions: the first region, then
// what is left into the second.  The regions the device hands out never add
// up to more than was asked.
void CopyIntoRegions(const unsigned char* samples, std::uint32_t bytes, void* first, std::uint32_t firstBytes,
                     void* second, std::uint32_t secondBytes) {
    const std::uint32_t intoFirst = firstBytes < bytes ? firstBytes : bytes;
    if (first != nullptr) std::memcpy(first, samples, intoFirst);
    const std::uint32_t rest = bytes - intoFirst;
    if (second != nullptr && rest > 0)
        std::memcpy(second, samples + intoFirst, rest < secondBytes ? rest : secondBytes);
}

// Creates a static buffer of bytes, has fill write its locked regions
// (first, firstBytes, second, secondBytes), then puts it under number in
// place of the sound that had it.  0 on failure, with the table as it was;
// fill is then never called.
template <typename Fill>
std::intptr_t CreateBufferFilledBy(std::int32_t number, const void* format, std::uint32_t formatBytes,
                                   std::uint32_t bytes, Fill fill) {
    platform::SoundBufferDesc& desc = gSoundDevice.description;
    desc.flags = platform::kBufferStaticFlags;
    desc.bufferBytes = bytes;
    desc.format = format;
    desc.formatBytes = formatBytes;
    platform::SoundBuffer* buffer = nullptr;
    if (platform::CreateSoundBuffer(gSoundDevice.device, &desc, &buffer) != platform::kOk || buffer == nullptr) {
        return 0;
    }
    void* first = nullptr;
    void* second = nullptr;
    std::uint32_t firstBytes = 0;
    std::uint32_t secondBytes = 0;
    if (platform::LockSoundBuffer(buffer, 0, bytes, &first, &firstBytes, &second, &secondBytes) != platform::kOk) {
        platform::ReleaseSoundBuffer(buffer);
        return 0;
    }
    fill(first, firstBytes, second, secondBytes);

    std::int32_t effective = number;
    auto* entry = static_cast<SoundEntry*>(runtime::GetOrGrowEntry(gSounds, effective));
    if (entry == nullptr) {
        platform::UnlockSoundBuffer(buffer, first, firstBytes, second, secondBytes);
        platform::ReleaseSoundBuffer(buffer);
        return 0;
    }
    // The old sound goes only now that the new one is filled.  Freeing an
    // entry never moves the table.
    FreeSound(effective);
    entry->buffer = buffer;
    platform::UnlockSoundBuffer(buffer, first, firstBytes, second, secondBytes);
    return number == -1 ? static_cast<std::intptr_t>(effective) : reinterpret_cast<std::intptr_t>(buffer);
}

// Creates and fills a static buffer with the samples, then puts it under
// number in place of the sound that had it.  0 on failure, with the table
// as it was.
std::intptr_t CreateFilledBuffer(std::int32_t number, const void* format, std::uint32_t formatBytes,
                                 const unsigned char* samples, std::uint32_t bytes) {
    return CreateBufferFilledBy(
        number, format, formatBytes, bytes,
        [samples, bytes](void* first, std::uint32_t firstBytes, void* second, std::uint32_t secondBytes) {
            CopyIntoRegions(samples, bytes, first, firstBytes, second, secondBytes);
        });
}

// Checks the current decoder's open stream and describes the sound it
// decodes to in gDecodedFormat (16-bit PCM), its size in *bytes.  False,
// with the stream closed, for a stream of which nothing decodes.
bool DescribeDecoded(std::uint32_t* bytesOut) {
    const SoundDecoder* decoder = gCurrentDecoder;
    const std::int32_t channels = decoder->GetChannels();
    const std::int32_t frames = decoder->GetSampleCount();
    const std::int64_t bytes = static_cast<std::int64_t>(frames) * channels * 2;
    if (channels <= 0 || channels > kMaxDecodedChannels || frames <= 0 ||
        static_cast<std::uint64_t>(bytes) > kMaxDecodedBytes) {
        decoder->DecodeAll(nullptr, 0);
        return false;
    }
    const auto frequency = static_cast<std::uint32_t>(decoder->GetFrequency());
    gDecodedFormat.formatTag = 1;
    gDecodedFormat.channels = static_cast<std::uint16_t>(channels);
    gDecodedFormat.samplesPerSecond = frequency;
    gDecodedFormat.averageBytesPerSecond = frequency * 2u * static_cast<std::uint32_t>(channels);
    gDecodedFormat.blockAlign = static_cast<std::uint16_t>(channels * 2);
    gDecodedFormat.bitsPerSample = 16;
    gDecodedFormat.extraSize = 0;
    *bytesOut = static_cast<std::uint32_t>(bytes);
    return true;
}

// Runs the current decoder over its open stream straight into a new static
// buffer, described by gDecodedFormat (16-bit PCM), and puts it under
// number.  0 on failure, with the decoder's stream closed.
std::intptr_t CreateDecodedBuffer(std::int32_t number) {
    const SoundDecoder* decoder = gCurrentDecoder;
    std::uint32_t size = 0;
    if (!DescribeDecoded(&size)) return 0;
    bool decoded = false;
    runtime::NoteLoadProblem(runtime::LoadProblem::kNoDevice);
    const std::intptr_t result = CreateBufferFilledBy(
        number, &gDecodedFormat, sizeof gDecodedFormat, size,
        [&](void* first, std::uint32_t firstBytes, void* second, std::uint32_t secondBytes) {
            decoded = true;
            if (first != nullptr && firstBytes >= size) {
                // The whole sound in one region: decoded in place.
                decoder->DecodeAll(first, size);
                return;
            }
            // Split regions take the samples through a block of their own.
            auto* pcm = static_cast<unsigned char*>(runtime::ProgramAlloc(size, false));
            decoder->DecodeAll(pcm, pcm == nullptr ? 0 : size);
            if (pcm == nullptr) return;
            CopyIntoRegions(pcm, size, first, firstBytes, second, secondBytes);
            runtime::ProgramFree(pcm);
        });
    if (!decoded) decoder->DecodeAll(nullptr, 0);
    return result;
}

// Runs the current decoder over its open stream into a new block from
// malloc (off the main thread: not the program heap), described by
// gDecodedFormat.  Null on failure, with the decoder's stream closed.
unsigned char* DecodeCurrentToBlock(std::uint32_t* bytesOut) {
    std::uint32_t size = 0;
    if (!DescribeDecoded(&size)) return nullptr;
    auto* pcm = static_cast<unsigned char*>(std::malloc(size));
    gCurrentDecoder->DecodeAll(pcm, pcm == nullptr ? 0 : size);
    *bytesOut = size;
    return pcm;
}

// A sound read ahead of its load: the file image of a WAV (its samples are
// copied straight from it), or the decoded PCM of any other sound.
struct PreparedSound final : runtime::PreparedData {
    void* file = nullptr;
    std::uint32_t fileSize = 0;
    unsigned char* pcm = nullptr;
    std::uint32_t pcmBytes = 0;
    platform::WaveFormat format{};

    ~PreparedSound() override {
        std::free(file);
        std::free(pcm);
    }
};

// LoadSoundData's steps over decoded PCM, noting the same problems.
std::intptr_t LoadPreparedSound(std::int32_t number, const PreparedSound& sound) {
    if (sound.pcm == nullptr) return LoadSoundData(number, sound.file, sound.fileSize);
    runtime::NoteLoadProblem(runtime::LoadProblem::kNoDevice);
    if (gSoundDevice.device == nullptr) return 0;
    return CreateFilledBuffer(number, &sound.format, sizeof sound.format, sound.pcm, sound.pcmBytes);
}

std::int32_t FreeVisited(std::int32_t number, void*) {
    FreeSound(number);
    return 1;
}

}  // namespace

void ResetSoundModule() {
    gSoundDevice = SoundDeviceState{};
    gSounds = runtime::ObjectTable{};
    gDecoders.Clear();
    gCurrentDecoder = nullptr;
    gDecodedFormat = platform::WaveFormat{};
}

const runtime::ObjectTable& SoundTable() { return gSounds; }

platform::SoundBuffer* LookupSound(std::int32_t number) {
    auto* entry = static_cast<SoundEntry*>(runtime::LookupEntry(gSounds, number));
    return entry == nullptr ? nullptr : entry->buffer;
}

std::int32_t OpenSoundDevice() {
    platform::SoundBufferDesc& desc = gSoundDevice.description;
    desc.size = kBufferDescSize;
    desc.bufferBytes = 0;
    desc.reserved = 0;
    desc.format = nullptr;
    desc.formatBytes = 0;
    runtime::InitObjectTable(gSounds, kSoundTableCapacity, kSoundTableGrowth, sizeof(SoundEntry));
    if (screen::CreateScreenWindow() == 0) return 0;
    if (gSoundDevice.device != nullptr) return 1;
    if (!platform::LoadSoundLibrary()) return 0;
    gSoundDevice.libraryLoaded = 1;
    platform::SoundDevice* device = nullptr;
    if (platform::CreateSoundDevice(&device) != platform::kOk || device == nullptr) return 0;
    gSoundDevice.device = device;
    if (platform::SetSoundCooperativeLevel(device, screen::gScreenWindow.window, platform::kSoundPriority) !=
        platform::kOk) {
        return 0;
    }
    desc.flags = platform::kBufferPrimary;
    desc.bufferBytes = 0;
    desc.format = nullptr;
    desc.formatBytes = 0;
    platform::SoundBuffer* primary = nullptr;
    if (platform::CreateSoundBuffer(device, &desc, &primary) != platform::kOk || primary == nullptr) return 0;
    gSoundDevice.primary = primary;
    return 1;
}

std::intptr_t LoadSoundFile(std::int32_t number, const char* path) {
    if (const auto prepared = runtime::UsePreparedLoad<PreparedSound>(
            runtime::PreparedKind::kSound, path,
            [&](const PreparedSound& sound) { return LoadPreparedSound(number, sound); })) {
        return *prepared;
    }
    const platform::FileHandle file = platform::OpenFileForReading(path);
    if (file == 0) {
        runtime::NoteLoadProblem(runtime::LoadProblem::kNoSuchFile);
        return 0;
    }
    const std::uint32_t size = platform::GetFileSizeLow(file);
    void* image = runtime::ProgramAlloc(size, false);
    if (image == nullptr) {
        runtime::NoteLoadProblem(runtime::LoadProblem::kNoMemory);
        platform::CloseFileHandle(file);
        return 0;
    }
    std::uint32_t got = 0;
    const bool read = platform::ReadFileBytes(file, image, size, &got);
    // A file that could not be read whole is not a sound: nothing
    // uninitialised ever reaches the parsers.
    if (!read || got != size) runtime::NoteLoadProblem(runtime::LoadProblem::kUnreadable);
    const std::intptr_t result = read && got == size ? LoadSoundData(number, image, got) : 0;
    runtime::ProgramFree(image);
    platform::CloseFileHandle(file);
    return result;
}

std::intptr_t LoadSoundData(std::int32_t number, const void* data, std::uint32_t size) {
    // Without a device nothing is parsed, decoded or created.
    // Each step notes beforehand what its failure would mean.
    runtime::NoteLoadProblem(runtime::LoadProblem::kNoDevice);
    if (gSoundDevice.device == nullptr || data == nullptr) return 0;
    const auto* image = static_cast<const unsigned char*>(data);
    runtime::NoteLoadProblem(runtime::LoadProblem::kNotDecoded);
    if (size >= 4 && HasTag(image, "RIFF")) {
        WavImage wav{};
        if (ReadWavImage(image, size, &wav) != WavProblem::None) return 0;
        runtime::NoteLoadProblem(runtime::LoadProblem::kNoDevice);
        return CreateFilledBuffer(number, wav.format, wav.formatBytes, wav.samples, wav.sampleBytes);
    }
    if (FindSoundDecoder(data, size) == 0) return 0;
    return CreateDecodedBuffer(number);
}

std::unique_ptr<runtime::PreparedData> PrepareSound(const char* path) {
    const platform::FileHandle file = platform::OpenFileForReading(path);
    if (file == 0) return nullptr;
    auto sound = std::make_unique<PreparedSound>();
    const std::uint32_t size = platform::GetFileSizeLow(file);
    sound->file = std::malloc(size == 0 ? 1 : size);
    std::uint32_t got = 0;
    const bool read = sound->file != nullptr && platform::ReadFileBytes(file, sound->file, size, &got);
    platform::CloseFileHandle(file);
    if (!read || got != size) return nullptr;
    sound->fileSize = size;
    const auto* image = static_cast<const unsigned char*>(sound->file);
    if (size >= 4 && HasTag(image, "RIFF")) {
        WavImage wav{};
        if (ReadWavImage(image, size, &wav) != WavProblem::None) return nullptr;
        sound->bytes = size;
        return sound;
    }
    if (FindSoundDecoder(sound->file, size) == 0) return nullptr;
    sound->pcm = DecodeCurrentToBlock(&sound->pcmBytes);
    if (sound->pcm == nullptr) return nullptr;
    sound->format = gDecodedFormat;
    std::free(sound->file);
    sound->file = nullptr;
    sound->bytes = sound->pcmBytes;
    return sound;
}

void StartSound(std::int32_t number) {
    platform::SoundBuffer* buffer = LookupSound(number);
    if (buffer == nullptr) return;
    platform::StopSoundBuffer(buffer);
    platform::SetSoundBufferPosition(buffer, 0);
    platform::PlaySoundBuffer(buffer, 0);
}

void FreeSound(std::int32_t number) {
    platform::SoundBuffer* buffer = LookupSound(number);
    if (buffer == nullptr) return;
    platform::ReleaseSoundBuffer(buffer);
    runtime::FreeEntry(gSounds, number);
}

void CloseSoundDevice() {
    // Every sound: the entry at the capacity itself never holds one, as a
    // load under that number grows the table first.
    runtime::ForEachObject(gSounds, FreeVisited);
    if (gSoundDevice.primary != nullptr) platform::ReleaseSoundBuffer(gSoundDevice.primary);
    gSoundDevice.primary = nullptr;
    if (gSoundDevice.device != nullptr) platform::ReleaseSoundDevice(gSoundDevice.device);
    gSoundDevice.device = nullptr;
    if (gSoundDevice.libraryLoaded != 0) platform::UnloadSoundLibrary();
    gSoundDevice.libraryLoaded = 0;
}

void AddSoundDecoder(const SoundDecoder* decoder) { gDecoders.Add(decoder); }

std::int32_t FindSoundDecoder(const void* data, std::uint32_t size) {
    const SoundDecoder* found = gDecoders.Find(
        [data, size](const SoundDecoder& candidate) { return candidate.OpenData(data, size) != 0; });
    if (found == nullptr) return 0;
    gCurrentDecoder = found;
    return 1;
}

std::int32_t SoundDecoderCount() { return gDecoders.count; }

const SoundDecoder* SoundDecoderAt(std::int32_t index) { return gDecoders.At(index); }

const SoundDecoder* CurrentSoundDecoder() { return gCurrentDecoder; }

void SetSoundVolume(std::int32_t percent) {
    if (gSoundDevice.device == nullptr) return;
    const std::int32_t clamped = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
    platform::SetSoundMasterVolume(gSoundDevice.device, static_cast<std::uint32_t>(clamped));
}

void PauseSounds(bool paused) {
    if (gSoundDevice.device != nullptr) platform::PauseSoundDevice(gSoundDevice.device, paused);
}

}  // namespace sound
