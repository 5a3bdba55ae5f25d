// Sounds for the demo: a stereo mixing track, a handful of synthesized
// instruments, and writers for the sound kinds the player reads (WAV with
// 16-bit stereo or 8-bit mono PCM, Ogg Vorbis).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

constexpr int kSampleRate = 44100;

// The equal-power gains of one pan position.
struct Panner {
    explicit Panner(double pan);
    double left;
    double right;
};

// A stereo track of the given length; instruments add into it.
class Track {
public:
    explicit Track(double seconds);

    int Frames() const { return static_cast<int>(left_.size()); }
    // Adds one stereo sample; frames outside the track are dropped.
    void Add(int frame, double left, double right);
    // Adds a mono sample placed by pan (-1 left, 0 centre, +1 right, equal power).
    void AddPanned(int frame, double value, double pan);
    // The same with the gains of a pan worked out once (see Panner).
    void AddPanned(int frame, double value, const Panner& pan);
    // Scales the whole track so that its largest absolute sample is `peak`.
    void Normalize(double peak);
    // Multiplies every sample by k.
    void Scale(double k);
    // Puts the mean of the two channels in both, as a mono file holds it.
    void MixToMono();
    // Fades the last `seconds` out to silence (and the first `fadeIn` in).
    void FadeEdges(double fadeIn, double fadeOut);

    double Left(int frame) const { return left_[static_cast<std::size_t>(frame)]; }
    double Right(int frame) const { return right_[static_cast<std::size_t>(frame)]; }

private:
    std::vector<double> left_;
    std::vector<double> right_;
};

int FrameAt(double seconds);

// Instruments. Times are in seconds from the start of the track, pitches are
// MIDI note numbers (60 = middle C), amplitudes are linear.
// A soft, slowly swelling chord voice: three detuned oscillators.
void Pad(Track& track, double start, double length, double note, double amp, double pan, double attack, double release,
         double brightness);
// A struck, bell-like note that rings out (celesta in the upper octaves).
void Chime(Track& track, double start, double note, double amp, double pan, double decay);
// A plucked bass note.
void Bass(Track& track, double start, double length, double note, double amp);
// A breathy lead note with vibrato.
void Flute(Track& track, double start, double length, double note, double amp, double pan);
// A short noise tick (closed hi-hat).
void Hat(Track& track, double start, double amp, double pan, std::uint32_t seed);
// A kick drum: a sine that falls in pitch.
void Kick(Track& track, double start, double amp);
// Surf on a shore: filtered noise that swells and ebbs, different on each side.
void Waves(Track& track, double start, double length, double amp, double period, std::uint32_t seed);
// A church-bell strike with inharmonic partials, slightly wider on the right.
void Bell(Track& track, double start, double note, double amp, double decay);
// A rushing noise swept through a band-pass filter, moving from left to right.
void Whoosh(Track& track, double start, double length, double amp, std::uint32_t seed);
// A short bright blip.
void Blip(Track& track, double start, double note, double amp);

// Writers. They fail by throwing std::runtime_error.
void WriteWav16Stereo(const std::string& path, const Track& track);
// The two channels are mixed down to one.
void WriteWav8Mono(const std::string& path, const Track& track);
// Ogg Vorbis, stereo 44100 Hz, variable bit rate of the given quality (-0.1 .. 1);
// the stream serial number is fixed by the caller so that the file is the
// same on every run.
void WriteOgg(const std::string& path, const Track& track, double quality, int serial, const std::string& title);

}  // namespace demo
