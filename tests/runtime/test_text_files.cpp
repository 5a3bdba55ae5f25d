// Numbered text files read line by line, and the script's path spelling on
// a case-sensitive file system.

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/posix/path.h"
#include "runtime/strings.h"
#include "runtime/text_files.h"
#include "support/fixtures.h"

namespace rodazaro_test {
namespace {

using runtime::OpenReadFile;
using runtime::TemporaryTop;

class TextFilesTest : public RuntimeFixture {
protected:
    // One line read at top; top is given back afterwards, as the callers do.
    std::string Line() {
        char* before = TemporaryTop();
        char* line = runtime::ReadLine();
        EXPECT_EQ(line, before);
        if (line == nullptr) return "<null>";
        EXPECT_EQ(TemporaryTop(), line + std::strlen(line));
        std::string text(line);
        runtime::SetTemporaryTop(before);
        return text;
    }
    std::vector<std::string> Lines(int count) {
        std::vector<std::string> lines;
        for (int i = 0; i < count; ++i) lines.push_back(Line());
        return lines;
    }
    void Open(std::string_view bytes) {
        dir_.Write("f.txt", bytes);
        ASSERT_NE(OpenReadFile(0, "f.txt"), 0);
    }
    void Append(std::string_view bytes) {
        std::ofstream out(dir_.File("f.txt"), std::ios::binary | std::ios::app);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    using Strings = std::vector<std::string>;
};

TEST_F(TextFilesTest, EveryLineEndEndsALineAndTheEndGivesEmptyLinesForEver) {
    Open("line one\r\nline two\nline three\rline four");
    EXPECT_EQ(Lines(7), (Strings{"line one", "line two", "line three", "line four", "", "", ""}));
}

TEST_F(TextFilesTest, LfThenCrGivesAnEmptyLine) {
    Open("a\n\rb\r\n\r\nc\n\nd");
    EXPECT_EQ(Lines(7), (Strings{"a", "", "b", "", "c", "", "d"}));
}

TEST_F(TextFilesTest, ALoneCrAtTheEndKeepsThePositionOnIt) {
    Open("a\r");
    EXPECT_EQ(Lines(3), (Strings{"a", "", ""}));
    // The position stays on the CR: once the file grows, the CR is read
    // again (an empty line, since no LF follows it) before the new text.
    Append("b\nc");
    EXPECT_EQ(Lines(4), (Strings{"", "b", "c", ""}));
}

TEST_F(TextFilesTest, CrLfAtTheEndIsOneLineEnd) {
    Open("a\r\n");
    EXPECT_EQ(Lines(2), (Strings{"a", ""}));
    Append("b\n");
    EXPECT_EQ(Lines(2), (Strings{"b", ""}));
}

TEST_F(TextFilesTest, AZeroByteEndsTheLineAndReadingGoesOnAfterIt) {
    Open(std::string_view("ab\0cd\n\0\0e", 9));
    EXPECT_EQ(Lines(6), (Strings{"ab", "cd", "", "", "e", ""}));
}

TEST_F(TextFilesTest, AnEmptyFileGivesEmptyLines) {
    Open("");
    EXPECT_EQ(Lines(3), (Strings{"", "", ""}));
}

TEST_F(TextFilesTest, WithoutACurrentFileNothingIsRead) {
    EXPECT_EQ(runtime::CurrentFile(), 0u);
    char* before = TemporaryTop();
    EXPECT_EQ(Line(), "");
    EXPECT_EQ(TemporaryTop(), before);

    // A failed open leaves no current file, even when one was current.
    Open("first\nsecond\n");
    EXPECT_EQ(Line(), "first");
    EXPECT_EQ(OpenReadFile(1, "missing.txt"), 0);
    EXPECT_EQ(runtime::CurrentFile(), 0u);
    EXPECT_EQ(Line(), "");
    // A directory is not a file either.
    dir_.MakeDir("folder");
    EXPECT_EQ(OpenReadFile(2, "folder"), 0);
    EXPECT_EQ(runtime::LookupEntry(runtime::FileTable(), 2), nullptr);
}

TEST_F(TextFilesTest, OpeningANumberAgainClosesItsFirstFile) {
    dir_.Write("one.txt", "one\n");
    dir_.Write("two.txt", "two\n");
    const int before = OpenDescriptorCount();
    const auto first = OpenReadFile(0, "one.txt");
    ASSERT_NE(first, 0);
    EXPECT_EQ(OpenDescriptorCount(), before + 1);
    const auto second = OpenReadFile(0, "two.txt");
    ASSERT_NE(second, 0);
    EXPECT_EQ(OpenDescriptorCount(), before + 1);
    EXPECT_EQ(runtime::CurrentFile(), static_cast<platform::FileHandle>(second));
    EXPECT_EQ(Line(), "two");

    // A second number keeps its own file; closing them all closes both.
    ASSERT_NE(OpenReadFile(3, "one.txt"), 0);
    EXPECT_EQ(OpenDescriptorCount(), before + 2);
    runtime::CloseAllFiles();
    EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST_F(TextFilesTest, ClosingTheCurrentFileStopsReading) {
    Open("a\nb\n");
    EXPECT_EQ(Line(), "a");
    runtime::CloseFile(0);
    EXPECT_EQ(runtime::LookupEntry(runtime::FileTable(), 0), nullptr);
    EXPECT_EQ(Line(), "");
    runtime::CloseFile(0);  // nothing left to close
    runtime::CloseFile(-1);
}

TEST_F(TextFilesTest, TheFileTableGrowsToTheNumberPlusTen) {
    dir_.Write("f.txt", "x");
    const runtime::ObjectTable& table = runtime::FileTable();
    EXPECT_EQ(table.capacity, 10);
    ASSERT_NE(OpenReadFile(9, "f.txt"), 0);
    EXPECT_EQ(table.capacity, 10);
    const auto handle = OpenReadFile(10, "f.txt");
    ASSERT_NE(handle, 0);
    EXPECT_EQ(table.capacity, 20);
    const auto* entry10 = static_cast<const platform::FileHandle*>(runtime::LookupEntry(table, 10));
    ASSERT_NE(entry10, nullptr);
    EXPECT_EQ(*entry10, static_cast<platform::FileHandle>(handle));
    for (std::int32_t number = 11; number <= 20; ++number) {
        EXPECT_EQ(runtime::LookupEntry(table, number), nullptr) << number;
        const unsigned char* raw = table.entries + static_cast<std::size_t>(number) * table.entrySize;
        for (std::uint32_t i = 0; i < table.entrySize; ++i) EXPECT_EQ(raw[i], 0) << number;
    }
    EXPECT_NE(runtime::LookupEntry(table, 9), nullptr);
}

TEST_F(TextFilesTest, DynamicAndInvalidNumbers) {
    dir_.Write("f.txt", "dyn\n");
    const int before = OpenDescriptorCount();
    const auto handle = OpenReadFile(-1, "f.txt");
    ASSERT_GE(handle, runtime::kFirstDynamicHandle);
    EXPECT_EQ(runtime::DynamicObjectCount(runtime::FileTable()), 1);
    EXPECT_NE(runtime::LookupEntry(runtime::FileTable(), static_cast<std::int32_t>(handle)), nullptr);
    EXPECT_EQ(Line(), "dyn");
    runtime::CloseFile(static_cast<std::int32_t>(handle));
    EXPECT_EQ(runtime::DynamicObjectCount(runtime::FileTable()), 0);
    EXPECT_EQ(OpenDescriptorCount(), before);

    // A number that can have no entry gets no file: nothing stays open that
    // no number could ever close.
    EXPECT_EQ(OpenReadFile(-5, "f.txt"), 0);
    EXPECT_EQ(runtime::CurrentFile(), 0u);
    EXPECT_EQ(OpenDescriptorCount(), before);
    EXPECT_EQ(OpenReadFile(runtime::kTableNumberLimit, "f.txt"), 0);
    EXPECT_EQ(OpenDescriptorCount(), before);
    EXPECT_EQ(runtime::FileTable().capacity, 10);
}

TEST_F(TextFilesTest, ALineLongerThanTheAreaIsCutAndTheRestConsumed) {
    std::string bytes(70000, 'x');
    bytes += "\r\nnext line\n";
    bytes += std::string(65000, 'y');
    bytes += "\rlast";
    Open(bytes);

    char* start = TemporaryTop();
    ASSERT_EQ(start, runtime::TemporaryAreaStart());
    char* line = runtime::ReadLine();
    ASSERT_EQ(line, start);
    const std::size_t cut = static_cast<std::size_t>(runtime::kTemporaryAreaSize - 1);
    ASSERT_EQ(std::strlen(line), cut);
    EXPECT_EQ(std::string(line, 10), std::string(10, 'x'));
    EXPECT_EQ(line[cut - 1], 'x');
    EXPECT_EQ(TemporaryTop(), runtime::TemporaryAreaEnd() - 1);
    runtime::SetTemporaryTop(start);

    EXPECT_EQ(Line(), "next line");

    // Read further up the area, the line is cut at the area's end too.
    runtime::SetTemporaryTop(start + 5000);
    line = runtime::ReadLine();
    EXPECT_EQ(line, start + 5000);
    EXPECT_EQ(std::strlen(line), cut - 5000);
    EXPECT_EQ(line[0], 'y');
    EXPECT_LT(TemporaryTop(), runtime::TemporaryAreaEnd());
    runtime::SetTemporaryTop(start);

    EXPECT_EQ(Lines(2), (Strings{"last", ""}));
}

TEST_F(TextFilesTest, ScriptPathsUseBackslashesAndAnyCase) {
    dir_.Write("Data/Gfx/Logo.PNG", "logo");
    dir_.Write("data2/vuze.kel", "title\n");
    EXPECT_EQ(platform::ResolveScriptPath("data\\gfx\\logo.png"), "Data/Gfx/Logo.PNG");
    EXPECT_EQ(platform::ResolveScriptPath("DATA\\GFX\\LOGO.png"), "Data/Gfx/Logo.PNG");
    EXPECT_EQ(platform::ResolveScriptPath("Data\\Gfx\\Logo.PNG"), "Data/Gfx/Logo.PNG");
    EXPECT_EQ(platform::ResolveScriptPath("data2\\VUZE.KEL"), "data2/vuze.kel");
    EXPECT_EQ(platform::ResolveScriptPath((dir_.Path() + "/DATA2/Vuze.Kel").c_str()), dir_.Path() + "/data2/vuze.kel");
    // Nothing matches: the mapped spelling comes back.
    EXPECT_EQ(platform::ResolveScriptPath("data\\gfx\\none.png"), "data/gfx/none.png");
    EXPECT_EQ(platform::ResolveScriptPath("nowhere\\gfx\\x"), "nowhere/gfx/x");

    ASSERT_NE(OpenReadFile(0, "DATA2\\Vuze.kel"), 0);
    EXPECT_EQ(Line(), "title");

    // The spelling that exists as written wins over a case-insensitive match.
    dir_.Write("pick.txt", "lower\n");
    dir_.Write("PICK.TXT", "upper\n");
    ASSERT_NE(OpenReadFile(0, "PICK.TXT"), 0);
    EXPECT_EQ(Line(), "upper");
    ASSERT_NE(OpenReadFile(0, "pick.txt"), 0);
    EXPECT_EQ(Line(), "lower");
}

#if !defined(_WIN32)
// Only regular files are read: a FIFO nobody writes into (which would block
// the program in open for ever), a device and a folder all fail to open,
// whatever way the script's path leads to them.
TEST_F(TextFilesTest, OnlyRegularFilesOpen) {
    dir_.Write("data/gfx/real.png", "x");
    ASSERT_EQ(::mkfifo((dir_.Path() + "/data/gfx/pipe.png").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (dir_.Path() + "/data/gfx/zero.png").c_str()), 0);
    struct Case {
        const char* path;
        bool opens;
    };
    const Case cases[] = {
        {"data\\gfx\\real.png", true},  {"data\\gfx\\pipe.png", false}, {"data\\gfx\\..\\gfx\\PIPE.png", false},
        {"data\\gfx\\zero.png", false}, {"data\\gfx", false},
    };
    for (const Case& c : cases) {
        const platform::FileHandle file = platform::OpenFileForReading(c.path);
        EXPECT_EQ(file != 0, c.opens) << c.path;
        platform::CloseFileHandle(file);
    }
}
#endif

}  // namespace
}  // namespace rodazaro_test
