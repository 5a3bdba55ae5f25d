#include "screen/screen.h"

#include <cstring>

#include "keyboard/keyboard.h"
#include "platform/clock.h"
#include "platform/screen_window.h"

namespace screen {

ScreenState gScreen{};

void ResetScreenModule() {
    gScreen = ScreenState{};
    ResetScreenWindowModule();
}

platform::DisplayDevice* OpenDirectDraw() { return gScreen.display.Acquire(platform::CreateDisplayDevice); }

void ReleaseDirectDraw() { gScreen.display.Release(platform::ReleaseDisplayDevice); }

std::int32_t ClassifyPixelFormat(std::int32_t depth, std::uint32_t redMask, std::uint32_t greenMask) {
    switch (depth) {
        case 16: return greenMask == 0x07E0 ? 3 : 2;
        case 24: return redMask == 0xFF ? 4 : 5;
        case 32: return redMask == 0xFF ? 6 : 7;
        default: return 1;
    }
}

namespace {

std::int32_t FailOpen() {
    CloseScreen();
    return 0;
}

}  // namespace

std::int32_t OpenScreen(std::int16_t width, std::int16_t height, std::int16_t depth, const char* title) {
    gScreen.deactivationHandler = gScreen.sprites.saveAll;
    if (gScreenWindow.window == 0) return FailOpen();
    platform::SetScreenWindowTitle(gScreenWindow.window, title);
    platform::MoveScreenWindow(gScreenWindow.window, 0, 0, width, height, true);
    gScreen.screenWidth = width;
    gScreen.screenHeight = height;
    gScreen.screenDepth = depth;
    gScreen.outputWidth = width;
    gScreen.outputHeight = height;
    platform::ShowMouseCursor(false);
    if (gScreen.display == nullptr) return FailOpen();
    if (platform::SetDisplayCooperativeLevel(gScreen.display, gScreenWindow.window,
                                             platform::kDisplayFullscreenExclusive) != platform::kOk) {
        return FailOpen();
    }
    if (platform::SetDisplayMode(gScreen.display, width, height, depth) != platform::kOk) return FailOpen();
    if (platform::CreatePrimarySurface(gScreen.display, &gScreen.primary) != platform::kOk ||
        gScreen.primary == nullptr) {
        gScreen.primary = nullptr;
        return FailOpen();
    }
    if (platform::GetBackBuffer(gScreen.primary, &gScreen.backBuffer) != platform::kOk ||
        gScreen.backBuffer == nullptr) {
        gScreen.backBuffer = nullptr;
        return FailOpen();
    }
    platform::ShowScreenWindow(gScreenWindow.window, platform::kShowMaximize);
    platform::PaintSurfaceBlack(gScreen.backBuffer, gScreen.outputWidth, gScreen.outputHeight);
    platform::PaintSurfaceBlack(gScreen.primary, gScreen.outputWidth, gScreen.outputHeight);
    gScreen.outputBuffer = gScreen.backBuffer;
    gScreen.openStamp = platform::GetTickCount();
    platform::LockedSurface locked{};
    if (platform::LockSurface(gScreen.primary, &locked, platform::kLockReadOnly) == platform::kOk) {
        platform::UnlockSurface(gScreen.primary);
        gScreen.pixelFormatCode = ClassifyPixelFormat(gScreen.screenDepth, locked.redMask, locked.greenMask);
    }
    gScreen.active = 1;
    gScreen.flipRoutine = FlipFullScreen;
    keyboard::ReadKeyboard();
    return 1;
}

void SetScreenWindowed(bool windowed) {
    gScreen.windowed = windowed ? 1 : 0;
    if (gScreenWindow.window != 0) platform::SetScreenWindowed(gScreenWindow.window, windowed);
}

void ClearScreen(std::int32_t red, std::int32_t green, std::int32_t blue) {
    // While switched away nothing is drawn.
    if (gScreen.outputBuffer == nullptr || gScreen.active == 0) return;
    platform::FillSurface(gScreen.outputBuffer, ScreenColor(red, green, blue));
}

std::uint32_t ScreenColor(std::int32_t red, std::int32_t green, std::int32_t blue) {
    std::int32_t value = 0;
    switch (gScreen.screenDepth) {
        case 15: value = blue / 8 + (green / 8) * 32 + (red / 8) * 1024; break;
        case 16: value = blue / 8 + (green / 4) * 32 + (red / 8) * 2048; break;
        case 24:
        case 32:
            if (gScreen.pixelFormatCode == 4 || gScreen.pixelFormatCode == 6) {
                value = red + green * 256 + blue * 65536;
            } else {
                value = blue + green * 256 + red * 65536;
            }
            break;
        default: value = 0; break;
    }
    return static_cast<std::uint32_t>(value);
}

namespace {

void PumpMessages() {
    while (platform::PeekAndDispatchMessage()) {
    }
}

}  // namespace

void FlipBuffers() {
    gScreen.outputBuffer = gScreen.backBuffer;
    gScreen.outputWidth = gScreen.screenWidth;
    gScreen.outputHeight = gScreen.screenHeight;
    if (gScreen.flipRoutine != nullptr) gScreen.flipRoutine(1);
    else PumpMessages();
    gScreen.outputBuffer = gScreen.backBuffer;
}

void FlipFullScreen(std::int32_t wait) {
    PumpMessages();
    if (gScreen.active == 0) return;
    const std::uint32_t flags = (wait & 1) != 0 ? platform::kFlipWait : platform::kFlipWait | platform::kFlipNoVsync;
    if (gScreen.primary == nullptr) return;
    if (platform::FlipSurface(gScreen.primary, flags) != platform::kSurfaceLost) return;
    platform::SetDisplayCooperativeLevel(gScreen.display, gScreenWindow.window, platform::kDisplayFullscreenExclusive);
    platform::SetDisplayMode(gScreen.display, gScreen.outputWidth, gScreen.outputHeight, gScreen.screenDepth);
    platform::RestoreAllSurfaces(gScreen.display);
    platform::ShowScreenWindow(gScreenWindow.window, platform::kShowMaximize);
    if (gScreen.sprites.restoreAll != nullptr) gScreen.sprites.restoreAll();
    keyboard::ReadKeyboard();
}

void CloseScreen() {
    if (gScreen.sprites.freeAll != nullptr) gScreen.sprites.freeAll();
    if (gScreen.display != nullptr) {
        platform::SetDisplayCooperativeLevel(gScreen.display, 0, platform::kDisplayNormal);
    }
    if (gScreen.backBuffer != nullptr) platform::ReleaseSurface(gScreen.backBuffer);
    if (gScreen.primary != nullptr) platform::ReleaseSurface(gScreen.primary);
    gScreen.backBuffer = nullptr;
    gScreen.primary = nullptr;
    // Nothing is left to draw into.
    gScreen.outputBuffer = nullptr;
    if (gScreenWindow.windowCreated != 0) platform::ShowMouseCursor(true);
    platform::ShowScreenWindow(gScreen.savedWindow, platform::kShowHide);
}

void OnScreenWindowMessage(std::uint32_t message, std::uintptr_t wParam) {
    switch (message) {
        case platform::kMsgActivate:
            if ((wParam & 0xFFFF) != 0) {
                gScreen.active = 1;
                gScreen.spritesSaved = 0;
            } else {
                if (gScreen.deactivationHandler != nullptr && gScreen.spritesSaved == 0) {
                    gScreen.deactivationHandler();
                    gScreen.spritesSaved = 1;
                }
                gScreen.active = 0;
            }
            break;
        case platform::kMsgKeyUp:
        case platform::kMsgSysKeyUp:
            if ((wParam == platform::kVkTab || wParam == platform::kVkMenu) && gScreen.deactivationHandler != nullptr &&
                gScreen.spritesSaved == 0) {
                gScreen.deactivationHandler();
                gScreen.spritesSaved = 1;
            }
            break;
        default: break;
    }
}

}  // namespace screen
