#include "screen/sprites.h"

#include <algorithm>
#include <bit>
#include <cstring>

// 64-bit x86 only: 32-bit Windows does not keep the stack aligned for the
// vector registers' spills.
#if defined(__GNUC__) && defined(__x86_64__)
#include <tmmintrin.h>
#define RODAZARO_SSSE3_ROWS 1
#endif

#include "keyboard/keyboard.h"
#include "platform/file.h"
#include "platform/heap.h"
#include "runtime/heaps.h"
#include "runtime/load_problems.h"
#include "runtime/prepared_loads.h"
#include "screen/image_decoders.h"
#include "screen/screen.h"
#include "screen/screen_window.h"
#include "screen/sprites_test_support.h"

namespace screen {

namespace {

runtime::ObjectTable gSprites{};
SurfaceReleasedHook gSurfaceReleased = nullptr;

void ReleaseRecordSurface(SpriteRecord* record) {
    if (record->surface == nullptr) return;
    if (gSurfaceReleased != nullptr) gSurfaceReleased(record->surface);
    if (record->mode == kSpriteModeRaw && record->depth == -2) {
        runtime::ProgramFree(record->surface);
    } else {
        platform::ReleaseSurface(static_cast<platform::Surface*>(record->surface));
    }
}

// One pixel of a source row in B, G, R order (16-bit words give their 5-bit
// fields as R5, G5, B5).
struct SourcePixel {
    std::uint32_t r;
    std::uint32_t g;
    std::uint32_t b;
};

}  // namespace

void ConvertRowGeneral(const unsigned char* source, std::int32_t bits, unsigned char* destination, std::int32_t width,
                       std::int32_t screenDepth, std::int32_t formatCode) {
    for (std::int32_t x = 0; x < width; ++x) {
        if (screenDepth == 8) {
            if (bits == 8) destination[x] = source[x];
            continue;
        }
        if (bits != 16 && bits != 24 && bits != 32) return;
        if (screenDepth == 16) {
            std::uint16_t word;
            if (bits == 16) {
                std::uint16_t s;
                std::memcpy(&s, source + 2 * x, 2);
                if (formatCode == 2) {
                    word = s;
                } else {
                    const std::uint32_t r5 = (s >> 10) & 31, g5 = (s >> 5) & 31, b5 = s & 31;
                    word = static_cast<std::uint16_t>(r5 * 2048 + (g5 * 2) * 32 + b5);
                }
            } else {
                const unsigned char* p = source + x * (bits / 8);
                const std::uint32_t b = p[0], g = p[1], r = p[2];
                if (formatCode == 2) word = static_cast<std::uint16_t>((r / 8) * 1024 + (g / 8) * 32 + b / 8);
                else word = static_cast<std::uint16_t>((r / 8) * 2048 + (g / 4) * 32 + b / 8);
            }
            std::memcpy(destination + 2 * x, &word, 2);
            continue;
        }
        if (screenDepth != 24 && screenDepth != 32) return;
        SourcePixel pixel;
        if (bits == 16) {
            std::uint16_t s;
            std::memcpy(&s, source + 2 * x, 2);
            pixel = {((s >> 10) & 31u) * 8, ((s >> 5) & 31u) * 8, (s & 31u) * 8};
        } else {
            const unsigned char* p = source + x * (bits / 8);
            pixel = {p[2], p[1], p[0]};
        }
        unsigned char* d = destination + x * (screenDepth / 8);
        d[0] = static_cast<unsigned char>(pixel.b);
        d[1] = static_cast<unsigned char>(pixel.g);
        d[2] = static_cast<unsigned char>(pixel.r);
        if (screenDepth == 32) d[3] = 0;
    }
}

namespace {

std::uint32_t Load32(const unsigned char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

std::uint16_t Load16(const unsigned char* p) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

void Store32(unsigned char* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

void Store16(unsigned char* p, std::uint32_t v) {
    const auto word = static_cast<std::uint16_t>(v);
    std::memcpy(p, &word, 2);
}

// A pixel as the little-endian word B | G << 8 | R << 16 packed into the
// screen's 16-bit formats: the top 5 (or 6) bits of each colour.
std::uint32_t To565(std::uint32_t v) { return ((v >> 8) & 0xF800u) | ((v >> 5) & 0x07E0u) | ((v >> 3) & 0x001Fu); }
std::uint32_t To555(std::uint32_t v) { return ((v >> 9) & 0x7C00u) | ((v >> 6) & 0x03E0u) | ((v >> 3) & 0x001Fu); }

void Store64(unsigned char* p, std::uint64_t v) { std::memcpy(p, &v, 8); }

// Four 24-bit pixels are three little-endian words: w0 = B0 G0 R0 B1,
// w1 = G1 R1 B2 G2, w2 = R2 B3 G3 R3.  Each group of four is handed to
// putFour as words B | G << 8 | R << 16, the pixels past the last group to
// putOne one by one.  Only the row's own 3 * width bytes are read.
template <typename PutFour, typename PutOne>
void ForEachBgrPixel(const unsigned char* source, std::int32_t width, PutFour putFour, PutOne putOne) {
    std::int32_t x = 0;
    for (; x + 4 <= width; x += 4, source += 12) {
        const std::uint32_t w0 = Load32(source);
        const std::uint32_t w1 = Load32(source + 4);
        const std::uint32_t w2 = Load32(source + 8);
        putFour(x, w0 & 0xFFFFFFu, (w0 >> 24) | ((w1 & 0xFFFFu) << 8), (w1 >> 16) | ((w2 & 0xFFu) << 16), w2 >> 8);
    }
    for (; x < width; ++x, source += 3) {
        putOne(x, static_cast<std::uint32_t>(source[0]) | (static_cast<std::uint32_t>(source[1]) << 8) |
                      (static_cast<std::uint32_t>(source[2]) << 16));
    }
}

void Bgr24To32(const unsigned char* source, unsigned char* destination, std::int32_t width) {
    ForEachBgrPixel(
        source, width,
        [destination](std::int32_t x, std::uint32_t p0, std::uint32_t p1, std::uint32_t p2, std::uint32_t p3) {
            Store64(destination + 4 * x, p0 | (std::uint64_t{p1} << 32));
            Store64(destination + 4 * x + 8, p2 | (std::uint64_t{p3} << 32));
        },
        [destination](std::int32_t x, std::uint32_t v) { Store32(destination + 4 * x, v); });
}

template <std::uint32_t (*Pack)(std::uint32_t)>
void Bgr24To16(const unsigned char* source, unsigned char* destination, std::int32_t width) {
    ForEachBgrPixel(
        source, width,
        [destination](std::int32_t x, std::uint32_t p0, std::uint32_t p1, std::uint32_t p2, std::uint32_t p3) {
            Store64(destination + 2 * x, Pack(p0) | (std::uint64_t{Pack(p1)} << 16) | (std::uint64_t{Pack(p2)} << 32) |
                                             (std::uint64_t{Pack(p3)} << 48));
        },
        [destination](std::int32_t x, std::uint32_t v) { Store16(destination + 2 * x, Pack(v)); });
}

#ifdef RODAZARO_SSSE3_ROWS
// With SSSE3 the 24-bit rows go sixteen (or eight) pixels a step: a byte
// shuffle spreads four 12-byte pixel groups into 32-bit lanes B, G, R, 0.
// Each load takes 16 bytes for the 12 it uses, so a step is taken only
// while 4 more bytes of the row follow it; the scalar converters finish
// the row.
__attribute__((target("ssse3"))) __m128i SpreadFour(const unsigned char* source) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11, -128);
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(source)), spread);
}

__attribute__((target("ssse3"))) void Bgr24To32Ssse3(const unsigned char* source, unsigned char* destination,
                                                     std::int32_t width) {
    std::int32_t x = 0;
    for (; x + 18 <= width; x += 16) {
        const unsigned char* from = source + 3 * x;
        auto* to = reinterpret_cast<__m128i*>(destination + 4 * x);
        _mm_storeu_si128(to, SpreadFour(from));
        _mm_storeu_si128(to + 1, SpreadFour(from + 12));
        _mm_storeu_si128(to + 2, SpreadFour(from + 24));
        _mm_storeu_si128(to + 3, SpreadFour(from + 36));
    }
    Bgr24To32(source + 3 * x, destination + 4 * x, width - x);
}

// The lanes packed as To565 or To555 does, then the low words of two
// groups gathered into eight 16-bit pixels.
template <bool Rgb555>
__attribute__((target("ssse3"))) __m128i PackFour(__m128i v) {
    const __m128i red = _mm_and_si128(_mm_srli_epi32(v, Rgb555 ? 9 : 8), _mm_set1_epi32(Rgb555 ? 0x7C00 : 0xF800));
    const __m128i green = _mm_and_si128(_mm_srli_epi32(v, Rgb555 ? 6 : 5), _mm_set1_epi32(Rgb555 ? 0x03E0 : 0x07E0));
    const __m128i blue = _mm_and_si128(_mm_srli_epi32(v, 3), _mm_set1_epi32(0x001F));
    const __m128i lowWords = _mm_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, -128, -128, -128, -128, -128, -128, -128, -128);
    return _mm_shuffle_epi8(_mm_or_si128(_mm_or_si128(red, green), blue), lowWords);
}

template <bool Rgb555>
__attribute__((target("ssse3"))) void Bgr24To16Ssse3(const unsigned char* source, unsigned char* destination,
                                                     std::int32_t width) {
    std::int32_t x = 0;
    for (; x + 10 <= width; x += 8) {
        const unsigned char* from = source + 3 * x;
        const __m128i low = PackFour<Rgb555>(SpreadFour(from));
        const __m128i high = PackFour<Rgb555>(SpreadFour(from + 12));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 2 * x), _mm_unpacklo_epi64(low, high));
    }
    Bgr24To16<Rgb555 ? To555 : To565>(source + 3 * x, destination + 2 * x, width - x);
}

bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3") != 0;
    return has;
}
#endif

void Bgrx32To32(const unsigned char* source, unsigned char* destination, std::int32_t width) {
    for (std::int32_t x = 0; x < width; ++x) Store32(destination + 4 * x, Load32(source + 4 * x) & 0xFFFFFFu);
}

void Bgrx32To565(const unsigned char* source, unsigned char* destination, std::int32_t width) {
    for (std::int32_t x = 0; x < width; ++x) Store16(destination + 2 * x, To565(Load32(source + 4 * x)));
}

void Bgrx32To555(const unsigned char* source, unsigned char* destination, std::int32_t width) {
    for (std::int32_t x = 0; x < width; ++x) Store16(destination + 2 * x, To555(Load32(source + 4 * x)));
}

// x1r5g5b5 words: each 5-bit field times 8 in 32 bits, green doubled into
// 5-6-5, or the word as it is.
void Rgb555To32(const unsigned char* source, unsigned char* destination, std::int32_t width) {
    for (std::int32_t x = 0; x < width; ++x) {
        const std::uint32_t s = Load16(source + 2 * x);
        Store32(destination + 4 * x, ((s & 0x7C00u) << 9) | ((s & 0x03E0u) << 6) | ((s & 0x001Fu) << 3));
    }
}

void Rgb555To565(const unsigned char* source, unsigned char* destination, std::int32_t width) {
    for (std::int32_t x = 0; x < width; ++x) {
        const std::uint32_t s = Load16(source + 2 * x);
        Store16(destination + 2 * x, ((s & 0x7FE0u) << 1) | (s & 0x001Fu));
    }
}

void CopyRow16(const unsigned char* source, unsigned char* destination, std::int32_t width) {
    std::memcpy(destination, source, 2 * static_cast<std::size_t>(width));
}

void CopyRow8(const unsigned char* source, unsigned char* destination, std::int32_t width) {
    std::memcpy(destination, source, static_cast<std::size_t>(width));
}

}  // namespace

RowConverter FastRowConverter(std::int32_t bits, std::int32_t screenDepth, std::int32_t formatCode) {
    // The word arithmetic reads pixels as little-endian words.
    if constexpr (std::endian::native != std::endian::little) return nullptr;
    const bool rgb555 = formatCode == 2;
    if (screenDepth == 8) return bits == 8 ? CopyRow8 : nullptr;
    if (screenDepth == 16) {
        switch (bits) {
            case 16: return rgb555 ? CopyRow16 : Rgb555To565;
            case 24:
#ifdef RODAZARO_SSSE3_ROWS
                if (HasSsse3()) return rgb555 ? Bgr24To16Ssse3<true> : Bgr24To16Ssse3<false>;
#endif
                return rgb555 ? Bgr24To16<To555> : Bgr24To16<To565>;
            case 32: return rgb555 ? Bgrx32To555 : Bgrx32To565;
            default: return nullptr;
        }
    }
    if (screenDepth == 32) {
        switch (bits) {
            case 16: return Rgb555To32;
            case 24:
#ifdef RODAZARO_SSSE3_ROWS
                if (HasSsse3()) return Bgr24To32Ssse3;
#endif
                return Bgr24To32;
            case 32: return Bgrx32To32;
            default: return nullptr;
        }
    }
    return nullptr;
}

void SetSurfaceReleasedHook(SurfaceReleasedHook hook) { gSurfaceReleased = hook; }

std::int32_t InitSpriteSystem() {
    gScreen.colourKeyLow = 0;
    gScreen.colourKeyHigh = 0;
    InitSpriteTable();
    gScreen.sprites = {SaveAllSprites, RestoreAllSprites, [] { ForEachSprite(FreeSpriteStep); }};
    gScreenWindow.messageHandler = OnScreenWindowMessage;
    if (CreateScreenWindow() == 0) return 0;
    if (keyboard::OpenKeyboard() == 0) return 0;
    gScreen.initialised = 1;
    if (OpenDirectDraw() == nullptr) return 0;
    gScreen.savedWindow = gScreenWindow.window;
    return 1;
}

void CloseSpriteSystem() {
    if (gScreen.initialised == 0) return;
    CloseScreen();
    ReleaseDirectDraw();
}

void InitSpriteTable() { runtime::InitObjectTable(gSprites, 50, 10, sizeof(SpriteRecord)); }

const runtime::ObjectTable& SpriteTable() { return gSprites; }

SpriteRecord* LookupSprite(std::int32_t number) {
    return static_cast<SpriteRecord*>(runtime::LookupEntry(gSprites, number));
}

namespace {

// A picture read and decoded ahead of its load: the decoders' pixels, or for
// a BMP the file image with ReadBmp's answer for a loader that expands
// indexed rows (the pixels of other BMPs lie in the file image).
struct PreparedPicture final : runtime::PreparedData {
    void* file = nullptr;
    std::uint32_t fileSize = 0;
    bool bmp = false;
    SourceImage source{};

    ~PreparedPicture() override {
        if (source.ownBuffer != nullptr) platform::GlobalFreeFixed(source.ownBuffer);
        if (file != nullptr) platform::GlobalFreeFixed(file);
    }
};

bool IsBmpImage(const void* image, std::uint32_t size) {
    const auto* bytes = static_cast<const unsigned char*>(image);
    return size >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
}

bool KeepsIndexedRows(std::int32_t mode) { return mode == kSpriteModeRaw || gScreen.screenDepth == 8; }

// Puts the image that decode gives under number: the old sprite goes first,
// then a surface of the image's size is made and filled.
template <typename Decode>
std::intptr_t PlaceSprite(std::int32_t number, std::int32_t mode, Decode decode) {
    // Each step notes beforehand what its failure would mean.
    std::int32_t effective = number;
    runtime::NoteLoadProblem(runtime::LoadProblem::kNoMemory);
    if (runtime::GetOrGrowEntry(gSprites, effective) == nullptr) return 0;
    FreeSprite(effective);
    // Freeing never moves the table, but fetch the entry again to be safe.
    auto* record = static_cast<SpriteRecord*>(runtime::GetOrGrowEntry(gSprites, effective));
    if (record == nullptr) return 0;

    SourceImage source{};
    if (!decode(&source)) {
        runtime::NoteLoadProblem(runtime::LoadProblem::kNotDecoded);
        return 0;
    }

    std::intptr_t result = 0;
    runtime::NoteLoadProblem(runtime::LoadProblem::kNoDevice);
    if (CreateSpriteSurface(record, source.width, source.height, source.bitsPerPixel, mode) != nullptr) {
        if (mode == kSpriteModeRaw) {
            auto* block = static_cast<unsigned char*>(record->surface);
            for (std::int32_t i = 0; i < source.height; ++i) {
                std::memcpy(block + static_cast<std::size_t>(source.height - 1 - i) * source.width,
                            source.pixels + static_cast<std::size_t>(i) * source.rowLength,
                            static_cast<std::size_t>(source.width));
            }
            result = 1;
        } else {
            auto* surface = static_cast<platform::Surface*>(record->surface);
            platform::LockedSurface locked{};
            if (platform::LockSurface(surface, &locked) == platform::kOk) {
                // The common format pairs convert a row at a time; the rest go
                // through the general conversion.
                const RowConverter fast = FastRowConverter(source.bitsPerPixel, gScreen.screenDepth,
                                                           gScreen.pixelFormatCode);
                for (std::int32_t i = 0; i < source.height; ++i) {
                    const std::int32_t row = source.bottomUp != 0 ? source.height - 1 - i : i;
                    const unsigned char* from = source.pixels + static_cast<std::size_t>(i) * source.rowLength;
                    unsigned char* to = static_cast<unsigned char*>(locked.pixels) +
                                        static_cast<std::ptrdiff_t>(row) * locked.pitch;
                    if (fast != nullptr) {
                        fast(from, to, source.width);
                    } else {
                        ConvertRowGeneral(from, source.bitsPerPixel, to, source.width, gScreen.screenDepth,
                                          gScreen.pixelFormatCode);
                    }
                }
                platform::UnlockSurface(surface);
                platform::SetSourceColourKey(surface, gScreen.colourKeyLow, gScreen.colourKeyHigh);
                result = 1;
            }
        }
    }
    if (source.ownBuffer != nullptr) platform::GlobalFreeFixed(source.ownBuffer);
    if (result == 0) return 0;
    return number == -1 ? effective : reinterpret_cast<std::intptr_t>(record->surface);
}

// The prepared pixels stay the prepared picture's: the loader frees only
// what it decodes itself.
std::intptr_t LoadPreparedSprite(std::int32_t number, const PreparedPicture& picture, std::int32_t mode) {
    return PlaceSprite(number, mode, [&](SourceImage* source) {
        if (picture.bmp && KeepsIndexedRows(mode)) return ReadBmp(picture.file, picture.fileSize, true, source);
        *source = picture.source;
        source->ownBuffer = nullptr;
        return true;
    });
}

}  // namespace

std::intptr_t LoadSprite(std::int32_t number, const char* path, std::int32_t mode) {
    if (const auto prepared = runtime::UsePreparedLoad<PreparedPicture>(
            runtime::PreparedKind::kPicture, path,
            [&](const PreparedPicture& picture) { return LoadPreparedSprite(number, picture, mode); })) {
        return *prepared;
    }
    const platform::FileHandle file = platform::OpenFileForReading(path);
    if (file == 0) {
        runtime::NoteLoadProblem(runtime::LoadProblem::kNoSuchFile);
        return 0;
    }
    const std::uint32_t size = platform::GetFileSizeLow(file);
    void* buffer = platform::GlobalAllocFixed(size);
    if (buffer == nullptr) {
        runtime::NoteLoadProblem(runtime::LoadProblem::kNoMemory);
        platform::CloseFileHandle(file);
        return 0;
    }
    std::uint32_t got = 0;
    platform::ReadFileBytes(file, buffer, size, &got);
    // Only what was really read is decoded: a short read never hands
    // uninitialised bytes to the decoders.
    const std::intptr_t result = LoadSpriteData(number, buffer, got, mode);
    platform::GlobalFreeFixed(buffer);
    platform::CloseFileHandle(file);
    return result;
}

std::intptr_t LoadSpriteData(std::int32_t number, const void* image, std::uint32_t size, std::int32_t mode) {
    return PlaceSprite(number, mode, [&](SourceImage* source) {
        if (IsBmpImage(image, size)) return ReadBmp(image, size, KeepsIndexedRows(mode), source);
        return DecodeWithDecoders(image, size, source);
    });
}

std::unique_ptr<runtime::PreparedData> PreparePicture(const char* path) {
    const platform::FileHandle file = platform::OpenFileForReading(path);
    if (file == 0) return nullptr;
    auto picture = std::make_unique<PreparedPicture>();
    const std::uint32_t size = platform::GetFileSizeLow(file);
    picture->file = platform::GlobalAllocFixed(size);
    std::uint32_t got = 0;
    if (picture->file != nullptr) platform::ReadFileBytes(file, picture->file, size, &got);
    platform::CloseFileHandle(file);
    if (picture->file == nullptr) return nullptr;
    picture->fileSize = got;
    picture->bmp = IsBmpImage(picture->file, got);
    const bool decoded = picture->bmp ? ReadBmp(picture->file, got, false, &picture->source)
                                      : DecodeWithDecoders(picture->file, got, &picture->source);
    if (!decoded) return nullptr;
    if (!picture->bmp) {
        platform::GlobalFreeFixed(picture->file);
        picture->file = nullptr;
    }
    picture->bytes = (picture->bmp ? got : 0u) + (picture->source.ownBuffer == nullptr
                                                      ? 0u
                                                      : static_cast<std::size_t>(picture->source.rowLength) *
                                                            (static_cast<std::size_t>(picture->source.height) + 1));
    return picture;
}

void* CreateSpriteSurface(SpriteRecord* record, std::int32_t width, std::int32_t height, std::int32_t bits,
                          std::int32_t mode) {
    record->surface = nullptr;
    record->width = static_cast<std::int16_t>(width);
    record->height = static_cast<std::int16_t>(height);
    record->depth = static_cast<std::int16_t>(bits);
    record->mode = static_cast<std::int16_t>(mode);
    record->pixelBackup = nullptr;
    record->clipX = 0;
    record->clipY = 0;
    record->surfaceWidth = static_cast<std::int16_t>(width);
    record->surfaceHeight = static_cast<std::int16_t>(height);
    // Sizes that do not survive the 16-bit fields, or no pixels at all, make
    // no sprite.
    if (width <= 0 || height <= 0 || width > 0x7FFF || height > 0x7FFF) return nullptr;
    if (mode == kSpriteModeRaw) {
        if (bits == 0 || bits == 8 || bits == -2) {
            record->surface = runtime::ProgramAlloc(static_cast<std::size_t>(width) * height, false);
            record->depth = -2;
        }
        return record->surface;
    }
    const std::int32_t screenDepth = gScreen.screenDepth;
    if (bits != 0 && bits != screenDepth && (bits < 16 || screenDepth < 16)) return nullptr;
    if (gScreen.display == nullptr) return nullptr;
    std::uint32_t caps = platform::kCapsOffscreenPlain;
    if (mode == kSpriteModeSystemMemory) caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
    else if (mode == kSpriteModeTexture) caps = platform::kCapsTexture;
    platform::Surface* surface = nullptr;
    if (platform::CreateSurface(gScreen.display, width, height, caps, &surface) != platform::kOk) surface = nullptr;
    record->surface = surface;
    return record->surface;
}

std::int32_t SpriteWidth(std::int32_t number) {
    const SpriteRecord* record = LookupSprite(number);
    return record == nullptr ? 0 : record->width;
}

std::int32_t SpriteHeight(std::int32_t number) {
    const SpriteRecord* record = LookupSprite(number);
    return record == nullptr ? 0 : record->height;
}

void DisplaySprite(std::int32_t number, std::int32_t x, std::int32_t y) {
    const SpriteRecord* record = LookupSprite(number);
    if (record == nullptr || gScreen.active == 0 || record->depth == -2) return;
    if (gScreen.outputBuffer == nullptr) return;
    std::int32_t w = record->width;
    std::int32_t h = record->height;
    const std::int32_t outW = gScreen.outputWidth;
    const std::int32_t outH = gScreen.outputHeight;
    if (x >= outW || y >= outH || x <= -w || y <= -h) return;
    if (x + w > outW) w = outW - x;
    if (y + h > outH) h = outH - y;
    std::int32_t sx = 0;
    std::int32_t sy = 0;
    if (x < 0) {
        sx = -x;
        x = 0;
    }
    if (y < 0) {
        sy = -y;
        y = 0;
    }
    const platform::Rect source{record->clipX + sx, record->clipY + sy, record->clipX + w, record->clipY + h};
    platform::CopySurfaceFast(gScreen.outputBuffer, x, y, static_cast<platform::Surface*>(record->surface), source);
}

void FreeSprite(std::int32_t number) {
    SpriteRecord* record = LookupSprite(number);
    if (record == nullptr) return;
    ReleaseRecordSurface(record);
    if (record->pixelBackup != nullptr) runtime::ProgramFree(record->pixelBackup);
    record->pixelBackup = nullptr;
    record->surface = nullptr;
    runtime::FreeEntry(gSprites, number);
}

std::int32_t FreeSpriteStep(std::int32_t number) {
    FreeSprite(number);
    return 1;
}

void ForEachSprite(SpriteOperation operation) {
    runtime::ForEachObject(
        gSprites,
        [](std::int32_t number, void* context) -> std::int32_t {
            return (*static_cast<SpriteOperation*>(context))(number);
        },
        &operation);
}

std::int32_t SaveSpritePixels(std::int32_t number) {
    SpriteRecord* record = LookupSprite(number);
    if (record == nullptr || record->pixelBackup != nullptr || record->depth == -2) return 1;
    platform::Surface* temporary = nullptr;
    if (platform::CreateSurface(gScreen.display, record->surfaceWidth, record->surfaceHeight,
                                platform::kCapsOffscreenPlain | platform::kCapsSystemMemory,
                                &temporary) != platform::kOk ||
        temporary == nullptr) {
        return 1;
    }
    void* backup = nullptr;
    if (platform::CopyWholeSurface(temporary, static_cast<platform::Surface*>(record->surface)) == platform::kOk) {
        platform::LockedSurface locked{};
        if (platform::LockSurface(temporary, &locked, platform::kLockReadOnly) == platform::kOk) {
            const std::size_t bytes = static_cast<std::size_t>(locked.pitch) * record->surfaceHeight;
            backup = runtime::ProgramAlloc(4 + bytes, false);
            if (backup != nullptr) {
                const std::int32_t pitch = locked.pitch;
                std::memcpy(backup, &pitch, 4);
                std::memcpy(static_cast<unsigned char*>(backup) + 4, locked.pixels, bytes);
            }
            platform::UnlockSurface(temporary);
        }
    }
    record->pixelBackup = backup;
    platform::ReleaseSurface(temporary);
    return 1;
}

// The saved pixels go back only where the surface no longer holds them.  A
// display that kept the sprites' memory while the program was away costs a
// read of each sprite and nothing else: the sprite counts as unchanged, so
// nothing made from its pixels has to be made again.
std::int32_t RestoreSpritePixels(std::int32_t number) {
    SpriteRecord* record = LookupSprite(number);
    if (record == nullptr || record->depth == -2) return 1;
    auto* surface = static_cast<platform::Surface*>(record->surface);
    if (platform::IsSurfaceLost(surface) == platform::kSurfaceLost) platform::RestoreSurface(surface);
    if (record->pixelBackup == nullptr) return 1;
    std::int32_t stored = 0;
    std::memcpy(&stored, record->pixelBackup, 4);
    const auto* rows = static_cast<const unsigned char*>(record->pixelBackup) + 4;
    platform::LockedSurface locked{};
    if (platform::LockSurface(surface, &locked, platform::kLockReadOnly) != platform::kOk) return 1;
    const std::int32_t rowLength = stored < locked.pitch ? stored : locked.pitch;
    // Bytes of a row that hold pixels; the rest of a row is padding.
    const std::int32_t pixelBytes = std::min<std::int32_t>(
        rowLength, record->surfaceWidth * static_cast<std::int32_t>(locked.bitsPerPixel) / 8);
    auto rowDiffers = [&](const platform::LockedSurface& lock, std::int32_t row) {
        return std::memcmp(
                   static_cast<const unsigned char*>(lock.pixels) + static_cast<std::ptrdiff_t>(row) * lock.pitch,
                   rows + static_cast<std::size_t>(row) * stored, static_cast<std::size_t>(pixelBytes)) != 0;
    };
    bool changed = false;
    for (std::int32_t row = 0; row < record->surfaceHeight && !changed; ++row) changed = rowDiffers(locked, row);
    platform::UnlockSurface(surface);
    if (changed) {
        // Kept for the next restore when the surface cannot be written now.
        if (platform::LockSurface(surface, &locked) != platform::kOk) return 1;
        for (std::int32_t row = 0; row < record->surfaceHeight; ++row) {
            if (!rowDiffers(locked, row)) continue;
            std::memcpy(static_cast<unsigned char*>(locked.pixels) + static_cast<std::ptrdiff_t>(row) * locked.pitch,
                        rows + static_cast<std::size_t>(row) * stored, static_cast<std::size_t>(rowLength));
        }
        platform::UnlockSurface(surface);
    }
    runtime::ProgramFree(record->pixelBackup);
    record->pixelBackup = nullptr;
    return 1;
}

void SaveAllSprites() { ForEachSprite(SaveSpritePixels); }
void RestoreAllSprites() { ForEachSprite(RestoreSpritePixels); }

}  // namespace screen
