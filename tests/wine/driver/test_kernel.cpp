// The KERNEL32 services of the Windows drivers: private heaps, fixed blocks,
// files with the script's paths, the tick and the pause.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/file.h"
#include "platform/heap.h"
#include "platform/process.h"

namespace {

class ScratchFolder {
public:
    ScratchFolder() {
        char base[MAX_PATH] = {};
        ::GetTempPathA(sizeof base, base);
        path_ = std::string(base) + "rodazaro-driver-" + std::to_string(::GetCurrentProcessId()) + "-" +
                std::to_string(::GetTickCount());
        ::CreateDirectoryA(path_.c_str(), nullptr);
        ::CreateDirectoryA((path_ + "\\Data").c_str(), nullptr);
    }
    ~ScratchFolder() {
        ::DeleteFileA((path_ + "\\Data\\Vuze.kel").c_str());
        ::RemoveDirectoryA((path_ + "\\Data").c_str());
        ::RemoveDirectoryA(path_.c_str());
    }
    std::string Write(const std::string& bytes) const {
        const std::string file = path_ + "\\Data\\Vuze.kel";
        HANDLE handle = ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr);
        DWORD written = 0;
        ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(handle);
        return file;
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

TEST(Win32Heaps, GrowBeyondTheirInitialSizeAndZeroWhenAsked) {
    platform::Heap* heap = platform::HeapCreate(0, 4000, 0);
    ASSERT_NE(heap, nullptr);
    // Growable: far more than the initial 4000 bytes.
    auto* big = static_cast<unsigned char*>(platform::HeapAlloc(heap, platform::kHeapZeroMemory, 3u << 20));
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big[0], 0);
    EXPECT_EQ(big[(3u << 20) - 1], 0);

    auto* block = static_cast<unsigned char*>(platform::HeapAlloc(heap, 0, 16));
    ASSERT_NE(block, nullptr);
    std::memset(block, 0xAB, 16);
    block = static_cast<unsigned char*>(platform::HeapReAlloc(heap, platform::kHeapZeroMemory, block, 4096));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block[15], 0xAB) << "the old bytes are kept";
    EXPECT_EQ(block[16], 0) << "the added bytes are zero";
    EXPECT_EQ(block[4095], 0);
    platform::HeapFree(heap, block);
    platform::HeapFree(heap, nullptr);
    platform::HeapDestroy(heap);

    EXPECT_EQ(platform::HeapAlloc(nullptr, 0, 16), nullptr);
    platform::HeapDestroy(nullptr);
}

TEST(Win32Heaps, FixedBlocksAreWritable) {
    auto* block = static_cast<unsigned char*>(platform::GlobalAllocFixed(100000));
    ASSERT_NE(block, nullptr);
    block[0] = 1;
    block[99999] = 2;
    EXPECT_EQ(block[0] + block[99999], 3);
    platform::GlobalFreeFixed(block);
}

TEST(Win32Files, ScriptPathsOpenWhateverTheirCase) {
    ScratchFolder folder;
    folder.Write("ab\r\ncd");
    const std::string spelled = folder.Path() + "\\data\\VUZE.KEL";
    const platform::FileHandle file = platform::OpenFileForReading(spelled.c_str());
    ASSERT_NE(file, 0u);
    EXPECT_EQ(platform::GetFileSizeLow(file), 6u);

    char bytes[8] = {};
    std::uint32_t got = 99;
    EXPECT_TRUE(platform::ReadFileBytes(file, bytes, 3, &got));
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(std::string(bytes, 3), "ab\r");
    // One byte back: the CR is read again.
    EXPECT_TRUE(platform::MoveFilePosition(file, -1));
    EXPECT_TRUE(platform::ReadFileBytes(file, bytes, 8, &got));
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(std::string(bytes, 4), "\r\ncd");
    // At the end: nothing read, and no error.
    EXPECT_TRUE(platform::ReadFileBytes(file, bytes, 1, &got));
    EXPECT_EQ(got, 0u);
    platform::CloseFileHandle(file);
}

TEST(Win32Files, OpenFilesAreSharedForReadingOnly) {
    ScratchFolder folder;
    const std::string path = folder.Write("x");
    const platform::FileHandle file = platform::OpenFileForReading(path.c_str());
    ASSERT_NE(file, 0u);
    const platform::FileHandle second = platform::OpenFileForReading(path.c_str());
    EXPECT_NE(second, 0u) << "a second reader is let in";
    HANDLE writer = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE) << "a writer is kept out";
    if (writer != INVALID_HANDLE_VALUE) ::CloseHandle(writer);
    platform::CloseFileHandle(second);
    platform::CloseFileHandle(file);
}

TEST(Win32Files, MissingFilesAndFoldersDoNotOpen) {
    ScratchFolder folder;
    EXPECT_EQ(platform::OpenFileForReading((folder.Path() + "\\data\\none.kel").c_str()), 0u);
    EXPECT_EQ(platform::OpenFileForReading((folder.Path() + "\\data").c_str()), 0u);
    EXPECT_EQ(platform::OpenFileForReading(nullptr), 0u);
    // Devices are no files to read.
    EXPECT_EQ(platform::OpenFileForReading("NUL"), 0u);
    EXPECT_EQ(platform::OpenFileForReading((folder.Path() + "\\data\\CON").c_str()), 0u);
    std::uint32_t got = 7;
    char byte = 0;
    EXPECT_FALSE(platform::ReadFileBytes(0, &byte, 1, &got));
    EXPECT_EQ(got, 0u);
    EXPECT_FALSE(platform::MoveFilePosition(0, 1));
    EXPECT_EQ(platform::GetFileSizeLow(0), 0u);
}

// The tick moves in steps of the system timer (about 16 ms on Windows;
// under Wine the server refreshes it, late when the machine is busy), so a
// reading just after the pause may still lag it.  The pause is measured on
// the performance counter; the tick must catch up with it within a second.
TEST(Win32Clock, ThePauseLetsTheTickMove) {
    LARGE_INTEGER frequency{};
    LARGE_INTEGER start{};
    LARGE_INTEGER end{};
    ASSERT_TRUE(::QueryPerformanceFrequency(&frequency));
    const std::uint32_t before = platform::GetTickCount();
    ::QueryPerformanceCounter(&start);
    platform::Sleep(50);
    ::QueryPerformanceCounter(&end);
    const double paused = static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                          static_cast<double>(frequency.QuadPart);
    EXPECT_GE(paused, 40.0);
    EXPECT_LT(paused, 5000.0);

    std::uint32_t elapsed = platform::GetTickCount() - before;
    for (int i = 0; i < 1000 && elapsed < 40u; ++i) {
        ::Sleep(1);
        elapsed = platform::GetTickCount() - before;
    }
    EXPECT_GE(elapsed, 40u);
    EXPECT_LT(elapsed, 5000u);
}

}  // namespace

// Ctrl+C at the console a windowed program was started from: the handler
// records 130 and wakes the program's message wait, and the process goes on
// to end through its own shutdown. Only one request can be sent: a second
// one ends the process at once.
TEST(Win32Process, CtrlCAtTheConsoleIsRecordedAndWakesTheMessageWait) {
    // A console of the test's own, whatever the program was started from.
    ::FreeConsole();
    ASSERT_TRUE(::AllocConsole());
    platform::WatchTerminationRequests();
    ASSERT_EQ(platform::TerminationStatus(), 0);
    MSG message;
    ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue exists from here on
    ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));

    const DWORD start = ::GetTickCount();
    bool woken = false;
    while (::GetTickCount() - start < 5000 && !woken) {
        if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_POSTMESSAGE) == WAIT_OBJECT_0) {
            while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.hwnd == nullptr && message.message == WM_NULL) woken = true;
            }
        }
    }
    EXPECT_TRUE(woken) << "no wake-up message within 5 s";
    EXPECT_EQ(platform::TerminationStatus(), 130);
}
