// Test support: the sprite system's internal state, for tests, fuzz targets and tools only.
#pragma once

#include <cstdint>

#include "runtime/object_table.h"

namespace screen {

const runtime::ObjectTable& SpriteTable();

// The sprite loader's pixel conversion of one source row (16-bit x1r5g5b5,
// 24-bit B, G, R or 32-bit B, G, R, X pixels, or 8-bit indices) into a row
// of the screen's format.  The general conversion handles every pair, pixel
// by pixel; the fast converters do the common pairs a row at a time with
// the same result.
void ConvertRowGeneral(const unsigned char* source, std::int32_t bits, unsigned char* destination, std::int32_t width,
                       std::int32_t screenDepth, std::int32_t formatCode);
using RowConverter = void (*)(const unsigned char* source, unsigned char* destination, std::int32_t width);
// Null when the pair has no fast converter.
RowConverter FastRowConverter(std::int32_t bits, std::int32_t screenDepth, std::int32_t formatCode);

}  // namespace screen
