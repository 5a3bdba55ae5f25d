#include "tools/check/script_check.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/posix/path.h"
#include "player/commands.h"
#include "player/show_options.h"
#include "runtime/heaps.h"
#include "runtime/strings.h"
#include "runtime/text_files.h"
#include "screen/image_decoders.h"
#include "sound/ogg_decoder.h"
#include "tools/check/media_check.h"
#include "tools/check/number_text.h"
#include "tools/check/suggest.h"
#include "tools/check/text_encoding.h"

namespace check {

namespace {

// ---------------------------------------------------------------------------
// The commands and the columns they read.

using player::CommandId;
using player::FieldKind;
using player::kWordLength;
using CommandSpec = player::Command;
using FieldSpec = player::CommandField;

// A command's fields, in column order.
std::span<const FieldSpec> Fields(const CommandSpec& spec) {
    return {spec.fields, static_cast<std::size_t>(spec.fieldCount)};
}

std::string Columns(const FieldSpec& field) {
    if (field.length == 0) return "from column " + std::to_string(field.column) + " on";
    if (field.length == 1) return "column " + std::to_string(field.column);
    return "columns " + std::to_string(field.column) + "-" + std::to_string(field.column + field.length - 1);
}

// "slot 6-7, x 9-13, y 15-19"
std::string Layout(const CommandSpec& spec) {
    std::string layout;
    for (const FieldSpec& field : Fields(spec)) {
        if (!layout.empty()) layout += ", ";
        layout += field.name;
        layout += ' ';
        if (field.length == 0) {
            layout += "from " + std::to_string(field.column);
        } else if (field.length == 1) {
            layout += std::to_string(field.column);
        } else {
            layout += std::to_string(field.column) + "-" + std::to_string(field.column + field.length - 1);
        }
    }
    return layout;
}

// Text for a message with its control bytes quoted and everything else,
// UTF-8 included, as it is.
std::string QuoteControls(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        out += byte < 0x20 || byte == 0x7F ? Quote(std::string_view(&c, 1)) : std::string(1, c);
    }
    return out;
}

std::string FormatReal(float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

// ---------------------------------------------------------------------------
// The player's own string operations, each result taken out of the
// temporary string area at once.

std::string TakeTemporary(char* saved, const char* result) {
    std::string text(result == nullptr ? "" : result);
    runtime::SetTemporaryTop(saved);
    return text;
}

std::string Mid(const std::string& line, int position, int count) {
    char* saved = runtime::TemporaryTop();
    return TakeTemporary(saved, runtime::MidPart(line.c_str(), position, count));
}

// Everything from column k + 1 on.
std::string From(const std::string& line, int k) {
    char* saved = runtime::TemporaryTop();
    return TakeTemporary(saved, runtime::RightPart(line.c_str(), runtime::StringLength(line.c_str()) - k));
}

std::string FieldText(const std::string& line, const FieldSpec& field) {
    return field.length == 0 ? From(line, field.column - 1) : Mid(line, field.column, field.length);
}

// The command of a line as the player matches it, null for none.
const CommandSpec* MatchCommand(const std::string& line) {
    char* saved = runtime::TemporaryTop();
    char* word = runtime::LeftPart(line.c_str(), kWordLength);
    runtime::UpperCase(word, word);
    const CommandSpec* found = nullptr;
    for (const CommandSpec& spec : player::kCommands) {
        if (runtime::StringEquals(word, spec.word) != 0) {
            found = &spec;
            break;
        }
    }
    runtime::SetTemporaryTop(saved);
    return found;
}

// True when the script file has nothing more to give: the next read finds
// the end of the file, or only a last lone CR, on which the player's line
// reader stays for good.  The file position is left where it was.
bool AtEndOfScript() {
    const platform::FileHandle file = runtime::CurrentFile();
    if (file == 0) return true;
    unsigned char next[2] = {0, 0};
    std::uint32_t got = 0;
    platform::ReadFileBytes(file, next, 2, &got);
    if (got > 0) platform::MoveFilePosition(file, -static_cast<std::int32_t>(got));
    return got == 0 || (got == 1 && next[0] == '\r');
}

// ---------------------------------------------------------------------------

constexpr int kSlots = 100;  // the slots the scene visits
constexpr int kSounds = 10;  // the sound numbers a script can name

enum class LoadKind { None, Texture, Plain };

struct SlotState {
    int firstLoadLine = 0;  // 0: not loaded (yet)
    LoadKind kind = LoadKind::None;
    std::int8_t mode = 0;
    std::string name;  // the graphic loaded last
    int width = 0;     // its size; 0 when it does not load
    int height = 0;
    bool toldPlainDoesNotFit = false;  // for this graphic
};

// A use of a slot or sound whose verdict waits for the end of the script.
struct Use {
    int line;
    int number;
    const char* word;
    bool shows;  // makes the slot drawn (mode 1 or 2)
};

struct Gap {
    int line;
    int slot;
    int missing;  // the first slot below it that was not loaded at that line
};

class ScriptChecker {
public:
    explicit ScriptChecker(Report& report) : report_(report) {}

    void Title(const std::string& title);
    void Line(const std::string& line, int number);
    void Finish(int lastLine);

private:
    struct Value {
        bool present = false;  // the field converts to a number
        std::int32_t integer = 0;
        float real = 0.0f;
    };

    void CheckTabs(const std::string& line, int number);
    void CheckUnreadColumns(const std::string& line, int number, const CommandSpec& spec);
    Value CheckField(const std::string& line, int number, const CommandSpec& spec, const FieldSpec& field);
    void Unknown(const std::string& line, int number);
    void Run(const CommandSpec& spec, const std::vector<Value>& values, const std::string& line, int number);
    void LoadGraphic(int slot, const std::string& name, int nameColumn, LoadKind kind, int number);
    void Show(int slot, std::int8_t mode, const char* word, int number);
    // Tells when a plain sprite shown on the slot is larger than a mode's screen.
    void PlainSpriteFits(int slot, int number);
    void Wait(std::int32_t time, bool present, int number);
    void WaitFor(std::int32_t time, bool present, int number);
    void AddMedia(const MediaResult& result, int number);

    Report& report_;
    std::array<SlotState, kSlots + 1> slots_{};
    std::array<int, kSounds> soundLoadLine_{};
    std::vector<Use> slotUses_;
    std::vector<Use> soundUses_;
    std::vector<Gap> gaps_;
    std::map<std::string, MediaResult> graphics_;
    std::map<std::string, MediaResult> sounds_;
    bool sawCommand_ = false;
    bool sawStck_ = false;
    // The least the script clock has reached after the waits since STCK,
    // and the line that set it.
    std::int64_t clockAtLeast_ = 0;
    int clockLine_ = 0;
    int quitLine_ = 0;
    bool reportedAfterQuit_ = false;
};

void ScriptChecker::Title(const std::string& title) {
    if (title.empty()) {
        report_.Info(1, "the title (line 1) is empty");
        return;
    }
    if (title.size() >= 3 && title.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        report_.Warning(1,
                        "the script begins with a UTF-8 byte order mark, which becomes part of the title; "
                        "save the script without it");
    }
    const std::string_view text = std::string_view(title).substr(title.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0);
    if (!IsAscii(text) && IsUtf8(text)) {
        report_.Info(1, "the title is written in UTF-8 ('" + QuoteControls(text) +
                            "'): the launcher on Linux shows it so, but the Windows program shows titles as "
                            "Windows-1252, there '" +
                            QuoteControls(Windows1252AsUtf8(text)) +
                            "'; save the script as Windows-1252 for a title that reads the same on both");
    }
    if (const CommandSpec* spec = MatchCommand(title)) {
        report_.Warning(1, std::string("line 1 is the title and is never run, but it reads as the command ") +
                               spec->word + ": is the title line missing?");
    }
}

void ScriptChecker::CheckTabs(const std::string& line, int number) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos) return;
    report_.Warning(number, "tab at column " + std::to_string(tab + 1) +
                                ": the player counts a tab as one column and reads no number across it; use spaces");
}

void ScriptChecker::CheckUnreadColumns(const std::string& line, int number, const CommandSpec& spec) {
    const int length = static_cast<int>(line.size());
    std::vector<bool> read(static_cast<std::size_t>(length) + 2, false);
    int lastRead = kWordLength;
    for (int c = 1; c <= kWordLength && c <= length; ++c) read[static_cast<std::size_t>(c)] = true;
    for (const FieldSpec& field : Fields(spec)) {
        const int end = field.length == 0 ? length : field.column + field.length - 1;
        for (int c = field.column; c <= end && c <= length; ++c) read[static_cast<std::size_t>(c)] = true;
        lastRead = std::max(lastRead, end);
    }
    const std::string layout = spec.fieldCount == 0 ? std::string(" (") + spec.word + " reads no fields)"
                                                    : std::string(" (") + spec.word + " reads " + Layout(spec) + ")";
    int c = kWordLength + 1;
    while (c <= length) {
        if (read[static_cast<std::size_t>(c)] || line[static_cast<std::size_t>(c - 1)] == ' ') {
            ++c;
            continue;
        }
        const int first = c;
        while (c <= length && !read[static_cast<std::size_t>(c)] && line[static_cast<std::size_t>(c - 1)] != ' ') ++c;
        const int last = c - 1;
        const std::string text = line.substr(static_cast<std::size_t>(first - 1),
                                             static_cast<std::size_t>(last - first + 1));
        const std::string where = first == last
                                      ? "column " + std::to_string(first) + " holds "
                                      : "columns " + std::to_string(first) + "-" + std::to_string(last) + " hold ";
        const std::string message = where + "'" + Quote(text) + "', which the player does not read" + layout;
        if (LooksNumeric(text)) {
            report_.Error(number, message);
        } else if (first > lastRead) {
            report_.Info(number, message);
        } else {
            report_.Warning(number, message);
        }
    }
}

ScriptChecker::Value ScriptChecker::CheckField(const std::string& line, int number, const CommandSpec& spec,
                                               const FieldSpec& field) {
    Value value;
    const std::string text = FieldText(line, field);
    const std::string where = std::string(field.name) + " (" + Columns(field) + ")";
    if (field.kind == FieldKind::Name) {
        value.present = !text.empty();
        return value;
    }
    if (field.kind == FieldKind::Real) {
        const NumberText scan = ScanRealText(text);
        value.real = runtime::ParseFloat(text.c_str());
        if (!scan.hasDigits) {
            // A blank real field is 0, as the player reads it.
            if (!IsBlank(text))
                report_.Error(number, where + " holds '" + Quote(text) + "', which is not a number: it reads as 0");
            return value;
        }
        value.present = true;
        const std::string rest = text.substr(scan.end);
        if (!IsBlank(rest)) {
            const std::string message = where + " holds '" + Quote(text) + "': only '" +
                                        Quote(text.substr(0, scan.end)) + "' is read, as " + FormatReal(value.real);
            if (LooksNumeric(rest)) report_.Error(number, message);
            else report_.Warning(number, message);
        }
        if (!std::isfinite(value.real)) {
            report_.Error(number, where + " holds '" + Quote(text) + "', which is too large for the player's reals");
        }
        return value;
    }

    const NumberText scan = ScanIntText(text);
    value.integer = runtime::ParseInt(text.c_str());
    if (!scan.hasDigits) {
        if (IsBlank(text)) {
            switch (field.kind) {
                case FieldKind::Slot:
                    report_.Error(number, std::string("no ") + where + ": " + spec.word + " addresses slot 0");
                    break;
                case FieldKind::Sound:
                    report_.Error(number, std::string("no ") + where + ": " + spec.word + " uses sound 0");
                    break;
                case FieldKind::Int: report_.Warning(number, std::string("no ") + where + ": it reads as 0"); break;
                default:  // times: the commands say what a missing time does
                    break;
            }
        } else {
            report_.Error(number, where + " holds '" + Quote(text) + "', which is not a number: it reads as 0");
        }
        return value;
    }
    value.present = true;
    const std::string rest = text.substr(scan.end);
    if (!IsBlank(rest)) {
        const std::string message = where + " holds '" + Quote(text) + "': only '" + Quote(text.substr(0, scan.end)) +
                                    "' is read, as " + std::to_string(value.integer);
        if (LooksNumeric(rest)) report_.Error(number, message);
        else report_.Warning(number, message);
    }
    // Digits beyond what 32 bits hold wrap around.
    if (field.kind == FieldKind::Time) {
        std::size_t digits = text.find_first_of("0123456789");
        std::int64_t exact = 0;
        bool wraps = false;
        while (digits < text.size() && IsDigit(text[digits])) {
            exact = exact * 10 + (text[digits] - '0');
            if (exact > 2147483647LL) {
                wraps = true;
                break;
            }
            ++digits;
        }
        if (wraps) {
            report_.Error(number, where + " is too large for 32 bits: it reads as " + std::to_string(value.integer));
        }
    }
    return value;
}

void ScriptChecker::Unknown(const std::string& line, int number) {
    if (IsBlank(line)) return;
    // A comment: no command word begins with '#', so the player passes over
    // the line (it still takes its turn, as every line does).
    if (line[0] == '#') return;
    if (line.size() < static_cast<std::size_t>(kWordLength)) {
        report_.Warning(number,
                        "'" + Quote(line) + "' is too short to be a command: the line does nothing" + Suggestion(line));
        return;
    }
    const std::string message = "unknown command '" + Quote(line.substr(0, kWordLength)) + "': the line does nothing";
    const std::size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos && first > 0) {
        if (const CommandSpec* spec = MatchCommand(line.substr(first))) {
            report_.Error(number, message + "; the command word " + spec->word +
                                      " must begin in column 1, and its fields are counted from there");
            return;
        }
    }
    report_.Error(number, message + Suggestion(line));
}

void ScriptChecker::AddMedia(const MediaResult& result, int number) {
    for (const MediaNote& note : result.notes) report_.Add(number, note.severity, note.message);
}

void ScriptChecker::LoadGraphic(int slot, const std::string& name, int nameColumn, LoadKind kind, int number) {
    auto cached = graphics_.find(name);
    if (cached == graphics_.end()) cached = graphics_.emplace(name, CheckGraphicFile(name, nameColumn)).first;
    AddMedia(cached->second, number);
    if (kind == LoadKind::Texture) {
        for (const MediaNote& note : cached->second.textureNotes) report_.Add(number, note.severity, note.message);
    }
    SlotState& state = slots_[static_cast<std::size_t>(slot)];
    // The slot is marked loaded whether or not its graphic loads.
    if (state.firstLoadLine == 0) state.firstLoadLine = number;
    state.kind = kind;
    state.name = name;
    state.width = cached->second.loads ? cached->second.width : 0;
    state.height = cached->second.loads ? cached->second.height : 0;
    state.toldPlainDoesNotFit = false;
    if (kind == LoadKind::Plain && state.mode == 1) {
        report_.Warning(number, "slot " + std::to_string(slot) +
                                    " is shown as a 3D sprite (SGFX) and now gets a plain sprite (LBMP), "
                                    "which a 3D sprite cannot draw: it shows nothing until SBMP");
    }
}

void ScriptChecker::Show(int slot, std::int8_t mode, const char* word, int number) {
    SlotState& state = slots_[static_cast<std::size_t>(slot)];
    state.mode = mode;
    if (mode == 0) return;
    slotUses_.push_back({number, slot, word, true});
    if (mode == 2) PlainSpriteFits(slot, number);
    if (mode == 1 && state.kind == LoadKind::Plain) {
        report_.Warning(number, "slot " + std::to_string(slot) + " was loaded with LBMP (a plain sprite), but " + word +
                                    " shows it as a 3D sprite, which draws nothing: show it with SBMP, "
                                    "or load it with LGFX");
    }
    if (state.firstLoadLine == 0) return;
    for (int below = 0; below < slot; ++below) {
        if (slots_[static_cast<std::size_t>(below)].firstLoadLine == 0) {
            gaps_.push_back({number, slot, below});
            break;
        }
    }
}

void ScriptChecker::PlainSpriteFits(int slot, int number) {
    SlotState& state = slots_[static_cast<std::size_t>(slot)];
    if (state.width == 0 || state.toldPlainDoesNotFit) return;
    // The screen sizes of the launcher's modes, smallest first, and those
    // the picture does not fit.
    std::vector<std::pair<int, int>> sizes;
    for (const player::ScreenMode& mode : player::kScreenModes) sizes.emplace_back(mode.width, mode.height);
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    std::string cut;
    std::size_t cutCount = 0;
    for (const auto& [width, height] : sizes) {
        if (state.width <= width && state.height <= height) continue;
        cut += (cut.empty() ? "" : " and ") + std::to_string(width) + "x" + std::to_string(height);
        ++cutCount;
    }
    if (cutCount == 0) return;
    state.toldPlainDoesNotFit = true;
    const std::string smallest = std::to_string(sizes.front().first) + " x " + std::to_string(sizes.front().second);
    report_.Warning(number, "slot " + std::to_string(slot) + " shows 'data\\gfx\\" + Quote(state.name) + "' (" +
                                std::to_string(state.width) + " x " + std::to_string(state.height) +
                                " pixels) as a plain sprite, which is drawn at its own size and never scaled: " +
                                (cutCount == sizes.size() ? "it is larger than the screen in every mode"
                                                          : "in the " + cut + " modes it is larger than the screen") +
                                ", so its edges are cut off there; make it at most " + smallest +
                                " to see it whole in every mode");
}

void ScriptChecker::Wait(std::int32_t time, bool present, int number) {
    if (!present) {
        report_.Warning(number, "WAIT without a time sets no wait");
        return;
    }
    if (time == 0) {
        report_.Warning(number, "WAIT 0 sets no wait");
        return;
    }
    if (time < 0) {
        report_.Warning(number, "WAIT " + std::to_string(time) + " is a negative time: the wait ends at once");
        return;
    }
    if (!sawStck_) {
        report_.Warning(number,
                        "WAIT before any STCK: the script clock then counts from the system's start, "
                        "so the wait normally ends at once; put STCK before the first WAIT");
        return;
    }
    if (time <= clockAtLeast_) {
        report_.Warning(number, "WAIT " + std::to_string(time) + " is not later than the " +
                                    std::to_string(clockAtLeast_) + " ms after STCK that line " +
                                    std::to_string(clockLine_) + " already waited for: it ends at once");
        return;
    }
    clockAtLeast_ = time;
    clockLine_ = number;
}

void ScriptChecker::WaitFor(std::int32_t time, bool present, int number) {
    if (!present) {
        report_.Warning(number, "WFOR without a time waits for nothing");
        return;
    }
    if (time < 0) {
        report_.Warning(number, "WFOR " + std::to_string(time) + " is a negative time: the wait ends at once");
        return;
    }
    if (time > 0) {
        clockAtLeast_ += time;
        clockLine_ = number;
    }
}

void ScriptChecker::Run(const CommandSpec& spec, const std::vector<Value>& values, const std::string& line,
                        int number) {
    auto slotOf = [&](std::size_t index, int* slot) {
        const Value& v = values[index];
        if (v.integer < 0) {
            report_.Error(number, std::string(spec.fields[index].name) + " " + std::to_string(v.integer) +
                                      " is negative: the player ignores this " + spec.word);
            return false;
        }
        *slot = v.integer;
        return true;
    };
    int slot = 0;
    switch (spec.id) {
        case CommandId::LSND: {
            const int sound = values[0].integer;
            const std::string name = FieldText(line, spec.fields[1]);
            auto cached = sounds_.find(name);
            if (cached == sounds_.end())
                cached = sounds_.emplace(name, CheckSoundFile(name, spec.fields[1].column)).first;
            AddMedia(cached->second, number);
            if (sound >= 0 && sound < kSounds && soundLoadLine_[static_cast<std::size_t>(sound)] == 0) {
                soundLoadLine_[static_cast<std::size_t>(sound)] = number;
            }
            break;
        }
        case CommandId::PSND: soundUses_.push_back({number, values[0].integer, spec.word, true}); break;
        case CommandId::QUIT:
            if (quitLine_ == 0) quitLine_ = number;
            break;
        case CommandId::WAIT: Wait(values[0].integer, values[0].present, number); break;
        case CommandId::WFOR: WaitFor(values[0].integer, values[0].present, number); break;
        case CommandId::STCK:
            sawStck_ = true;
            clockAtLeast_ = 0;
            clockLine_ = number;
            break;
        case CommandId::LGFX:
        case CommandId::LBMP:
            if (!slotOf(0, &slot)) break;
            LoadGraphic(slot, FieldText(line, spec.fields[1]), spec.fields[1].column,
                        spec.id == CommandId::LGFX ? LoadKind::Texture : LoadKind::Plain, number);
            break;
        case CommandId::SGFX:
            if (slotOf(0, &slot)) Show(slot, 1, spec.word, number);
            break;
        case CommandId::SBMP:
            if (slotOf(0, &slot)) Show(slot, 2, spec.word, number);
            break;
        case CommandId::DGFX:
            if (slotOf(0, &slot)) slots_[static_cast<std::size_t>(slot)].mode = 0;
            break;
        case CommandId::MGFX:
        case CommandId::ZGFX:
            if (slotOf(0, &slot)) slotUses_.push_back({number, slot, spec.word, false});
            break;
        case CommandId::AGFX: {
            if (!slotOf(0, &slot)) break;
            slotUses_.push_back({number, slot, spec.word, false});
            const std::int32_t alpha = values[1].integer;
            if (values[1].present && (alpha < 0 || alpha > 255)) {
                report_.Warning(number, "alpha " + std::to_string(alpha) +
                                            " is outside 0-255: only its low 8 bits count, so it draws as " +
                                            std::to_string(alpha & 255));
            }
            if (slots_[static_cast<std::size_t>(slot)].kind == LoadKind::Plain) {
                report_.Info(number, "slot " + std::to_string(slot) +
                                         " holds a plain sprite (LBMP): alpha changes only 3D sprites");
            }
            break;
        }
        case CommandId::EGFX: {
            int target = 0;
            if (!slotOf(0, &slot) || !slotOf(1, &target)) break;
            const std::int8_t mode = slots_[static_cast<std::size_t>(slot)].mode;
            if (mode == 0) {
                slots_[static_cast<std::size_t>(target)].mode = 0;
                slotUses_.push_back({number, target, spec.word, false});
            } else {
                Show(target, mode, spec.word, number);
            }
            break;
        }
    }
}

void ScriptChecker::Line(const std::string& line, int number) {
    // Everything after QUIT is still checked, for the day it moves.
    if (quitLine_ != 0 && !reportedAfterQuit_ && !IsBlank(line) && line[0] != '#') {
        report_.Info(number, "this and the following lines are never run: QUIT at line " + std::to_string(quitLine_) +
                                 " ends the program");
        reportedAfterQuit_ = true;
    }
    const CommandSpec* spec = MatchCommand(line);
    if (spec == nullptr) {
        Unknown(line, number);
        return;
    }
    sawCommand_ = true;
    CheckTabs(line, number);
    CheckUnreadColumns(line, number, *spec);
    std::vector<Value> values;
    values.reserve(static_cast<std::size_t>(spec->fieldCount));
    for (const FieldSpec& field : Fields(*spec)) values.push_back(CheckField(line, number, *spec, field));
    Run(*spec, values, line, number);
}

void ScriptChecker::Finish(int lastLine) {
    if (!sawCommand_) {
        report_.Warning(0, lastLine <= 1 ? "the script holds only its title: there is nothing to show"
                                         : "the script holds no command");
    }
    for (const Use& use : soundUses_) {
        const int loaded = soundLoadLine_[static_cast<std::size_t>(use.number)];
        if (loaded == 0) {
            report_.Warning(use.line,
                            "sound " + std::to_string(use.number) + " is played but never loaded (no LSND for it)");
        } else if (loaded > use.line) {
            report_.Warning(use.line, "sound " + std::to_string(use.number) + " is played before it is loaded (line " +
                                          std::to_string(loaded) + "): it plays nothing here");
        }
    }
    for (const Use& use : slotUses_) {
        const int loaded = slots_[static_cast<std::size_t>(use.number)].firstLoadLine;
        if (loaded == 0) {
            report_.Warning(use.line, "slot " + std::to_string(use.number) +
                                          " is never loaded (no LGFX or LBMP for it): " + use.word +
                                          (use.shows ? " shows nothing" : " has no visible effect"));
        } else if (loaded > use.line && use.shows) {
            report_.Info(use.line, "slot " + std::to_string(use.number) + " is shown before it is loaded (line " +
                                       std::to_string(loaded) + "): it appears from then on");
        }
    }
    for (const Gap& gap : gaps_) {
        const int filled = slots_[static_cast<std::size_t>(gap.missing)].firstLoadLine;
        if (filled == 0) continue;  // reported once, at the slot's load
        report_.Warning(gap.line, "slot " + std::to_string(gap.slot) + " is shown, but slot " +
                                      std::to_string(gap.missing) + " is not loaded until line " +
                                      std::to_string(filled) +
                                      ": the scene stops at the first slot that is not loaded, so slot " +
                                      std::to_string(gap.slot) + " is neither moved nor drawn until then");
    }
    int missing = -1;
    for (int slot = 0; slot < kSlots; ++slot) {
        const int loaded = slots_[static_cast<std::size_t>(slot)].firstLoadLine;
        if (loaded == 0) {
            if (missing < 0) missing = slot;
            continue;
        }
        if (missing >= 0) {
            report_.Warning(loaded, "slot " + std::to_string(slot) + " is never moved or drawn: slot " +
                                        std::to_string(missing) +
                                        " is never loaded, and the scene stops at the first slot that is not loaded; "
                                        "number the slots from 0 without gaps");
        }
    }
    if (quitLine_ == 0) {
        report_.Info(0, "the script has no QUIT: after the last line the final scene stays on the screen until Escape");
    }
}

}  // namespace

void StartRuntime() {
    runtime::CreateProgramHeap();
    runtime::CreateObjectHeap();
    runtime::InitFiles();
    screen::InitImageDecoders();
    runtime::InitStrings();
    sound::RegisterOggDecoder();
    screen::RegisterPngDecoder();
}

void StopRuntime() {
    runtime::CloseAllFiles();
    runtime::DestroyObjectHeap();
    runtime::DestroyProgramHeap();
    runtime::ResetStrings();
}

void CheckScript(Report& report) {
    static const char kScript[] = "data\\vuze.kel";
    if (runtime::OpenReadFile(0, kScript) == 0) {
        report.Error(0, "cannot open the script data\\vuze.kel: a presentation is a folder \"data\" holding vuze.kel");
        return;
    }
    const std::string foundAs = platform::ResolveScriptPath(kScript);
    if (foundAs != "data/vuze.kel") {
        report.Warning(0, "the script exists only as '" + Quote(foundAs) +
                              "': it is found only because the player ignores case; name it data/vuze.kel");
    }
    if (AtEndOfScript()) {
        report.Error(0, "the script is empty: it needs a title line and commands");
        return;
    }
    ScriptChecker checker(report);
    char* saved = runtime::TemporaryTop();
    checker.Title(TakeTemporary(saved, runtime::ReadLine()));
    int number = 1;
    while (!AtEndOfScript()) {
        ++number;
        checker.Line(TakeTemporary(saved, runtime::ReadLine()), number);
    }
    checker.Finish(number);
    runtime::CloseFile(0);
}

}  // namespace check
