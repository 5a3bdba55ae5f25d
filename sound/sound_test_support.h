// Test support: the sound system's internal state, for tests, fuzz targets and tools only.
#pragma once

#include "runtime/object_table.h"

namespace sound {

const runtime::ObjectTable& SoundTable();

}  // namespace sound
