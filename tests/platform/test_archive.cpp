// Zip presentations through the file service: which archives mount, which
// are refused and why, and which of the script's paths open which entry.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/archive.h"
#include "platform/file.h"
#include "player/command_line.h"
#include "support/fixtures.h"
#include "zip_writer.h"

namespace rodazaro_test {
namespace {

// The whole of a file the service opens, or nullopt when it opens none.
std::optional<std::string> ReadWhole(const char* path) {
    const platform::FileHandle file = platform::OpenFileForReading(path);
    if (file == 0) return std::nullopt;
    std::string bytes(platform::GetFileSizeLow(file), '\0');
    std::uint32_t got = 0;
    const bool ok = platform::ReadFileBytes(file, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &got);
    platform::CloseFileHandle(file);
    if (!ok || got != bytes.size()) return "(short read)";
    return bytes;
}

class ArchiveTest : public ::testing::Test {
protected:
    void TearDown() override { platform::UnmountArchive(); }
    TempDir dir_;
};

TEST_F(ArchiveTest, MountsTheFolderThatHoldsTheScriptOrRefusesTheArchive) {
    using Entries = std::vector<ZipEntry>;
    const std::string zeros(4u << 20, '\0');
    const std::string twoMiB(2u << 20, 'x');
    const ZipEntry script{"data/vuze.kel", "Title\r\n"};
    struct Lookup {
        const char* path;
        std::optional<std::string> bytes;  // nullopt: opens no file
    };
    struct Case {
        const char* name;
        Entries entries;
        std::string refusal;  // a part of the reason; empty: it mounts
        std::vector<Lookup> lookups;
        std::size_t cutTo = 0;  // the file cut to this many bytes
    };
    const Case cases[] = {
        {"under one top folder, found in any case",
         {{"Show/Data/Vuze.KEL", "T"}, {"Show/data/gfx/pic.png", "PNG"}, {"Show/readme.txt", "R"}},
         "",
         {{"data\\vuze.kel", "T"},
          {"data\\gfx\\Pic.PNG", "PNG"},
          {"DATA/GFX/PIC.PNG", "PNG"},
          {"data\\gfx\\..\\gfx\\.\\pic.png", "PNG"},
          {"readme.txt", "R"},
          {"Show\\data\\vuze.kel", std::nullopt},
          {"data\\gfx\\missing.png", std::nullopt},
          {"data\\gfx", std::nullopt},
          {"..\\data\\vuze.kel", std::nullopt}}},
        {"at the root, stored and packed",
         {{"data/vuze.kel", "T", false}, {"data/sound/a.wav", "RIFF", true}, {"data\\gfx\\win.png", "W"}},
         "",
         {{"data\\sound\\A.WAV", "RIFF"}, {"data\\gfx\\win.png", "W"}, {"data\\vuze.kel", "T"}}},
        {"a zip of the data folder",
         {{"vuze.kel", "T"}, {"gfx/pic.png", "PNG"}},
         "",
         {{"data\\vuze.kel", "T"}, {"data\\gfx\\pic.png", "PNG"}, {"vuze.kel", std::nullopt}}},
        {"the exact spelling first, else the first in any case",
         {script, {"data/gfx/A.png", "upper"}, {"data/gfx/a.png", "lower"}},
         "",
         {{"data\\gfx\\a.png", "lower"}, {"data\\gfx\\A.png", "upper"}, {"data\\gfx\\A.PNG", "upper"}}},
        {"an entry that unpacks past its stated size, or fails its checksum",
         {script,
          {"data/gfx/liar.png", std::string(100000, 'a'), true, false, 10},
          {"data/gfx/bad.png", "B", true, false, {}, true}},
         "",
         {{"data\\gfx\\liar.png", std::nullopt}, {"data\\gfx\\bad.png", std::nullopt}}},
        {"no script", {{"readme.txt", "R"}, {"show/vuze.txt", "T"}}, "holds no data/vuze.kel", {}},
        {"script too deep", {{"a/b/data/vuze.kel", "T"}}, "holds no data/vuze.kel", {}},
        {"a damaged script", {{"data/vuze.kel", "T", true, false, {}, true}}, "is damaged", {}},
        {"climbs out", {script, {"../evil.txt", "x"}}, "climbs out of it: ../evil.txt", {}},
        {"climbs out midway", {script, {"data/../../evil.txt", "x"}}, "climbs out", {}},
        {"climbs out with backslashes", {script, {"data\\..\\..\\evil.txt", "x"}}, "climbs out", {}},
        {"absolute", {script, {"/etc/evil", "x"}}, "absolute path: /etc/evil", {}},
        {"absolute on a drive", {script, {"C:\\evil", "x"}}, "absolute path", {}},
        {"packed too tightly", {script, {"data/gfx/big.bmp", zeros}}, "packed too tightly", {}},
        {"states a huge size",
         {script, {"data/gfx/huge.png", "x", true, true, 0xF0000000u}},
         "too large to unpack",
         {}},
        {"unpacks to too much in all",
         {script,
          {"data/1", twoMiB, true, true, 250u << 20},
          {"data/2", twoMiB, true, true, 250u << 20},
          {"data/3", twoMiB, true, true, 250u << 20},
          {"data/4", twoMiB, true, true, 250u << 20},
          {"data/5", twoMiB, true, true, 250u << 20}},
         "unpacks to more than",
         {}},
        {"cut short", {script, {"data/gfx/pic.png", "PNG"}}, "is not a zip archive that can be read", {}, 40},
        {"not a zip", {}, "is not a zip archive that can be read", {}, 1},
    };
    for (const Case& c : cases) {
        std::string bytes = BuildZip(c.entries);
        if (c.cutTo > 0) bytes.resize(c.cutTo);
        dir_.Write("show.zip", bytes);
        std::string error;
        const bool mounted = platform::MountArchive(dir_.File("show.zip").c_str(), "data\\vuze.kel", &error);
        if (!c.refusal.empty()) {
            EXPECT_FALSE(mounted) << c.name;
            EXPECT_NE(error.find(c.refusal), std::string::npos) << c.name << ": " << error;
            EXPECT_EQ(error.find('\n'), std::string::npos) << c.name << ": " << error;
            continue;
        }
        ASSERT_TRUE(mounted) << c.name << ": " << error;
        for (const Lookup& lookup : c.lookups) {
            EXPECT_EQ(ReadWhole(lookup.path), lookup.bytes) << c.name << ": " << lookup.path;
        }
    }
}

TEST_F(ArchiveTest, EntriesReadLikeFilesAndOutliveTheMount) {
    ScopedCurrentDir cwd(dir_.Path());
    dir_.Write("data/vuze.kel", "On disk\r\n");
    dir_.Write("show.ZIP", BuildZip({{"data/vuze.kel", "Zipped\r\nQUIT"}}));
    std::string error;
    ASSERT_TRUE(player::EnterPresentation("show.ZIP", &error)) << error;
    const platform::FileHandle file = platform::OpenFileForReading("data\\vuze.kel");
    ASSERT_NE(file, 0u);
    EXPECT_EQ(platform::GetFileSizeLow(file), 12u);
    char bytes[16] = {};
    std::uint32_t got = 0;
    EXPECT_TRUE(platform::ReadFileBytes(file, bytes, 7, &got));
    EXPECT_EQ(std::string(bytes, got), "Zipped\r");
    EXPECT_TRUE(platform::MoveFilePosition(file, -1));
    EXPECT_FALSE(platform::MoveFilePosition(file, -100));
    EXPECT_TRUE(platform::ReadFileBytes(file, bytes, sizeof bytes, &got));
    EXPECT_EQ(std::string(bytes, got), "\r\nQUIT");
    EXPECT_TRUE(platform::ReadFileBytes(file, bytes, sizeof bytes, &got));
    EXPECT_EQ(got, 0u);

    // Entering a folder leaves the archive; the open entry still reads.
    ASSERT_TRUE(player::EnterPresentation(dir_.Path(), &error));
    EXPECT_EQ(ReadWhole("data\\vuze.kel"), "On disk\r\n");
    EXPECT_TRUE(platform::MoveFilePosition(file, -4));
    EXPECT_TRUE(platform::ReadFileBytes(file, bytes, sizeof bytes, &got));
    EXPECT_EQ(std::string(bytes, got), "QUIT");
    platform::CloseFileHandle(file);
    EXPECT_FALSE(platform::ReadFileBytes(file, bytes, sizeof bytes, &got));
    EXPECT_EQ(platform::GetFileSizeLow(file), 0u);

    // A refused archive mounts nothing: the folder's files stay in reach.
    dir_.Write("empty.zip", BuildZip({{"readme.txt", "R"}}));
    EXPECT_FALSE(player::EnterPresentation("empty.zip", &error));
    EXPECT_EQ(error, "holds no data/vuze.kel");
    EXPECT_EQ(ReadWhole("data\\vuze.kel"), "On disk\r\n");
}

}  // namespace
}  // namespace rodazaro_test
