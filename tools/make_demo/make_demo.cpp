// rodazaro-make-demo: writes the example presentation "Starlight Harbour"
// into a data folder: the script vuze.kel, the pictures under gfx/ and the
// sounds under sound/. Every file is drawn or synthesized here and comes out
// byte for byte the same on every run.
//
//   rodazaro-make-demo <data folder>
//
// Before writing the script the generator plays it dry at several frame
// times and screen sizes and refuses to finish when a scene overruns its
// cue, a backdrop bares the screen edge, a plain sprite at rest is cut off
// by it, or a command refers to a slot or a file that is not there.  The
// dry run's sound cues give the mix, whose peak sets one gain for all the
// sounds.
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tools/make_demo/script.h"
#include "tools/make_demo/show.h"

namespace demo {

namespace {

// Slots, in drawing order: a higher slot is drawn over a lower one, and all
// slots are loaded at the start in one unbroken run from 0.
enum Slot : int {
    kFarStars = 0,
    kSky = 1,
    kNearStars = 2,
    kMoon = 3,
    kLighthouse = 4,  // behind the coast, which hides its foot
    kLamp = 5,
    kCoast = 6,
    kShip = 7,
    kLantern = 8,
    kPlanet = 9,
    kComet = 10,
    kTitle = 11,
    kSubtitle = 12,
    kThanks = 13,
    kCaptionHarbour = 14,  // plain sprites: always drawn on top of the 3D ones
    kCaptionDeep = 15,
};

enum Sound : int {
    kIntroMusic = 0,
    kHarbourMusic = 1,
    kBell = 2,
    kWhoosh = 3,
    kTick = 4,
    kDrum = 5,
    kDeepMusic = 6,
    kFinaleMusic = 7,
};

// The captions rest this far from the centre, left and right, whole on the
// 640 x 480 screen too; they slide in from out of sight of the widest view
// (the 640-pixel screen, where a caption is half its width).
constexpr double kCaptionX = 0.45;
constexpr double kCaptionStartX = 1.55;

double Round3(double v) { return std::nearbyint(v * 1000.0) / 1000.0; }

// Steps the alpha of the slots from `from` to `to`, `stepMs` apart.
void Fade(Script& s, const std::vector<int>& slots, int from, int to, int steps, int stepMs) {
    for (int k = 1; k <= steps; ++k) {
        for (int slot : slots) s.Agfx(slot, from + (to - from) * k / steps);
        if (k < steps) s.Wfor(stepMs);
    }
}

// Fades each slot from its own alpha down to 0, all in step.
void FadeOut(Script& s, const std::vector<std::pair<int, int>>& slotsFrom, int steps, int stepMs) {
    for (int k = 1; k <= steps; ++k) {
        for (const auto& [slot, from] : slotsFrom) s.Agfx(slot, from * (steps - k) / steps);
        if (k < steps) s.Wfor(stepMs);
    }
}

// A caption slides in with a tick from the side (-1 left, 1 right) to rest
// there at height y.
void CaptionSlidesIn(Script& s, int slot, double side, double y) {
    s.Sbmp(slot, side * kCaptionStartX, y);
    s.Mgfx(slot, -side * 0.0025, 0.0);
    s.Psnd(kTick);
    s.Wfor(350);
    s.Mgfx(slot, -side * 0.0006, 0.0);
    s.Wfor(150);
    s.Mgfx(slot, 0.0, 0.0);
    s.Sbmp(slot, side * kCaptionX, y);
}

// The lighthouse shows its characteristic: two flashes, then a dim glow.
void LampFlashes(Script& s) {
    s.Agfx(kLamp, 230);
    s.Wfor(250);
    s.Agfx(kLamp, 40);
    s.Wfor(350);
    s.Agfx(kLamp, 230);
    s.Wfor(250);
    s.Agfx(kLamp, 40);
}

}  // namespace

Script MakeScript() {
    Script s("Starlight Harbour");
    const double towerY = Round3(NormalisedY(kRefHeight / 2 + kPlateauRow + 4, kTowerFootRow, kTowerHeight));
    const double shipY = Round3(NormalisedY(kShipScreenWaterline, kShipWaterline, kShipHeight));

    // Everything is loaded before the clock starts, so no load makes a moving
    // picture jump later.
    s.Mark("loading: 8 sounds, 16 pictures");
    s.Lsnd(kIntroMusic, "intro.ogg");
    s.Lsnd(kHarbourMusic, "harbour.ogg");
    s.Lsnd(kBell, "bell.wav");
    s.Lsnd(kWhoosh, "whoosh.wav");
    s.Lsnd(kTick, "tick.wav");
    s.Lsnd(kDrum, "drum.wav");
    s.Lsnd(kDeepMusic, "deep.ogg");
    s.Lsnd(kFinaleMusic, "finale.ogg");
    s.Lgfx(kFarStars, "stars_far.png");
    s.Lgfx(kSky, "sky.png");
    s.Lgfx(kNearStars, "stars_near.png");
    s.Lgfx(kMoon, "moon.png");
    s.Lgfx(kLighthouse, "lighthouse.png");
    s.Lgfx(kLamp, "lamp.png");
    s.Lgfx(kCoast, "coast.png");
    s.Lgfx(kShip, "ship.bmp");
    s.Lgfx(kLantern, "lantern.png");
    s.Lgfx(kPlanet, "planet.png");
    s.Lgfx(kComet, "comet.png");
    s.Lgfx(kTitle, "title.png");
    s.Lgfx(kSubtitle, "subtitle.png");
    s.Lgfx(kThanks, "thanks.png");
    s.Lbmp(kCaptionHarbour, "caption1.bmp");
    s.Lbmp(kCaptionDeep, "caption2.bmp");
    s.Stck();

    // Scene 1: the title. Two starfields fade in and drift at different
    // speeds; the title pushes in slowly, the subtitle follows.
    s.Mark("scene 1, title: starfields fade in, title music");
    s.Agfx(kFarStars, 0);
    s.Agfx(kNearStars, 0);
    s.Sgfx(kFarStars, 0.0, 0.0);
    s.Mgfx(kFarStars, -0.00002, 0.0);
    s.Sgfx(kNearStars, 0.0, 0.0);
    s.Mgfx(kNearStars, -0.00006, 0.0);
    s.Psnd(kIntroMusic);
    Fade(s, {kFarStars, kNearStars}, 0, 255, 10, 80);

    s.Wait(2500);
    s.Mark("title fades in and pushes in, bell");
    s.Agfx(kTitle, 0);
    s.Sgfx(kTitle, 0.0, -0.15);
    s.Zgfx(kTitle, 0.00003);
    s.Psnd(kBell);
    Fade(s, {kTitle}, 0, 255, 16, 50);

    s.Wait(5000);
    s.Mark("subtitle fades in");
    s.Agfx(kSubtitle, 0);
    s.Sgfx(kSubtitle, 0.0, 0.1);
    Fade(s, {kSubtitle}, 0, 255, 10, 60);

    s.Wait(8400);
    s.Mark("title and subtitle shrink and fade out");
    s.Zgfx(kTitle, -0.0001);
    s.Zgfx(kSubtitle, -0.0001);
    Fade(s, {kTitle, kSubtitle}, 255, 0, 12, 60);
    s.Dgfx(kTitle);
    s.Dgfx(kSubtitle);

    // Scene 2: the harbour at night. The sky and the coast fade in over the
    // stars; the moon rises behind the hills; a ship sails in with its lantern
    // (EGFX keeps the lantern's light on the ship); the lighthouse flashes.
    s.Wait(11000);
    s.Mark("scene 2, harbour: sky and coast fade in, surf music");
    s.Psnd(kHarbourMusic);
    s.Agfx(kSky, 0);
    s.Sgfx(kSky, 0.0, 0.0);
    s.Agfx(kCoast, 0);
    s.Sgfx(kCoast, 0.0, kCoastY);
    s.Mgfx(kNearStars, -0.00001, 0.0);
    Fade(s, {kSky, kCoast}, 0, 255, 10, 60);
    s.Dgfx(kFarStars);  // hidden behind the sky anyway
    s.Mgfx(kFarStars, 0.0, 0.0);

    s.Wait(13500);
    s.Mark("the moon rises");
    s.Sgfx(kMoon, kMoonX, 0.62);
    s.Mgfx(kMoon, 0.0, -0.00004);

    s.Wait(14200);
    s.Mark("lighthouse appears, the ship sails in");
    s.Agfx(kLighthouse, 0);
    s.Sgfx(kLighthouse, kLighthouseX, towerY);
    s.Sgfx(kShip, 1.25, shipY);
    s.Mgfx(kShip, -0.0001, 0.0);
    s.Egfx(kShip, kLantern);
    s.Agfx(kLantern, 190);
    Fade(s, {kLighthouse}, 0, 255, 6, 50);

    s.Wait(15500);
    s.Mark("the lamp flashes, bell");
    s.Agfx(kLamp, 0);
    s.Sgfx(kLamp, kLighthouseX, towerY);
    s.Psnd(kBell);
    LampFlashes(s);

    s.Wait(17000);
    s.Mark("caption slides in from the left");
    CaptionSlidesIn(s, kCaptionHarbour, -1.0, -0.8);

    s.Wait(19500);
    s.Mark("the lamp flashes");
    LampFlashes(s);

    s.Wait(21500);
    s.Mark("caption slides out");
    s.Mgfx(kCaptionHarbour, -0.003, 0.0);
    s.Wfor(450);
    s.Dgfx(kCaptionHarbour);
    s.Mgfx(kCaptionHarbour, 0.0, 0.0);

    s.Wait(23500);
    s.Mark("the lamp flashes");
    LampFlashes(s);

    s.Wait(25800);
    s.Mark("the harbour fades into the stars");
    // The far stars come back behind the sky, ready for the flight.
    s.Sgfx(kFarStars, -0.4, 0.0);
    s.Mgfx(kFarStars, 0.00004, 0.0);
    FadeOut(s,
            {{kSky, 255}, {kMoon, 255}, {kLighthouse, 255}, {kLamp, 40}, {kCoast, 255}, {kShip, 255}, {kLantern, 190}},
            5, 60);
    for (int slot : {kSky, kMoon, kLighthouse, kLamp, kCoast, kShip, kLantern}) s.Dgfx(slot);

    // Scene 3: into the deep sky. The starfields stream past, a ringed planet
    // comes out of the distance, a comet streaks by twice, and the stars pulse
    // with the drum on the beat of the music.
    s.Wait(28000);
    s.Mark("scene 3, deep sky: the stars stream past, 120 bpm music");
    s.Psnd(kDeepMusic);
    s.Mgfx(kNearStars, 0.00008, 0.0);

    s.Wait(28400);
    s.Mark("the planet comes out of the distance");
    // Shrunk while invisible, then it grows for the rest of the scene.
    s.Agfx(kPlanet, 0);
    s.Sgfx(kPlanet, 0.35, -0.15);
    s.Zgfx(kPlanet, -0.001);
    s.Wfor(750);
    s.Zgfx(kPlanet, 0.00005);
    s.Mgfx(kPlanet, -0.00001, 0.0);
    Fade(s, {kPlanet}, 0, 255, 10, 70);

    s.Wait(31300);
    s.Mark("caption slides in from the right");
    CaptionSlidesIn(s, kCaptionDeep, 1.0, 0.8);

    s.Wait(33000);
    s.Mark("a comet streaks across, whoosh");
    s.Sgfx(kComet, -1.3, -0.9);
    s.Mgfx(kComet, kCometDx, kCometDy);
    s.Psnd(kWhoosh);

    // Eight drum beats, each on an absolute time, with the near stars flashing.
    for (int beat = 0; beat < 8; ++beat) {
        const int at = 35000 + 500 * beat;
        s.Wait(at);
        if (beat == 0) s.Mark("eight drum beats, the stars pulse");
        s.Psnd(kDrum);
        s.Agfx(kNearStars, 255);
        if (beat == 4) s.Mgfx(kCaptionDeep, 0.003, 0.0);  // the caption leaves to the right
        if (beat == 5) {
            s.Dgfx(kCaptionDeep);
            s.Mgfx(kCaptionDeep, 0.0, 0.0);
        }
        s.Wait(at + 250);
        s.Agfx(kNearStars, 110);
    }
    s.Wait(39000);
    s.Agfx(kNearStars, 255);

    s.Wait(39500);
    s.Mark("the comet again");
    s.Sgfx(kComet, -1.3, -0.5);
    s.Psnd(kWhoosh);

    // Scene 4: the finale. The planet recedes, the closing words fade in and
    // keep growing, the title returns above, the comet passes once more, and
    // everything fades before the show ends by itself.
    s.Wait(44000);
    s.Mark("scene 4, finale: closing words, finale music");
    s.Psnd(kFinaleMusic);
    s.Dgfx(kComet);
    s.Zgfx(kPlanet, -0.00002);
    s.Mgfx(kPlanet, -0.00002, 0.00001);
    s.Mgfx(kFarStars, 0.000005, 0.0);
    s.Mgfx(kNearStars, 0.00002, 0.0);
    s.Agfx(kThanks, 0);
    s.Sgfx(kThanks, 0.0, 0.55);
    s.Zgfx(kThanks, 0.00001);
    Fade(s, {kThanks}, 0, 255, 16, 70);

    s.Wait(47000);
    s.Mark("the title returns");
    s.Agfx(kTitle, 0);
    s.Sgfx(kTitle, 0.0, -0.7);
    s.Zgfx(kTitle, -0.00001);
    Fade(s, {kTitle}, 0, 220, 10, 80);

    s.Wait(50000);
    s.Mark("the comet's last pass");
    s.Sgfx(kComet, -1.3, -0.3);
    s.Mgfx(kComet, kCometDx, kCometDy);
    s.Psnd(kWhoosh);

    s.Wait(54000);
    s.Mark("closing bell");
    s.Psnd(kBell);

    s.Wait(57800);
    s.Mark("everything fades out");
    FadeOut(s, {{kFarStars, 255}, {kNearStars, 255}, {kPlanet, 255}, {kTitle, 220}, {kThanks, 255}}, 8, 50);

    s.Wait(60000);
    s.Mark("end");
    s.Quit();
    return s;
}

}  // namespace demo

namespace {

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot create " + path.string());
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <data folder>\n", argv[0]);
        return 2;
    }
    try {
        const fs::path data = argv[1];
        fs::create_directories(data / "gfx");
        fs::create_directories(data / "sound");

        std::vector<demo::AssetInfo> written;
        demo::SimulationSetup setup;
        setup.images = demo::MakePictures((data / "gfx").string(), written);
        std::vector<demo::SoundFile> sounds = demo::MakeSoundTracks();
        for (const demo::SoundFile& sound : sounds) setup.sounds.insert(sound.file);
        setup.backdrops = {0, 1, 2};  // far stars, sky, near stars

        const demo::Script script = demo::MakeScript();

        // Dry runs: 60 frames a second and a slow 33, on the three screen sizes.
        struct Run {
            int frameMs, width, height;
        };
        demo::SimulationResult nominal;
        bool ok = true;
        double mixPeak = 0.0;
        for (const Run run :
             {Run{17, 1024, 768}, Run{17, 800, 600}, Run{17, 640, 480}, Run{30, 1024, 768}, Run{30, 640, 480}}) {
            setup.frameMs = run.frameMs;
            setup.screenWidth = run.width;
            setup.screenHeight = run.height;
            demo::SimulationResult result = demo::Simulate(script, setup);
            for (const std::string& problem : result.problems) {
                std::fprintf(stderr, "problem: %s\n", problem.c_str());
                ok = false;
            }
            // The sounds start on other samples at another frame time.
            if (run.width == 1024) mixPeak = std::fmax(mixPeak, demo::MixPeak(result.plays, sounds));
            if (run.frameMs == 17 && run.width == 1024) nominal = std::move(result);
        }
        if (!ok) return 1;

        // One gain for every sound keeps the balance of the mix and its peak
        // at kMixPeak, below full scale by a margin for what the Vorbis
        // encoder and the player's resampling add to the peaks.
        const double gain = std::fmin(1.0, demo::kMixPeak / mixPeak);
        for (const std::string& name : demo::WriteSounds((data / "sound").string(), sounds, gain, written)) {
            if (setup.sounds.count(name) == 0) throw std::runtime_error("an unplanned sound " + name);
        }

        WriteText(data / "vuze.kel", script.Text());
        written.push_back(demo::AssetInfo{"vuze.kel", "script, " + std::to_string(script.Size() + 1) + " lines"});

        std::printf("Wrote \"%s\" to %s:\n", script.Title().c_str(), data.string().c_str());
        std::uintmax_t total = 0;
        for (const demo::AssetInfo& asset : written) {
            const std::uintmax_t bytes = fs::file_size(data / asset.file);
            total += bytes;
            std::printf("  %-20s %8ju bytes  %s\n", asset.file.c_str(), bytes, asset.kind.c_str());
        }
        std::printf("  %-20s %8ju bytes\n", "total", total);
        std::printf("Outline at 60 frames a second (script clock):\n");
        for (const auto& [label, ms] : nominal.marks) std::printf("  %6.2f s  %s\n", ms / 1000.0, label.c_str());
        std::printf("  QUIT at %.2f s\n", nominal.endClock / 1000.0);
        std::printf("Mix: peak %.1f dBFS as synthesized, sounds scaled by %.1f dB to a peak of %.1f dBFS\n",
                    20.0 * std::log10(mixPeak), 20.0 * std::log10(gain), 20.0 * std::log10(mixPeak * gain));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "rodazaro-make-demo: %s\n", error.what());
        return 1;
    }
    return 0;
}
