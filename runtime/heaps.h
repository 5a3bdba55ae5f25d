// The two private heaps that hold all of the program's dynamic memory, and
// the record arrays of the player.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/heap.h"

namespace runtime {

// The program heap: every string, table and record.  Created by start-up
// (4000 bytes, growable) and destroyed as a whole at shutdown.
platform::Heap* CreateProgramHeap();
void DestroyProgramHeap();
platform::Heap* ProgramHeap();

// The object heap: dynamically created objects only (1024 bytes, growable).
void CreateObjectHeap();
void DestroyObjectHeap();
platform::Heap* ObjectHeap();

// Blocks of the program heap; null on failure or without a heap.
void* ProgramAlloc(std::size_t size, bool zero);
void* ProgramReAlloc(void* block, std::size_t size, bool zero);
void ProgramFree(void* block);

// Header in front of a record array.
struct StructArrayHeader {
    std::uint32_t elementSize;
    const void* stringMap;
    void** owner;
    std::int32_t upperIndex;
    std::int32_t typeCode;
};

constexpr std::int32_t kGfxTableTypeCode = 7;

// Allocates upperIndex + 1 zeroed elements of elementSize bytes behind a
// header on the program heap; stores the address of element 0 into *owner
// and returns it.  Null when the heap refuses (or the size is absurd).
void* AllocStructArray(std::int32_t upperIndex, std::uint32_t elementSize, void** owner, std::int32_t typeCode = 0,
                       const void* stringMap = nullptr);
// Releases the array *owner holds and sets it to null; nothing for null.
void FreeStructArray(void** owner);
const StructArrayHeader* StructArrayHeaderOf(const void* element0);

}  // namespace runtime
