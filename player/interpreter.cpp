#include "player/interpreter.h"

#include "player/player.h"
#include "player/player_state.h"
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

// Every field is extracted into the temporary string area at the moment it
// is needed and the area is given back right after the conversion.
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

// The slot number of positions 6 and 7, read anew at every use.
std::int32_t SlotNumber(const char* line) { return IntField(line, 6, 2); }

// A slot field of "-1" to "-9" names no slot: the command does nothing.
GfxSlot* SlotOf(const char* line) { return Slot(SlotNumber(line)); }

void LoadSoundCommand(const char* line) {
    char* saved = runtime::TemporaryTop();
    const std::int32_t number = IntField(line, 6, 1);
    sound::LoadSoundFile(number, PathFrom("data\\sound\\", line, 7));
    runtime::SetTemporaryTop(saved);
}

void LoadGraphicCommand(const char* line, bool texture) {
    if (SlotOf(line) == nullptr) return;
    char* saved = runtime::TemporaryTop();
    const char* path = PathFrom("data\\gfx\\", line, 8);
    // The slot number below is extracted at `top`: keep the path's
    // terminating zero out of its way.
    runtime::ProtectTemporary();
    screen::LoadSprite(SlotNumber(line), path, texture ? screen::kSpriteModeTexture : screen::kSpriteModeDefault);
    runtime::SetTemporaryTop(saved);
    if (texture) {
        screen::CreateSprite3D(SlotNumber(line), SlotNumber(line));
        SlotOf(line)->alpha = 255;
    }
    SlotOf(line)->loaded = 1;
}

void ShowCommand(const char* line, std::int8_t mode) {
    if (SlotOf(line) == nullptr) return;
    SlotOf(line)->mode = mode;
    SlotOf(line)->x = RealField(line, 9, 5);
    SlotOf(line)->y = RealField(line, 15, 5);
    if (mode == 1) {
        SlotOf(line)->zoom = 0.0f;
        SlotOf(line)->dzoom = 0.0f;
    }
}

void CopySlotCommand(const char* line) {
    GfxSlot* from = SlotOf(line);
    GfxSlot* to = Slot(IntField(line, 9, 2));
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

}  // namespace

void ExecuteScriptLine() {
    char* line = nullptr;
    runtime::AssignString(&line, runtime::ReadLine());
    char* saved = runtime::TemporaryTop();
    char* word = runtime::LeftPart(line, 4);
    runtime::UpperCase(word, word);

    auto is = [word](const char* command) { return runtime::StringEquals(word, command) != 0; };
    if (is("LSND")) {
        LoadSoundCommand(line);
    } else if (is("QUIT")) {
        Shutdown();
    } else if (is("PSND")) {
        sound::StartSound(IntField(line, 6, 1));
    } else if (is("WAIT")) {
        gPlayer.waitUntil = IntFrom(line, 5);
    } else if (is("STCK")) {
        gPlayer.clockStart = runtime::GetTicks();
        gPlayer.lastFrameTick = runtime::GetTicks();
    } else if (is("LGFX")) {
        LoadGraphicCommand(line, true);
    } else if (is("SGFX")) {
        ShowCommand(line, 1);
    } else if (is("MGFX")) {
        if (SlotOf(line) != nullptr) {
            SlotOf(line)->dx = RealField(line, 9, 6);
            SlotOf(line)->dy = RealField(line, 16, 6);
        }
    } else if (is("DGFX")) {
        if (SlotOf(line) != nullptr) SlotOf(line)->mode = 0;
    } else if (is("ZGFX")) {
        if (SlotOf(line) != nullptr) SlotOf(line)->dzoom = RealField(line, 9, 6);
    } else if (is("LBMP")) {
        LoadGraphicCommand(line, false);
    } else if (is("SBMP")) {
        ShowCommand(line, 2);
    } else if (is("EGFX")) {
        CopySlotCommand(line);
    } else if (is("AGFX")) {
        if (SlotOf(line) != nullptr) SlotOf(line)->alpha = static_cast<std::int16_t>(IntField(line, 9, 3));
    } else if (is("WFOR")) {
        // Script clock arithmetic wraps like the tick itself.
        gPlayer.waitUntil = static_cast<std::int32_t>(static_cast<std::uint32_t>(IntFrom(line, 5)) +
                                                      static_cast<std::uint32_t>(ElapsedSinceClockStart()));
    }

    runtime::SetTemporaryTop(saved);
    runtime::FreeString(line);
}

}  // namespace player
