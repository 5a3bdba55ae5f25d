#include "bench/media.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>
#include <stdexcept>

#include "tests/screen/image_files.h"
#include "tests/sound/vorbis_files.h"
#include "tests/sound/wav_builder.h"

namespace bench {

namespace {

std::uint8_t Clamp(double value) { return static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0)); }

struct Blob {
    double x, y, radius;
    double r, g, b;
};

}  // namespace

Picture MakePhoto(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    auto uniform = [&random](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    // A sky above a horizon, soft round shapes of colour with hard edges,
    // a fine texture and grain.
    const double horizon = uniform(0.4, 0.7);
    std::vector<Blob> blobs(12);
    for (Blob& blob : blobs) {
        blob = {uniform(0, 1), uniform(0, 1), uniform(0.05, 0.3), uniform(0, 255), uniform(0, 255), uniform(0, 255)};
    }
    std::normal_distribution<double> grain(0.0, 6.0);
    Picture picture{width, height, Bytes(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3)};
    std::uint8_t* out = picture.rgb.data();
    for (int row = 0; row < height; ++row) {
        const double y = static_cast<double>(row) / height;
        for (int column = 0; column < width; ++column) {
            const double x = static_cast<double>(column) / width;
            double r, g, b;
            if (y < horizon) {
                r = 90 + 100 * y;
                g = 140 + 80 * y;
                b = 230 - 40 * y;
            } else {
                r = 110 - 50 * (y - horizon);
                g = 100 + 30 * std::sin(x * 40 + y * 13);
                b = 50;
            }
            for (const Blob& blob : blobs) {
                const double d = std::hypot(x - blob.x, (y - blob.y) * height / width) / blob.radius;
                if (d < 1.0) {
                    const double shade = 0.6 + 0.4 * (1.0 - d * d);
                    r = blob.r * shade;
                    g = blob.g * shade;
                    b = blob.b * shade;
                }
            }
            const double texture = 10 * std::sin(x * 150) * std::sin(y * 110);
            *out++ = Clamp(r + texture + grain(random));
            *out++ = Clamp(g + texture + grain(random));
            *out++ = Clamp(b + texture + grain(random));
        }
    }
    return picture;
}

Bytes EncodePng(const Picture& picture) {
    image_test::PngFile png;
    png.width = static_cast<std::uint32_t>(picture.width);
    png.height = static_cast<std::uint32_t>(picture.height);
    const std::size_t stride = static_cast<std::size_t>(picture.width) * 3;
    for (int row = 0; row < picture.height; ++row) {
        const auto first = picture.rgb.begin() + static_cast<std::ptrdiff_t>(stride * static_cast<std::size_t>(row));
        png.rows.emplace_back(first, first + static_cast<std::ptrdiff_t>(stride));
    }
    return image_test::WritePng(png);
}

Bytes EncodeBmp(const Picture& picture) {
    image_test::BmpFile bmp;
    bmp.width = picture.width;
    bmp.height = picture.height;
    bmp.padByte = 0;
    const std::size_t stride = static_cast<std::size_t>(picture.width) * 3;
    for (int row = picture.height - 1; row >= 0; --row) {
        const std::uint8_t* rgb = picture.rgb.data() + stride * static_cast<std::size_t>(row);
        Bytes bgr(stride);
        for (std::size_t i = 0; i < stride; i += 3) {
            bgr[i] = rgb[i + 2];
            bgr[i + 1] = rgb[i + 1];
            bgr[i + 2] = rgb[i];
        }
        bmp.rows.push_back(std::move(bgr));
    }
    return image_test::BuildBmp(bmp);
}

std::vector<float> MakeMusic(int rate, double seconds, unsigned seed) {
    const auto frames = static_cast<std::size_t>(rate * seconds);
    std::vector<float> out(frames * 2);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> noise(-0.02, 0.02);
    // A new chord every two seconds, its notes spread between the channels.
    constexpr double kChords[4][3] = {
        {220.0, 277.2, 329.6}, {196.0, 246.9, 293.7}, {174.6, 220.0, 261.6}, {164.8, 207.7, 246.9}};
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const auto& chord = kChords[static_cast<std::size_t>(t / 2.0) % 4];
        const double beat = 0.5 + 0.5 * std::exp(-4.0 * std::fmod(t, 0.5));
        double left = 0, right = 0;
        for (int n = 0; n < 3; ++n) {
            const double tone = std::sin(2 * M_PI * chord[n] * t) + 0.3 * std::sin(4 * M_PI * chord[n] * t);
            left += tone * (n == 2 ? 0.3 : 0.7);
            right += tone * (n == 0 ? 0.3 : 0.7);
        }
        out[i * 2] = static_cast<float>(0.18 * beat * left + noise(random));
        out[i * 2 + 1] = static_cast<float>(0.18 * beat * right + noise(random));
    }
    return out;
}

Bytes EncodeOgg(const std::vector<float>& stereo, int rate) { return rodazaro_test::EncodeVorbis(2, rate, stereo); }

Bytes EncodeWav(const std::vector<float>& stereo, int rate) {
    Bytes samples;
    samples.reserve(stereo.size() * 2);
    for (const float value : stereo) {
        const auto sample = static_cast<std::int16_t>(std::lround(std::clamp(value, -1.0f, 1.0f) * 32767.0f));
        rodazaro_test::PutU16(samples, static_cast<std::uint16_t>(sample));
    }
    return rodazaro_test::Wav(2, static_cast<std::uint32_t>(rate), 16, samples);
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) throw std::runtime_error("cannot read " + path);
    Bytes bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!in) throw std::runtime_error("cannot read " + path);
    return bytes;
}

}  // namespace bench
