// The graphics table's motion and drawing, once per frame.
#pragma once

#include <cstdint>

namespace player {

void UpdateMotion();
void DrawScene();
// The nearest 32-bit integer, halves to the even neighbour.
std::int32_t Nearest(double value);

}  // namespace player
