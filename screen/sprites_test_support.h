// Test support: the sprite system's internal state, for tests, fuzz targets and tools only.
#pragma once

#include "runtime/object_table.h"

namespace screen {

const runtime::ObjectTable& SpriteTable();

}  // namespace screen
