// The script's commands: words, fixed columns, fields and their effects on
// the gfx table, the script clock and the files they open.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/test/test_backend.h"
#include "player/interpreter.h"
#include "player/player.h"
#include "player/player_state.h"
#include "player/report.h"
#include "runtime/strings.h"
#include "screen/screen_fixture.h"
#include "screen/sprite3d.h"
#include "screen/sprites.h"
#include "screen/sprites_test_support.h"
#include "sound/sound.h"
#include "sound/wav_builder.h"
#include "support/fixtures.h"

namespace rodazaro_test {
namespace {

using player::gPlayer;
using player::GfxSlot;
using Names = std::vector<std::string>;

std::vector<unsigned char> TableBytes() {
    const auto* bytes = reinterpret_cast<const unsigned char*>(gPlayer.gfxTable);
    return std::vector<unsigned char>(bytes, bytes + 101 * sizeof(GfxSlot));
}

class InterpreterTest : public PlayerFixture {
protected:
    // Starts the player on a script of these command lines (after a title),
    // without frames: the commands' effects are not mixed with motion.
    void Script(const std::string& lines, bool openDisplay = false) {
        Start("Title\n" + lines, 640, 480, openDisplay);
        gPlayer.screenOpen = 0;
    }
    // Executes the next line; checks that it gave the temporary string
    // area back.
    void Line() {
        char* top = runtime::TemporaryTop();
        player::ExecuteScriptLine();
        EXPECT_EQ(runtime::TemporaryTop(), top);
    }
    void Lines(int count) {
        for (int i = 0; i < count; ++i) Line();
    }
    GfxSlot& Slot(int number) { return gPlayer.gfxTable[number]; }
};

TEST_F(InterpreterTest, WordsAreMatchedInUpperCase) {
    Script("sgfx 03 0.250 -.500\nSgFx 04 0.125 0.750\nsbmp 05 -1.00 1.000\n");
    Lines(3);
    EXPECT_EQ(Slot(3).mode, 1);
    EXPECT_EQ(Slot(3).x, 0.25f);
    EXPECT_EQ(Slot(3).y, -0.5f);
    EXPECT_EQ(Slot(4).mode, 1);
    EXPECT_EQ(Slot(4).x, 0.125f);
    EXPECT_EQ(Slot(4).y, 0.75f);
    EXPECT_EQ(Slot(5).mode, 2);
    EXPECT_EQ(Slot(5).x, -1.0f);
    EXPECT_EQ(Slot(5).y, 1.0f);
}

TEST_F(InterpreterTest, UnknownShortAndEmptyLinesDoNothing) {
    Script("SGF\nSG\n\nXXXX 03 0.250 0.500\nSGFZ 03 0.250 0.500\n SGFX 03 0.250 0.500\nWAI\nQUI\nQUIX\n");
    const std::vector<unsigned char> before = TableBytes();
    Lines(9);
    EXPECT_EQ(TableBytes(), before);
    EXPECT_EQ(gPlayer.waitUntil, 0);
    EXPECT_TRUE(Running());
}

TEST_F(InterpreterTest, TheWordIsTheFirstFourCharactersOnly) {
    Script("SGFXX03 0.250 0.500\nQUITTING\n");
    Line();
    EXPECT_EQ(Slot(3).mode, 1);
    EXPECT_EQ(Slot(3).x, 0.25f);
    EXPECT_FALSE(Turn());
}

TEST_F(InterpreterTest, OneDigitSlotFieldsAndTwoDigitOnes) {
    Script("SGFX 5  0.250 0.500\nSGFX 07 0.125 0.250\nSGFX 99 0.500 0.500\nSGFX    0.750 0.750\n");
    Lines(4);
    EXPECT_EQ(Slot(5).mode, 1);
    EXPECT_EQ(Slot(5).x, 0.25f);
    EXPECT_EQ(Slot(7).x, 0.125f);
    EXPECT_EQ(Slot(99).mode, 1);
    // No number in the slot field addresses slot 0.
    EXPECT_EQ(Slot(0).mode, 1);
    EXPECT_EQ(Slot(0).x, 0.75f);
}

TEST_F(InterpreterTest, ANegativeSlotDoesNothing) {
    dir_.Write("data/gfx/a.bmp", SolidBmp(4, 4, 255, 0, 0));
    OpenWatch watch(dir_.File("data/gfx"));
    ASSERT_TRUE(watch.Ok());
    Script(
        "SGFX -1 0.250 0.500\nSBMP -2 0.250 0.500\nMGFX -3 0.0010 0.0010\nZGFX -4 0.0010\n"
        "DGFX -5\nAGFX -6 100\nEGFX -7 03\nEGFX 03 -8\nLGFX -9 a.bmp\nLBMP -1 a.bmp\n",
        true);
    Slot(3).loaded = 1;
    Slot(3).x = 0.5f;
    Slot(3).mode = 1;
    const std::vector<unsigned char> before = TableBytes();
    Lines(10);
    EXPECT_EQ(TableBytes(), before);
    EXPECT_EQ(watch.Take(), Names{}) << "no file was opened";
    EXPECT_EQ(runtime::DynamicObjectCount(screen::SpriteTable()), 0);
    EXPECT_EQ(runtime::DynamicObjectCount(screen::Sprite3DTable()), 0);
}

TEST_F(InterpreterTest, SgfxSetsModePlaceAndResetsZoom) {
    Script("SGFX 02 0.500 0.700\nSGFX 02 -.500\nSGFX 02 0.12345 0.5\n");
    Slot(2).zoom = 1.5f;
    Slot(2).dzoom = 0.25f;
    Slot(2).dx = 0.125f;
    Slot(2).alpha = 99;
    Line();
    EXPECT_EQ(Slot(2).mode, 1);
    EXPECT_EQ(Slot(2).x, 0.5f);
    EXPECT_EQ(Slot(2).y, static_cast<float>(0.7));
    EXPECT_EQ(Slot(2).zoom, 0.0f);
    EXPECT_EQ(Slot(2).dzoom, 0.0f);
    EXPECT_EQ(Slot(2).dx, 0.125f);
    EXPECT_EQ(Slot(2).alpha, 99);
    // The line ends before the y field: y becomes 0.
    Line();
    EXPECT_EQ(Slot(2).x, -0.5f);
    EXPECT_EQ(Slot(2).y, 0.0f);
    // x is positions 9 to 13, y 15 to 19, whatever the text says.
    Line();
    EXPECT_EQ(Slot(2).x, static_cast<float>(0.123));
    EXPECT_EQ(Slot(2).y, 5.0f);
}

TEST_F(InterpreterTest, SbmpSetsModeAndPlaceButKeepsZoom) {
    Script("SBMP 06 -.250 0.125\n");
    Slot(6).zoom = 1.5f;
    Slot(6).dzoom = 0.25f;
    Slot(6).mode = 1;
    Line();
    EXPECT_EQ(Slot(6).mode, 2);
    EXPECT_EQ(Slot(6).x, -0.25f);
    EXPECT_EQ(Slot(6).y, 0.125f);
    EXPECT_EQ(Slot(6).zoom, 1.5f);
    EXPECT_EQ(Slot(6).dzoom, 0.25f);
}

TEST_F(InterpreterTest, MgfxZgfxAndTheirColumns) {
    Script("MGFX 01 -.0010 0.0020\nMGFX 02 0.001234 0.5\nZGFX 07 -.0005\nZGFX 08 0.00051\nMGFX 03 0.0010\n");
    Lines(5);
    EXPECT_EQ(Slot(1).dx, static_cast<float>(-0.001));
    EXPECT_EQ(Slot(1).dy, static_cast<float>(0.002));
    // dx is positions 9 to 14, dy 16 to 21.
    EXPECT_EQ(Slot(2).dx, static_cast<float>(0.0012));
    EXPECT_EQ(Slot(2).dy, 4.0f);
    EXPECT_EQ(Slot(7).dzoom, static_cast<float>(-0.0005));
    EXPECT_EQ(Slot(8).dzoom, static_cast<float>(0.0005));
    EXPECT_EQ(Slot(3).dx, static_cast<float>(0.001));
    EXPECT_EQ(Slot(3).dy, 0.0f);
    // Neither touches anything else.
    EXPECT_EQ(Slot(1).x, 0.0f);
    EXPECT_EQ(Slot(1).mode, 0);
    EXPECT_EQ(Slot(7).zoom, 0.0f);
}

TEST_F(InterpreterTest, DgfxHidesAndAgfxStoresSixteenBits) {
    Script("DGFX 04\nAGFX 04 300\nAGFX 05 2555\nAGFX 06 -12\nAGFX 07\n");
    Slot(4).mode = 2;
    Slot(4).x = 0.5f;
    Slot(7).alpha = 255;
    Line();
    EXPECT_EQ(Slot(4).mode, 0);
    EXPECT_EQ(Slot(4).x, 0.5f);
    Lines(4);
    EXPECT_EQ(Slot(4).alpha, 300);
    EXPECT_EQ(Slot(5).alpha, 255);  // positions 9 to 11 only
    EXPECT_EQ(Slot(6).alpha, -12);
    EXPECT_EQ(Slot(7).alpha, 0);
}

TEST_F(InterpreterTest, EgfxCopiesPlacementMotionZoomAndAlphaOnly) {
    Script("EGFX 03 04\nEGFX 03 05\n");
    GfxSlot& from = Slot(3);
    from = GfxSlot{0.25f, -0.5f, 1.5f, 0.001f, -0.002f, 0.003f, 1, 0, 300};
    Slot(4).loaded = 0;
    Slot(5).loaded = 1;
    Slot(5).mode = 2;
    Lines(2);
    for (int number : {4, 5}) {
        const GfxSlot& to = Slot(number);
        EXPECT_EQ(to.mode, 1) << number;
        EXPECT_EQ(to.x, 0.25f) << number;
        EXPECT_EQ(to.y, -0.5f) << number;
        EXPECT_EQ(to.zoom, 1.5f) << number;
        EXPECT_EQ(to.dx, 0.001f) << number;
        EXPECT_EQ(to.dy, -0.002f) << number;
        EXPECT_EQ(to.dzoom, 0.003f) << number;
        EXPECT_EQ(to.alpha, 300) << number;
    }
    EXPECT_EQ(Slot(4).loaded, 0);
    EXPECT_EQ(Slot(5).loaded, 1);
    EXPECT_EQ(Slot(3).loaded, 0);
}

TEST_F(InterpreterTest, LoadsMarkTheSlotEvenWhenTheFileIsMissing) {
    Script("LGFX 02 missing.png\nLBMP 03 missing.bmp\n", true);
    Lines(2);
    EXPECT_EQ(Slot(2).loaded, 1);
    EXPECT_EQ(Slot(2).alpha, 255);
    EXPECT_EQ(Slot(3).loaded, 1);
    EXPECT_EQ(Slot(3).alpha, 0);
    EXPECT_EQ(screen::LookupSprite(2), nullptr);
    EXPECT_EQ(screen::LookupSprite3D(2), nullptr);
    EXPECT_EQ(screen::LookupSprite(3), nullptr);
}

TEST_F(InterpreterTest, LgfxMakesATextureAnd3DSpriteLbmpAPlainSprite) {
    dir_.Write("data/gfx/red.bmp", SolidBmp(6, 4, 255, 0, 0));
    Script("LGFX 01 red.bmp\nLBMP 02 red.bmp\n", true);
    Lines(2);
    ASSERT_NE(screen::LookupSprite(1), nullptr);
    EXPECT_EQ(screen::LookupSprite(1)->mode, screen::kSpriteModeTexture);
    EXPECT_EQ(screen::SpriteWidth(1), 6);
    EXPECT_EQ(screen::SpriteHeight(1), 4);
    EXPECT_NE(screen::LookupSprite3D(1), nullptr);
    EXPECT_EQ(Slot(1).alpha, 255);
    EXPECT_EQ(Slot(1).loaded, 1);
    ASSERT_NE(screen::LookupSprite(2), nullptr);
    EXPECT_EQ(screen::LookupSprite(2)->mode, screen::kSpriteModeDefault);
    EXPECT_EQ(screen::LookupSprite3D(2), nullptr);
    EXPECT_EQ(Slot(2).alpha, 0);
    EXPECT_EQ(Slot(2).loaded, 1);
}

TEST_F(InterpreterTest, GraphicNamesStartAtPositionNine) {
    dir_.Write("data/gfx/a.bmp", SolidBmp(2, 2, 0, 255, 0));
    dir_.Write("data/gfx/my pic.bmp", SolidBmp(2, 2, 0, 255, 0));
    dir_.Write("data/gfx/b.bmp", SolidBmp(2, 2, 0, 255, 0));
    OpenWatch watch(dir_.File("data/gfx"));
    ASSERT_TRUE(watch.Ok());
    Script("LGFX 05 a.bmp\nLBMP 07 my pic.bmp\nlgfx 8  b.bmp\nLBMP 09 A.BMP\n", true);
    Line();
    EXPECT_EQ(watch.Take(), Names{"a.bmp"});
    EXPECT_NE(screen::LookupSprite(5), nullptr);
    Line();
    EXPECT_EQ(watch.Take(), Names{"my pic.bmp"});
    EXPECT_NE(screen::LookupSprite(7), nullptr);
    Line();
    EXPECT_EQ(watch.Take(), Names{"b.bmp"});
    EXPECT_NE(screen::LookupSprite3D(8), nullptr);
    Line();
    EXPECT_EQ(watch.Take(), Names{"a.bmp"}) << "names are found whatever their case";
    EXPECT_NE(screen::LookupSprite(9), nullptr);
}

TEST_F(InterpreterTest, SoundNamesAlwaysStartAtPositionEight) {
    dir_.Write("data/sound/a.wav", "RIFF");
    dir_.Write("data/sound/x.ogg", "OggS");
    dir_.Write("data/sound/ x.ogg", "OggS");
    dir_.Write("data/sound/2x.ogg", "OggS");
    Script("lsnd 2 a.wav\nLSND 12 x.ogg\nLSND 32x.ogg\n");
    OpenWatch watch(dir_.File("data/sound"));
    ASSERT_TRUE(watch.Ok());
    Line();
    EXPECT_EQ(watch.Take(), Names{"a.wav"});
    Line();
    EXPECT_EQ(watch.Take(), Names{" x.ogg"});
    Line();
    EXPECT_EQ(watch.Take(), Names{"x.ogg"});
}

TEST_F(InterpreterTest, LinesLongerThanTheStringAreaAreCutNotOverrun) {
    const std::string longName(70000, 'n');
    Script("SGFX 01 0.250 0.500" + std::string(70000, ' ') + "9\nLGFX 02 " + longName + "\nLBMP 03 " + longName +
               "\nSGFX 04 -.500 -.500\n",
           true);
    Line();
    EXPECT_EQ(Slot(1).mode, 1);
    EXPECT_EQ(Slot(1).x, 0.25f);
    EXPECT_EQ(Slot(1).y, 0.5f);
    Lines(2);
    EXPECT_EQ(Slot(2).loaded, 1);
    EXPECT_EQ(Slot(3).loaded, 1);
    EXPECT_EQ(screen::LookupSprite(2), nullptr);
    Line();
    EXPECT_EQ(Slot(4).x, -0.5f);
    EXPECT_EQ(runtime::TemporaryTop(), runtime::TemporaryAreaStart());
}

std::vector<std::string> gReports;

// Catches the reports of one test, and stops listening when it ends.
class ReportCatcher {
public:
    ReportCatcher() {
        gReports.clear();
        player::SetReportSink([](const char* text) { gReports.emplace_back(text); });
    }
    ~ReportCatcher() { player::SetReportSink(nullptr); }
    ReportCatcher(const ReportCatcher&) = delete;
    ReportCatcher& operator=(const ReportCatcher&) = delete;
};

TEST_F(InterpreterTest, ReportsTellFailedLoadsAndIgnoredLinesWithTheirNumbers) {
    dir_.Write("data/gfx/red.bmp", SolidBmp(2, 2, 255, 0, 0));
    dir_.Write("data/gfx/junk.png", "not a picture");
    dir_.Write("data/sound/junk.wav", "RIFF and nothing after");
    dir_.Write("data/sound/tone.wav", Wav(1, 22050, 16, Ramp(64)));
    struct Case {
        std::string line;
        const char* report;  // null: nothing to tell
    };
    const Case cases[] = {
        {"LGFX 01 red.bmp", nullptr},
        {"LGFX 02 Missing.png", "data\\gfx\\Missing.png: no such file"},
        {"LBMP 03 junk.png", "data\\gfx\\junk.png: not a BMP or PNG picture that decodes"},
        {"LBMP 04 RED.BMP", nullptr},
        {"LSND 1 junk.wav", "data\\sound\\junk.wav: not a WAV or Ogg Vorbis sound that decodes"},
        {"LSND 2 gone.ogg", "data\\sound\\gone.ogg: no such file"},
        {"lsnd 3 tone.wav", nullptr},
        {"LSND 4 ", "data\\sound\\: no such file"},
        {"XGFX 01 0.500 0.500", "XGFX: no such command; line ignored"},
        {" SGFX 01 0.500 0.500", " SGF: no such command; line ignored"},
        {"sgf", "sgf: too short for a command; line ignored"},
        {"", nullptr},
        {" \t  ", nullptr},
        {"SGFX -4 0.500 0.500", "slot -4: no such slot; line ignored"},
        {"EGFX 01 -2", "slot -2: no such slot; line ignored"},
        {"AGFX -9 100", "slot -9: no such slot; line ignored"},
        {"sgfx 05 0.500 0.500", nullptr},
        {"WAIT", nullptr},
    };
    std::string script;
    for (const Case& c : cases) script += c.line + "\r\n";
    ReportCatcher catcher;
    Script(script, true);
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        Line();
        // The title is line 1.
        if (cases[i].report != nullptr) expected.push_back("line " + std::to_string(i + 2) + ": " + cases[i].report);
    }
    EXPECT_EQ(gReports, expected);
    // What the lines did is what they do without a listener.
    EXPECT_NE(screen::LookupSprite3D(1), nullptr);
    EXPECT_NE(screen::LookupSprite(4), nullptr);
    EXPECT_NE(sound::LookupSound(3), nullptr);
    EXPECT_EQ(Slot(2).loaded, 1);
    EXPECT_EQ(Slot(5).mode, 1);
}

TEST_F(InterpreterTest, AMissingScriptIsToldWithoutALine) {
    ReportCatcher catcher;
    Start(std::nullopt);
    Line();
    EXPECT_EQ(gReports, std::vector<std::string>{"data\\vuze.kel: no such file"});
}

TEST_F(InterpreterTest, StckStartsTheScriptClock) {
    platform::test::SetTicks(4242);
    Script("STCK\n");
    Line();
    EXPECT_EQ(gPlayer.clockStart, 4242u);
    EXPECT_EQ(gPlayer.lastFrameTick, 4242u);
    platform::test::AdvanceTicks(58);
    EXPECT_EQ(player::ElapsedSinceClockStart(), 58);
}

TEST_F(InterpreterTest, WaitAndWforReadTheirTimeFromPositionSix) {
    platform::test::SetTicks(1000);
    Script("WAIT 12345\nWAIT    77\nWAIT 5 3\nWAIT -250\nSTCK\nWFOR 250\nwfor    -20\n");
    Line();
    EXPECT_EQ(gPlayer.waitUntil, 12345);
    Line();
    EXPECT_EQ(gPlayer.waitUntil, 77);
    Line();
    EXPECT_EQ(gPlayer.waitUntil, 5);
    Line();
    EXPECT_EQ(gPlayer.waitUntil, -250);
    Line();
    platform::test::AdvanceTicks(30);
    Line();
    EXPECT_EQ(gPlayer.waitUntil, 280);
    Line();
    EXPECT_EQ(gPlayer.waitUntil, 10);
}

TEST_F(InterpreterTest, QuitEndsTheProgramAtOnce) {
    Script("SGFX 01 0.250 0.250\nquit\nSGFX 02 0.250 0.250\n");
    Line();
    EXPECT_EQ(Slot(1).mode, 1);
    EXPECT_FALSE(Turn());
    EXPECT_EQ(platform::test::SleepCalls(), 0u);
}

}  // namespace
}  // namespace rodazaro_test
