// The keyboard device on SDL: SDL's key state array, read after pumping
// SDL's events, given to the program as 256 bytes by DirectInput key code.
// Like a foreground exclusive DirectInput keyboard it reads only while the
// screen window has the focus.  A key pressed and released between two reads
// (a tap quicker than a frame) still reads as down once; so does a key that
// reached the screen window while the program had not yet won the keyboard
// back after a switch (a key pressed just as the focus returned), while taps
// from before a switch away are forgotten with the focus.  Once the window
// manager has asked the program to end (Alt+F4, the close button), every read
// reports Escape down, so the program ends the way it ends on Escape.

#include <SDL2/SDL.h>

#include <array>
#include <cstring>

#include "platform/input_device.h"
#include "platform/sdl/common.h"
#include "platform/sdl/input.h"

namespace platform {

struct InputSystem {
    int devices;
};

struct InputDevice {
    InputSystem* system;
    std::uint32_t dataSize;  // 0 until a data format is set
    WindowHandle window;
    std::uint32_t cooperativeFlags;
    bool acquired;
};

namespace {

constexpr std::uint8_t kEscapeCode = 0x01;
constexpr std::uint32_t kForeground = 0x4;  // DISCL_FOREGROUND

struct KeyPair {
    SDL_Scancode scancode;
    std::uint8_t code;
};

// Every key of a PC keyboard (and the multimedia keys DirectInput names) by
// SDL scancode.
// clang-format off
constexpr KeyPair kKeyPairs[] = {
    {SDL_SCANCODE_ESCAPE, 0x01},
    {SDL_SCANCODE_1, 0x02}, {SDL_SCANCODE_2, 0x03}, {SDL_SCANCODE_3, 0x04}, {SDL_SCANCODE_4, 0x05},
    {SDL_SCANCODE_5, 0x06}, {SDL_SCANCODE_6, 0x07}, {SDL_SCANCODE_7, 0x08}, {SDL_SCANCODE_8, 0x09},
    {SDL_SCANCODE_9, 0x0A}, {SDL_SCANCODE_0, 0x0B},
    {SDL_SCANCODE_MINUS, 0x0C}, {SDL_SCANCODE_EQUALS, 0x0D}, {SDL_SCANCODE_BACKSPACE, 0x0E},
    {SDL_SCANCODE_TAB, 0x0F},
    {SDL_SCANCODE_Q, 0x10}, {SDL_SCANCODE_W, 0x11}, {SDL_SCANCODE_E, 0x12}, {SDL_SCANCODE_R, 0x13},
    {SDL_SCANCODE_T, 0x14}, {SDL_SCANCODE_Y, 0x15}, {SDL_SCANCODE_U, 0x16}, {SDL_SCANCODE_I, 0x17},
    {SDL_SCANCODE_O, 0x18}, {SDL_SCANCODE_P, 0x19},
    {SDL_SCANCODE_LEFTBRACKET, 0x1A}, {SDL_SCANCODE_RIGHTBRACKET, 0x1B}, {SDL_SCANCODE_RETURN, 0x1C},
    {SDL_SCANCODE_LCTRL, 0x1D},
    {SDL_SCANCODE_A, 0x1E}, {SDL_SCANCODE_S, 0x1F}, {SDL_SCANCODE_D, 0x20}, {SDL_SCANCODE_F, 0x21},
    {SDL_SCANCODE_G, 0x22}, {SDL_SCANCODE_H, 0x23}, {SDL_SCANCODE_J, 0x24}, {SDL_SCANCODE_K, 0x25},
    {SDL_SCANCODE_L, 0x26},
    {SDL_SCANCODE_SEMICOLON, 0x27}, {SDL_SCANCODE_APOSTROPHE, 0x28}, {SDL_SCANCODE_GRAVE, 0x29},
    {SDL_SCANCODE_LSHIFT, 0x2A}, {SDL_SCANCODE_BACKSLASH, 0x2B}, {SDL_SCANCODE_NONUSHASH, 0x2B},
    {SDL_SCANCODE_Z, 0x2C}, {SDL_SCANCODE_X, 0x2D}, {SDL_SCANCODE_C, 0x2E}, {SDL_SCANCODE_V, 0x2F},
    {SDL_SCANCODE_B, 0x30}, {SDL_SCANCODE_N, 0x31}, {SDL_SCANCODE_M, 0x32},
    {SDL_SCANCODE_COMMA, 0x33}, {SDL_SCANCODE_PERIOD, 0x34}, {SDL_SCANCODE_SLASH, 0x35},
    {SDL_SCANCODE_RSHIFT, 0x36}, {SDL_SCANCODE_KP_MULTIPLY, 0x37}, {SDL_SCANCODE_LALT, 0x38},
    {SDL_SCANCODE_SPACE, 0x39}, {SDL_SCANCODE_CAPSLOCK, 0x3A},
    {SDL_SCANCODE_F1, 0x3B}, {SDL_SCANCODE_F2, 0x3C}, {SDL_SCANCODE_F3, 0x3D}, {SDL_SCANCODE_F4, 0x3E},
    {SDL_SCANCODE_F5, 0x3F}, {SDL_SCANCODE_F6, 0x40}, {SDL_SCANCODE_F7, 0x41}, {SDL_SCANCODE_F8, 0x42},
    {SDL_SCANCODE_F9, 0x43}, {SDL_SCANCODE_F10, 0x44},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45}, {SDL_SCANCODE_SCROLLLOCK, 0x46},
    {SDL_SCANCODE_KP_7, 0x47}, {SDL_SCANCODE_KP_8, 0x48}, {SDL_SCANCODE_KP_9, 0x49},
    {SDL_SCANCODE_KP_MINUS, 0x4A},
    {SDL_SCANCODE_KP_4, 0x4B}, {SDL_SCANCODE_KP_5, 0x4C}, {SDL_SCANCODE_KP_6, 0x4D},
    {SDL_SCANCODE_KP_PLUS, 0x4E},
    {SDL_SCANCODE_KP_1, 0x4F}, {SDL_SCANCODE_KP_2, 0x50}, {SDL_SCANCODE_KP_3, 0x51},
    {SDL_SCANCODE_KP_0, 0x52}, {SDL_SCANCODE_KP_PERIOD, 0x53},
    {SDL_SCANCODE_NONUSBACKSLASH, 0x56}, {SDL_SCANCODE_F11, 0x57}, {SDL_SCANCODE_F12, 0x58},
    {SDL_SCANCODE_F13, 0x64}, {SDL_SCANCODE_F14, 0x65}, {SDL_SCANCODE_F15, 0x66},
    {SDL_SCANCODE_INTERNATIONAL2, 0x70},  // kana
    {SDL_SCANCODE_INTERNATIONAL1, 0x73},  // ro
    {SDL_SCANCODE_INTERNATIONAL4, 0x79},  // convert
    {SDL_SCANCODE_INTERNATIONAL5, 0x7B},  // no convert
    {SDL_SCANCODE_INTERNATIONAL3, 0x7D},  // yen
    {SDL_SCANCODE_KP_EQUALS, 0x8D},
    {SDL_SCANCODE_AUDIOPREV, 0x90},
    {SDL_SCANCODE_STOP, 0x95},
    {SDL_SCANCODE_AUDIONEXT, 0x99},
    {SDL_SCANCODE_KP_ENTER, 0x9C}, {SDL_SCANCODE_RCTRL, 0x9D},
    {SDL_SCANCODE_MUTE, 0xA0}, {SDL_SCANCODE_AUDIOMUTE, 0xA0},
    {SDL_SCANCODE_CALCULATOR, 0xA1}, {SDL_SCANCODE_AUDIOPLAY, 0xA2}, {SDL_SCANCODE_AUDIOSTOP, 0xA4},
    {SDL_SCANCODE_VOLUMEDOWN, 0xAE}, {SDL_SCANCODE_VOLUMEUP, 0xB0}, {SDL_SCANCODE_AC_HOME, 0xB2},
    {SDL_SCANCODE_KP_COMMA, 0xB3}, {SDL_SCANCODE_KP_DIVIDE, 0xB5}, {SDL_SCANCODE_PRINTSCREEN, 0xB7},
    {SDL_SCANCODE_RALT, 0xB8}, {SDL_SCANCODE_PAUSE, 0xC5},
    {SDL_SCANCODE_HOME, 0xC7}, {SDL_SCANCODE_UP, 0xC8}, {SDL_SCANCODE_PAGEUP, 0xC9},
    {SDL_SCANCODE_LEFT, 0xCB}, {SDL_SCANCODE_RIGHT, 0xCD},
    {SDL_SCANCODE_END, 0xCF}, {SDL_SCANCODE_DOWN, 0xD0}, {SDL_SCANCODE_PAGEDOWN, 0xD1},
    {SDL_SCANCODE_INSERT, 0xD2}, {SDL_SCANCODE_DELETE, 0xD3},
    {SDL_SCANCODE_LGUI, 0xDB}, {SDL_SCANCODE_RGUI, 0xDC}, {SDL_SCANCODE_APPLICATION, 0xDD},
    {SDL_SCANCODE_POWER, 0xDE}, {SDL_SCANCODE_SLEEP, 0xDF},
    {SDL_SCANCODE_AC_SEARCH, 0xE5}, {SDL_SCANCODE_AC_BOOKMARKS, 0xE6}, {SDL_SCANCODE_AC_REFRESH, 0xE7},
    {SDL_SCANCODE_AC_STOP, 0xE8}, {SDL_SCANCODE_AC_FORWARD, 0xE9}, {SDL_SCANCODE_AC_BACK, 0xEA},
    {SDL_SCANCODE_COMPUTER, 0xEB}, {SDL_SCANCODE_MAIL, 0xEC}, {SDL_SCANCODE_MEDIASELECT, 0xED},
};
// clang-format on

constexpr std::array<std::uint8_t, SDL_NUM_SCANCODES> BuildKeyTable() {
    std::array<std::uint8_t, SDL_NUM_SCANCODES> table{};
    for (const KeyPair& pair : kKeyPairs) table[static_cast<std::size_t>(pair.scancode)] = pair.code;
    return table;
}

constexpr std::array<std::uint8_t, SDL_NUM_SCANCODES> kKeyTable = BuildKeyTable();

// Keys pressed in the screen window since the last read, seen as SDL queues
// their events.  The window system gives key presses only to the window that
// has the focus.
std::array<bool, SDL_NUM_SCANCODES> gPressed{};
int gWatchers = 0;

int WatchKeyPresses(void*, SDL_Event* event) {
    const sdl::ScreenWindowState& window = sdl::ScreenWindow();
    if (event->type == SDL_KEYDOWN) {
        const int scancode = event->key.keysym.scancode;
        if (window.window != nullptr && event->key.windowID == window.windowId && scancode >= 0 &&
            scancode < SDL_NUM_SCANCODES) {
            gPressed[static_cast<std::size_t>(scancode)] = true;
        }
    } else if (event->type == SDL_WINDOWEVENT && event->window.event == SDL_WINDOWEVENT_FOCUS_LOST &&
               window.window != nullptr && event->window.windowID == window.windowId) {
        gPressed.fill(false);
    }
    return 0;
}

// Adds the pressed keys to a state and forgets them.
void TakePresses(std::uint8_t keys[256]) {
    for (std::size_t scancode = 0; scancode < gPressed.size(); ++scancode) {
        if (!gPressed[scancode]) continue;
        gPressed[scancode] = false;
        const std::uint8_t code = sdl::KeyCodeFromScancode(static_cast<int>(scancode));
        if (code != 0 && keys != nullptr) keys[code] = 0x80;
    }
}

bool ScreenWindowInFront(WindowHandle window) {
    const sdl::ScreenWindowState& state = sdl::ScreenWindow();
    return sdl::WindowFromHandle(window) != nullptr && state.visible && state.focused;
}

}  // namespace

const void* KeyObjectGuid() {
    // {55728220-D33C-11CF-BFC7-444553540000}
    static const unsigned char kGuid[16] = {0x20, 0x82, 0x72, 0x55, 0x3C, 0xD3, 0xCF, 0x11,
                                            0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00};
    return kGuid;
}

InputSystem* CreateInputSystem(InstanceHandle) {
    if (!sdl::AcquireVideo()) return nullptr;
    if (gWatchers++ == 0) {
        gPressed.fill(false);
        SDL_AddEventWatch(WatchKeyPresses, nullptr);
    }
    return new InputSystem{0};
}

void ReleaseInputSystem(InputSystem* system) {
    if (system == nullptr) return;
    delete system;
    if (--gWatchers == 0) SDL_DelEventWatch(WatchKeyPresses, nullptr);
    sdl::ReleaseVideo();
}

Result CreateKeyboardDevice(InputSystem* system, InputDevice** device) {
    if (device == nullptr) return kFail;
    *device = nullptr;
    if (system == nullptr) return kFail;
    *device = new InputDevice{system, 0, 0, 0, false};
    ++system->devices;
    return kOk;
}

void ReleaseInputDevice(InputDevice* device) {
    if (device == nullptr) return;
    if (device->system != nullptr) --device->system->devices;
    delete device;
}

Result SetInputDataFormat(InputDevice* device, const InputDataFormat* format) {
    if (device == nullptr || format == nullptr || device->acquired) return kFail;
    // The keyboard has 256 keys of one byte each.
    if (format->dataSize != 256 || format->objectCount > 256 ||
        (format->objectCount > 0 && format->objects == nullptr)) {
        return kFail;
    }
    device->dataSize = format->dataSize;
    return kOk;
}

Result SetInputCooperativeLevel(InputDevice* device, WindowHandle window, std::uint32_t flags) {
    if (device == nullptr || device->acquired) return kFail;
    if ((flags & kForeground) != 0 && sdl::WindowFromHandle(window) == nullptr) return kFail;
    device->window = window;
    device->cooperativeFlags = flags;
    return kOk;
}

Result AcquireInputDevice(InputDevice* device) {
    if (device == nullptr || device->dataSize == 0) return kFail;
    if ((device->cooperativeFlags & kForeground) != 0 && !ScreenWindowInFront(device->window)) {
        device->acquired = false;
        return kFail;
    }
    device->acquired = true;
    return kOk;
}

Result UnacquireInputDevice(InputDevice* device) {
    if (device == nullptr) return kFail;
    if (!device->acquired) return static_cast<Result>(1);  // DI_NOEFFECT
    device->acquired = false;
    return kOk;
}

Result GetInputDeviceState(InputDevice* device, std::uint32_t size, void* state) {
    if (device == nullptr || state == nullptr || device->dataSize == 0 || size != device->dataSize) {
        return kFail;
    }
    auto* keys = static_cast<std::uint8_t*>(state);
    sdl::ScreenWindowState& window = sdl::ScreenWindow();
    if (window.videoHeld) {
        SDL_PumpEvents();
        if (SDL_HasEvent(SDL_QUIT)) window.quitRequested = true;
    }
    if (window.quitRequested) {
        TakePresses(nullptr);
        std::memset(keys, 0, size);
        keys[kEscapeCode] = 0x80;
        return kOk;
    }
    // A failed read keeps the taps that reached the screen window: they wait
    // for the read that follows the next acquisition.
    if (!device->acquired) return kFail;
    if ((device->cooperativeFlags & kForeground) != 0 && !ScreenWindowInFront(device->window)) {
        // A foreground device loses its acquisition with the focus.
        device->acquired = false;
        return kFail;
    }
    int count = 0;
    const Uint8* sdlKeys = SDL_GetKeyboardState(&count);
    sdl::FillKeyState(sdlKeys, count, keys);
    TakePresses(keys);
    return kOk;
}

}  // namespace platform

namespace platform::sdl {

std::uint8_t KeyCodeFromScancode(int scancode) {
    if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
    return kKeyTable[static_cast<std::size_t>(scancode)];
}

void FillKeyState(const std::uint8_t* sdlKeys, int count, std::uint8_t keys[256]) {
    std::memset(keys, 0, 256);
    if (sdlKeys == nullptr) return;
    for (int scancode = 0; scancode < count && scancode < SDL_NUM_SCANCODES; ++scancode) {
        if (sdlKeys[scancode] == 0) continue;
        const std::uint8_t code = KeyCodeFromScancode(scancode);
        if (code != 0) keys[code] = 0x80;
    }
}

}  // namespace platform::sdl
