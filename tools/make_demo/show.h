// "Starlight Harbour": the example presentation. The pictures, the sounds and
// the script share the few numbers below, so that what is drawn fits where
// the script puts it (the comet's tail points against its flight, the
// lighthouse stands on the headland, the ship floats on the sea).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tools/make_demo/audio.h"
#include "tools/make_demo/script.h"

namespace demo {

// Reference screen: the pictures are sized for 1024 x 768; positions in the
// script are normalised, so smaller modes show the same layout cropped.
constexpr int kRefWidth = 1024;
constexpr int kRefHeight = 768;

// The coast picture (1024 x 384) is shown with its centre at y = 0.5, so its
// top row is screen row 384 on the reference screen.
constexpr int kCoastWidth = 1024;
constexpr int kCoastHeight = 384;
constexpr double kCoastY = 0.5;
constexpr int kHorizonRow = 180;  // coast row where the open sea begins
constexpr int kPlateauRow = 110;  // height of the left headland

// The lighthouse stands on the headland; its picture (64 x 256) has the foot
// of the tower at row kTowerFootRow and the lamp at (32, kLampRow).
constexpr double kLighthouseX = -0.700;
constexpr int kTowerWidth = 64;
constexpr int kTowerHeight = 256;
constexpr int kTowerFootRow = 236;
constexpr int kLampRow = 51;

// The ship (256 x 128) floats with its waterline on row kShipWaterline; its
// stern lantern is at (kLanternX, kLanternY) in the ship's picture.
constexpr int kShipWidth = 256;
constexpr int kShipHeight = 128;
constexpr int kShipWaterline = 100;
constexpr int kLanternX = 204;
constexpr int kLanternY = 76;
constexpr int kShipScreenWaterline = 640;  // screen row on the reference screen

// The comet flies with this speed (normalised units per millisecond).
constexpr double kCometDx = 0.0011;
constexpr double kCometDy = 0.0005;

// The moon rises from behind the hills on the right.
constexpr double kMoonX = 0.450;

// Normalised y that puts picture row `row` of a picture `height` high on
// screen row `screenRow` of the reference screen.
double NormalisedY(int screenRow, int row, int height);

// What the generator wrote, for the summary it prints.
struct AssetInfo {
    std::string file;  // path below the data folder
    std::string kind;
};

// Draw the pictures into gfxDir; returns their sizes by file name.
std::map<std::string, Size2> MakePictures(const std::string& gfxDir, std::vector<AssetInfo>& written);
// The loudest the show's mix may come out as synthesized: -1.5 dBFS, half a
// decibel below the -1 dBFS the played mix must keep.
constexpr double kMixPeak = 0.8414;

// A sound of the show, synthesized and not yet written.
struct SoundFile {
    enum class Kind { Ogg, Wav16Stereo, Wav8Mono };
    std::string file;  // name below sound/
    Kind kind;
    Track track;
    int serial = 0;     // Ogg only: the stream's fixed serial number
    std::string title;  // Ogg only: its title tag
};

// Synthesizes the sounds, each at its own level.
std::vector<SoundFile> MakeSoundTracks();
// The largest absolute sample of the show's mix: every sound started where
// the dry run played it (a sound started again starts over, as the player's
// do) and all summed, as the player's mixer sums them.
double MixPeak(const std::vector<SoundStart>& plays, const std::vector<SoundFile>& sounds);
// Scales every sound by gain (the mix gain) and writes them into soundDir;
// returns their file names.
std::vector<std::string> WriteSounds(const std::string& soundDir, std::vector<SoundFile>& sounds, double gain,
                                     std::vector<AssetInfo>& written);
// The script of the show.
Script MakeScript();

}  // namespace demo
