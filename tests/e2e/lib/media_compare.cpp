// rodazaro-media-compare A B: whether two pictures or two sounds hold the
// same content, whatever encoder library wrote them.  Used by
// tests/e2e/demo_assets.sh to hold the committed demo against a fresh run of
// the demo generator.
//
//   PNG  decoded with libpng to RGBA at 16 bits a channel (palette, tRNS,
//        grey, 16-bit and interlaced images alike); the colour type, bit
//        depth and interlacing must match too, and every sample exactly.
//   BMP  uncompressed 1, 4, 8, 16, 24 or 32 bits: the bit count and every
//        pixel exactly (16 bits as their 5-bit fields, 32 bits all four bytes).
//   WAV  the format chunk's fields and every sample exactly.
//   Ogg  decoded with vorbisfile: channels, rate and sample count exactly;
//        the samples to a signal-to-difference ratio (below).
//
// Prints one line saying what was compared; exit code 0 when the contents
// agree, 1 when they differ, 2 when a file cannot be read or the command
// line is wrong.

#include <png.h>
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Two Vorbis encodes of the same sound are not the same file, nor the same
// samples, once the encoder's floating-point arithmetic differs in the
// least bit (another libvorbis build, another compiler or processor): its
// choices of what to keep then differ too, by hundreds of 16-bit steps
// here and there.  Measured with the demo generator's encoder input
// perturbed by 1e-7 and 1e-6 of itself: 47-59 dB for the whole file, no
// 4096-frame window below 28 dB.  Changes of the music fall below the
// bounds: 0.1 dB louder gives 23-26 dB (17-22 dB in the worst window),
// 0.5 dB louder 19-20 dB, one frame later 17-19 dB, a note of 0.2 s left
// out 0 dB in its window, a 0.5 s tone added at -40 dBFS 18-20 dB in its
// window.
constexpr double kMinFileRatio = 30.0;    // dB, whole file
constexpr double kMinWindowRatio = 21.0;  // dB, every window of kWindowFrames
constexpr std::size_t kWindowFrames = 4096;
// A window's signal counts as at least this loud (its mean square, -50 dBFS),
// so that a quiet stretch must stay quiet rather than match to 21 dB.
constexpr double kQuietFloor = 1e-5;

struct Unreadable {
    std::string why;
};

std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Unreadable{"cannot open " + path};
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t U16(const std::vector<unsigned char>& d, std::size_t at) {
    if (at + 2 > d.size()) throw Unreadable{"truncated header"};
    return d[at] | (d[at + 1] << 8);
}

std::uint32_t U32(const std::vector<unsigned char>& d, std::size_t at) {
    if (at + 4 > d.size()) throw Unreadable{"truncated header"};
    return d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (static_cast<std::uint32_t>(d[at + 3]) << 24);
}

// A decoded picture: a description of its kind and its samples, row by row
// from the top.
struct Picture {
    std::string kind;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint16_t> samples;
};

// --- PNG ---------------------------------------------------------------------

struct PngSource {
    const std::vector<unsigned char>* data;
    std::size_t at;
};

void PngRead(png_structp png, png_bytep out, png_size_t length) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (source->at + length > source->data->size()) png_error(png, "truncated");
    std::memcpy(out, source->data->data() + source->at, length);
    source->at += length;
}

void PngError(png_structp png, png_const_charp message) {
    *static_cast<std::string*>(png_get_error_ptr(png)) = message;
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// Reads the whole image as RGBA into *pixels (8 or 16 bits a channel, as
// *wide says).  Only plain data lives in this frame: libpng leaves it with
// a long jump on errors.
bool ReadPngRgba(PngSource* source, std::string* error, Picture* picture, std::vector<unsigned char>* pixels,
                 std::vector<png_bytep>* rows, bool* wide) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, error, PngError, PngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        *error = "out of memory";
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, source, PngRead);
    png_read_info(png, info);
    const int type = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    const bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    picture->kind = "PNG colour type " + std::to_string(type) + ", " + std::to_string(depth) + " bits" +
                    (interlaced ? ", interlaced" : "");
    picture->width = png_get_image_width(png, info);
    picture->height = png_get_image_height(png, info);
    // Everything to RGBA, at 8 bits for images of up to 8 and 16 for 16.
    png_set_expand(png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xffff, PNG_FILLER_AFTER);  // opaque where the file has no alpha
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    *wide = png_get_bit_depth(png, info) == 16;
    if (png_get_channels(png, info) != 4 || rowBytes != picture->width * 4u * (*wide ? 2u : 1u)) {
        png_error(png, "not expanded to RGBA");
    }
    pixels->resize(rowBytes * picture->height);
    rows->resize(picture->height);
    for (std::uint32_t y = 0; y < picture->height; ++y) (*rows)[y] = pixels->data() + y * rowBytes;
    png_read_image(png, rows->data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

Picture DecodePng(const std::vector<unsigned char>& data) {
    PngSource source{&data, 0};
    std::string error;
    Picture picture;
    std::vector<unsigned char> pixels;
    std::vector<png_bytep> rows;
    bool wide = false;
    if (!ReadPngRgba(&source, &error, &picture, &pixels, &rows, &wide)) throw Unreadable{"PNG: " + error};
    picture.samples.reserve(pixels.size());
    if (wide) {
        for (std::size_t i = 0; i + 1 < pixels.size(); i += 2) {
            picture.samples.push_back(static_cast<std::uint16_t>((pixels[i] << 8) | pixels[i + 1]));
        }
    } else {
        for (unsigned char v : pixels) picture.samples.push_back(static_cast<std::uint16_t>(v * 257));
    }
    return picture;
}

// --- BMP ---------------------------------------------------------------------

Picture DecodeBmp(const std::vector<unsigned char>& data) {
    const std::uint32_t offset = U32(data, 10);
    const std::uint32_t headerSize = U32(data, 14);
    const auto width = static_cast<std::int32_t>(U32(data, 18));
    const auto height = static_cast<std::int32_t>(U32(data, 22));
    const std::uint32_t bits = U16(data, 28);
    const std::uint32_t compression = U32(data, 30);
    if (headerSize < 40 || compression != 0) throw Unreadable{"BMP: not an uncompressed BMP"};
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        throw Unreadable{"BMP: " + std::to_string(bits) + " bits a pixel"};
    }
    if (width <= 0 || height == 0 || width > 65536 || height > 65536 || height < -65536) {
        throw Unreadable{"BMP: bad size"};
    }
    Picture picture;
    picture.kind = "BMP " + std::to_string(bits) + " bits";
    picture.width = static_cast<std::uint32_t>(width);
    picture.height = static_cast<std::uint32_t>(height < 0 ? -height : height);
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    if (offset + stride * picture.height > data.size()) throw Unreadable{"BMP: truncated pixels"};
    std::uint32_t colours = bits <= 8 ? U32(data, 46) : 0;
    if (bits <= 8 && colours == 0) colours = 1u << bits;
    const std::size_t table = 14 + headerSize;
    if (table + colours * 4 > offset) throw Unreadable{"BMP: colour table overlaps the pixels"};
    picture.samples.reserve(static_cast<std::size_t>(picture.width) * picture.height * 4);
    for (std::uint32_t y = 0; y < picture.height; ++y) {
        const std::uint32_t stored = height < 0 ? y : picture.height - 1 - y;
        const unsigned char* row = data.data() + offset + stored * stride;
        for (std::uint32_t x = 0; x < picture.width; ++x) {
            std::uint16_t r, g, b, a = 0xffff;
            if (bits <= 8) {
                const std::uint32_t bit = x * bits;
                const std::uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                if (index >= colours) throw Unreadable{"BMP: index outside the colour table"};
                const unsigned char* entry = data.data() + table + index * 4;
                b = entry[0];
                g = entry[1];
                r = entry[2];
            } else if (bits == 16) {  // x1r5g5b5: the fields themselves
                const std::uint32_t v = row[2 * x] | (row[2 * x + 1] << 8);
                r = (v >> 10) & 31;
                g = (v >> 5) & 31;
                b = v & 31;
                a = v >> 15;
            } else {
                const unsigned char* p = row + x * (bits / 8);
                b = p[0];
                g = p[1];
                r = p[2];
                if (bits == 32) a = p[3];  // unused by readers, but written: it must match too
            }
            picture.samples.insert(picture.samples.end(), {r, g, b, a});
        }
    }
    return picture;
}

int ComparePictures(const Picture& a, const Picture& b) {
    if (a.kind != b.kind) {
        std::printf("differs: %s against %s\n", a.kind.c_str(), b.kind.c_str());
        return 1;
    }
    if (a.width != b.width || a.height != b.height) {
        std::printf("differs: %ux%u against %ux%u pixels\n", a.width, a.height, b.width, b.height);
        return 1;
    }
    std::size_t differing = 0;
    std::size_t first = 0;
    for (std::size_t i = 0; i < a.samples.size(); i += 4) {
        if (std::memcmp(&a.samples[i], &b.samples[i], 4 * sizeof a.samples[0]) != 0) {
            if (differing++ == 0) first = i / 4;
        }
    }
    if (differing != 0) {
        const std::size_t i = first * 4;
        std::printf(
            "differs: %zu of %zu pixels of the %s image, the first at %zu,%zu: (%u %u %u %u) against (%u %u %u %u)\n",
            differing, a.samples.size() / 4, a.kind.c_str(), first % a.width, first / a.width, a.samples[i],
            a.samples[i + 1], a.samples[i + 2], a.samples[i + 3], b.samples[i], b.samples[i + 1], b.samples[i + 2],
            b.samples[i + 3]);
        return 1;
    }
    std::printf("same: %s image of %ux%u pixels\n", a.kind.c_str(), a.width, a.height);
    return 0;
}

// --- WAV ---------------------------------------------------------------------

struct Wave {
    std::vector<unsigned char> format;
    std::vector<unsigned char> samples;
};

Wave ReadWav(const std::vector<unsigned char>& data) {
    if (data.size() < 12 || std::memcmp(data.data() + 8, "WAVE", 4) != 0) throw Unreadable{"WAV: no WAVE form"};
    Wave wave;
    bool haveData = false;
    for (std::size_t at = 12; at + 8 <= data.size();) {
        const std::uint32_t size = U32(data, at + 4);
        if (at + 8 + size > data.size()) throw Unreadable{"WAV: truncated chunk"};
        const auto body = data.begin() + static_cast<std::ptrdiff_t>(at + 8);
        if (std::memcmp(data.data() + at, "fmt ", 4) == 0) wave.format.assign(body, body + size);
        if (std::memcmp(data.data() + at, "data", 4) == 0) {
            wave.samples.assign(body, body + size);
            haveData = true;
        }
        at += 8 + size + (size & 1);
    }
    if (wave.format.size() < 16 || !haveData) throw Unreadable{"WAV: no format or no data chunk"};
    return wave;
}

int CompareWavs(const Wave& a, const Wave& b) {
    if (a.format != b.format) {
        std::printf("differs: the format chunks differ\n");
        return 1;
    }
    if (a.samples.size() != b.samples.size()) {
        std::printf("differs: %zu against %zu bytes of samples\n", a.samples.size(), b.samples.size());
        return 1;
    }
    for (std::size_t i = 0; i < a.samples.size(); ++i) {
        if (a.samples[i] != b.samples[i]) {
            std::printf("differs: the samples differ first at byte %zu of %zu\n", i, a.samples.size());
            return 1;
        }
    }
    std::printf("same: WAV of %zu bytes of samples\n", a.samples.size());
    return 0;
}

// --- Ogg Vorbis --------------------------------------------------------------

struct Sound {
    int channels = 0;
    long rate = 0;
    std::vector<float> samples;  // interleaved
};

Sound DecodeOgg(const std::string& path) {
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0) throw Unreadable{"Ogg: not an Ogg Vorbis stream: " + path};
    const vorbis_info* info = ov_info(&file, -1);
    Sound sound;
    sound.channels = info->channels;
    sound.rate = info->rate;
    for (;;) {
        float** pcm = nullptr;
        int section = 0;
        const long frames = ov_read_float(&file, &pcm, 4096, &section);
        if (frames == 0) break;
        if (frames < 0) {
            ov_clear(&file);
            throw Unreadable{"Ogg: damaged stream: " + path};
        }
        for (long i = 0; i < frames; ++i) {
            for (int c = 0; c < sound.channels; ++c) sound.samples.push_back(pcm[c][i]);
        }
    }
    ov_clear(&file);
    return sound;
}

// 10 log10(signal / difference), with signal and difference as sums of squares.
double Ratio(double signal, double difference) {
    return difference > 0.0 ? 10.0 * std::log10(signal / difference) : INFINITY;
}

int CompareOggs(const Sound& a, const Sound& b) {
    if (a.channels != b.channels || a.rate != b.rate) {
        std::printf("differs: %d channels at %ld Hz against %d at %ld Hz\n", a.channels, a.rate, b.channels, b.rate);
        return 1;
    }
    if (a.samples.size() != b.samples.size()) {
        std::printf("differs: %zu against %zu sample frames\n", a.samples.size() / a.channels,
                    b.samples.size() / b.channels);
        return 1;
    }
    const std::size_t frames = a.samples.size() / a.channels;
    const std::size_t window = kWindowFrames * a.channels;
    double signal = 0.0;
    double difference = 0.0;
    double largest = 0.0;
    double worst = INFINITY;
    std::size_t worstFrame = 0;
    for (std::size_t start = 0; start < a.samples.size(); start += window) {
        const std::size_t end = std::min(a.samples.size(), start + window);
        double windowSignal = 0.0;
        double windowDifference = 0.0;
        for (std::size_t i = start; i < end; ++i) {
            const double d = static_cast<double>(a.samples[i]) - b.samples[i];
            windowSignal += static_cast<double>(a.samples[i]) * a.samples[i];
            windowDifference += d * d;
            largest = std::max(largest, std::fabs(d));
        }
        signal += windowSignal;
        difference += windowDifference;
        const double ratio = Ratio(std::max(windowSignal, kQuietFloor * static_cast<double>(end - start)),
                                   windowDifference);
        if (ratio < worst) {
            worst = ratio;
            worstFrame = start / a.channels;
        }
    }
    const double fileRatio = Ratio(signal, difference);
    const bool same = fileRatio >= kMinFileRatio && worst >= kMinWindowRatio;
    std::printf(
        "%s: Ogg Vorbis of %zu frames, %d channels, %ld Hz: signal to difference %.1f dB (at least %.0f), "
        "%.1f dB in the worst window at frame %zu (at least %.0f); samples apart by up to %.0f 16-bit steps\n",
        same ? "same" : "differs", frames, a.channels, a.rate, fileRatio, kMinFileRatio, worst, worstFrame,
        kMinWindowRatio, largest * 32768.0);
    return same ? 0 : 1;
}

enum class Kind { kPng, kBmp, kWav, kOgg, kOther };

Kind KindOf(const std::vector<unsigned char>& d) {
    auto starts = [&d](const char* magic, std::size_t n) {
        return d.size() >= n && std::memcmp(d.data(), magic, n) == 0;
    };
    if (starts("\x89PNG\r\n\x1a\n", 8)) return Kind::kPng;
    if (starts("BM", 2)) return Kind::kBmp;
    if (starts("RIFF", 4)) return Kind::kWav;
    if (starts("OggS", 4)) return Kind::kOgg;
    return Kind::kOther;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: rodazaro-media-compare FILE FILE\n");
        return 2;
    }
    try {
        const std::vector<unsigned char> a = ReadFile(argv[1]);
        const std::vector<unsigned char> b = ReadFile(argv[2]);
        const Kind kind = KindOf(a);
        if (kind == Kind::kOther) throw Unreadable{std::string("neither PNG, BMP, WAV nor Ogg: ") + argv[1]};
        if (KindOf(b) != kind) {
            std::printf("differs: the files are of different kinds\n");
            return 1;
        }
        switch (kind) {
            case Kind::kPng: return ComparePictures(DecodePng(a), DecodePng(b));
            case Kind::kBmp: return ComparePictures(DecodeBmp(a), DecodeBmp(b));
            case Kind::kWav: return CompareWavs(ReadWav(a), ReadWav(b));
            case Kind::kOgg: return CompareOggs(DecodeOgg(argv[1]), DecodeOgg(argv[2]));
            case Kind::kOther: break;
        }
    } catch (const Unreadable& e) {
        std::printf("unreadable: %s\n", e.why.c_str());
    }
    return 2;
}
