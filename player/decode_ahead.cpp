#include "player/decode_ahead.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/file.h"
#include "platform/process.h"
#include "player/commands.h"
#include "runtime/prepared_loads.h"
#include "screen/sprites.h"
#include "sound/sound.h"

namespace player {

namespace {

DecodeAheadSettings gSettings;
std::unique_ptr<runtime::PreparedLoads> gStore;
std::thread gWorker;
std::uint64_t gTakenBefore = 0;  // by the workers already stopped

// How long the worker waits before it looks again at a script that has no
// further whole line yet (one that is still being written).
constexpr std::chrono::milliseconds kScriptPoll{20};
constexpr std::uint32_t kReadChunk = 4096;

// The worker's own handle on the script and its lines as the text files
// read them: CR LF, LF, CR and a zero byte end a line.  Only whole lines
// are given: a line the file does not yet end waits for more bytes.
class ScriptLines {
public:
    explicit ScriptLines(const char* path) : file_(platform::OpenFileForReading(path)) {}
    ~ScriptLines() { platform::CloseFileHandle(file_); }
    ScriptLines(const ScriptLines&) = delete;
    ScriptLines& operator=(const ScriptLines&) = delete;

    bool Next(std::string* line) {
        for (;;) {
            if (TakeLine(line)) return true;
            if (!ReadMore()) return false;
        }
    }

private:
    bool TakeLine(std::string* line) {
        for (std::size_t i = start_; i < bytes_.size(); ++i) {
            const char c = bytes_[i];
            if (c != '\n' && c != '\r' && c != '\0') continue;
            std::size_t next = i + 1;
            if (c == '\r') {
                // A CR whose next byte is not there yet may begin a CR LF.
                if (next == bytes_.size()) return false;
                if (bytes_[next] == '\n') ++next;
            }
            line->assign(bytes_, start_, i - start_);
            start_ = next;
            return true;
        }
        return false;
    }

    bool ReadMore() {
        if (file_ == 0) return false;
        if (start_ > 0) {
            bytes_.erase(0, start_);
            start_ = 0;
        }
        char chunk[kReadChunk];
        std::uint32_t got = 0;
        if (!platform::ReadFileBytes(file_, chunk, kReadChunk, &got) || got == 0) return false;
        bytes_.append(chunk, got);
        return true;
    }

    platform::FileHandle file_;
    std::string bytes_;
    std::size_t start_ = 0;
};

// The command of a line as the interpreter matches it: its first four
// characters in upper case, the first equal word of the table.
const Command* MatchCommand(const std::string& line) {
    if (line.size() < static_cast<std::size_t>(kWordLength)) return nullptr;
    char word[kWordLength];
    for (std::int32_t i = 0; i < kWordLength; ++i) {
        const char c = line[static_cast<std::size_t>(i)];
        word[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    for (const Command& command : kCommands) {
        if (std::memcmp(word, command.word, kWordLength) == 0) return &command;
    }
    return nullptr;
}

// The file a load line names, built as the interpreter builds it: the
// prefix, then the line from the name's column on.
std::string NamedPath(const char* prefix, const std::string& line, CommandId id) {
    const std::size_t from = static_cast<std::size_t>(FieldOf(id, 1).column - 1);
    return std::string(prefix) + (line.size() > from ? line.substr(from) : std::string());
}

void PrepareLine(runtime::PreparedLoads& store, std::uint64_t loadLine, const Command& command,
                 const std::string& line) {
    const bool sound = command.id == CommandId::LSND;
    const std::string path = NamedPath(sound ? "data\\sound\\" : "data\\gfx\\", line, command.id);
    if (!store.WaitForRoom(loadLine)) return;
    // A file that changes while it is read is not kept: its turn reads it anew.
    platform::FileIdentity before;
    if (!platform::GetFileIdentity(path.c_str(), &before)) return;
    std::unique_ptr<runtime::PreparedData> data = sound ? sound::PrepareSound(path.c_str())
                                                        : screen::PreparePicture(path.c_str());
    platform::FileIdentity after;
    if (data == nullptr || !platform::GetFileIdentity(path.c_str(), &after) || !(after == before)) return;
    runtime::PreparedLoad load;
    load.line = loadLine;
    load.kind = sound ? runtime::PreparedKind::kSound : runtime::PreparedKind::kPicture;
    load.path = path;
    load.identity = before;
    load.data = std::move(data);
    store.Put(std::move(load));
}

void RunWorker(runtime::PreparedLoads* store, std::string scriptPath) {
    try {
        ScriptLines script(scriptPath.c_str());
        bool title = true;
        std::uint64_t loadLine = 0;
        std::string line;
        while (!store->Stopped()) {
            if (!script.Next(&line)) {
                if (!store->Pause(kScriptPoll)) return;
                continue;
            }
            if (title) {
                title = false;
                continue;
            }
            const Command* command = MatchCommand(line);
            if (command == nullptr ||
                (command->id != CommandId::LGFX && command->id != CommandId::LBMP && command->id != CommandId::LSND)) {
                continue;
            }
            PrepareLine(*store, ++loadLine, *command, line);
        }
    } catch (...) {
        // Out of memory inside the worker: the turns load as without it.
    }
}

}  // namespace

void SetDecodeAheadSettings(const DecodeAheadSettings& settings) { gSettings = settings; }

DecodeAheadSettings ApplyDecodeAheadSetting(const char* value, DecodeAheadSettings settings) {
    if (value == nullptr) return settings;
    if (std::strcmp(value, "off") == 0 || std::strcmp(value, "0") == 0) {
        settings.enabled = false;
        return settings;
    }
    char* end = nullptr;
    const unsigned long long mebibytes = std::strtoull(value, &end, 10);
    if (end != value && *end == '\0' && value[0] != '-' && mebibytes > 0 && mebibytes < (std::size_t{1} << 20)) {
        settings.boundBytes = static_cast<std::size_t>(mebibytes) << 20;
    }
    return settings;
}

void StartDecodeAhead(const char* scriptPath) {
    StopDecodeAhead();
    const DecodeAheadSettings settings = ApplyDecodeAheadSetting(std::getenv("RODAZARO_DECODE_AHEAD"), gSettings);
    if (!settings.enabled || scriptPath == nullptr || !platform::ThreadsAvailable()) return;
    gStore = std::make_unique<runtime::PreparedLoads>(settings.boundBytes);
    try {
        gWorker = std::thread(RunWorker, gStore.get(), std::string(scriptPath));
    } catch (const std::system_error&) {
        // No thread to be had: every load runs on its own turn.
        gStore.reset();
        return;
    }
    runtime::SetActivePreparedLoads(gStore.get());
}

void StopDecodeAhead() {
    if (gStore == nullptr) return;
    runtime::SetActivePreparedLoads(nullptr);
    gStore->Stop();
    if (gWorker.joinable()) gWorker.join();
    gTakenBefore += gStore->TakenCount();
    gStore.reset();
}

bool DecodeAheadRunning() { return gStore != nullptr; }

std::uint64_t LoadsDecodedAhead() { return gTakenBefore + (gStore == nullptr ? 0 : gStore->TakenCount()); }

}  // namespace player
