// Counts the test program's allocations on every thread: each C++ new (the
// program's own code and the containers it uses), and each block SDL asks
// its allocator for (the renderer's, the mixer's), so that a test can see
// that some stretch of work makes none.
#pragma once

#include <cstddef>

namespace rodazaro_test {

struct AllocationCounts {
    long program = 0;   // C++ allocations
    long sdlSmall = 0;  // SDL's blocks of at most kSmallSdlBlock bytes: its own list nodes
    long sdlLarge = 0;  // SDL's larger blocks: surfaces, textures, pixels, buffers
};

constexpr std::size_t kSmallSdlBlock = 16;

// The counts so far; every field -1 when SDL's allocations could not be
// counted.
AllocationCounts CountAllocations();

// All of them together.
long AllocationCount();

}  // namespace rodazaro_test
