// The keyboard device: a snapshot of 256 key bytes by key code, shaped after
// DirectInput 7.
#pragma once

#include "platform/types.h"

namespace platform {

struct InputSystem;
struct InputDevice;

// DIOBJECTDATAFORMAT and DIDATAFORMAT.
struct InputObjectFormat {
    const void* guid;
    std::uint32_t offset;
    std::uint32_t type;
    std::uint32_t flags;
};
struct InputDataFormat {
    std::uint32_t size;
    std::uint32_t objectSize;
    std::uint32_t flags;
    std::uint32_t dataSize;
    std::uint32_t objectCount;
    InputObjectFormat* objects;
};

constexpr std::uint32_t kInputExclusiveForeground = 5;   // DISCL_EXCLUSIVE | DISCL_FOREGROUND
constexpr std::uint32_t kInputNonExclusive = 2;          // DISCL_NONEXCLUSIVE
constexpr std::uint32_t kInputRelativeAxes = 2;          // DIDF_RELAXIS
constexpr std::uint32_t kInputButtonType = 0x8000000Cu;  // DIDFT_BUTTON | DIDFT_OPTIONAL

// The identifier of a key object (GUID_Key).
const void* KeyObjectGuid();

// Loads the input library by name and creates the input object
// ("DINPUT.DLL", DirectInputCreateEx, version 0x0700).  Null on failure.
InputSystem* CreateInputSystem(InstanceHandle instance);
// Releases the object and unloads the library.
void ReleaseInputSystem(InputSystem* system);
// The system keyboard.
Result CreateKeyboardDevice(InputSystem* system, InputDevice** device);
void ReleaseInputDevice(InputDevice* device);
Result SetInputDataFormat(InputDevice* device, const InputDataFormat* format);
Result SetInputCooperativeLevel(InputDevice* device, WindowHandle window, std::uint32_t flags);
Result AcquireInputDevice(InputDevice* device);
Result UnacquireInputDevice(InputDevice* device);
// Copies size bytes of key state; kOk when the state was read.
Result GetInputDeviceState(InputDevice* device, std::uint32_t size, void* state);

}  // namespace platform
