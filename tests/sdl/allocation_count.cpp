#include "sdl/allocation_count.h"

#include <SDL2/SDL.h>

#include <atomic>
#include <cstdlib>
#include <new>

// Every form of new and delete below pairs malloc with free; the optimiser's
// inlining makes the compiler see a new-expression's block reach free and
// warn about a mismatch that is not there.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {

std::atomic<long> gProgram{0};
std::atomic<long> gSdlSmall{0};
std::atomic<long> gSdlLarge{0};

void* CountedAllocation(std::size_t size) noexcept {
    gProgram.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}

void CountSdlBlock(std::size_t size) {
    (size <= rodazaro_test::kSmallSdlBlock ? gSdlSmall : gSdlLarge).fetch_add(1, std::memory_order_relaxed);
}

SDL_malloc_func gSdlMalloc = nullptr;
SDL_calloc_func gSdlCalloc = nullptr;
SDL_realloc_func gSdlRealloc = nullptr;
SDL_free_func gSdlFree = nullptr;

void* SDLCALL SdlMalloc(size_t size) {
    CountSdlBlock(size);
    return gSdlMalloc(size);
}
void* SDLCALL SdlCalloc(size_t count, size_t size) {
    CountSdlBlock(count * size);
    return gSdlCalloc(count, size);
}
void* SDLCALL SdlRealloc(void* block, size_t size) {
    CountSdlBlock(size);
    return gSdlRealloc(block, size);
}
void SDLCALL SdlFree(void* block) { gSdlFree(block); }

// SDL takes new memory functions only before it has allocated anything:
// before main.
const bool gSdlCounted = [] {
    SDL_GetOriginalMemoryFunctions(&gSdlMalloc, &gSdlCalloc, &gSdlRealloc, &gSdlFree);
    return SDL_SetMemoryFunctions(SdlMalloc, SdlCalloc, SdlRealloc, SdlFree) == 0;
}();

}  // namespace

void* operator new(std::size_t size) {
    if (void* block = CountedAllocation(size)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* block = CountedAllocation(size)) return block;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return CountedAllocation(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return CountedAllocation(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

namespace rodazaro_test {

AllocationCounts CountAllocations() {
    if (!gSdlCounted) return {-1, -1, -1};
    return {gProgram.load(), gSdlSmall.load(), gSdlLarge.load()};
}

long AllocationCount() {
    const AllocationCounts counts = CountAllocations();
    return counts.program < 0 ? -1 : counts.program + counts.sdlSmall + counts.sdlLarge;
}

}  // namespace rodazaro_test
