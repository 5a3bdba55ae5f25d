// The checker's reading of words and titles: which command an unknown word
// most likely meant, and how a title's bytes read as text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/check/suggest.h"
#include "tools/check/text_encoding.h"

namespace {

TEST(CheckWords, EditDistanceCountsInsertsDeletesReplacementsAndSwaps) {
    struct Case {
        const char* a;
        const char* b;
        int distance;
    };
    const Case cases[] = {
        {"SGFX", "SGFX", 0}, {"SFGX", "SGFX", 1}, {"SGF", "SGFX", 1},  {"STICK", "STCK", 1}, {"XGFX", "LGFX", 1},
        {"STOP", "STCK", 2}, {"", "QUIT", 4},     {"QUIT", "", 4},     {"GSFX", "SGFX", 1},  {"XFGS", "SGFX", 3},
        {"ABCD", "BADC", 2}, {"CA", "ABC", 3},    {"WIAT", "WAIT", 1}, {"LSDN", "LSND", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(check::EditDistance(c.a, c.b), c.distance) << c.a << " -> " << c.b;
        EXPECT_EQ(check::EditDistance(c.b, c.a), c.distance) << c.b << " -> " << c.a;
    }
}

TEST(CheckWords, SuggestsOnlyNearAndFewCommands) {
    struct Case {
        const char* line;
        std::vector<std::string> nearest;
    };
    const std::vector<Case> cases = {
        {"SFGX 00 0.000 0.000", {"SGFX"}},
        {"sgxf 00", {"SGFX"}},
        {"STICK", {"STCK"}},        // the word up to the space
        {"SGF03 0.000", {"SGFX"}},  // the four columns the player reads
        {"QUT", {"QUIT"}},
        {"WAT\t100", {"WAIT"}},
        {"PSN 0", {"PSND"}},
        {"LBNP 00 a.bmp", {"LBMP"}},
        {"XSND 0", {"LSND", "PSND"}},  // two equally near: both
        {"XGFX 00", {}},               // one letter from seven commands: says nothing
        {"STOP", {}},
        {"PLAY 0", {}},
        {"", {}},
        {"# comment", {}},
    };
    for (const Case& c : cases) {
        const std::vector<const char*> found = check::NearestCommands(c.line);
        EXPECT_EQ(std::vector<std::string>(found.begin(), found.end()), c.nearest) << c.line;
    }
    EXPECT_EQ(check::Suggestion("SFGX 00"), " (did you mean SGFX?)");
    EXPECT_EQ(check::Suggestion("XSND 0"), " (did you mean LSND or PSND?)");
    EXPECT_EQ(check::Suggestion("PLAY"), "");
}

TEST(CheckWords, TitlesReadAsUtf8OrAsWindows1252) {
    struct Case {
        const char* bytes;
        bool ascii;
        bool utf8;
        const char* asWindows;  // the bytes as Windows-1252 characters, in UTF-8
    };
    const Case cases[] = {
        {"Harbour", true, true, "Harbour"},
        {"Caf\xC3\xA9", false, true, "Caf\xC3\x83\xC2\xA9"},
        {"\xE2\x82\xAC", false, true, "\xC3\xA2\xE2\x80\x9A\xC2\xAC"},
        {"\xF0\x9F\x8C\x99", false, true, "\xC3\xB0\xC5\xB8\xC5\x92\xE2\x84\xA2"},
        {"Caf\xE9", false, false, "Caf\xC3\xA9"},
        {"\x81\x8D\x8F\x90\x9D", false, false, "?????"},
        {"\xC0\xAF", false, false, "\xC3\x80\xC2\xAF"},                           // overlong '/'
        {"\xED\xA0\x80", false, false, "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},           // a surrogate
        {"\xF4\x90\x80\x80", false, false, "\xC3\xB4?\xE2\x82\xAC\xE2\x82\xAC"},  // beyond U+10FFFF
        {"\xC3", false, false, "\xC3\x83"},                                       // cut short
        {"\xC3(", false, false, "\xC3\x83("},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(check::IsAscii(c.bytes), c.ascii) << c.bytes;
        EXPECT_EQ(check::IsUtf8(c.bytes), c.utf8) << c.bytes;
        EXPECT_EQ(check::Windows1252AsUtf8(c.bytes), c.asWindows) << c.bytes;
    }
}

}  // namespace
