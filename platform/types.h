// Basic types shared by every platform service.
//
// The core never sees a platform header: it talks to the platform through the
// small services declared in this folder.  Handles are opaque pointer-sized
// values; 0 always means "none".
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Opaque handle of the running program's module (the instance handle).
using InstanceHandle = std::uintptr_t;

// Opaque handle of a platform window (screen window, launcher window, control).
using WindowHandle = std::uintptr_t;

// Result code of the device services, shaped like a COM HRESULT: 0 is
// success, negative values are failures.
using Result = std::int32_t;

constexpr Result kOk = 0;
constexpr Result kFail = static_cast<Result>(0x80004005u);

struct Rect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

}  // namespace platform
