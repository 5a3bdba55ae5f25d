#include "player/player.h"

#include "gui/gadgets.h"
#include "gui/windows.h"
#include "keyboard/keyboard.h"
#include "platform/process.h"
#include "player/decode_ahead.h"
#include "player/interpreter.h"
#include "player/player_state.h"
#include "player/report.h"
#include "player/scene.h"
#include "player/show_controls.h"
#include "runtime/heaps.h"
#include "runtime/strings.h"
#include "runtime/text_files.h"
#include "runtime/timing.h"
#include "screen/image_decoders.h"
#include "screen/screen.h"
#include "screen/sprite3d.h"
#include "screen/sprites.h"
#include "sound/ogg_decoder.h"
#include "sound/sound.h"

namespace player {

PlayerState gPlayer{};

namespace {
ShowOptions gShowOptions;
}  // namespace

const ShowOptions& CurrentShowOptions() { return gShowOptions; }

GfxSlot* Slot(std::int32_t number) {
    if (gPlayer.gfxTable == nullptr || number < 0 || number > kGfxUpperIndex) return nullptr;
    return &gPlayer.gfxTable[number];
}

std::int32_t ElapsedSinceClockStart() { return static_cast<std::int32_t>(runtime::GetTicks() - gPlayer.clockStart); }

std::int32_t TakeFrameDelta() {
    const std::uint32_t now = runtime::GetTicks();
    const std::uint32_t delta = now - gPlayer.lastFrameTick;
    gPlayer.lastFrameTick = now;
    return static_cast<std::int32_t>(delta);
}

void ResetAllModules() {
    StopDecodeAhead();
    gPlayer = PlayerState{};
    runtime::ResetStrings();
    screen::ResetScreenModule();
    screen::ResetSprite3DModule();
    sound::ResetSoundModule();
    sound::ResetOggModule();
    keyboard::ResetKeyboardModule();
    ResetShowControls();
}

void StartUp() {
    ResetAllModules();
    platform::WatchTerminationRequests();
    gPlayer.programHeap = runtime::CreateProgramHeap();
    runtime::CreateObjectHeap();
    runtime::InitFiles();
    gui::InitWindowLibrary();
    gui::InitGadgetLibrary();
    screen::InitImageDecoders();
    runtime::InitStrings();
    runtime::FreeStructArray(reinterpret_cast<void**>(&gPlayer.gfxTable));
    runtime::AllocStructArray(kGfxUpperIndex, sizeof(GfxSlot), reinterpret_cast<void**>(&gPlayer.gfxTable),
                              runtime::kGfxTableTypeCode);
    screen::InitSpriteSystem();
    screen::InitSprite3DSystem();
    sound::OpenSoundDevice();
    screen::SetSprite3DFilter(1);
    sound::RegisterOggDecoder();
    screen::RegisterPngDecoder();
    if (runtime::OpenReadFile(0, "data\\vuze.kel") == 0) ReportProblem(0, "data\\vuze.kel", "no such file");
    runtime::AssignString(&gPlayer.programTitle, runtime::ReadLine());
    gPlayer.scriptLine = 1;
    StartDecodeAhead("data\\vuze.kel");
}

void RunTurn() {
    keyboard::ReadKeyboard();
    // A paused show runs no script line: the script clock stands still, and
    // the scene is drawn as it stands.
    if (!ShowPaused()) {
        if (gPlayer.waitUntil == 0) {
            ExecuteScriptLine();
        } else if (ElapsedSinceClockStart() >= gPlayer.waitUntil) {
            gPlayer.waitUntil = 0;
        }
    }
    if (gPlayer.screenOpen == 1) {
        screen::ClearScreen(0, 0, 0);
        UpdateMotion();
        DrawScene();
        screen::FlipBuffers();
    }
    ApplyShowKeys();
    runtime::Delay(1);
}

void MainLoop() {
    for (;;) {
        RunTurn();
        // Escape, or a request from outside (Ctrl+C, a signal), ends the show.
        if (keyboard::IsKeyDown(keyboard::kKeyEscape) != 0 || platform::TerminationStatus() != 0) Shutdown();
    }
}

void Shutdown() {
    CloseEverything();
    // 0, or the status a request from outside asked for.
    platform::ExitProcess(platform::TerminationStatus());
}

void CloseEverything() {
    StopDecodeAhead();
    screen::FreeAllSprites3D();
    screen::CloseSpriteSystem();
    sound::CloseSoundDevice();
    keyboard::CloseKeyboard();
    gui::FreeAllWindows();
    runtime::CloseAllFiles();
    runtime::DestroyObjectHeap();
    runtime::DestroyProgramHeap();
    // Everything the program heap held is gone with it.
    gPlayer.programTitle = nullptr;
    gPlayer.gfxTable = nullptr;
    gPlayer.programHeap = nullptr;
    runtime::ResetStrings();
}

void PlayerMain(const ShowOptions& options) {
    gShowOptions = options;
    SetReportSink(options.verbose ? ReportToStandardError : nullptr);
    StartUp();
    InstallShowControls(options);
    RunLauncher();
    MainLoop();
}

}  // namespace player
