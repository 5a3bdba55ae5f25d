// Choices remembered between runs in the user's state folder: one value per
// presentation folder, other presentations' values kept, and a store that is
// missing, damaged or cannot be written read as an empty one without a word.
// The Windows program remembers nothing and has no such store.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/preferences.h"

namespace rodazaro_test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kName = "launcher-mode";

class PreferencesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/rodazaro-preferences-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        root = fs::canonical(folder);
        fs::create_directories(root / "show-a");
        fs::create_directories(root / "show-b");
        saved = fs::current_path();
        for (const char* variable : {"XDG_STATE_HOME", "HOME"}) {
            const char* value = std::getenv(variable);
            savedEnvironment.emplace_back(variable, value == nullptr ? "" : value, value != nullptr);
        }
        setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);
        Enter("show-a");
    }
    void TearDown() override {
        fs::current_path(saved);
        for (const auto& [variable, value, present] : savedEnvironment) {
            if (present) setenv(variable.c_str(), value.c_str(), 1);
            else unsetenv(variable.c_str());
        }
        fs::remove_all(root);
    }

    void Enter(const char* show) { fs::current_path(root / show); }
    std::string Recall() {
        char value[32] = "untouched";
        return platform::RecallChoice(kName, value, sizeof value) ? value : std::string("none:") + value;
    }
    fs::path Store() const { return root / "state" / "rodazaro" / kName; }
    std::string StoreText() const {
        std::ifstream in(Store(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void WriteStore(const std::string& text) const {
        fs::create_directories(Store().parent_path());
        std::ofstream(Store(), std::ios::binary) << text;
    }

    fs::path root;
    fs::path saved;
    std::vector<std::tuple<std::string, std::string, bool>> savedEnvironment;
};

TEST_F(PreferencesTest, EachPresentationFolderKeepsItsOwnLatestValue) {
    EXPECT_EQ(Recall(), "none:untouched");  // no store yet
    platform::RememberChoice(kName, "800x600x16");
    Enter("show-b");
    EXPECT_EQ(Recall(), "none:untouched");
    platform::RememberChoice(kName, "640x480x32");
    Enter("show-a");
    EXPECT_EQ(Recall(), "800x600x16");
    platform::RememberChoice(kName, "1024x768x16");
    EXPECT_EQ(Recall(), "1024x768x16");
    Enter("show-b");
    EXPECT_EQ(Recall(), "640x480x32");
    // The latest first, one line a presentation.
    EXPECT_EQ(StoreText(),
              "1024x768x16\t" + (root / "show-a").string() + "\n640x480x32\t" + (root / "show-b").string() + "\n");
    // A value that does not fit is not handed out in part.
    char small[4] = "abc";
    EXPECT_FALSE(platform::RecallChoice(kName, small, sizeof small));
    EXPECT_STREQ(small, "abc");
    // Names that are not a plain file name and values that are not one line
    // are not remembered.
    platform::RememberChoice("../launcher-mode", "x");
    platform::RememberChoice(kName, "two\tfields");
    platform::RememberChoice(kName, "two\nlines");
    EXPECT_EQ(Recall(), "640x480x32");
    EXPECT_FALSE(fs::exists(root / "state" / "launcher-mode"));
}

TEST_F(PreferencesTest, DamagedStoresReadAsEmptyAndTheNextValueReplacesThem) {
    const std::string here = (root / "show-a").string();
    const struct {
        const char* what;
        std::string text;
        const char* recalled;  // before the next value is remembered
    } cases[] = {
        {"empty", "", "none:untouched"},
        {"binary", std::string("\0\x01\xff\xfe\n\t\t\n", 8), "none:untouched"},
        {"no tab", "800x600x16 " + here + "\n", "none:untouched"},
        {"relative folder", "800x600x16\tshow-a\n", "none:untouched"},
        {"empty value", "\t" + here + "\n", "none:untouched"},
        {"value too long", std::string(300, 'x') + "\t" + here + "\n", "none:untouched"},
        {"no newline at the end", "640x480x16\t" + here, "640x480x16"},
        {"a good line after bad ones", "junk\n\x01\x02\n640x480x32\t" + here + "\n", "640x480x32"},
        {"another show's line only", "640x480x32\t/elsewhere\n", "none:untouched"},
    };
    for (const auto& c : cases) {
        WriteStore(c.text);
        EXPECT_EQ(Recall(), c.recalled) << c.what;
        platform::RememberChoice(kName, "800x600x32");
        EXPECT_EQ(Recall(), "800x600x32") << c.what;
        EXPECT_EQ(StoreText().rfind("800x600x32\t" + here + "\n", 0), 0u) << c.what;
    }
}

TEST_F(PreferencesTest, StoresThatCannotBeReadOrWrittenRememberNothingQuietly) {
    // A folder where the store's file should be.
    fs::create_directories(Store());
    platform::RememberChoice(kName, "800x600x16");
    EXPECT_EQ(Recall(), "none:untouched");
    fs::remove_all(root / "state");

    // A file where the state folder should be.
    std::ofstream(root / "state") << "not a folder";
    platform::RememberChoice(kName, "800x600x16");
    EXPECT_EQ(Recall(), "none:untouched");
    fs::remove(root / "state");

    // A FIFO as the store is not read (nothing waits for a writer), and the
    // next value replaces it.
    fs::create_directories(Store().parent_path());
    ASSERT_EQ(mkfifo(Store().c_str(), 0600), 0);
    EXPECT_EQ(Recall(), "none:untouched");
    platform::RememberChoice(kName, "800x600x16");
    EXPECT_EQ(Recall(), "800x600x16");

    // A relative XDG_STATE_HOME is not used: HOME's .local/state is.
    setenv("XDG_STATE_HOME", "state", 1);
    setenv("HOME", (root / "home").c_str(), 1);
    EXPECT_EQ(Recall(), "none:untouched");
    platform::RememberChoice(kName, "640x480x16");
    EXPECT_EQ(Recall(), "640x480x16");
    EXPECT_TRUE(fs::is_regular_file(root / "home" / ".local" / "state" / "rodazaro" / kName));
    EXPECT_FALSE(fs::exists(root / "show-a" / "state"));

    // Neither: nothing to remember in.
    unsetenv("XDG_STATE_HOME");
    unsetenv("HOME");
    platform::RememberChoice(kName, "800x600x16");
    EXPECT_EQ(Recall(), "none:untouched");
}

}  // namespace
}  // namespace rodazaro_test

#endif  // _WIN32
