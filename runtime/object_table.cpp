#include "runtime/object_table.h"

#include <cstddef>
#include <cstring>

#include "runtime/heaps.h"

namespace runtime {

struct alignas(std::max_align_t) DynamicObject {
    DynamicObject* next;
    DynamicObject* prev;
    std::int32_t handle;
};

namespace {

unsigned char* PayloadOf(DynamicObject* object) { return reinterpret_cast<unsigned char*>(object + 1); }

DynamicObject* FindDynamic(const ObjectTable& table, std::int32_t handle) {
    if (handle < kFirstDynamicHandle) return nullptr;
    for (DynamicObject* object = table.dynamicHead; object != nullptr; object = object->next) {
        if (object->handle == handle) return object;
    }
    return nullptr;
}

std::int32_t NextHandle(ObjectTable& table) {
    // Handles run from kFirstDynamicHandle upward and wrap within their range;
    // a handle still in use is skipped.
    for (;;) {
        std::int32_t candidate = table.lastHandle;
        candidate = (candidate < kFirstDynamicHandle || candidate == 0x7FFFFFFF) ? kFirstDynamicHandle : candidate + 1;
        table.lastHandle = candidate;
        if (FindDynamic(table, candidate) == nullptr) return candidate;
    }
}

bool Grow(ObjectTable& table, std::int32_t number) {
    const std::int64_t wanted = static_cast<std::int64_t>(number) + table.growStep;
    if (wanted >= kTableNumberLimit) return false;
    const std::size_t oldCount = static_cast<std::size_t>(table.capacity) + 1;
    const std::size_t newCount = static_cast<std::size_t>(wanted) + 1;
    void* grown = ProgramReAlloc(table.entries, newCount * table.entrySize, false);
    // A refused resize keeps the old array: the table goes on holding what it held.
    if (grown == nullptr) return false;
    table.entries = static_cast<unsigned char*>(grown);
    std::memset(table.entries + oldCount * table.entrySize, 0, (newCount - oldCount) * table.entrySize);
    table.capacity = static_cast<std::int32_t>(wanted);
    return true;
}

}  // namespace

bool EntryInUse(const void* entry) {
    std::uintptr_t word = 0;
    std::memcpy(&word, entry, sizeof word);
    return word != 0;
}

bool InitObjectTable(ObjectTable& table, std::int32_t capacity, std::int32_t growStep, std::uint32_t entrySize) {
    table.capacity = capacity;
    table.growStep = growStep;
    table.entrySize = entrySize < sizeof(std::uintptr_t) ? sizeof(std::uintptr_t) : entrySize;
    table.dynamicHead = nullptr;
    table.lastHandle = 0;
    table.entries = static_cast<unsigned char*>(
        ProgramAlloc((static_cast<std::size_t>(capacity) + 1) * table.entrySize, true));
    if (table.entries == nullptr) table.capacity = -1;
    return table.entries != nullptr;
}

void* GetOrGrowEntry(ObjectTable& table, std::int32_t& number) {
    if (number == -1) {
        auto* object = static_cast<DynamicObject*>(
            platform::HeapAlloc(ObjectHeap(), platform::kHeapZeroMemory, sizeof(DynamicObject) + table.entrySize));
        if (object == nullptr) return nullptr;
        object->handle = NextHandle(table);
        object->prev = nullptr;
        object->next = table.dynamicHead;
        if (table.dynamicHead != nullptr) table.dynamicHead->prev = object;
        table.dynamicHead = object;
        number = object->handle;
        return PayloadOf(object);
    }
    if (number < -1) return nullptr;
    if (number >= kFirstDynamicHandle) {
        DynamicObject* object = FindDynamic(table, number);
        return object == nullptr ? nullptr : PayloadOf(object);
    }
    if (table.entries == nullptr) return nullptr;
    if (number >= table.capacity && !Grow(table, number)) return nullptr;
    return table.entries + static_cast<std::size_t>(number) * table.entrySize;
}

void* LookupEntry(const ObjectTable& table, std::int32_t number) {
    unsigned char* entry = nullptr;
    if (number >= 0 && number <= table.capacity && table.entries != nullptr) {
        entry = table.entries + static_cast<std::size_t>(number) * table.entrySize;
    } else if (DynamicObject* object = FindDynamic(table, number)) {
        entry = PayloadOf(object);
    }
    if (entry == nullptr || !EntryInUse(entry)) return nullptr;
    return entry;
}

void FreeEntry(ObjectTable& table, std::int32_t number) {
    if (number >= 0 && number <= table.capacity && table.entries != nullptr) {
        std::memset(table.entries + static_cast<std::size_t>(number) * table.entrySize, 0, sizeof(std::uintptr_t));
        return;
    }
    DynamicObject* object = FindDynamic(table, number);
    if (object == nullptr) return;
    if (object->prev != nullptr) object->prev->next = object->next;
    else table.dynamicHead = object->next;
    if (object->next != nullptr) object->next->prev = object->prev;
    platform::HeapFree(ObjectHeap(), object);
}

void ForEachObject(const ObjectTable& table, VisitObject visit, void* context, bool downward) {
    for (DynamicObject* object = table.dynamicHead; object != nullptr;) {
        DynamicObject* next = object->next;
        if (visit(object->handle, context) == 0) return;
        object = next;
    }
    if (downward) {
        for (std::int32_t number = table.capacity - 1; number >= 0; --number) {
            if (visit(number, context) == 0) return;
        }
    } else {
        for (std::int32_t number = 0; number < table.capacity; ++number) {
            if (visit(number, context) == 0) return;
        }
    }
}

std::int32_t DynamicObjectCount(const ObjectTable& table) {
    std::int32_t count = 0;
    for (DynamicObject* object = table.dynamicHead; object != nullptr; object = object->next) ++count;
    return count;
}

}  // namespace runtime
