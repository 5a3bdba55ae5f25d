#include "player/interpreter.h"

#include <initializer_list>
#include <string>

#include "player/commands.h"
#include "player/player.h"
#include "player/player_state.h"
#include "player/report.h"
#include "runtime/load_problems.h"
#include "runtime/prepared_loads.h"
#include "runtime/strings.h"
#include "runtime/text_files.h"
#include "runtime/timing.h"
#include "screen/sprite3d.h"
#include "screen/sprites.h"
#include "sound/sound.h"

namespace player {

using runtime::MidPart;
using runtime::ParseFloat;
using runtime::ParseInt;
using runtime::RightPart;
using runtime::StringLength;

namespace {

// Every field is extracted into the temporary string area and the area is
// given back right after the conversion.
std::int32_t IntField(const char* line, std::int32_t position, std::int32_t count) {
    char* saved = runtime::TemporaryTop();
    const std::int32_t value = ParseInt(MidPart(line, position, count));
    runtime::SetTemporaryTop(saved);
    return value;
}

float RealField(const char* line, std::int32_t position, std::int32_t count) {
    char* saved = runtime::TemporaryTop();
    const float value = ParseFloat(MidPart(line, position, count));
    runtime::SetTemporaryTop(saved);
    return value;
}

// The integer read from position k + 1 to the end of the line.
std::int32_t IntFrom(const char* line, std::int32_t k) {
    char* saved = runtime::TemporaryTop();
    const std::int32_t value = ParseInt(RightPart(line, StringLength(line) - k));
    runtime::SetTemporaryTop(saved);
    return value;
}

// prefix + everything from position k + 1 on, built at `top`; the caller
// gives the area back.
char* PathFrom(const char* prefix, const char* line, std::int32_t k) {
    char* path = runtime::AppendString(prefix);
    RightPart(line, StringLength(line) - k);
    return path;
}

// The numbers of one line's fields, each read once after the command's word
// has matched, by its kind: integer[i] or real[i] holds field i.  Name
// fields are read by their command, which builds the path.
struct LineFields {
    std::int32_t integer[kMaxCommandFields] = {};
    float real[kMaxCommandFields] = {};
};

LineFields ReadFields(const char* line, const Command& command) {
    LineFields fields;
    for (std::int32_t i = 0; i < command.fieldCount; ++i) {
        const CommandField& field = command.fields[i];
        switch (field.kind) {
            case FieldKind::Real: fields.real[i] = RealField(line, field.column, field.length); break;
            case FieldKind::Time: fields.integer[i] = IntFrom(line, field.column - 1); break;
            case FieldKind::Slot:
            case FieldKind::Sound:
            case FieldKind::Int: fields.integer[i] = IntField(line, field.column, field.length); break;
            case FieldKind::Name: break;
        }
    }
    return fields;
}

// Field `index` of a command as this file reads it; the build stops when
// the table gives that field another kind.
constexpr std::int32_t Field(CommandId id, std::int32_t index, FieldKind kind) {
    return index < CommandOf(id).fieldCount && FieldOf(id, index).kind == kind ? index : throw "wrong field kind";
}

// The graphic commands address their slot with their first field.
constexpr std::int32_t kSlotField = 0;
constexpr bool SlotFirst(std::initializer_list<CommandId> ids) {
    for (CommandId id : ids) Field(id, kSlotField, FieldKind::Slot);
    return true;
}
static_assert(SlotFirst({CommandId::LGFX, CommandId::SGFX, CommandId::MGFX, CommandId::DGFX, CommandId::ZGFX,
                         CommandId::LBMP, CommandId::SBMP, CommandId::EGFX, CommandId::AGFX}));

// A slot field of "-1" to "-9" names no slot: the command does nothing.
GfxSlot* SlotOf(const LineFields& fields) { return Slot(fields.integer[kSlotField]); }

// With a listener, a load that answered 0 is told with the reason its loader
// noted; picture says whether a picture or a sound failed.
void ReportFailedLoad(const char* path, bool picture) {
    const char* reason = "cannot be loaded";
    switch (runtime::LastLoadProblem()) {
        case runtime::LoadProblem::kNone: break;
        case runtime::LoadProblem::kNoSuchFile: reason = "no such file"; break;
        case runtime::LoadProblem::kUnreadable: reason = "cannot be read"; break;
        case runtime::LoadProblem::kNoMemory: reason = "no memory to load it"; break;
        case runtime::LoadProblem::kNotDecoded:
            reason = picture ? "not a BMP or PNG picture that decodes" : "not a WAV or Ogg Vorbis sound that decodes";
            break;
        case runtime::LoadProblem::kNoDevice:
            reason = picture ? "no surface to hold the picture" : "no sound buffer to hold the sound";
            break;
    }
    ReportProblem(gPlayer.scriptLine, path, reason);
}

void LoadSoundCommand(const char* line, const LineFields& fields) {
    constexpr std::int32_t number = Field(CommandId::LSND, 0, FieldKind::Sound);
    constexpr std::int32_t name = Field(CommandId::LSND, 1, FieldKind::Name);
    char* saved = runtime::TemporaryTop();
    const char* path = PathFrom("data\\sound\\", line, FieldOf(CommandId::LSND, name).column - 1);
    runtime::NoteLoadProblem(runtime::LoadProblem::kNone);
    if (sound::LoadSoundFile(fields.integer[number], path) == 0) ReportFailedLoad(path, false);
    runtime::SetTemporaryTop(saved);
}

// LGFX and LBMP: the name of either is read from the same column.
void LoadGraphicCommand(const char* line, const LineFields& fields, bool texture) {
    constexpr std::int32_t name = Field(CommandId::LGFX, 1, FieldKind::Name);
    static_assert(Field(CommandId::LBMP, name, FieldKind::Name) == name &&
                  FieldOf(CommandId::LBMP, name).column == FieldOf(CommandId::LGFX, name).column);
    if (SlotOf(fields) == nullptr) return;
    const std::int32_t number = fields.integer[kSlotField];
    char* saved = runtime::TemporaryTop();
    const char* path = PathFrom("data\\gfx\\", line, FieldOf(CommandId::LGFX, name).column - 1);
    runtime::NoteLoadProblem(runtime::LoadProblem::kNone);
    const std::intptr_t loaded = screen::LoadSprite(number, path,
                                                    texture ? screen::kSpriteModeTexture : screen::kSpriteModeDefault);
    if (loaded == 0) ReportFailedLoad(path, true);
    if (texture) {
        if (screen::CreateSprite3D(number, number) == 0 && loaded != 0) {
            ReportProblem(gPlayer.scriptLine, path, "no 3D sprite can be made of the picture");
        }
        SlotOf(fields)->alpha = 255;
    }
    runtime::SetTemporaryTop(saved);
    SlotOf(fields)->loaded = 1;
}

// SGFX and SBMP: the same fields, a different mode.
void ShowCommand(const LineFields& fields, std::int8_t mode) {
    constexpr std::int32_t x = Field(CommandId::SGFX, 1, FieldKind::Real);
    constexpr std::int32_t y = Field(CommandId::SGFX, 2, FieldKind::Real);
    static_assert(Field(CommandId::SBMP, x, FieldKind::Real) == x && Field(CommandId::SBMP, y, FieldKind::Real) == y);
    GfxSlot* slot = SlotOf(fields);
    if (slot == nullptr) return;
    slot->mode = mode;
    slot->x = fields.real[x];
    slot->y = fields.real[y];
    if (mode == 1) {
        slot->zoom = 0.0f;
        slot->dzoom = 0.0f;
    }
}

void CopySlotCommand(const LineFields& fields) {
    constexpr std::int32_t target = Field(CommandId::EGFX, 1, FieldKind::Slot);
    GfxSlot* from = SlotOf(fields);
    GfxSlot* to = Slot(fields.integer[target]);
    if (from == nullptr || to == nullptr) return;
    to->mode = from->mode;
    to->x = from->x;
    to->y = from->y;
    to->zoom = from->zoom;
    to->dx = from->dx;
    to->dy = from->dy;
    to->dzoom = from->dzoom;
    to->alpha = from->alpha;
}

void MoveCommand(const LineFields& fields) {
    constexpr std::int32_t dx = Field(CommandId::MGFX, 1, FieldKind::Real);
    constexpr std::int32_t dy = Field(CommandId::MGFX, 2, FieldKind::Real);
    GfxSlot* slot = SlotOf(fields);
    if (slot == nullptr) return;
    slot->dx = fields.real[dx];
    slot->dy = fields.real[dy];
}

void ZoomCommand(const LineFields& fields) {
    constexpr std::int32_t dzoom = Field(CommandId::ZGFX, 1, FieldKind::Real);
    if (GfxSlot* slot = SlotOf(fields)) slot->dzoom = fields.real[dzoom];
}

void AlphaCommand(const LineFields& fields) {
    constexpr std::int32_t alpha = Field(CommandId::AGFX, 1, FieldKind::Int);
    if (GfxSlot* slot = SlotOf(fields)) slot->alpha = static_cast<std::int16_t>(fields.integer[alpha]);
}

void Execute(const char* line, const Command& command, const LineFields& fields) {
    constexpr std::int32_t sound = Field(CommandId::PSND, 0, FieldKind::Sound);
    constexpr std::int32_t waitTime = Field(CommandId::WAIT, 0, FieldKind::Time);
    constexpr std::int32_t forTime = Field(CommandId::WFOR, 0, FieldKind::Time);
    switch (command.id) {
        case CommandId::LSND: LoadSoundCommand(line, fields); break;
        case CommandId::QUIT: Shutdown(); break;
        case CommandId::PSND: sound::StartSound(fields.integer[sound]); break;
        case CommandId::WAIT: gPlayer.waitUntil = fields.integer[waitTime]; break;
        case CommandId::STCK:
            gPlayer.clockStart = runtime::GetTicks();
            gPlayer.lastFrameTick = runtime::GetTicks();
            break;
        case CommandId::LGFX: LoadGraphicCommand(line, fields, true); break;
        case CommandId::SGFX: ShowCommand(fields, 1); break;
        case CommandId::MGFX: MoveCommand(fields); break;
        case CommandId::DGFX:
            if (GfxSlot* slot = SlotOf(fields)) slot->mode = 0;
            break;
        case CommandId::ZGFX: ZoomCommand(fields); break;
        case CommandId::LBMP: LoadGraphicCommand(line, fields, false); break;
        case CommandId::SBMP: ShowCommand(fields, 2); break;
        case CommandId::EGFX: CopySlotCommand(fields); break;
        case CommandId::AGFX: AlphaCommand(fields); break;
        case CommandId::WFOR:
            // Script clock arithmetic wraps like the tick itself.
            gPlayer.waitUntil = static_cast<std::int32_t>(static_cast<std::uint32_t>(fields.integer[forTime]) +
                                                          static_cast<std::uint32_t>(ElapsedSinceClockStart()));
            break;
    }
}

// A line that matched no command, told unless it is blank: its word, or the
// whole of a line too short to hold one.
void ReportUnknownLine(const char* line) {
    bool blank = true;
    for (const char* c = line; *c != '\0'; ++c) blank = blank && (*c == ' ' || *c == '\t');
    if (blank) return;
    char* saved = runtime::TemporaryTop();
    if (StringLength(line) < kWordLength) {
        ReportProblem(gPlayer.scriptLine, line, "too short for a command; line ignored");
    } else {
        ReportProblem(gPlayer.scriptLine, runtime::LeftPart(line, kWordLength), "no such command; line ignored");
    }
    runtime::SetTemporaryTop(saved);
}

// A command whose slot field names no slot does nothing; it is told.
void ReportMissingSlots(const Command& command, const LineFields& fields) {
    for (std::int32_t i = 0; i < command.fieldCount; ++i) {
        if (command.fields[i].kind != FieldKind::Slot || Slot(fields.integer[i]) != nullptr) continue;
        const std::string subject = "slot " + std::to_string(fields.integer[i]);
        ReportProblem(gPlayer.scriptLine, subject.c_str(), "no such slot; line ignored");
        return;
    }
}

bool IsLoadCommand(CommandId id) { return id == CommandId::LGFX || id == CommandId::LBMP || id == CommandId::LSND; }

}  // namespace

void ExecuteScriptLine() {
    char* line = nullptr;
    runtime::AssignString(&line, runtime::ReadLine());
    ++gPlayer.scriptLine;
    char* saved = runtime::TemporaryTop();
    char* word = runtime::LeftPart(line, kWordLength);
    runtime::UpperCase(word, word);

    const Command* matched = nullptr;
    for (const Command& command : kCommands) {
        if (runtime::StringEquals(word, command.word) != 0) {
            matched = &command;
            if (IsLoadCommand(command.id)) {
                // Load lines are counted as the decode-ahead worker counts them.
                if (runtime::PreparedLoads* store = runtime::ActivePreparedLoads()) store->AdvanceLoadLine();
            }
            const LineFields fields = ReadFields(line, command);
            if (Reporting()) ReportMissingSlots(command, fields);
            Execute(line, command, fields);
            break;
        }
    }
    if (matched == nullptr && Reporting()) ReportUnknownLine(line != nullptr ? line : "");

    runtime::SetTemporaryTop(saved);
    runtime::FreeString(line);
}

}  // namespace player
