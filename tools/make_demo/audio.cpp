#include "tools/make_demo/audio.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>

#include "tools/make_demo/detmath.h"
#include "tools/shared/vorbis_encode.h"

namespace demo {

namespace {

constexpr int kTableSize = 4096;
constexpr double kCentreGain = 0.70710678118654752440;  // equal-power centre

// One cycle of a waveform, read with linear interpolation.
class WaveTable {
public:
    // harmonics[n] is the amplitude of harmonic n + 1.
    explicit WaveTable(const std::vector<double>& harmonics) : samples_(kTableSize + 1) {
        double peak = 0.0;
        for (int i = 0; i < kTableSize; ++i) {
            double v = 0.0;
            for (std::size_t n = 0; n < harmonics.size(); ++n) {
                v += harmonics[n] * Sin(2.0 * kPi * static_cast<double>(n + 1) * i / kTableSize);
            }
            samples_[static_cast<std::size_t>(i)] = v;
            peak = std::fmax(peak, std::fabs(v));
        }
        for (double& s : samples_) s /= peak;
        samples_[kTableSize] = samples_[0];
    }

    // The blend a + (b - a) * t of two tables.
    WaveTable(const WaveTable& a, const WaveTable& b, double t) : samples_(kTableSize + 1) {
        for (std::size_t i = 0; i < samples_.size(); ++i)
            samples_[i] = a.samples_[i] + (b.samples_[i] - a.samples_[i]) * t;
    }

    // phase in [0, 1).
    double At(double phase) const {
        const double pos = phase * kTableSize;
        const int i = static_cast<int>(pos);
        const double frac = pos - i;
        return samples_[static_cast<std::size_t>(i)] +
               (samples_[static_cast<std::size_t>(i) + 1] - samples_[static_cast<std::size_t>(i)]) * frac;
    }

private:
    std::vector<double> samples_;
};

const WaveTable& SineTable() {
    static const WaveTable table({1.0});
    return table;
}

// A soft saw: harmonics falling off faster than 1/n, no very high ones.
const WaveTable& WarmTable() {
    static const WaveTable table = [] {
        std::vector<double> h;
        for (int n = 1; n <= 12; ++n) h.push_back(1.0 / (n * std::sqrt(static_cast<double>(n))));
        return WaveTable(h);
    }();
    return table;
}

// The pad's waveform: the sine blended with the warm table by `brightness`
// (one table per brightness, made on first use).
const WaveTable& PadTable(double brightness) {
    static std::map<double, WaveTable> tables;
    auto found = tables.find(brightness);
    if (found == tables.end())
        found = tables.emplace(brightness, WaveTable(SineTable(), WarmTable(), brightness)).first;
    return found->second;
}

// A phase that advances by a frequency each sample.
class Phase {
public:
    double Step(double hz) {
        const double now = phase_;
        phase_ += hz / kSampleRate;
        phase_ -= std::floor(phase_);
        return now;
    }

private:
    double phase_ = 0.0;
};

// Factor by which an exponential decay of time constant `seconds` shrinks per sample.
double DecayPerSample(double seconds) { return Exp(-1.0 / (seconds * kSampleRate)); }

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
}

// RIFF header, an 18-byte format chunk (a whole WAVEFORMATEX with no extra
// bytes) and the data chunk directly after it.
std::vector<std::uint8_t> WavHeader(int channels, int bitsPerSample, std::uint32_t dataBytes) {
    std::vector<std::uint8_t> out{'R', 'I', 'F', 'F'};
    PutLe(out, 4 + (8 + 18) + (8 + dataBytes) + (dataBytes & 1u), 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe(out, 18, 4);
    const int blockAlign = channels * bitsPerSample / 8;
    PutLe(out, 1, 2);  // PCM
    PutLe(out, static_cast<std::uint32_t>(channels), 2);
    PutLe(out, kSampleRate, 4);
    PutLe(out, static_cast<std::uint32_t>(kSampleRate * blockAlign), 4);
    PutLe(out, static_cast<std::uint32_t>(blockAlign), 2);
    PutLe(out, static_cast<std::uint32_t>(bitsPerSample), 2);
    PutLe(out, 0, 2);  // no extra format bytes
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    PutLe(out, dataBytes, 4);
    return out;
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot create " + path);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int FrameAt(double seconds) { return static_cast<int>(std::floor(seconds * kSampleRate + 0.5)); }

Track::Track(double seconds)
    : left_(static_cast<std::size_t>(FrameAt(seconds))), right_(static_cast<std::size_t>(FrameAt(seconds))) {}

void Track::Add(int frame, double left, double right) {
    if (frame < 0 || frame >= Frames()) return;
    left_[static_cast<std::size_t>(frame)] += left;
    right_[static_cast<std::size_t>(frame)] += right;
}

Panner::Panner(double pan) {
    const double angle = (Clamp(pan, -1.0, 1.0) + 1.0) * kPi / 4.0;
    left = Cos(angle);
    right = Sin(angle);
}

void Track::AddPanned(int frame, double value, double pan) { AddPanned(frame, value, Panner(pan)); }

void Track::AddPanned(int frame, double value, const Panner& pan) { Add(frame, value * pan.left, value * pan.right); }

void Track::Normalize(double peak) {
    double largest = 0.0;
    for (std::size_t i = 0; i < left_.size(); ++i) {
        largest = std::fmax(largest, std::fmax(std::fabs(left_[i]), std::fabs(right_[i])));
    }
    if (largest <= 0.0) throw std::runtime_error("a silent track cannot be normalized");
    const double k = peak / largest;
    for (std::size_t i = 0; i < left_.size(); ++i) {
        left_[i] *= k;
        right_[i] *= k;
    }
}

void Track::Scale(double k) {
    for (std::size_t i = 0; i < left_.size(); ++i) {
        left_[i] *= k;
        right_[i] *= k;
    }
}

void Track::MixToMono() {
    for (std::size_t i = 0; i < left_.size(); ++i) left_[i] = right_[i] = (left_[i] + right_[i]) * 0.5;
}

void Track::FadeEdges(double fadeIn, double fadeOut) {
    const int in = FrameAt(fadeIn);
    const int out = FrameAt(fadeOut);
    for (int i = 0; i < Frames(); ++i) {
        double k = 1.0;
        if (in > 0 && i < in) k *= SmoothStep(0.0, 1.0, static_cast<double>(i) / in);
        const int fromEnd = Frames() - 1 - i;
        if (out > 0 && fromEnd < out) k *= SmoothStep(0.0, 1.0, static_cast<double>(fromEnd) / out);
        left_[static_cast<std::size_t>(i)] *= k;
        right_[static_cast<std::size_t>(i)] *= k;
    }
}

void Pad(Track& track, double start, double length, double note, double amp, double pan, double attack, double release,
         double brightness) {
    const double cents[3] = {-7.0, 0.0, 6.0};
    const double spread[3] = {-0.35, 0.0, 0.35};
    const int first = FrameAt(start);
    const int frames = FrameAt(length + release);
    const WaveTable& table = PadTable(brightness);
    for (int v = 0; v < 3; ++v) {
        const double hz = NoteHz(note) * Pow2(cents[v] / 1200.0);
        Phase phase;
        // Each voice starts at its own point of the cycle so that they do not add up in step.
        for (int k = 0; k < v * 977; ++k) phase.Step(hz);
        const Panner place(pan + spread[v]);
        for (int i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / kSampleRate;
            double env = SmoothStep(0.0, attack, t);
            if (t > length) env *= 1.0 - SmoothStep(length, length + release, t);
            track.AddPanned(first + i, table.At(phase.Step(hz)) * env * amp / 3.0, place);
        }
    }
}

void Chime(Track& track, double start, double note, double amp, double pan, double decay) {
    const double ratios[4] = {1.0, 2.0, 3.0, 4.2};
    const double levels[4] = {1.0, 0.35, 0.12, 0.06};
    const double decays[4] = {1.0, 0.5, 0.3, 0.2};
    const int first = FrameAt(start);
    const int frames = FrameAt(decay * 6.0);
    const int attack = FrameAt(0.004);
    const Panner place(pan);
    for (int n = 0; n < 4; ++n) {
        Phase phase;
        const double hz = NoteHz(note) * ratios[n];
        if (hz > kSampleRate / 2.5) continue;
        const double fall = DecayPerSample(decay * decays[n]);
        double level = levels[n] * amp;
        // A partial stops once it has died away to a thousandth of the note.
        for (int i = 0; i < frames && level > amp * 0.001; ++i) {
            const double env = i < attack ? static_cast<double>(i) / attack : 1.0;
            track.AddPanned(first + i, SineTable().At(phase.Step(hz)) * level * env, place);
            level *= fall;
        }
    }
}

void Bass(Track& track, double start, double length, double note, double amp) {
    const int first = FrameAt(start);
    const int frames = FrameAt(length);
    const int release = FrameAt(0.02);
    const double hz = NoteHz(note);
    const double fall = DecayPerSample(0.35);
    Phase phase;
    const Panner centre(0.0);
    double level = amp;
    for (int i = 0; i < frames; ++i) {
        double env = i < 80 ? i / 80.0 : 1.0;
        if (i > frames - release) env *= static_cast<double>(frames - i) / release;
        const double p = phase.Step(hz);
        const double s = 0.75 * SineTable().At(p) + 0.25 * WarmTable().At(p);
        track.AddPanned(first + i, s * level * env, centre);
        level *= fall;
    }
}

void Flute(Track& track, double start, double length, double note, double amp, double pan) {
    const int first = FrameAt(start);
    const int frames = FrameAt(length + 0.25);
    const double hz = NoteHz(note);
    Phase phase;
    Phase second;
    Phase vibrato;
    Random noise(0x51A7u + static_cast<std::uint32_t>(note * 16.0));
    double breath = 0.0;
    const Panner place(pan);
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        double env = SmoothStep(0.0, 0.09, t);
        if (t > length) env *= 1.0 - SmoothStep(length, length + 0.25, t);
        const double depth = 0.004 * SmoothStep(0.25, 0.6, t);
        const double wobble = 1.0 + depth * SineTable().At(vibrato.Step(5.2));
        breath += 0.08 * (noise.Range(-1.0, 1.0) - breath);
        const double s = SineTable().At(phase.Step(hz * wobble)) +
                         0.18 * SineTable().At(second.Step(2.0 * hz * wobble)) + 0.12 * breath;
        track.AddPanned(first + i, s * env * amp, place);
    }
}

void Hat(Track& track, double start, double amp, double pan, std::uint32_t seed) {
    Random noise(seed);
    const int first = FrameAt(start);
    const int frames = FrameAt(0.09);
    const double fall = DecayPerSample(0.025);
    double level = amp;
    double previous = 0.0;
    const Panner place(pan);
    for (int i = 0; i < frames; ++i) {
        const double white = noise.Range(-1.0, 1.0);
        const double high = white - previous;  // a plain difference keeps only the hiss
        previous = white;
        track.AddPanned(first + i, high * level * 0.5, place);
        level *= fall;
    }
}

void Kick(Track& track, double start, double amp) {
    const int first = FrameAt(start);
    const int frames = FrameAt(0.4);
    const double bodyFall = DecayPerSample(0.16);
    const double sweepFall = DecayPerSample(0.035);
    Random noise(0xB00Du);
    Phase phase;
    double body = amp;
    double sweep = 1.0;
    for (int i = 0; i < frames; ++i) {
        const double hz = 46.0 + 115.0 * sweep;
        double s = SineTable().At(phase.Step(hz)) * body;
        if (i < FrameAt(0.004)) s += noise.Range(-0.5, 0.5) * amp * (1.0 - i / (0.004 * kSampleRate));
        track.Add(first + i, s * kCentreGain, s * kCentreGain);
        body *= bodyFall;
        sweep *= sweepFall;
    }
}

void Waves(Track& track, double start, double length, double amp, double period, std::uint32_t seed) {
    Random noiseL(seed);
    Random noiseR(seed ^ 0x9E3779B9u);
    const int first = FrameAt(start);
    const int frames = FrameAt(length);
    double lowL1 = 0.0, lowL2 = 0.0, lowR1 = 0.0, lowR2 = 0.0;
    const double a = 0.045;
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        lowL1 += a * (noiseL.Range(-1.0, 1.0) - lowL1);
        lowL2 += a * (lowL1 - lowL2);
        lowR1 += a * (noiseR.Range(-1.0, 1.0) - lowR1);
        lowR2 += a * (lowR1 - lowR2);
        const double swellL = 0.5 + 0.5 * Sin(2.0 * kPi * t / period);
        const double swellR = 0.5 + 0.5 * Sin(2.0 * kPi * t / (period * 1.13) + 2.1);
        const double edge = SmoothStep(0.0, 1.5, t) * (1.0 - SmoothStep(length - 1.5, length, t));
        track.Add(first + i, lowL2 * swellL * swellL * amp * edge * 6.0, lowR2 * swellR * swellR * amp * edge * 6.0);
    }
}

void Bell(Track& track, double start, double note, double amp, double decay) {
    struct Partial {
        double ratio, level, decay;
    };
    const Partial partials[] = {{0.5, 0.35, 1.6}, {1.0, 1.0, 1.0},   {1.19, 0.45, 0.8}, {1.5, 0.3, 0.7},
                                {2.0, 0.5, 0.55}, {2.52, 0.22, 0.4}, {3.0, 0.16, 0.3},  {4.07, 0.1, 0.2}};
    const int first = FrameAt(start);
    const int frames = FrameAt(decay * 4.0);
    const int attack = FrameAt(0.002);
    for (const Partial& partial : partials) {
        const double hz = NoteHz(note) * partial.ratio;
        // The right channel is tuned a hair higher: the two sides beat slowly.
        Phase left;
        Phase right;
        const double fall = DecayPerSample(decay * partial.decay);
        double level = partial.level * amp;
        for (int i = 0; i < frames; ++i) {
            const double env = i < attack ? static_cast<double>(i) / attack : 1.0;
            track.Add(first + i, SineTable().At(left.Step(hz)) * level * env,
                      SineTable().At(right.Step(hz * 1.0016)) * level * env);
            level *= fall;
        }
    }
    Random noise(0xBE11u);
    for (int i = 0; i < FrameAt(0.003); ++i) {
        const double strike = noise.Range(-1.0, 1.0) * amp * 0.3;
        track.Add(first + i, strike, strike);
    }
}

void Whoosh(Track& track, double start, double length, double amp, std::uint32_t seed) {
    Random noise(seed);
    const int first = FrameAt(start);
    const int frames = FrameAt(length);
    double low = 0.0;
    double band = 0.0;
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / frames;
        // Rises to its brightest a little after the middle, then falls away.
        const double bright = SmoothStep(0.0, 0.55, t) * (1.0 - SmoothStep(0.55, 1.0, t));
        const double cutoff = 300.0 + 2600.0 * bright;
        const double f = 2.0 * Sin(kPi * cutoff / kSampleRate);
        const double q = 0.45;
        const double high = noise.Range(-1.0, 1.0) - low - q * band;
        band += f * high;
        low += f * band;
        const double env = SmoothStep(0.0, 0.5, t) * (1.0 - SmoothStep(0.6, 1.0, t));
        track.AddPanned(first + i, band * env * amp, -0.9 + 1.8 * t);
    }
}

void Blip(Track& track, double start, double note, double amp) {
    const int first = FrameAt(start);
    const int frames = FrameAt(0.11);
    const double fall = DecayPerSample(0.022);
    Phase a;
    Phase b;
    double level = amp;
    for (int i = 0; i < frames; ++i) {
        const double env = i < 40 ? i / 40.0 : 1.0;
        const double s = SineTable().At(a.Step(NoteHz(note))) + 0.5 * SineTable().At(b.Step(NoteHz(note + 7.0)));
        track.Add(first + i, s * level * env * kCentreGain, s * level * env * kCentreGain);
        level *= fall;
    }
}

void WriteWav16Stereo(const std::string& path, const Track& track) {
    const auto dataBytes = static_cast<std::uint32_t>(track.Frames()) * 4u;
    std::vector<std::uint8_t> out = WavHeader(2, 16, dataBytes);
    for (int i = 0; i < track.Frames(); ++i) {
        for (double v : {track.Left(i), track.Right(i)}) {
            const auto s = static_cast<std::int32_t>(std::floor(Clamp(v, -1.0, 1.0) * 32767.0 + 0.5));
            PutLe(out, static_cast<std::uint32_t>(s) & 0xFFFFu, 2);
        }
    }
    WriteBytes(path, out);
}

void WriteWav8Mono(const std::string& path, const Track& track) {
    const auto dataBytes = static_cast<std::uint32_t>(track.Frames());
    std::vector<std::uint8_t> out = WavHeader(1, 8, dataBytes);
    for (int i = 0; i < track.Frames(); ++i) {
        const double v = Clamp((track.Left(i) + track.Right(i)) * 0.5, -1.0, 1.0);
        // 8-bit PCM is unsigned, silence at 128.
        out.push_back(static_cast<std::uint8_t>(std::floor(128.0 + v * 127.0 + 0.5)));
    }
    if (dataBytes & 1u) out.push_back(0);  // RIFF chunks are padded to an even size
    WriteBytes(path, out);
}

void WriteOgg(const std::string& path, const Track& track, double quality, int serial, const std::string& title) {
    vorbis_encode::StreamSettings settings;
    settings.channels = 2;
    settings.rate = kSampleRate;
    settings.quality = static_cast<float>(quality);
    settings.serial = serial;
    settings.tags = {{"TITLE", title}, {"ARTIST", "RodaZaro demo generator"}};
    const std::vector<std::uint8_t> out = vorbis_encode::EncodeStream(
        settings, static_cast<std::size_t>(track.Frames()), [&track](float** buffer, std::size_t first, int count) {
            for (int i = 0; i < count; ++i) {
                const int frame = static_cast<int>(first) + i;
                buffer[0][i] = static_cast<float>(Clamp(track.Left(frame), -1.0, 1.0));
                buffer[1][i] = static_cast<float>(Clamp(track.Right(frame), -1.0, 1.0));
            }
        });
    if (out.empty()) throw std::runtime_error("the Vorbis encoder refused its settings for " + path);
    WriteBytes(path, out);
}

}  // namespace demo
