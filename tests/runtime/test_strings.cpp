// Byte strings, the temporary string area and the number conversions.

#include <gtest/gtest.h>

#include <cerrno>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "runtime/heaps.h"
#include "runtime/strings.h"
#include "support/fixtures.h"

namespace rodazaro_test {
namespace {

using runtime::AppendString;
using runtime::AssignString;
using runtime::LeftPart;
using runtime::MidPart;
using runtime::ParseFloat;
using runtime::ParseInt;
using runtime::RightPart;
using runtime::StringEquals;
using runtime::StringLength;
using runtime::TemporaryAreaEnd;
using runtime::TemporaryAreaStart;
using runtime::TemporaryTop;
using runtime::UpperCase;

class StringsTest : public RuntimeFixture {
protected:
    // Checks the producing-operation contract: the result was written at the
    // old top and top now stands on its terminating zero.  Gives the text
    // and sets top back.
    std::string Produced(char* before, char* result) {
        EXPECT_EQ(result, before);
        if (result == nullptr) return "<null>";
        EXPECT_EQ(TemporaryTop(), result + std::strlen(result));
        EXPECT_EQ(*TemporaryTop(), '\0');
        std::string text(result);
        runtime::SetTemporaryTop(before);
        return text;
    }
    std::string Left(const char* s, std::int32_t n) {
        char* before = TemporaryTop();
        return Produced(before, LeftPart(s, n));
    }
    std::string Right(const char* s, std::int32_t n) {
        char* before = TemporaryTop();
        return Produced(before, RightPart(s, n));
    }
    std::string Mid(const char* s, std::int32_t p, std::int32_t n) {
        char* before = TemporaryTop();
        return Produced(before, MidPart(s, p, n));
    }
};

TEST_F(StringsTest, ParseIntFollowsTheDigitRunWithWrapAround) {
    struct Case {
        const char* text;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"42", 42},
        {"   42", 42},
        {"+7", 7},
        {"-0", 0},
        {"", 0},
        {"5 3", 5},
        {"12ab", 12},
        {"- 5", 0},
        {"+-5", 0},
        {"--5", 0},
        {" +", 0},
        {"\t5", 0},  // only spaces are skipped
        {"007", 7},
        {"  -12x", -12},
        {"0x10", 0},
        {"2147483647", 2147483647},
        {"2147483648", std::numeric_limits<std::int32_t>::min()},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"4294967295", -1},
        {"4294967296", 0},
        {"4294967297", 1},
        {"-4294967297", -1},
        {"99999999999", 1215752191},  // 99999999999 mod 2^32
        {"00000000000000000000000000000000000000000000000009", 9},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseInt(c.text), c.expected) << "\"" << c.text << "\"";
    }
    EXPECT_EQ(ParseInt(nullptr), 0);
}

TEST_F(StringsTest, ParseFloatConvertsTheDecimalPrefix) {
    struct Case {
        const char* text;
        float expected;
    };
    const Case cases[] = {
        {"-.25", -0.25f},
        {"1e2", 100.0f},
        {"1E+2", 100.0f},
        {"1e-2", static_cast<float>(0.01)},
        {"1e", 1.0f},
        {"1e+", 1.0f},
        {"2.5e-", 2.5f},
        {".", 0.0f},
        {"", 0.0f},
        {"-", 0.0f},
        {"+.5", 0.5f},
        {"5.", 5.0f},
        {"0.250", 0.25f},
        {"-.002", static_cast<float>(-0.002)},
        {"0.0002", static_cast<float>(0.0002)},
        {"0.1", static_cast<float>(0.1)},
        {" \t\n\r\v\f0.5", 0.5f},
        {"12abc", 12.0f},
        {"1,5", 1.0f},
        {"0x10", 0.0f},
        {"inf", 0.0f},
        {"-infinity", 0.0f},
        {"nan", 0.0f},
        {"- 5", 0.0f},
        {"1 2", 1.0f},
        {"3.4028235e38", FLT_MAX},
        {"1e-45", std::numeric_limits<float>::denorm_min()},
        {"1e-50", 0.0f},
        {"1e-400", 0.0f},
        {"0e999999", 0.0f},
        {"1e-99999999999999999999", 0.0f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseFloat(c.text), c.expected) << "\"" << c.text << "\"";
    }
}

TEST_F(StringsTest, ParseFloatOverflowsToInfinityAndKeepsTheSignOfZero) {
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(ParseFloat("1e39"), inf);  // a double, too large for single precision
    EXPECT_EQ(ParseFloat("-1e39"), -inf);
    EXPECT_EQ(ParseFloat("1e400"), inf);  // too large even for a double
    EXPECT_EQ(ParseFloat("-1e400"), -inf);
    EXPECT_EQ(ParseFloat("1e99999999999999999999"), inf);
    EXPECT_EQ(ParseFloat(("1" + std::string(400, '0')).c_str()), inf);
    EXPECT_EQ(ParseFloat(("0." + std::string(400, '0') + "1").c_str()), 0.0f);
    EXPECT_EQ(ParseFloat(("0." + std::string(309, '0') + "1e310").c_str()), 1.0f);

    EXPECT_TRUE(std::signbit(ParseFloat("-0")));
    EXPECT_TRUE(std::signbit(ParseFloat("-1e-400")));
    EXPECT_FALSE(std::signbit(ParseFloat("0")));
}

TEST_F(StringsTest, ParseFloatRoundsThroughDoublePrecision) {
    // 1 + 2^-24 is halfway between the floats 1 and 1 + 2^-23.  This text
    // lies a hair above that midpoint: rounded straight to single precision
    // it gives 1 + 2^-23, but the double nearest to it is the midpoint
    // itself, which then rounds to the even neighbour, 1.
    EXPECT_EQ(ParseFloat("1.0000000596046447753906251"), 1.0f);
    // Every result is exactly the double conversion rounded to single.
    for (const char* text : {"0.3", "-0.7071", "123.456e-7", "6.02214076e23", "0.00390625", "1.1754943e-38"}) {
        EXPECT_EQ(ParseFloat(text), static_cast<float>(std::strtod(text, nullptr))) << text;
    }
}

// A locale whose decimal point is a comma, as a desktop toolkit may set for
// the whole process: an installed one, or else one compiled into dir from a
// small definition (numbers with a comma, the rest as in POSIX).  The name
// to give setlocale, or empty when neither can be had.
std::string CommaLocale(const TempDir& dir) {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            std::setlocale(LC_NUMERIC, "C");
            return name;
        }
    }
    if (::access("/usr/bin/localedef", X_OK) != 0) return {};
    dir.Write("comma.def",
              "LC_CTYPE\ncopy \"POSIX\"\nEND LC_CTYPE\n"
              "LC_COLLATE\ncopy \"POSIX\"\nEND LC_COLLATE\n"
              "LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"<U002E>\"\ngrouping 3;3\nEND LC_NUMERIC\n"
              "LC_MONETARY\ncopy \"POSIX\"\nEND LC_MONETARY\n"
              "LC_TIME\ncopy \"POSIX\"\nEND LC_TIME\n"
              "LC_MESSAGES\ncopy \"POSIX\"\nEND LC_MESSAGES\n");
    // Exit status 1 means warnings only (categories left undefined).
    const std::string command = "timeout 20 /usr/bin/localedef -i '" + dir.File("comma.def") + "' -f ANSI_X3.4-1968 '" +
                                dir.File("xx_COMMA") + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) > 1) return {};
    ::setenv("LOCPATH", dir.Path().c_str(), 1);
    if (std::setlocale(LC_NUMERIC, "xx_COMMA") == nullptr) {
        ::unsetenv("LOCPATH");
        return {};
    }
    std::setlocale(LC_NUMERIC, "C");
    return "xx_COMMA";
}

TEST_F(StringsTest, ParseFloatIgnoresAProcessLocaleWithDecimalComma) {
    TempDir localeDir;
    const std::string name = CommaLocale(localeDir);
    if (name.empty()) GTEST_SKIP() << "no comma-decimal locale can be had here";
    ASSERT_NE(std::setlocale(LC_ALL, name.c_str()), nullptr);
    const bool comma = std::strcmp(std::localeconv()->decimal_point, ",") == 0;
    const float dot = ParseFloat("0.250");
    const float withComma = ParseFloat("0,250");
    const float exponent = ParseFloat("-.002e1");
    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");
    ASSERT_TRUE(comma) << "the locale does not use a decimal comma";
    EXPECT_EQ(dot, 0.25f);
    EXPECT_EQ(withComma, 0.0f);
    EXPECT_EQ(exponent, static_cast<float>(-0.02));
}

TEST_F(StringsTest, LeftRightAndMidParts) {
    EXPECT_EQ(Left("ab", 4), "ab");
    EXPECT_EQ(Left("abcdef", 4), "abcd");
    EXPECT_EQ(Left("abcdef", 0), "");
    EXPECT_EQ(Left("abcdef", -2), "");
    EXPECT_EQ(Left(nullptr, 4), "");

    EXPECT_EQ(Right("abcde", 0), "");
    EXPECT_EQ(Right("abcde", -3), "");
    EXPECT_EQ(Right("abcde", 9), "abcde");
    EXPECT_EQ(Right("abcde", 2), "de");
    EXPECT_EQ(Right(nullptr, 2), "");

    EXPECT_EQ(Mid("abcde", 6, 3), "");
    EXPECT_EQ(Mid("abcde", 60, 3), "");
    EXPECT_EQ(Mid("abcde", 0, 2), "ab");
    EXPECT_EQ(Mid("abcde", -7, 2), "ab");
    EXPECT_EQ(Mid("abcde", 1, 2), "ab");
    EXPECT_EQ(Mid("abcde", 2, 3), "bcd");
    EXPECT_EQ(Mid("abcde", 4, 9), "de");
    EXPECT_EQ(Mid("abcde", 5, 1), "e");
    EXPECT_EQ(Mid("abcde", 2, 0), "");
    EXPECT_EQ(Mid("abcde", 2, -1), "");
    EXPECT_EQ(Mid(nullptr, 1, 3), "");
    EXPECT_EQ(Mid("SGFX 5  0.250", 6, 2), "5 ");
}

TEST_F(StringsTest, UpperCaseShiftsAsciiLettersAndTheTopBytes) {
    std::string all;
    for (int b = 1; b <= 255; ++b) all.push_back(static_cast<char>(b));
    char* before = TemporaryTop();
    const std::string converted = Produced(before, UpperCase(all.c_str(), nullptr));
    ASSERT_EQ(converted.size(), all.size());
    for (int b = 1; b <= 255; ++b) {
        const int expected = ((b >= 0x61 && b <= 0x7A) || b >= 0xE0) ? b - 0x20 : b;
        EXPECT_EQ(static_cast<unsigned char>(converted[static_cast<std::size_t>(b - 1)]), expected) << "byte " << b;
    }

    // In place: the same address comes back, digits and spaces stay.
    char* word = AppendString("lgfx 05 a.png");
    char* result = UpperCase(word, word);
    EXPECT_EQ(result, word);
    EXPECT_STREQ(word, "LGFX 05 A.PNG");

    before = TemporaryTop();
    EXPECT_EQ(Produced(before, UpperCase(nullptr, nullptr)), "");
}

TEST_F(StringsTest, StringEqualsTreatsNullAsEmptyAndIsCaseSensitive) {
    EXPECT_EQ(StringEquals(nullptr, ""), 1);
    EXPECT_EQ(StringEquals("", nullptr), 1);
    EXPECT_EQ(StringEquals(nullptr, nullptr), 1);
    EXPECT_EQ(StringEquals("SGFX", "SGFX"), 1);
    EXPECT_EQ(StringEquals("sgfx", "SGFX"), 0);
    EXPECT_EQ(StringEquals("SGF", "SGFX"), 0);
    EXPECT_EQ(StringEquals("SGFX", "SGF"), 0);
    EXPECT_EQ(StringEquals(nullptr, "a"), 0);
    EXPECT_EQ(StringEquals("\xE9", "\xC9"), 0);
    EXPECT_EQ(StringLength(nullptr), 0);
    EXPECT_EQ(StringLength("abc"), 3);
}

TEST_F(StringsTest, ResultsContinueEachOtherAndProtectedOnesSurvive) {
    char* start = TemporaryTop();
    ASSERT_EQ(start, TemporaryAreaStart());
    char* path = AppendString("data\\gfx\\");
    RightPart("LGFX 05 a b.png", 7);  // everything from position 9
    EXPECT_EQ(path, start);
    EXPECT_STREQ(path, "data\\gfx\\a b.png");

    // A null append writes a zero and leaves top where it was.
    char* top = TemporaryTop();
    AppendString(nullptr);
    EXPECT_EQ(TemporaryTop(), top);
    EXPECT_STREQ(path, "data\\gfx\\a b.png");

    // Protecting keeps a result while the next is built behind it.
    runtime::ProtectTemporary();
    char* second = AppendString("next");
    EXPECT_EQ(second, path + std::strlen(path) + 1);
    EXPECT_STREQ(path, "data\\gfx\\a b.png");
    EXPECT_STREQ(second, "next");

    // Assigning copies the string at start (up to its zero) into an owned
    // block and gives the area back to start.
    char* owned = nullptr;
    AssignString(&owned, path);
    ASSERT_NE(owned, nullptr);
    EXPECT_STREQ(owned, "data\\gfx\\a b.png");
    EXPECT_EQ(TemporaryTop(), start);
    EXPECT_TRUE(owned < TemporaryAreaStart() || owned >= TemporaryAreaEnd());

    // Reassigning replaces the value; the area is reusable at once.
    AssignString(&owned, AppendString("second value"));
    EXPECT_STREQ(owned, "second value");
    EXPECT_EQ(TemporaryTop(), start);
    AppendString("overwrites the area");
    EXPECT_STREQ(owned, "second value");
    runtime::SetTemporaryTop(start);

    // An empty result assigns an empty string.
    AssignString(&owned, AppendString(nullptr));
    ASSERT_NE(owned, nullptr);
    EXPECT_STREQ(owned, "");
    runtime::FreeString(owned);
    runtime::FreeString(nullptr);
}

TEST_F(StringsTest, InitStringsAgainKeepsTheAreaAndRewindsTop) {
    char* area = TemporaryAreaStart();
    AppendString("something");
    runtime::InitStrings();
    EXPECT_EQ(TemporaryAreaStart(), area);
    EXPECT_EQ(TemporaryTop(), area);
    EXPECT_EQ(TemporaryAreaEnd() - TemporaryAreaStart(), runtime::kTemporaryAreaSize);
}

TEST_F(StringsTest, ResultsAreCutAtTheEndOfTheArea) {
    const std::string huge(70000, 'x');
    char* start = TemporaryTop();
    char* result = AppendString(huge.c_str());
    EXPECT_EQ(result, start);
    EXPECT_EQ(std::strlen(result), static_cast<std::size_t>(runtime::kTemporaryAreaSize - 1));
    EXPECT_EQ(TemporaryTop(), TemporaryAreaEnd() - 1);
    EXPECT_EQ(*TemporaryTop(), '\0');

    // Nothing more fits, and nothing is written past the end.
    char* full = AppendString("more");
    EXPECT_EQ(full, TemporaryAreaEnd() - 1);
    EXPECT_STREQ(full, "");
    runtime::ProtectTemporary();
    EXPECT_LT(TemporaryTop(), TemporaryAreaEnd());
    EXPECT_STREQ(UpperCase(huge.c_str(), nullptr), "");
    EXPECT_STREQ(LeftPart(huge.c_str(), 70000), "");

    // From further up the area the room left is smaller.
    runtime::SetTemporaryTop(start + 1000);
    char* cut = LeftPart(huge.c_str(), 70000);
    EXPECT_EQ(std::strlen(cut), static_cast<std::size_t>(runtime::kTemporaryAreaSize - 1000 - 1));
    runtime::SetTemporaryTop(start + 2000);
    cut = UpperCase(huge.c_str(), nullptr);
    EXPECT_EQ(std::strlen(cut), static_cast<std::size_t>(runtime::kTemporaryAreaSize - 2000 - 1));
    EXPECT_EQ(cut[0], 'X');

    // Given back, the area works as before.
    runtime::SetTemporaryTop(start);
    EXPECT_STREQ(AppendString("ok"), "ok");
}

}  // namespace
}  // namespace rodazaro_test
