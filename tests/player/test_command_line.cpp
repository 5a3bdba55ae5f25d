// The player's command line: what each form of it asks for, and which
// folder a PRESENTATION argument makes current.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "player/command_line.h"
#include "support/fixtures.h"

namespace {

using Action = player::CommandLine::Action;
using rodazaro_test::ScopedCurrentDir;
using rodazaro_test::TempDir;

player::CommandLine Parse(std::vector<const char*> words) {
    words.insert(words.begin(), "rodazaro");
    return player::ParseCommandLine(static_cast<int>(words.size()), words.data());
}

TEST(CommandLine, EachFormAsksForOneThing) {
    struct Case {
        std::vector<const char*> words;
        Action action;
        std::string presentation;
        std::string errorPart;  // a part of the error text, for usage errors
    };
    const Case cases[] = {
        {{}, Action::kPlay, "", ""},
        {{"show"}, Action::kPlay, "show", ""},
        {{"--help"}, Action::kHelp, "", ""},
        {{"-h", "show"}, Action::kHelp, "show", ""},
        {{"--version"}, Action::kVersion, "", ""},
        {{"--version", "--help"}, Action::kVersion, "", ""},
        {{"--", "--help"}, Action::kPlay, "--help", ""},
        {{"-"}, Action::kPlay, "-", ""},
        {{"--bogus"}, Action::kUsageError, "", "'--bogus'"},
        {{"show", "-x"}, Action::kUsageError, "", "'-x'"},
        {{"--help", "--bogus"}, Action::kUsageError, "", "'--bogus'"},
        {{"one", "two"}, Action::kUsageError, "", "'two'"},
        {{"", "show"}, Action::kUsageError, "", "empty"},
    };
    for (const Case& c : cases) {
        std::string words;
        for (const char* w : c.words) words += std::string(" [") + w + "]";
        const player::CommandLine line = Parse(c.words);
        EXPECT_EQ(line.action, c.action) << words;
        if (c.action == Action::kUsageError) {
            EXPECT_NE(line.error.find(c.errorPart), std::string::npos) << words << ": " << line.error;
        } else {
            EXPECT_EQ(line.presentation, c.presentation) << words;
        }
    }
    EXPECT_NE(std::string(player::UsageText()).find("rodazaro [OPTIONS] [PRESENTATION]"), std::string::npos);
}

TEST(CommandLine, OptionsSetTheShowAndBadValuesAreExplained) {
    using Window = player::ShowOptions::Window;
    struct Case {
        std::vector<const char*> words;
        std::string errorPart;  // empty: the line is accepted
        std::int32_t mode;
        Window window;
        std::int32_t volume;
        bool mute;
        bool verbose;
        std::string presentation;
    };
    const Case cases[] = {
        {{}, "", -1, Window::kDefault, 100, false, false, ""},
        {{"--mode", "800x600x32", "show"}, "", 1, Window::kDefault, 100, false, false, "show"},
        {{"--mode=640x480x16"}, "", 5, Window::kDefault, 100, false, false, ""},
        {{"show", "--mode", "1024x768x16"}, "", 3, Window::kDefault, 100, false, false, "show"},
        {{"--window"}, "", -1, Window::kWindow, 100, false, false, ""},
        {{"--window", "--fullscreen"}, "", -1, Window::kFullscreen, 100, false, false, ""},
        {{"--fullscreen", "--window"}, "", -1, Window::kWindow, 100, false, false, ""},
        {{"--volume", "0"}, "", -1, Window::kDefault, 0, false, false, ""},
        {{"--volume=100", "--mute", "--verbose"}, "", -1, Window::kDefault, 100, true, true, ""},
        {{"--volume", "37"}, "", -1, Window::kDefault, 37, false, false, ""},
        {{"--", "--mode"}, "", -1, Window::kDefault, 100, false, false, "--mode"},
        {{"--mode", "800x600"}, "--mode takes one of 1024x768x32", 0, {}, 0, false, false, ""},
        {{"--mode", "800X600X32"}, "'800X600X32' is not a screen mode", 0, {}, 0, false, false, ""},
        {{"--mode=1280x1024x32"}, "640x480x16", 0, {}, 0, false, false, ""},
        {{"--mode"}, "'--mode' needs a value", 0, {}, 0, false, false, ""},
        {{"--mode="}, "'' is not a screen mode", 0, {}, 0, false, false, ""},
        {{"--volume", "101"}, "from 0 to 100", 0, {}, 0, false, false, ""},
        {{"--volume", "-1"}, "'-1' is not a volume", 0, {}, 0, false, false, ""},
        {{"--volume", "5.5"}, "'5.5' is not a volume", 0, {}, 0, false, false, ""},
        {{"--volume", " 5"}, "not a volume", 0, {}, 0, false, false, ""},
        {{"--volume", "0100"}, "not a volume", 0, {}, 0, false, false, ""},
        {{"--volume"}, "'--volume' needs a value", 0, {}, 0, false, false, ""},
        {{"--mute=yes"}, "'--mute' takes no value", 0, {}, 0, false, false, ""},
        {{"--windowed"}, "unknown option '--windowed'", 0, {}, 0, false, false, ""},
    };
    for (const Case& c : cases) {
        std::string words;
        for (const char* w : c.words) words += std::string(" [") + w + "]";
        const player::CommandLine line = Parse(c.words);
        if (!c.errorPart.empty()) {
            EXPECT_EQ(line.action, Action::kUsageError) << words;
            EXPECT_NE(line.error.find(c.errorPart), std::string::npos) << words << ": " << line.error;
            continue;
        }
        ASSERT_EQ(line.action, Action::kPlay) << words << ": " << line.error;
        EXPECT_EQ(line.options.mode, c.mode) << words;
        EXPECT_EQ(line.options.window, c.window) << words;
        EXPECT_EQ(line.options.volume, c.volume) << words;
        EXPECT_EQ(line.options.mute, c.mute) << words;
        EXPECT_EQ(line.options.verbose, c.verbose) << words;
        EXPECT_EQ(line.presentation, c.presentation) << words;
    }
    const std::string usage = player::UsageText();
    for (const char* option : {"--mode WxHxD", "--window", "--fullscreen", "--volume N", "--mute", "--verbose"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}

TEST(CommandLine, ThePresentationIsTheFolderAboveItsDataFolder) {
    TempDir dir;
    dir.Write("show/data/vuze.kel", "Title\n");
    dir.Write("upper/DATA/Vuze.KEL", "Title\n");
    dir.Write("empty/readme.txt", "no show here\n");
    dir.Write("nested/data/data/other.txt", "x\n");
    dir.MakeDir("script_is_folder/data/vuze.kel");
    namespace fs = std::filesystem;
    const fs::path root = fs::canonical(dir.Path());
    struct Case {
        std::string argument;  // below the temporary folder
        bool entered;
        std::string current;  // the current folder after entering
    };
    const Case cases[] = {
        {"show", true, "show"},          {"show/data", true, "show"},       {"show/data/", true, "show"},
        {"upper", true, "upper"},        {"upper/DATA", true, "upper"},     {"empty", false, ""},
        {"missing", false, ""},          {"show/data/vuze.kel", false, ""}, {"nested/data", false, ""},
        {"script_is_folder", false, ""},
    };
    for (const Case& c : cases) {
        ScopedCurrentDir back(dir.Path());
        EXPECT_EQ(player::EnterPresentation((root / c.argument).string()), c.entered) << c.argument;
        if (c.entered) {
            EXPECT_EQ(fs::current_path(), root / c.current) << c.argument;
        }
    }
}

}  // namespace
