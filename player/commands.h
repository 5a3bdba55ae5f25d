// The script's commands: each command's word and the fixed columns of its
// fields.  The interpreter, the presentation checker and the demo generator
// all read their columns from this one table.
#pragma once

#include <cstdint>

namespace player {

// The command word: columns 1 to kWordLength, matched in upper case.
constexpr std::int32_t kWordLength = 4;

enum class FieldKind : std::uint8_t {
    Slot,   // a slot number (ParseInt of the field)
    Sound,  // a sound number (ParseInt)
    Real,   // a single-precision real (ParseFloat)
    Int,    // any other integer (ParseInt)
    Time,   // a time in milliseconds (ParseInt)
    Name,   // a file name, used as written
};

struct CommandField {
    FieldKind kind;
    std::int32_t column;  // 1-based
    std::int32_t length;  // 0: from the column to the end of the line
    const char* name;     // as the checker's messages name it: "x", "target slot"
    const char* symbol;   // as the README's command table writes it: "x", "MM"
};

enum class CommandId : std::uint8_t {
    LSND,
    QUIT,
    PSND,
    WAIT,
    STCK,
    LGFX,
    SGFX,
    MGFX,
    DGFX,
    ZGFX,
    LBMP,
    SBMP,
    EGFX,
    AGFX,
    WFOR
};

constexpr std::int32_t kMaxCommandFields = 3;

struct Command {
    const char* word;  // kWordLength upper-case letters
    CommandId id;
    std::int32_t fieldCount;
    CommandField fields[kMaxCommandFields];
};

namespace command_fields {
constexpr CommandField kSlot{FieldKind::Slot, 6, 2, "slot", "NN"};
constexpr CommandField kSound{FieldKind::Sound, 6, 1, "sound number", "S"};
constexpr CommandField kTime{FieldKind::Time, 6, 0, "time", "t"};
constexpr CommandField kSoundName{FieldKind::Name, 8, 0, "file name", "name"};
constexpr CommandField kGraphicName{FieldKind::Name, 9, 0, "file name", "name"};
constexpr CommandField kX{FieldKind::Real, 9, 5, "x", "x"};
constexpr CommandField kY{FieldKind::Real, 15, 5, "y", "y"};
constexpr CommandField kDx{FieldKind::Real, 9, 6, "dx", "dx"};
constexpr CommandField kDy{FieldKind::Real, 16, 6, "dy", "dy"};
constexpr CommandField kDzoom{FieldKind::Real, 9, 6, "dzoom", "dzoom"};
constexpr CommandField kTargetSlot{FieldKind::Slot, 9, 2, "target slot", "MM"};
constexpr CommandField kAlpha{FieldKind::Int, 9, 3, "alpha", "alpha"};
}  // namespace command_fields

// In the order the interpreter compares the words: the first equal word wins.
inline constexpr Command kCommands[] = {
    {"LSND", CommandId::LSND, 2, {command_fields::kSound, command_fields::kSoundName}},
    {"QUIT", CommandId::QUIT, 0, {}},
    {"PSND", CommandId::PSND, 1, {command_fields::kSound}},
    {"WAIT", CommandId::WAIT, 1, {command_fields::kTime}},
    {"STCK", CommandId::STCK, 0, {}},
    {"LGFX", CommandId::LGFX, 2, {command_fields::kSlot, command_fields::kGraphicName}},
    {"SGFX", CommandId::SGFX, 3, {command_fields::kSlot, command_fields::kX, command_fields::kY}},
    {"MGFX", CommandId::MGFX, 3, {command_fields::kSlot, command_fields::kDx, command_fields::kDy}},
    {"DGFX", CommandId::DGFX, 1, {command_fields::kSlot}},
    {"ZGFX", CommandId::ZGFX, 2, {command_fields::kSlot, command_fields::kDzoom}},
    {"LBMP", CommandId::LBMP, 2, {command_fields::kSlot, command_fields::kGraphicName}},
    {"SBMP", CommandId::SBMP, 3, {command_fields::kSlot, command_fields::kX, command_fields::kY}},
    {"EGFX", CommandId::EGFX, 2, {command_fields::kSlot, command_fields::kTargetSlot}},
    {"AGFX", CommandId::AGFX, 2, {command_fields::kSlot, command_fields::kAlpha}},
    {"WFOR", CommandId::WFOR, 1, {command_fields::kTime}},
};

constexpr std::int32_t kCommandCount = static_cast<std::int32_t>(sizeof kCommands / sizeof kCommands[0]);

// The command of an id.
constexpr const Command& CommandOf(CommandId id) {
    for (const Command& command : kCommands) {
        if (command.id == id) return command;
    }
    return kCommands[0];  // unreachable: every id has its row (checked below)
}

// Field `index` of a command, for the readers that address fields by
// position; the kind is checked where the reader states it.
constexpr const CommandField& FieldOf(CommandId id, std::int32_t index) { return CommandOf(id).fields[index]; }

namespace command_table_checks {

constexpr bool IsUpperWord(const char* word) {
    for (std::int32_t i = 0; i < kWordLength; ++i) {
        if (word[i] < 'A' || word[i] > 'Z') return false;
    }
    return word[kWordLength] == '\0';
}

constexpr bool SameWord(const char* a, const char* b) {
    for (std::int32_t i = 0; i < kWordLength; ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

// Every row: a distinct word, its id in table order; its fields after the
// word and a separator, in column order, none overlapping, only the last one
// running to the end of the line.
constexpr bool TableIsWellFormed() {
    for (std::int32_t i = 0; i < kCommandCount; ++i) {
        const Command& command = kCommands[i];
        if (!IsUpperWord(command.word) || static_cast<std::int32_t>(command.id) != i) return false;
        if (command.fieldCount < 0 || command.fieldCount > kMaxCommandFields) return false;
        for (std::int32_t j = 0; j < i; ++j) {
            if (SameWord(kCommands[j].word, command.word)) return false;
        }
        std::int32_t nextFree = kWordLength + 2;  // the word, then a separator
        for (std::int32_t f = 0; f < command.fieldCount; ++f) {
            const CommandField& field = command.fields[f];
            if (field.column < nextFree || field.length < 0) return false;
            if (field.length == 0 && f != command.fieldCount - 1) return false;
            nextFree = field.column + field.length;
        }
    }
    return true;
}

}  // namespace command_table_checks

static_assert(command_table_checks::TableIsWellFormed(), "the command table is malformed");

}  // namespace player
