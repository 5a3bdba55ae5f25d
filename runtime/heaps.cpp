#include "runtime/heaps.h"

#include <cstring>

namespace runtime {

namespace {

platform::Heap* gProgramHeap = nullptr;
platform::Heap* gObjectHeap = nullptr;

constexpr std::size_t kHeaderBytes = (sizeof(StructArrayHeader) + alignof(std::max_align_t) - 1) /
                                     alignof(std::max_align_t) * alignof(std::max_align_t);

}  // namespace

platform::Heap* CreateProgramHeap() {
    gProgramHeap = platform::HeapCreate(0, 4000, 0);
    return gProgramHeap;
}

void DestroyProgramHeap() {
    platform::HeapDestroy(gProgramHeap);
    gProgramHeap = nullptr;
}

platform::Heap* ProgramHeap() { return gProgramHeap; }

void CreateObjectHeap() { gObjectHeap = platform::HeapCreate(0, 1024, 0); }

void DestroyObjectHeap() {
    platform::HeapDestroy(gObjectHeap);
    gObjectHeap = nullptr;
}

platform::Heap* ObjectHeap() { return gObjectHeap; }

void* ProgramAlloc(std::size_t size, bool zero) {
    return platform::HeapAlloc(gProgramHeap, zero ? platform::kHeapZeroMemory : 0, size);
}

void* ProgramReAlloc(void* block, std::size_t size, bool zero) {
    if (block == nullptr) return ProgramAlloc(size, zero);
    return platform::HeapReAlloc(gProgramHeap, zero ? platform::kHeapZeroMemory : 0, block, size);
}

void ProgramFree(void* block) { platform::HeapFree(gProgramHeap, block); }

void* AllocStructArray(std::int32_t upperIndex, std::uint32_t elementSize, void** owner, std::int32_t typeCode,
                       const void* stringMap) {
    if (upperIndex < 0 || elementSize == 0) return nullptr;
    const std::uint64_t bytes = static_cast<std::uint64_t>(upperIndex + 1LL) * elementSize + kHeaderBytes;
    if (bytes > 0x7FFFFFFFu) return nullptr;
    auto* block = static_cast<unsigned char*>(ProgramAlloc(static_cast<std::size_t>(bytes), true));
    if (block == nullptr) return nullptr;
    auto* header = reinterpret_cast<StructArrayHeader*>(block);
    header->elementSize = elementSize;
    header->stringMap = stringMap;
    header->owner = owner;
    header->upperIndex = upperIndex;
    header->typeCode = typeCode;
    void* element0 = block + kHeaderBytes;
    if (owner != nullptr) *owner = element0;
    return element0;
}

void FreeStructArray(void** owner) {
    if (owner == nullptr || *owner == nullptr) return;
    ProgramFree(static_cast<unsigned char*>(*owner) - kHeaderBytes);
    *owner = nullptr;
}

const StructArrayHeader* StructArrayHeaderOf(const void* element0) {
    if (element0 == nullptr) return nullptr;
    return reinterpret_cast<const StructArrayHeader*>(static_cast<const unsigned char*>(element0) - kHeaderBytes);
}

}  // namespace runtime
