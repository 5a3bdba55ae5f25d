// Window titles on the Linux desktop: UTF-8 as it stands, anything else read
// as Windows-1252, the code page the presentations were written in.

#include <gtest/gtest.h>

#include <string>

#include "platform/posix/window_text.h"

namespace {

TEST(WindowText, Utf8StaysAndEverythingElseIsReadAsWindows1252) {
    struct Case {
        const char* bytes;
        const char* shown;
    };
    const Case cases[] = {
        {"", ""},
        {"Plain ASCII", "Plain ASCII"},
        {"Caf\xC3\xA9", "Caf\xC3\xA9"},                                    // UTF-8 é stays
        {"\xE2\x82\xAC 5", "\xE2\x82\xAC 5"},                              // UTF-8 euro stays
        {"\xF0\x9F\x8E\xAC", "\xF0\x9F\x8E\xAC"},                          // four bytes stay
        {"Caf\xE9", "Caf\xC3\xA9"},                                        // Windows-1252 é
        {"\x80 5", "\xE2\x82\xAC 5"},                                      // Windows-1252 euro
        {"\x93quoted\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D"},              // curly quotes
        {"\x81", "\xC2\x81"},                                              // undefined byte stands for itself
        {"\xC3", "\xC3\x83"},                                              // a cut-off sequence
        {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                                  // overlong '/'
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},                  // a surrogate
        {"\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"},  // beyond U+10FFFF
        {"\xFF", "\xC3\xBF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::posix::WindowTextToUtf8(c.bytes), c.shown) << c.bytes;
        EXPECT_TRUE(platform::posix::IsValidUtf8(platform::posix::WindowTextToUtf8(c.bytes).c_str())) << c.bytes;
    }
    EXPECT_EQ(platform::posix::WindowTextToUtf8(nullptr), "");
}

}  // namespace
