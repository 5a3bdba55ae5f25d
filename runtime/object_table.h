// Numbered object tables: every module keeps its objects under numbers the
// caller chooses.  The entries 0 to capacity live in one array on the program
// heap; number -1 asks for a dynamically created object on the object heap,
// whose handle then stands for the number.
//
// Handles of dynamically created objects come from their own range, from
// kFirstDynamicHandle up, which table numbers never reach: a number in that
// range that was never handed out, like a number below -1, is simply absent.
// Nothing ever turns a number into an address.
#pragma once

#include <cstdint>

namespace runtime {

constexpr std::int32_t kFirstDynamicHandle = 0x40000000;
// Table numbers stay below this bound, so a table can never grow into the
// handle range.
constexpr std::int32_t kTableNumberLimit = 0x10000000;

struct DynamicObject;

struct ObjectTable {
    std::int32_t capacity;    // entries for the numbers 0 to capacity
    std::int32_t growStep;    // new capacity = number + growStep
    std::uint32_t entrySize;  // bytes per entry; the first pointer-sized word is the object
    unsigned char* entries;
    DynamicObject* dynamicHead;
    std::int32_t lastHandle;  // last handle handed out
};

// Sets up an empty table of capacity + 1 zeroed entries on the program heap.
// False when the heap refuses (the table then has no array).
bool InitObjectTable(ObjectTable& table, std::int32_t capacity, std::int32_t growStep, std::uint32_t entrySize);

// The entry to fill when an object is created under number.  For -1 a new
// dynamic object is made and number is replaced by its handle.  A number at
// or above the capacity grows the table to number + growStep.  Null for a
// number that has no entry (below -1, beyond the table bound, an unknown
// handle) or when memory runs out.
void* GetOrGrowEntry(ObjectTable& table, std::int32_t& number);

// The entry of an existing object, or null when the number holds none.
void* LookupEntry(const ObjectTable& table, std::int32_t number);

// Marks the object gone: a numbered entry gets a zero first word, a dynamic
// object is unlinked and released.
void FreeEntry(ObjectTable& table, std::int32_t number);

// Calls visit for every dynamically created object from the list's head
// (reading the next link first), then for the numbers 0 to capacity - 1
// (downward from capacity - 1 when downward is set).  Every call gets the
// caller's context as it was passed.  The walk stops when visit returns 0.
using VisitObject = std::int32_t (*)(std::int32_t number, void* context);
void ForEachObject(const ObjectTable& table, VisitObject visit, void* context = nullptr, bool downward = false);

// Handles of the dynamic objects from the list's head, for tests and tools.
std::int32_t DynamicObjectCount(const ObjectTable& table);

// True when the first pointer-sized word of entry is not zero.
bool EntryInUse(const void* entry);

}  // namespace runtime
