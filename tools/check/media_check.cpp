#include "tools/check/media_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/file.h"
#include "platform/heap.h"
#include "platform/posix/path.h"
#include "platform/sound_format.h"
#include "screen/image_decoders.h"
#include "sound/sound.h"
#include "sound/wav.h"
#include "tools/check/png_alpha.h"

namespace check {

namespace {

std::uint32_t U16(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}

std::uint32_t U32(const unsigned char* p) { return U16(p) | (U16(p + 2) << 16); }

bool Starts(const std::vector<unsigned char>& bytes, const char* tag) {
    const std::size_t n = std::strlen(tag);
    return bytes.size() >= n && std::memcmp(bytes.data(), tag, n) == 0;
}

// The PNG decoder leaves libpng's own messages on; they go to the standard
// error stream, which the checker keeps for its own use.  This closes that
// stream for as long as it lives.
class SilentStderr {
public:
    SilentStderr() {
        std::fflush(stderr);
        saved_ = ::dup(2);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) ::dup2(null, 2);
        if (null >= 0) ::close(null);
    }
    ~SilentStderr() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, 2);
            ::close(saved_);
        }
    }
    SilentStderr(const SilentStderr&) = delete;
    SilentStderr& operator=(const SilentStderr&) = delete;

private:
    int saved_ = -1;
};

// A file as the player opens it: backslashes mapped, a name that exists only
// in another case found all the same.
struct ScriptFile {
    bool opened = false;
    bool isFolder = false;
    bool caseDiffers = false;
    std::string foundAs;  // the path that was really opened
    std::vector<unsigned char> bytes;
};

ScriptFile OpenScriptFile(const std::string& path) {
    ScriptFile file;
    std::string mapped = path;
    for (char& c : mapped) {
        if (c == '\\') c = '/';
    }
    file.foundAs = platform::ResolveScriptPath(path.c_str());
    const platform::FileHandle handle = platform::OpenFileForReading(path.c_str());
    if (handle == 0) {
        struct stat info {};
        file.isFolder = ::stat(file.foundAs.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        return file;
    }
    file.opened = true;
    file.caseDiffers = file.foundAs != mapped;
    file.bytes.resize(platform::GetFileSizeLow(handle));
    std::uint32_t got = 0;
    if (!file.bytes.empty()) {
        platform::ReadFileBytes(handle, file.bytes.data(), static_cast<std::uint32_t>(file.bytes.size()), &got);
    }
    file.bytes.resize(got);
    platform::CloseFileHandle(handle);
    return file;
}

std::string Trimmed(const std::string& name) {
    const std::size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

// Opens prefix + name; notes why it cannot be found, or that it is found
// only because the player ignores case.  kind: "graphic" or "sound".
bool OpenMedia(const char* prefix, const std::string& name, int nameColumn, const char* kind, ScriptFile* file,
               MediaResult* result) {
    const std::string path = prefix + name;
    if (name.empty()) {
        result->notes.push_back({Severity::Error, std::string("no ") + kind + " file name: the name starts at column " +
                                                      std::to_string(nameColumn)});
        return false;
    }
    *file = OpenScriptFile(path);
    if (!file->opened) {
        std::string message = std::string(kind) + " file '" + Quote(path) + "' " +
                              (file->isFolder ? "is a folder, not a file" : "not found");
        const std::string trimmed = Trimmed(name);
        if (!file->isFolder && !trimmed.empty() && trimmed != name && OpenScriptFile(prefix + trimmed).opened) {
            message += "; '" + Quote(trimmed) + "' exists: the name is everything from column " +
                       std::to_string(nameColumn) + " to the end of the line, spaces included";
        }
        result->notes.push_back({Severity::Error, message});
        return false;
    }
    if (file->caseDiffers) {
        result->notes.push_back({Severity::Warning, std::string(kind) + " file '" + Quote(path) + "' exists only as '" +
                                                        Quote(file->foundAs) +
                                                        "': it loads only because the player ignores case; "
                                                        "write the name as it is on disk"});
    }
    if (file->bytes.empty()) {
        result->notes.push_back({Severity::Error, std::string(kind) + " file '" + Quote(path) + "' is empty"});
        return false;
    }
    return true;
}

// BMP compression values: pixels packed by bit-field masks (the alpha
// variant is Windows CE's).
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;

// Why the BMP reader refused an image, for the author.
std::string BmpProblem(const std::vector<unsigned char>& bytes) {
    if (bytes.size() < 54) return "its headers are cut short (" + std::to_string(bytes.size()) + " bytes)";
    const unsigned char* p = bytes.data();
    const std::uint32_t compression = U32(p + 30);
    const auto width = static_cast<std::int32_t>(U32(p + 18));
    const auto height = static_cast<std::int32_t>(U32(p + 22));
    const std::uint32_t bits = U16(p + 28);
    if (compression == kBitFields || compression == kAlphaBitFields) {
        // The masks follow a 40-byte information header, or lie inside a longer one.
        std::string masks;
        if (bytes.size() >= 66) {
            static const char* const kNames[] = {"red", "green", "blue", "alpha"};
            const int count = compression == kAlphaBitFields && bytes.size() >= 70 ? 4 : 3;
            for (int i = 0; i < count; ++i) {
                char mask[16];
                std::snprintf(mask, sizeof mask, "0x%08X", static_cast<unsigned>(U32(p + 54 + 4 * i)));
                masks += std::string(i == 0 ? " (" : ", ") + kNames[i] + " " + mask;
            }
            masks += ")";
        }
        return "it is a " + std::to_string(bits) + "-bit BMP with bit-field masks" + masks + " (compression " +
               std::to_string(compression) +
               ", BI_BITFIELDS), which the player does not read: it loads uncompressed BMPs only (compression 0) "
               "of 1, 4 or 8 bits with a colour table, 16 bits as 5-5-5, 24 bits, or 32 bits as blue, green, "
               "red and an unused byte; save it as a 24-bit BMP";
    }
    if (compression != 0) {
        return "it is compressed (compression " + std::to_string(compression) + "); save it as an uncompressed BMP";
    }
    if (height < 0) return "it is stored top-down (negative height); save it bottom-up";
    if (width <= 0 || height == 0)
        return "it has no pixels (" + std::to_string(width) + " x " + std::to_string(height) + ")";
    if (width > screen::kMaxImageSide || height > screen::kMaxImageSide) {
        return "it is " + std::to_string(width) + " x " + std::to_string(height) + ", more than " +
               std::to_string(screen::kMaxImageSide) + " pixels a side";
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        return "it has " + std::to_string(bits) + " bits per pixel; 1, 4, 8, 16, 24 and 32 load";
    }
    return "its pixel rows or colour table run past the end of the file";
}

std::string UnknownImageKind(const std::vector<unsigned char>& bytes) {
    if (Starts(bytes, "\x89PNG\r\n\x1a\n")) return "a damaged PNG (its header chunks cannot be read)";
    if (Starts(bytes, "\xFF\xD8\xFF")) return "a JPEG image; only PNG and BMP load";
    if (Starts(bytes, "GIF8")) return "a GIF image; only PNG and BMP load";
    return "neither a PNG nor a BMP image";
}

std::string UnknownSoundKind(const std::vector<unsigned char>& bytes) {
    if (Starts(bytes, "OggS")) return "an Ogg stream that is not Vorbis, or a damaged one";
    if (Starts(bytes, "ID3") || (bytes.size() >= 2 && bytes[0] == 0xFF && (bytes[1] & 0xE0) == 0xE0)) {
        return "an MP3; only WAV and Ogg Vorbis load";
    }
    if (Starts(bytes, "fLaC")) return "a FLAC file; only WAV and Ogg Vorbis load";
    return "neither a WAV nor an Ogg Vorbis sound";
}

// What the sound device takes for a static buffer, besides its format: a
// rate and a size within its bounds.  Empty when it takes them.
std::string DeviceProblem(std::uint64_t rate, std::uint64_t bytes) {
    using platform::kMaxSoundBufferBytes;
    using platform::kMaxSoundFrequency;
    using platform::kMinSoundBufferBytes;
    using platform::kMinSoundFrequency;
    if (rate < kMinSoundFrequency || rate > kMaxSoundFrequency) {
        return "its sample rate (" + std::to_string(rate) + " Hz) is outside the sound device's " +
               std::to_string(kMinSoundFrequency) + "-" + std::to_string(kMaxSoundFrequency) + " Hz";
    }
    if (bytes == 0) return "it holds no samples, and the sound device refuses an empty sound";
    if (bytes < kMinSoundBufferBytes) {
        return "it holds only " + std::to_string(bytes) + " bytes of samples, fewer than the sound device's least of " +
               std::to_string(kMinSoundBufferBytes);
    }
    if (bytes > kMaxSoundBufferBytes)
        return "it holds " + std::to_string(bytes / (1024 * 1024)) +
               " MB of samples, more than the sound device takes (256 MB)";
    return {};
}

}  // namespace

MediaResult CheckGraphicFile(const std::string& name, int nameColumn) {
    MediaResult result;
    ScriptFile file;
    if (!OpenMedia("data\\gfx\\", name, nameColumn, "graphic", &file, &result)) return result;
    const std::string path = "data\\gfx\\" + name;
    const auto size = static_cast<std::uint32_t>(file.bytes.size());
    const SilentStderr silent;
    screen::SourceImage image{};
    if (file.bytes.size() >= 2 && file.bytes[0] == 'B' && file.bytes[1] == 'M') {
        // Neither a texture (LGFX) nor a plain sprite (LBMP) keeps indexed pixels.
        if (!screen::ReadBmp(file.bytes.data(), size, false, &image)) {
            result.notes.push_back(
                {Severity::Error, "the player cannot read the BMP '" + Quote(path) + "': " + BmpProblem(file.bytes)});
            return result;
        }
        if (image.ownBuffer != nullptr) platform::GlobalFreeFixed(image.ownBuffer);
        result.loads = true;
        result.width = image.width;
        result.height = image.height;
        return result;
    }
    if (!screen::DecodeWithDecoders(file.bytes.data(), size, &image)) {
        result.notes.push_back(
            {Severity::Error, "the player cannot read '" + Quote(path) + "': it is " + UnknownImageKind(file.bytes)});
        return result;
    }
    if (image.ownBuffer != nullptr) platform::GlobalFreeFixed(image.ownBuffer);
    result.loads = true;
    result.width = image.width;
    result.height = image.height;

    // The loader does not look at how the rows decoded: decode once more to
    // tell the author about damaged image data.
    if (screen::FindImageDecoder(file.bytes.data(), size) != 0) {
        const std::int32_t width = screen::ImageWidth();
        const std::int32_t height = screen::ImageHeight();
        const std::int32_t rowLength = 3 * width + width % 4;
        void* rows = platform::GlobalAllocFixed(static_cast<std::size_t>(rowLength) *
                                                (static_cast<std::size_t>(height) + 1));
        if (rows == nullptr) {
            screen::DecodeCurrentImage(nullptr, 0, 0);
        } else {
            if (screen::DecodeCurrentImage(rows, rowLength, 0) == 0) {
                result.notes.push_back({Severity::Warning, "the image data of '" + Quote(path) +
                                                               "' is damaged: only the rows before the damage show"});
            }
            platform::GlobalFreeFixed(rows);
        }
    }
    if (Starts(file.bytes, "\x89PNG\r\n\x1a\n")) {
        const PngTransparency alpha = ReadPngTransparency(file.bytes.data(), file.bytes.size());
        if (alpha.notBlack > 0) {
            result.textureNotes.push_back(
                {Severity::Warning, std::to_string(alpha.notBlack) + " of the " + std::to_string(alpha.transparent) +
                                        " fully transparent pixels of '" + Quote(path) + "' " +
                                        (alpha.notBlack == 1 ? "is" : "are") +
                                        " not black: the player ignores PNG transparency and leaves out only "
                                        "black pixels, so these show as their colour, boxes of white or whatever "
                                        "they hold; make every transparent pixel black (ImageMagick: convert " +
                                        Quote(name) + " -background black -alpha remove " + Quote(name) + ")"});
        }
    }
    return result;
}

std::string CheckWavImage(const unsigned char* image, std::size_t size) {
    // The sound loader's own reading of the image, then the device's rules.
    sound::WavImage wav{};
    switch (sound::ReadWavImage(image, static_cast<std::uint32_t>(size), &wav)) {
        case sound::WavProblem::None: break;
        case sound::WavProblem::NoFormatFirst: return "its format chunk (\"fmt \") does not come first, at byte 12";
        case sound::WavProblem::FormatPastEnd: return "its format chunk runs past the end of the file";
        case sound::WavProblem::DataPastEnd: return "its data chunk runs past the end of the file (cut short?)";
        case sound::WavProblem::NoData: return "it has no data chunk";
    }
    platform::WaveFormat format{};
    const platform::WaveFormatProblem problem = platform::CheckWaveFormat(wav.format, wav.formatBytes, wav.sampleBytes,
                                                                          &format);
    if (wav.formatBytes >= 16)
        std::memcpy(&format, wav.format, wav.formatBytes < sizeof format ? wav.formatBytes : sizeof format);
    const std::uint32_t channels = format.channels;
    const std::uint32_t bits = format.bitsPerSample;
    switch (problem) {
        case platform::WaveFormatProblem::None: return {};
        case platform::WaveFormatProblem::TooShort:
            return "its format chunk is too short (" + std::to_string(wav.formatBytes) + " bytes)";
        case platform::WaveFormatProblem::NotPcm:
            return "its sample format (" + std::to_string(format.formatTag) +
                   ") is not PCM, which the sound device refuses";
        case platform::WaveFormatProblem::Channels:
            return "it has " + std::to_string(channels) + " channels; the sound device plays mono and stereo only";
        case platform::WaveFormatProblem::Bits:
            return "it has " + std::to_string(bits) + "-bit samples; the sound device plays 8 and 16 bits only";
        case platform::WaveFormatProblem::BlockAlign:
            return "its block align (" + std::to_string(format.blockAlign) + ") does not match " +
                   std::to_string(channels) + " channel(s) of " + std::to_string(bits) +
                   " bits, which the sound device refuses";
        case platform::WaveFormatProblem::Rate:
        case platform::WaveFormatProblem::Size: return DeviceProblem(format.samplesPerSecond, wav.sampleBytes);
    }
    return {};
}

MediaResult CheckSoundFile(const std::string& name, int nameColumn) {
    MediaResult result;
    ScriptFile file;
    if (!OpenMedia("data\\sound\\", name, nameColumn, "sound", &file, &result)) return result;
    const std::string path = "data\\sound\\" + name;
    const auto size = static_cast<std::uint32_t>(file.bytes.size());

    if (Starts(file.bytes, "RIFF")) {
        const std::string problem = CheckWavImage(file.bytes.data(), file.bytes.size());
        if (!problem.empty()) {
            result.notes.push_back(
                {Severity::Error, "the player cannot load the WAV '" + Quote(path) + "': " + problem});
            return result;
        }
        result.loads = true;
        return result;
    }

    if (sound::FindSoundDecoder(file.bytes.data(), size) == 0) {
        result.notes.push_back(
            {Severity::Error, "the player cannot load '" + Quote(path) + "': it is " + UnknownSoundKind(file.bytes)});
        return result;
    }
    const sound::SoundDecoder* decoder = sound::CurrentSoundDecoder();
    const std::int32_t channels = decoder->GetChannels();
    const std::int32_t frames = decoder->GetSampleCount();
    const std::int32_t rate = decoder->GetFrequency();
    // Nothing needs decoding: close the stream.
    decoder->DecodeAll(nullptr, 0);
    const std::int64_t bytes = static_cast<std::int64_t>(frames) * channels * 2;
    std::string problem;
    if (channels <= 0 || channels > sound::kMaxDecodedChannels) {
        problem = "it has " + std::to_string(channels) + " channels";
    } else if (frames < 0) {
        problem = "its length cannot be read (damaged?)";
    } else if (static_cast<std::uint64_t>(bytes) > sound::kMaxDecodedBytes) {
        problem = "it decodes to " + std::to_string(bytes / (1024 * 1024)) + " MB, more than the " +
                  std::to_string(sound::kMaxDecodedBytes / (1024 * 1024)) + " MB a sound may take";
    } else if (channels > 2) {
        problem = "it has " + std::to_string(channels) + " channels; the sound device plays mono and stereo only";
    } else {
        problem = DeviceProblem(static_cast<std::uint64_t>(rate < 0 ? 0 : rate), static_cast<std::uint64_t>(bytes));
    }
    if (!problem.empty()) {
        result.notes.push_back({Severity::Error, "the player cannot load '" + Quote(path) + "': " + problem});
        return result;
    }
    result.loads = true;
    return result;
}

}  // namespace check
