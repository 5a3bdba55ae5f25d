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
