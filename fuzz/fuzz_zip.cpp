// Fuzz target: zip presentations (platform/zip/archive.cpp) behind the file
// service.
//
// The input is the archive file.  It is written to a file of its own and
// mounted as the folder that holds data\vuze.kel; once mounted, the script
// and a few other names are opened by the script's rules and read in pieces,
// with steps back, as the loaders read.  No entry may yield more bytes than
// it states or than the archive limits allow.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_support.h"
#include "platform/archive.h"
#include "platform/file.h"

namespace {

std::string ArchivePath() {
    static const std::string path = [] {
        const char* shm = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(shm) + "/rodazaro_fuzz_zip_" + std::to_string(getpid()) + ".zip";
    }();
    return path;
}

void ReadWhole(const char* name) {
    const platform::FileHandle file = platform::OpenFileForReading(name);
    if (file == 0) return;
    const std::uint32_t size = platform::GetFileSizeLow(file);
    fuzz_support::Require(size <= platform::kMaxArchiveEntryBytes, "an entry larger than the archive limit");
    static unsigned char buffer[4096];
    std::uint64_t total = 0;
    for (int step = 0;; ++step) {
        std::uint32_t got = 0;
        if (!platform::ReadFileBytes(file, buffer, step % 2 == 0 ? 1000 : 37, &got) || got == 0) break;
        fuzz_support::Require(got <= 1000, "a read returned more than it was asked for");
        total += got;
        fuzz_support::Require(total <= size, "an entry yielded more bytes than its size");
        if (step == 3) {
            platform::MoveFilePosition(file, -static_cast<std::int32_t>(got));
            total -= got;
        }
    }
    platform::CloseFileHandle(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = ArchivePath();
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return 0;
    const bool written = std::fwrite(data, 1, size, out) == size;
    if (std::fclose(out) != 0 || !written) return 0;

    std::string error;
    if (platform::MountArchive(path.c_str(), "data\\vuze.kel", &error)) {
        for (const char* name : {"data\\vuze.kel", "DATA\\GFX\\A.PNG", "data/sound/a.wav", "data\\..\\x", "data"}) {
            ReadWhole(name);
        }
        platform::UnmountArchive();
    } else {
        fuzz_support::Require(!error.empty(), "a refused archive without a reason");
    }
    return 0;
}
