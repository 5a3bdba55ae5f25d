// Private heaps on the C runtime's allocator.  Every block carries a link to
// its neighbours, so destroying a heap releases all blocks still in it.

#include "platform/heap.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace platform {

namespace {

struct alignas(std::max_align_t) BlockHeader {
    BlockHeader* next;
    BlockHeader* prev;
    std::size_t size;
};

}  // namespace

struct Heap {
    BlockHeader* first = nullptr;
};

namespace {

BlockHeader* HeaderOf(void* block) {
    return reinterpret_cast<BlockHeader*>(static_cast<unsigned char*>(block) - sizeof(BlockHeader));
}

void Link(Heap* heap, BlockHeader* header) {
    header->prev = nullptr;
    header->next = heap->first;
    if (heap->first != nullptr) heap->first->prev = header;
    heap->first = header;
}

void Unlink(Heap* heap, BlockHeader* header) {
    if (header->prev != nullptr) header->prev->next = header->next;
    else heap->first = header->next;
    if (header->next != nullptr) header->next->prev = header->prev;
}

bool SizeFits(std::size_t size) { return size <= static_cast<std::size_t>(0x7FFFFFFF) - sizeof(BlockHeader); }

}  // namespace

Heap* HeapCreate(std::uint32_t, std::size_t, std::size_t) { return new (std::nothrow) Heap; }

void HeapDestroy(Heap* heap) {
    if (heap == nullptr) return;
    BlockHeader* header = heap->first;
    while (header != nullptr) {
        BlockHeader* next = header->next;
        std::free(header);
        header = next;
    }
    delete heap;
}

void* HeapAlloc(Heap* heap, std::uint32_t flags, std::size_t size) {
    if (heap == nullptr || !SizeFits(size)) return nullptr;
    auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (header == nullptr) return nullptr;
    header->size = size;
    Link(heap, header);
    void* block = header + 1;
    if ((flags & kHeapZeroMemory) != 0) std::memset(block, 0, size);
    return block;
}

void* HeapReAlloc(Heap* heap, std::uint32_t flags, void* block, std::size_t size) {
    if (heap == nullptr || block == nullptr || !SizeFits(size)) return nullptr;
    BlockHeader* old = HeaderOf(block);
    const std::size_t oldSize = old->size;
    Unlink(heap, old);
    auto* header = static_cast<BlockHeader*>(std::realloc(old, sizeof(BlockHeader) + size));
    if (header == nullptr) {
        Link(heap, old);
        return nullptr;
    }
    header->size = size;
    Link(heap, header);
    void* result = header + 1;
    if ((flags & kHeapZeroMemory) != 0 && size > oldSize) {
        std::memset(static_cast<unsigned char*>(result) + oldSize, 0, size - oldSize);
    }
    return result;
}

void HeapFree(Heap* heap, void* block) {
    if (heap == nullptr || block == nullptr) return;
    BlockHeader* header = HeaderOf(block);
    Unlink(heap, header);
    std::free(header);
}

void* GlobalAllocFixed(std::size_t size) { return std::malloc(size == 0 ? 1 : size); }

void GlobalFreeFixed(void* block) { std::free(block); }

}  // namespace platform
