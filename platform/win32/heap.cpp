// Private heaps and fixed blocks of KERNEL32.  A heap handle is the seam's
// heap; destroying it releases every block in it.

#include "platform/heap.h"

#include "platform/win32/common.h"

namespace platform {

static_assert(kHeapZeroMemory == HEAP_ZERO_MEMORY);

namespace {

HANDLE Native(Heap* heap) { return reinterpret_cast<HANDLE>(heap); }

}  // namespace

Heap* HeapCreate(std::uint32_t flags, std::size_t initialSize, std::size_t maximumSize) {
    return reinterpret_cast<Heap*>(::HeapCreate(flags, initialSize, maximumSize));
}

void HeapDestroy(Heap* heap) {
    if (heap != nullptr) ::HeapDestroy(Native(heap));
}

void* HeapAlloc(Heap* heap, std::uint32_t flags, std::size_t size) {
    if (heap == nullptr) return nullptr;
    return ::HeapAlloc(Native(heap), flags & HEAP_ZERO_MEMORY, size);
}

void* HeapReAlloc(Heap* heap, std::uint32_t flags, void* block, std::size_t size) {
    if (heap == nullptr || block == nullptr) return nullptr;
    return ::HeapReAlloc(Native(heap), flags & HEAP_ZERO_MEMORY, block, size);
}

void HeapFree(Heap* heap, void* block) {
    if (heap == nullptr || block == nullptr) return;
    ::HeapFree(Native(heap), 0, block);
}

void* GlobalAllocFixed(std::size_t size) { return reinterpret_cast<void*>(::GlobalAlloc(GMEM_FIXED, size)); }

void GlobalFreeFixed(void* block) {
    if (block != nullptr) ::GlobalFree(reinterpret_cast<HGLOBAL>(block));
}

}  // namespace platform
