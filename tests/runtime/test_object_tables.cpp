// Numbered object tables, record arrays, and the clock.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/test/test_backend.h"
#include "runtime/heaps.h"
#include "runtime/object_table.h"
#include "runtime/timing.h"
#include "screen/sprite3d.h"
#include "screen/sprites.h"
#include "support/fixtures.h"

namespace rodazaro_test {
namespace {

using runtime::FreeEntry;
using runtime::GetOrGrowEntry;
using runtime::kFirstDynamicHandle;
using runtime::LookupEntry;
using runtime::ObjectTable;

struct TableKind {
    const char* name;
    std::int32_t capacity;
    std::int32_t growStep;
    std::uint32_t entrySize;
};

// The tables of the modules, with their entry sizes where the record is
// visible here and a record-sized stand-in otherwise.
const TableKind kTables[] = {
    {"file", 10, 10, sizeof(std::uintptr_t)},
    {"sprite", 50, 10, sizeof(screen::SpriteRecord)},
    {"sprite3d", 50, 50, sizeof(screen::Sprite3DRecord)},
    {"sound", 50, 10, sizeof(void*)},
    {"window", 10, 30, 48},
    {"gadget", 30, 30, 40},
};

std::vector<unsigned char> Snapshot(const ObjectTable& table) {
    const std::size_t bytes = (static_cast<std::size_t>(table.capacity) + 1) * table.entrySize;
    return std::vector<unsigned char>(table.entries, table.entries + bytes);
}

void Fill(void* entry, std::uint32_t size, unsigned char seed) {
    auto* bytes = static_cast<unsigned char*>(entry);
    for (std::uint32_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(seed + i * 7 + 1);
}

bool Holds(const void* entry, std::uint32_t size, unsigned char seed) {
    const auto* bytes = static_cast<const unsigned char*>(entry);
    for (std::uint32_t i = 0; i < size; ++i) {
        if (bytes[i] != static_cast<unsigned char>(seed + i * 7 + 1)) return false;
    }
    return true;
}

class ObjectTableTest : public RuntimeFixture, public ::testing::WithParamInterface<TableKind> {
protected:
    void SetUp() override {
        RuntimeFixture::SetUp();
        const TableKind& kind = GetParam();
        ASSERT_TRUE(runtime::InitObjectTable(table_, kind.capacity, kind.growStep, kind.entrySize));
    }
    ObjectTable table_{};
};

TEST_P(ObjectTableTest, GrowsByItsStepBeyondTheNumberAndKeepsItsEntries) {
    const TableKind& kind = GetParam();
    const std::int32_t k = kind.capacity;
    EXPECT_EQ(table_.capacity, k);
    for (std::int32_t n = 0; n <= k; ++n) EXPECT_EQ(LookupEntry(table_, n), nullptr) << n;

    std::int32_t number = 0;
    Fill(GetOrGrowEntry(table_, number), table_.entrySize, 3);
    number = k - 1;
    Fill(GetOrGrowEntry(table_, number), table_.entrySize, 9);
    EXPECT_EQ(table_.capacity, k) << "numbers below the capacity need no growth";

    // Entry k exists without growing, but getting it for a new object grows.
    EXPECT_EQ(LookupEntry(table_, k), nullptr);
    EXPECT_EQ(table_.capacity, k);
    number = k;
    void* entryK = GetOrGrowEntry(table_, number);
    ASSERT_NE(entryK, nullptr);
    EXPECT_EQ(number, k);
    EXPECT_EQ(table_.capacity, k + kind.growStep);
    EXPECT_TRUE(Holds(LookupEntry(table_, 0), table_.entrySize, 3));
    EXPECT_TRUE(Holds(LookupEntry(table_, k - 1), table_.entrySize, 9));
    for (std::int32_t n = k; n <= table_.capacity; ++n) {
        const unsigned char* raw = table_.entries + static_cast<std::size_t>(n) * table_.entrySize;
        for (std::uint32_t i = 0; i < table_.entrySize; ++i) ASSERT_EQ(raw[i], 0) << "entry " << n;
    }

    // A number far beyond grows to that number plus the step.
    const std::int32_t far = table_.capacity + 7;
    number = far;
    Fill(GetOrGrowEntry(table_, number), table_.entrySize, 21);
    EXPECT_EQ(table_.capacity, far + kind.growStep);
    EXPECT_TRUE(Holds(LookupEntry(table_, 0), table_.entrySize, 3));
    EXPECT_TRUE(Holds(LookupEntry(table_, far), table_.entrySize, 21));
}

TEST_P(ObjectTableTest, AbsentNumbersGiveNullAndChangeNothing) {
    const std::int32_t k = GetParam().capacity;
    std::int32_t number = 1;
    Fill(GetOrGrowEntry(table_, number), table_.entrySize, 5);
    const std::vector<unsigned char> before = Snapshot(table_);

    for (std::int32_t n : {-2, -9, -100000, std::numeric_limits<std::int32_t>::min(), k, k + 1, 0x3FFFFFFF,
                           kFirstDynamicHandle, kFirstDynamicHandle + 1, std::numeric_limits<std::int32_t>::max()}) {
        EXPECT_EQ(LookupEntry(table_, n), nullptr) << n;
        FreeEntry(table_, n);
    }
    for (std::int32_t n : {-2, std::numeric_limits<std::int32_t>::min(), runtime::kTableNumberLimit,
                           kFirstDynamicHandle, std::numeric_limits<std::int32_t>::max()}) {
        std::int32_t asked = n;
        EXPECT_EQ(GetOrGrowEntry(table_, asked), nullptr) << n;
    }
    // Freeing an empty numbered entry changes nothing either.
    FreeEntry(table_, 0);
    FreeEntry(table_, k - 1);
    EXPECT_EQ(table_.capacity, k);
    EXPECT_EQ(Snapshot(table_), before);
    EXPECT_EQ(runtime::DynamicObjectCount(table_), 0);
}

TEST_P(ObjectTableTest, FreeEntryClearsOnlyTheFirstWord) {
    std::int32_t number = 2;
    void* entry = GetOrGrowEntry(table_, number);
    Fill(entry, table_.entrySize, 40);
    ASSERT_EQ(LookupEntry(table_, 2), entry);
    FreeEntry(table_, 2);
    EXPECT_EQ(LookupEntry(table_, 2), nullptr);
    const auto* bytes = static_cast<const unsigned char*>(entry);
    for (std::size_t i = 0; i < sizeof(std::uintptr_t); ++i) EXPECT_EQ(bytes[i], 0);
    for (std::uint32_t i = sizeof(std::uintptr_t); i < table_.entrySize; ++i) {
        EXPECT_EQ(bytes[i], static_cast<unsigned char>(40 + i * 7 + 1));
    }
}

TEST_P(ObjectTableTest, DynamicObjectsLiveInTheirOwnHandleRange) {
    const std::int32_t k = GetParam().capacity;
    std::int32_t first = -1;
    void* a = GetOrGrowEntry(table_, first);
    ASSERT_NE(a, nullptr);
    std::int32_t second = -1;
    void* b = GetOrGrowEntry(table_, second);
    ASSERT_NE(b, nullptr);
    EXPECT_GE(first, kFirstDynamicHandle);
    EXPECT_GE(second, kFirstDynamicHandle);
    EXPECT_NE(first, second);
    EXPECT_EQ(table_.capacity, k) << "dynamic objects do not grow the array";

    // A dynamic payload starts zeroed, so it holds no object until filled.
    const auto* zero = static_cast<const unsigned char*>(a);
    for (std::uint32_t i = 0; i < table_.entrySize; ++i) EXPECT_EQ(zero[i], 0);
    EXPECT_EQ(LookupEntry(table_, first), nullptr);
    Fill(a, table_.entrySize, 60);
    Fill(b, table_.entrySize, 70);
    EXPECT_EQ(LookupEntry(table_, first), a);
    EXPECT_EQ(LookupEntry(table_, second), b);
    std::int32_t again = first;
    EXPECT_EQ(GetOrGrowEntry(table_, again), a);
    EXPECT_EQ(runtime::DynamicObjectCount(table_), 2);

    // Freed in the order of creation: the list ends empty.
    FreeEntry(table_, first);
    EXPECT_EQ(LookupEntry(table_, first), nullptr);
    EXPECT_EQ(LookupEntry(table_, second), b);
    EXPECT_TRUE(Holds(b, table_.entrySize, 70));
    FreeEntry(table_, second);
    EXPECT_EQ(runtime::DynamicObjectCount(table_), 0);
    EXPECT_EQ(table_.dynamicHead, nullptr);
    FreeEntry(table_, second);  // gone already: nothing happens

    // Unlinking from the middle keeps both neighbours reachable.
    std::int32_t h[3] = {-1, -1, -1};
    void* p[3];
    for (int i = 0; i < 3; ++i) {
        p[i] = GetOrGrowEntry(table_, h[i]);
        ASSERT_NE(p[i], nullptr);
        Fill(p[i], table_.entrySize, static_cast<unsigned char>(80 + i));
    }
    EXPECT_NE(h[0], first);
    FreeEntry(table_, h[1]);
    EXPECT_EQ(runtime::DynamicObjectCount(table_), 2);
    EXPECT_EQ(LookupEntry(table_, h[0]), p[0]);
    EXPECT_EQ(LookupEntry(table_, h[2]), p[2]);
    EXPECT_EQ(LookupEntry(table_, h[1]), nullptr);
    FreeEntry(table_, h[2]);
    FreeEntry(table_, h[0]);
    EXPECT_EQ(runtime::DynamicObjectCount(table_), 0);
}

std::string TableName(const ::testing::TestParamInfo<TableKind>& table) { return table.param.name; }

INSTANTIATE_TEST_SUITE_P(Tables, ObjectTableTest, ::testing::ValuesIn(kTables), TableName);

class ObjectWalkTest : public RuntimeFixture {
protected:
    // What a walk step sees through its context: the table walked and the
    // numbers visited so far.
    struct Walk {
        ObjectTable* table;
        std::vector<std::int32_t> visited;
    };
    static Walk& WalkOf(void* context) { return *static_cast<Walk*>(context); }
    static std::int32_t Record(std::int32_t number, void* context) {
        WalkOf(context).visited.push_back(number);
        return 1;
    }
    // The free-all step of a module: frees whatever the number holds.
    static std::int32_t FreeAll(std::int32_t number, void* context) {
        Walk& walk = WalkOf(context);
        walk.visited.push_back(number);
        if (LookupEntry(*walk.table, number) != nullptr) FreeEntry(*walk.table, number);
        return 1;
    }
    std::vector<std::int32_t>& Visited() { return walk_.visited; }
    void SetUp() override {
        RuntimeFixture::SetUp();
        ASSERT_TRUE(runtime::InitObjectTable(table_, 5, 10, 16));
        walk_ = Walk{&table_, {}};
        older_ = -1;
        Fill(GetOrGrowEntry(table_, older_), 16, 1);
        newer_ = -1;
        Fill(GetOrGrowEntry(table_, newer_), 16, 2);
        std::int32_t three = 3;
        Fill(GetOrGrowEntry(table_, three), 16, 3);
    }
    ObjectTable table_{};
    Walk walk_{};
    std::int32_t older_ = 0;
    std::int32_t newer_ = 0;
};

TEST_F(ObjectWalkTest, DynamicObjectsFirstFromTheListHeadThenTheNumbers) {
    runtime::ForEachObject(table_, Record, &walk_);
    EXPECT_EQ(Visited(), (std::vector<std::int32_t>{newer_, older_, 0, 1, 2, 3, 4}));
    Visited().clear();
    runtime::ForEachObject(table_, Record, &walk_, true);
    EXPECT_EQ(Visited(), (std::vector<std::int32_t>{newer_, older_, 4, 3, 2, 1, 0}));
}

TEST_F(ObjectWalkTest, AWalkStopsWhenTheStepSaysSo) {
    runtime::ForEachObject(
        table_,
        [](std::int32_t number, void* context) -> std::int32_t {
            std::vector<std::int32_t>& visited = WalkOf(context).visited;
            visited.push_back(number);
            return visited.size() < 3 ? 1 : 0;
        },
        &walk_);
    EXPECT_EQ(Visited(), (std::vector<std::int32_t>{newer_, older_, 0}));
}

TEST_F(ObjectWalkTest, FreeingEverythingOnTheWalkEmptiesTheTable) {
    runtime::ForEachObject(table_, FreeAll, &walk_);
    EXPECT_EQ(Visited().size(), 7u);
    EXPECT_EQ(runtime::DynamicObjectCount(table_), 0);
    EXPECT_EQ(LookupEntry(table_, 3), nullptr);
    EXPECT_EQ(LookupEntry(table_, older_), nullptr);
    EXPECT_EQ(LookupEntry(table_, newer_), nullptr);
}

class StructArrayTest : public RuntimeFixture {};

TEST_F(StructArrayTest, HeaderAndZeroedElements) {
    struct Record {
        float a;
        std::int32_t b;
        std::int16_t c;
    };
    void* owner = nullptr;
    void* element0 = runtime::AllocStructArray(100, sizeof(Record), &owner, runtime::kGfxTableTypeCode);
    ASSERT_NE(element0, nullptr);
    EXPECT_EQ(owner, element0);
    const runtime::StructArrayHeader* header = runtime::StructArrayHeaderOf(element0);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->elementSize, sizeof(Record));
    EXPECT_EQ(header->upperIndex, 100);
    EXPECT_EQ(header->typeCode, 7);
    EXPECT_EQ(header->owner, &owner);
    EXPECT_EQ(header->stringMap, nullptr);
    EXPECT_LE(reinterpret_cast<const unsigned char*>(header + 1), static_cast<unsigned char*>(element0));
    const auto* bytes = static_cast<const unsigned char*>(element0);
    for (std::size_t i = 0; i < 101 * sizeof(Record); ++i) ASSERT_EQ(bytes[i], 0) << i;
    // Element 100 is the last one and is writable.
    static_cast<Record*>(element0)[100].c = 7;

    runtime::FreeStructArray(&owner);
    EXPECT_EQ(owner, nullptr);
    runtime::FreeStructArray(&owner);  // holds null: nothing happens
    runtime::FreeStructArray(nullptr);

    void* untouched = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(runtime::AllocStructArray(-1, 8, &untouched), nullptr);
    EXPECT_EQ(untouched, reinterpret_cast<void*>(0x1234));
    EXPECT_EQ(runtime::AllocStructArray(0x7FFFFFFF, 0x10000, &untouched), nullptr);
    EXPECT_EQ(untouched, reinterpret_cast<void*>(0x1234));
}

TEST(ClockTest, TickDifferencesSurviveTheWrap) {
    platform::test::Reset();
    platform::test::SetTicks(0xFFFFFFF0u);
    const std::uint32_t start = runtime::GetTicks();
    EXPECT_EQ(start, 0xFFFFFFF0u);
    runtime::Delay(7);
    EXPECT_EQ(runtime::GetTicks() - start, 7u);
    platform::test::AdvanceTicks(0x19);
    EXPECT_LT(runtime::GetTicks(), start);
    EXPECT_EQ(runtime::GetTicks() - start, 0x20u);
    EXPECT_EQ(platform::test::SleepCalls(), 1u);
    platform::test::Reset();
}

}  // namespace
}  // namespace rodazaro_test
