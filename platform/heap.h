// Private heaps and fixed memory blocks.
//
// The program keeps all of its dynamic memory in private heaps that are
// destroyed as a whole at shutdown; destroying a heap releases every block
// still allocated from it.  Whole file images are read into fixed blocks
// that are freed right after decoding.
#pragma once

#include "platform/types.h"

namespace platform {

struct Heap;

constexpr std::uint32_t kHeapZeroMemory = 0x08;  // HEAP_ZERO_MEMORY

// Creates a private heap; a maximum size of 0 makes it growable.  Null on failure.
Heap* HeapCreate(std::uint32_t flags, std::size_t initialSize, std::size_t maximumSize);
// Destroys the heap and every block in it.
void HeapDestroy(Heap* heap);
// Null on failure.  kHeapZeroMemory zero-fills the block.
void* HeapAlloc(Heap* heap, std::uint32_t flags, std::size_t size);
// Resizes a block, keeping its content; with kHeapZeroMemory the added bytes
// are zero.  Null on failure, the old block then stays valid.
void* HeapReAlloc(Heap* heap, std::uint32_t flags, void* block, std::size_t size);
// Releases one block; null does nothing.
void HeapFree(Heap* heap, void* block);

// A fixed, not zeroed block outside the private heaps (GlobalAlloc GMEM_FIXED).
void* GlobalAllocFixed(std::size_t size);
void GlobalFreeFixed(void* block);

}  // namespace platform
