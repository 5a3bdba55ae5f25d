// Writing the presentation script, and a dry run of it.
//
// The script is a title line and then one fixed-column command per line,
// each field in the columns the player's command table (player/commands.h)
// gives it:
//   LSND s name     sound s from the file name
//   PSND s          play sound s
//   LGFX nn name    graphic nn from the file name, as a 3D sprite
//   LBMP nn name    the same as a plain sprite
//   SGFX nn x y     show as 3D sprite at x, y
//   SBMP nn x y     show as plain sprite
//   MGFX nn dx dy   speed per millisecond
//   ZGFX nn dz      zoom speed per millisecond
//   AGFX nn aaa     alpha
//   EGFX nn mm      copy placement and motion of nn to mm
//   DGFX nn         hide
//   STCK / WAIT t / WFOR t / QUIT   script clock, absolute and relative waits
// Lines end with CR LF.
//
// Every emitted line is re-read with the player's column rules and compared
// with what was meant, so a value that does not fit its field stops the
// generator instead of reaching the player. Simulate() then plays the script
// with a fixed frame time and reports scheduling and layout mistakes.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace demo {

// One command as meant (what the text must read back as).
struct Command {
    std::string word;
    int number = 0;    // slot or sound number
    int other = 0;     // EGFX target slot, AGFX alpha, WAIT/WFOR time
    float a = 0.0f;    // x, dx or dzoom
    float b = 0.0f;    // y or dy
    std::string name;  // file name of LSND, LGFX, LBMP

    bool operator==(const Command&) const = default;
};

// Reads one command line back with the player's column rules.
Command ParseLine(const std::string& line);

// Formats v in exactly `width` characters (sign and point included) so that
// reading it back as a single-precision number gives float(v) exactly;
// throws when no such text exists.
std::string FixedReal(double v, int width);

class Script {
public:
    explicit Script(std::string title);

    // Attaches a label to the next command, for the outline of the show.
    void Mark(const std::string& label);

    void Lsnd(int sound, const std::string& name);
    void Psnd(int sound);
    void Lgfx(int slot, const std::string& name);
    void Lbmp(int slot, const std::string& name);
    void Sgfx(int slot, double x, double y);
    void Sbmp(int slot, double x, double y);
    void Mgfx(int slot, double dx, double dy);
    void Zgfx(int slot, double dzoom);
    void Agfx(int slot, int alpha);
    void Egfx(int from, int to);
    void Dgfx(int slot);
    void Stck();
    void Wait(int ms);
    void Wfor(int ms);
    void Quit();

    const std::string& Title() const { return title_; }
    std::size_t Size() const { return lines_.size(); }
    const std::string& LineText(std::size_t i) const { return lines_[i].text; }
    const Command& LineCommand(std::size_t i) const { return lines_[i].command; }
    const std::string& LineMark(std::size_t i) const { return lines_[i].mark; }
    // The whole file: title, then the commands, every line ended by CR LF.
    std::string Text() const;

private:
    struct Line {
        std::string text;
        Command command;
        std::string mark;
    };
    void Emit(std::string text, Command command);

    std::string title_;
    std::vector<Line> lines_;
    std::string pendingMark_;
};

struct Size2 {
    int width = 0;
    int height = 0;
};

struct SimulationSetup {
    int frameMs = 17;  // time of one main-loop turn
    int screenWidth = 1024;
    int screenHeight = 768;
    std::map<std::string, Size2> images;  // file name -> picture size
    std::set<std::string> sounds;         // sound file names
    std::set<int> backdrops;              // slots that must cover the whole screen while shown
};

// A PSND as the dry run played it.
struct SoundStart {
    int clockMs;       // script clock when the line ran
    int sound;         // the sound number
    std::string file;  // the file that LSND loaded as that sound
};

struct SimulationResult {
    std::vector<std::pair<std::string, int>> marks;  // label, script clock when its line ran
    std::vector<SoundStart> plays;
    int endClock = 0;  // script clock at QUIT
    std::vector<std::string> problems;
};

SimulationResult Simulate(const Script& script, const SimulationSetup& setup);

}  // namespace demo
