// What the 3D sprites were drawn with, released by a test that goes on after
// the screen closed (the program itself ends then).
#pragma once

#include "platform/device3d.h"
#include "screen/sprite3d.h"

namespace rodazaro_test {

inline void ReleaseSprite3DObjects() {
    if (screen::gSprite3D.device != nullptr) platform::ReleaseDevice3D(screen::gSprite3D.device);
    if (screen::gSprite3D.direct3d != nullptr) platform::ReleaseDirect3D(screen::gSprite3D.direct3d);
    screen::gSprite3D.device = nullptr;
    screen::gSprite3D.direct3d = nullptr;
}

}  // namespace rodazaro_test
