// The sounds of the show: four pieces of music as Ogg Vorbis and four effects
// as WAV, all synthesized here. The music is in D; the deep-sky piece runs at
// 120 beats a minute so that the script's drum cues fall on its beats.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/make_demo/audio.h"
#include "tools/make_demo/detmath.h"
#include "tools/make_demo/show.h"

namespace demo {

namespace {

// MIDI note numbers used below.
enum Note : int {
    A1 = 33,
    Bb1 = 34,
    C2 = 36,
    D2 = 38,
    G2 = 43,
    A2 = 45,
    Bb2 = 46,
    B2 = 47,
    C3 = 48,
    D3 = 50,
    E3 = 52,
    F3 = 53,
    Fs3 = 54,
    G3 = 55,
    A3 = 57,
    Bb3 = 58,
    B3 = 59,
    C4 = 60,
    Cs4 = 61,
    D4 = 62,
    E4 = 64,
    F4 = 65,
    Fs4 = 66,
    G4 = 67,
    A4 = 69,
    B4 = 71,
    Cs5 = 73,
    D5 = 74,
    E5 = 76,
    F5 = 77,
    Fs5 = 78,
    G5 = 79,
    A5 = 81,
    Cs6 = 85,
    D6 = 86,
    E6 = 88
};

constexpr double kOggQuality = 0.1;

struct Chord {
    double start;
    double length;
    std::vector<int> notes;
};

void PadChords(Track& track, const std::vector<Chord>& chords, double amp, double attack, double release,
               double brightness) {
    for (const Chord& chord : chords) {
        for (std::size_t i = 0; i < chord.notes.size(); ++i) {
            const double pan = (i % 2 == 0 ? -0.3 : 0.3) * (static_cast<double>(i) / chord.notes.size() + 0.3);
            Pad(track, chord.start, chord.length, chord.notes[i], amp, pan, attack, release, brightness);
        }
    }
}

struct Melody {
    double start;
    double length;
    int note;
};

void Lead(Track& track, const std::vector<Melody>& notes, double amp, double pan) {
    for (const Melody& m : notes) Flute(track, m.start, m.length, m.note, amp, pan);
}

// Title music: a D major ninth that swells out of silence, and a celesta
// that starts to sparkle once the title is up.
Track IntroMusic() {
    Track track(11.0);
    PadChords(track, {{0.0, 8.0, {D3, A3, Fs4, Cs5, E5}}}, 0.22, 3.0, 2.8, 0.35);
    Pad(track, 0.0, 8.0, D2, 0.3, 0.0, 2.0, 2.8, 0.5);
    const int sparkle[] = {D5, Fs5, A5, Cs6, E6, Cs6, A5, Fs5};
    for (int i = 0; i < 20; ++i) {
        Chime(track, 3.0 + 0.3 * i, sparkle[i % 8], 0.16 * (1.0 - i / 26.0), i % 2 == 0 ? -0.5 : 0.5, 0.7);
    }
    track.Normalize(0.85);
    track.FadeEdges(0.05, 1.0);
    return track;
}

// The harbour: a slow progression over the surf, with a flute tune.
Track HarbourMusic() {
    Track track(17.0);
    PadChords(track,
              {{0.0, 4.0, {B2, Fs3, B3, D4, Fs4}},
               {4.0, 4.0, {G2, G3, B3, D4, G4}},
               {8.0, 4.0, {D3, A3, D4, Fs4, A4}},
               {12.0, 3.4, {A2, A3, Cs4, E4, A4}}},
              0.16, 1.2, 1.5, 0.3);
    Waves(track, 0.0, 17.0, 0.5, 5.3, 0x5EA5u);
    Lead(track,
         {{1.0, 1.5, Fs5},
          {2.6, 0.5, E5},
          {3.2, 1.6, D5},
          {5.0, 0.9, B4},
          {6.0, 0.7, D5},
          {6.8, 1.2, E5},
          {9.0, 1.3, Fs5},
          {10.4, 0.5, A5},
          {11.0, 1.0, Fs5},
          {12.2, 1.3, E5},
          {13.6, 1.6, Cs5}},
         0.12, 0.2);
    track.Normalize(0.8);
    track.FadeEdges(0.3, 1.2);
    return track;
}

// Deep sky: 120 beats a minute, a driving bass in eighths, a pad, a celesta
// arpeggio in sixteenths and off-beat hats. The drums are left to the script.
Track DeepMusic() {
    Track track(16.0);
    const double bar = 2.0;
    const std::vector<std::vector<int>> chords = {{D3, A3, D4, F4}, {Bb2, F3, Bb3, D4}, {C3, G3, C4, E4},
                                                  {D3, A3, D4, F4}, {D3, A3, D4, F4},   {Bb2, F3, Bb3, D4},
                                                  {C3, G3, C4, E4}, {A2, E3, A3, Cs4}};
    const int roots[] = {D2, Bb1, C2, D2, D2, Bb1, C2, A1};
    for (int b = 0; b < 8; ++b) {
        const double at = b * bar;
        PadChords(track, {{at, bar, chords[static_cast<std::size_t>(b)]}}, 0.11, 0.4, 0.6, 0.45);
        for (int e = 0; e < 8; ++e) {
            const int note = roots[b] + (e % 4 == 2 ? 12 : 0);
            Bass(track, at + e * 0.25, 0.22, note, 0.33);
            if (b >= 1)
                Hat(track, at + e * 0.25 + 0.125 * (e % 2), 0.05 + 0.05 * (e % 2), 0.3,
                    0xA7u + static_cast<std::uint32_t>(b * 8 + e));
        }
        if (b >= 1) {
            const auto& chord = chords[static_cast<std::size_t>(b)];
            const int order[] = {0, 1, 2, 3, 2, 1, 2, 3};
            for (int s = 0; s < 16; ++s) {
                const int note = chord[static_cast<std::size_t>(order[s % 8])] + 24;
                Chime(track, at + s * 0.125, note, 0.07, s % 2 == 0 ? -0.6 : 0.6, 0.22);
            }
        }
    }
    track.Normalize(0.8);
    track.FadeEdges(0.01, 0.8);
    return track;
}

// Finale: a rising progression resolving on a long D major chord.
Track FinaleMusic() {
    Track track(16.0);
    PadChords(track,
              {{0.0, 2.5, {G2, G3, B3, D4, G4}},
               {2.5, 2.5, {A2, A3, Cs4, E4, A4}},
               {5.0, 2.5, {B2, Fs3, B3, D4, Fs4}},
               {7.5, 2.5, {G2, G3, B3, D4, G4}},
               {10.0, 3.4, {D2, D3, A3, D4, Fs4, A4}}},
              0.15, 0.8, 2.4, 0.35);
    const std::vector<std::vector<int>> arps = {
        {G4, B4, D5, G5}, {A4, Cs5, E5, A5}, {Fs4, B4, D5, Fs5}, {G4, B4, D5, G5}};
    for (int c = 0; c < 4; ++c) {
        for (int s = 0; s < 10; ++s) {
            const auto& tones = arps[static_cast<std::size_t>(c)];
            Chime(track, c * 2.5 + s * 0.25, tones[static_cast<std::size_t>(s % 4)], 0.1, s % 2 == 0 ? -0.45 : 0.45,
                  0.5);
        }
    }
    const int rise[] = {D4, Fs4, A4, D5, Fs5, A5, D6};
    for (int i = 0; i < 7; ++i) Chime(track, 10.0 + 0.18 * i, rise[i], 0.14, -0.6 + 0.2 * i, 1.2);
    Lead(track,
         {{0.5, 1.8, D5},
          {2.5, 0.9, E5},
          {3.5, 1.4, Fs5},
          {5.0, 0.7, E5},
          {5.8, 1.5, D5},
          {7.5, 0.7, Cs5},
          {8.3, 1.5, B4},
          {10.0, 3.0, A4}},
         0.11, -0.15);
    track.Normalize(0.85);
    track.FadeEdges(0.02, 2.0);
    return track;
}

}  // namespace

std::vector<SoundFile> MakeSoundTracks() {
    std::vector<SoundFile> sounds;
    auto ogg = [&](const std::string& file, Track track, int serial, const std::string& title) {
        sounds.push_back(SoundFile{file, SoundFile::Kind::Ogg, std::move(track), serial, title});
    };
    ogg("intro.ogg", IntroMusic(), 0x525A0001, "Starlight Harbour - Title");
    ogg("harbour.ogg", HarbourMusic(), 0x525A0002, "Starlight Harbour - Harbour");
    ogg("deep.ogg", DeepMusic(), 0x525A0003, "Starlight Harbour - Deep Sky");
    ogg("finale.ogg", FinaleMusic(), 0x525A0004, "Starlight Harbour - Finale");

    Track bell(2.4);
    Bell(bell, 0.0, A4, 0.5, 0.9);
    bell.Normalize(0.9);
    bell.FadeEdges(0.0, 0.3);
    sounds.push_back(SoundFile{"bell.wav", SoundFile::Kind::Wav16Stereo, std::move(bell), 0, ""});

    Track whoosh(1.6);
    Whoosh(whoosh, 0.0, 1.6, 1.0, 0x7005u);
    whoosh.Normalize(0.85);
    sounds.push_back(SoundFile{"whoosh.wav", SoundFile::Kind::Wav16Stereo, std::move(whoosh), 0, ""});

    // The mono sounds are mixed down here, so that the show's mix is worked
    // out from the very samples the files hold.
    Track tick(0.12);
    Blip(tick, 0.0, A5 + 12, 0.8);
    tick.Normalize(0.8);
    tick.MixToMono();
    sounds.push_back(SoundFile{"tick.wav", SoundFile::Kind::Wav8Mono, std::move(tick), 0, ""});

    Track drum(0.4);
    Kick(drum, 0.0, 1.0);
    drum.Normalize(0.95);
    drum.MixToMono();
    sounds.push_back(SoundFile{"drum.wav", SoundFile::Kind::Wav8Mono, std::move(drum), 0, ""});
    return sounds;
}

double MixPeak(const std::vector<SoundStart>& plays, const std::vector<SoundFile>& sounds) {
    std::map<std::string, const Track*> tracks;
    for (const SoundFile& sound : sounds) tracks[sound.file] = &sound.track;
    // Each play lasts until its sound ends or the same sound number starts again.
    int end = 0;
    std::vector<int> first(plays.size()), last(plays.size());
    for (std::size_t i = 0; i < plays.size(); ++i) {
        const auto track = tracks.find(plays[i].file);
        if (track == tracks.end()) throw std::runtime_error("the mix plays an unknown sound " + plays[i].file);
        first[i] = FrameAt(plays[i].clockMs / 1000.0);
        last[i] = first[i] + track->second->Frames();
        for (std::size_t j = i + 1; j < plays.size(); ++j) {
            if (plays[j].sound == plays[i].sound) {
                last[i] = std::min(last[i], FrameAt(plays[j].clockMs / 1000.0));
                break;
            }
        }
        end = std::max(end, last[i]);
    }
    std::vector<double> left(static_cast<std::size_t>(end)), right(static_cast<std::size_t>(end));
    for (std::size_t i = 0; i < plays.size(); ++i) {
        const Track& track = *tracks[plays[i].file];
        for (int f = first[i]; f < last[i]; ++f) {
            left[static_cast<std::size_t>(f)] += track.Left(f - first[i]);
            right[static_cast<std::size_t>(f)] += track.Right(f - first[i]);
        }
    }
    double peak = 0.0;
    for (std::size_t f = 0; f < left.size(); ++f)
        peak = std::fmax(peak, std::fmax(std::fabs(left[f]), std::fabs(right[f])));
    return peak;
}

std::vector<std::string> WriteSounds(const std::string& soundDir, std::vector<SoundFile>& sounds, double gain,
                                     std::vector<AssetInfo>& written) {
    std::vector<std::string> names;
    const std::string dir = soundDir + "/";
    for (SoundFile& sound : sounds) {
        if (gain != 1.0) sound.track.Scale(gain);
        std::string kind;
        switch (sound.kind) {
            case SoundFile::Kind::Ogg:
                WriteOgg(dir + sound.file, sound.track, kOggQuality, sound.serial, sound.title);
                kind = "Ogg Vorbis, stereo 44100 Hz";
                break;
            case SoundFile::Kind::Wav16Stereo:
                WriteWav16Stereo(dir + sound.file, sound.track);
                kind = "WAV, 16-bit stereo PCM 44100 Hz";
                break;
            case SoundFile::Kind::Wav8Mono:
                WriteWav8Mono(dir + sound.file, sound.track);
                kind = "WAV, 8-bit mono PCM 44100 Hz";
                break;
        }
        names.push_back(sound.file);
        char length[32];
        std::snprintf(length, sizeof length, ", %.2f s", sound.track.Frames() / static_cast<double>(kSampleRate));
        written.push_back(AssetInfo{"sound/" + sound.file, kind + length});
    }
    return names;
}

}  // namespace demo
