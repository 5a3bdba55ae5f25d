// The screen: an exclusive full screen with page flipping, owned by the
// screen window, which also serves the sound and keyboard devices.
#pragma once

#include <cstdint>

#include "platform/display.h"
#include "platform/messages.h"
#include "platform/shared_holder.h"
#include "screen/screen_window.h"

namespace screen {

using DeactivationHandler = void (*)();
using FlipRoutine = void (*)(std::int32_t wait);

// What the screen has the sprites shown on it do: save their pixels when
// the program is switched away (OpenScreen makes it the deactivation
// handler), restore them when a flip finds the screen lost, and free them
// all when the screen closes.  The sprite system installs them when it
// starts; until then the screen has no sprites to look after.
struct SpriteKeeper {
    DeactivationHandler saveAll;
    void (*restoreAll)();
    void (*freeAll)();
};

struct ScreenState {
    platform::SharedHolder<platform::DisplayDevice> display;  // OpenDirectDraw's users share it
    platform::WindowHandle savedWindow;                       // the window CloseScreen hides
    platform::Surface* primary;
    platform::Surface* backBuffer;
    platform::Surface* outputBuffer;  // where ClearScreen and DisplaySprite draw
    std::int32_t outputWidth;
    std::int32_t outputHeight;
    std::int32_t screenWidth;
    std::int32_t screenHeight;
    std::int32_t screenDepth;
    std::int32_t pixelFormatCode;  // 0 until a screen has opened
    std::int32_t active;           // the screen active flag
    std::int32_t spritesSaved;     // the sprites saved flag
    DeactivationHandler deactivationHandler;
    FlipRoutine flipRoutine;
    SpriteKeeper sprites;
    std::uint32_t openStamp;  // tick at the last successful open
    std::int32_t initialised;
    std::int32_t windowed;  // shown in a window rather than on the whole desktop
    std::uint32_t colourKeyLow;
    std::uint32_t colourKeyHigh;
};

extern ScreenState gScreen;

platform::DisplayDevice* OpenDirectDraw();
void ReleaseDirectDraw();
std::int32_t OpenScreen(std::int16_t width, std::int16_t height, std::int16_t depth, const char* title);
void CloseScreen();
void ClearScreen(std::int32_t red, std::int32_t green, std::int32_t blue);
std::uint32_t ScreenColor(std::int32_t red, std::int32_t green, std::int32_t blue);
void FlipBuffers();
void FlipFullScreen(std::int32_t wait);
// Shows the screen as the whole desktop, or windowed as a resizable window
// with the mode's picture scaled to fit it; the frames drawn are the same.
// Once the screen window exists (the sprite system made it), it takes
// effect at once on an open screen and at every OpenScreen after.
void SetScreenWindowed(bool windowed);
// Writes the frame the last flip showed, in the screen mode's size, to a
// PNG file; false when there is no frame to read or the file fails.
bool SavePresentedFrame(const char* path);
// The screen's handler of the screen window's activation and key-up
// messages.
void OnScreenWindowMessage(std::uint32_t message, std::uintptr_t wParam);
// The code of a screen depth and the masks a locked primary reports.
std::int32_t ClassifyPixelFormat(std::int32_t depth, std::uint32_t redMask, std::uint32_t greenMask);

void ResetScreenModule();

}  // namespace screen
