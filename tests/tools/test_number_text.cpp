// The checker's account of which part of a field the player reads must agree
// with the player's own conversions.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "runtime/strings.h"
#include "tools/check/number_text.h"

namespace {

using check::ScanIntText;
using check::ScanRealText;

bool SameFloat(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(CheckNumberText, IntegerFieldsReadSpacesSignAndDigitsOnly) {
    EXPECT_EQ(ScanIntText("   42").end, 5u);
    EXPECT_EQ(ScanIntText("+7").end, 2u);
    EXPECT_EQ(ScanIntText("12ab").end, 2u);
    EXPECT_EQ(ScanIntText("5 3").end, 1u);
    EXPECT_EQ(ScanIntText(" -0").end, 3u);
    // A sign after a space is read, a space after a sign is not; tabs are
    // not skipped.
    EXPECT_FALSE(ScanIntText("- 5").hasDigits);
    EXPECT_FALSE(ScanIntText("\t5").hasDigits);
    EXPECT_FALSE(ScanIntText("").hasDigits);
    EXPECT_FALSE(ScanIntText("+-1").hasDigits);
}

TEST(CheckNumberText, RealFieldsReadDecimalTextWithExponent) {
    EXPECT_EQ(ScanRealText("0.250").end, 5u);
    EXPECT_EQ(ScanRealText("-.25").end, 4u);
    EXPECT_EQ(ScanRealText("1e2").end, 3u);
    EXPECT_EQ(ScanRealText("\t 5").end, 3u);
    EXPECT_EQ(ScanRealText("0.5 0").end, 3u);
    EXPECT_EQ(ScanRealText("1.").end, 2u);
    // An exponent without digits is not read.
    EXPECT_EQ(ScanRealText("1e").end, 1u);
    EXPECT_EQ(ScanRealText("2E+").end, 1u);
    EXPECT_EQ(ScanRealText("3e-x").end, 1u);
    EXPECT_FALSE(ScanRealText(".").hasDigits);
    EXPECT_FALSE(ScanRealText("-.e5").hasDigits);
    EXPECT_FALSE(ScanRealText("abc").hasDigits);
    EXPECT_FALSE(ScanRealText("     ").hasDigits);
}

// Over many texts made of the characters that matter, the part the scan
// says is read converts to the same value as the whole text, and a text
// with nothing read converts to 0.
TEST(CheckNumberText, AgreesWithThePlayersConversions) {
    const std::string alphabet = " +-.0123456789eEx\t";
    std::mt19937 random(20240601u);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 8);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        const int n = length(random);
        for (int k = 0; k < n; ++k) text += alphabet[pick(random)];

        const check::NumberText real = ScanRealText(text);
        const float whole = runtime::ParseFloat(text.c_str());
        if (real.hasDigits) {
            const std::string read = text.substr(0, real.end);
            ASSERT_TRUE(SameFloat(runtime::ParseFloat(read.c_str()), whole)) << "'" << text << "'";
        } else {
            ASSERT_TRUE(SameFloat(whole, 0.0f)) << "'" << text << "'";
        }

        const check::NumberText integer = ScanIntText(text);
        const std::int32_t value = runtime::ParseInt(text.c_str());
        if (integer.hasDigits) {
            const std::string read = text.substr(0, integer.end);
            ASSERT_EQ(runtime::ParseInt(read.c_str()), value) << "'" << text << "'";
        } else {
            ASSERT_EQ(value, 0) << "'" << text << "'";
        }
    }
}

TEST(CheckNumberText, BlankAndNumericLookingText) {
    EXPECT_TRUE(check::IsBlank(""));
    EXPECT_TRUE(check::IsBlank("   "));
    EXPECT_FALSE(check::IsBlank(" \t"));
    EXPECT_TRUE(check::LooksNumeric("x.y"));
    EXPECT_TRUE(check::LooksNumeric("-"));
    EXPECT_FALSE(check::LooksNumeric("logo"));
}

}  // namespace
