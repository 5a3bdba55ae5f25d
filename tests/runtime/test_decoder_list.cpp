// The decoder registration list on its own, at a small capacity: order,
// the search, and what a full list does.

#include <gtest/gtest.h>

#include <cstdint>

#include "runtime/decoder_list.h"

namespace rodazaro_test {
namespace {

// A decoder that accepts the byte it was made for.
struct ByteDecoder {
    unsigned char accepted;
};

using SmallList = runtime::DecoderList<ByteDecoder, 3>;

const ByteDecoder kA{'a'};
const ByteDecoder kB{'b'};
const ByteDecoder kOtherB{'b'};
const ByteDecoder kC{'c'};

const ByteDecoder* Accepting(const SmallList& list, unsigned char byte) {
    return list.Find([byte](const ByteDecoder& decoder) { return decoder.accepted == byte; });
}

TEST(DecoderListTest, StartsEmptyAndKeepsRegistrationOrder) {
    SmallList list{};
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.At(0), nullptr);
    EXPECT_EQ(Accepting(list, 'a'), nullptr);

    EXPECT_TRUE(list.Add(&kB));
    EXPECT_TRUE(list.Add(&kA));
    EXPECT_TRUE(list.Add(&kOtherB));
    EXPECT_EQ(list.count, 3);
    EXPECT_EQ(list.At(0), &kB);
    EXPECT_EQ(list.At(1), &kA);
    EXPECT_EQ(list.At(2), &kOtherB);
    EXPECT_EQ(list.At(-1), nullptr);
    EXPECT_EQ(list.At(3), nullptr);

    // The first that accepts wins, though a later one would too.
    EXPECT_EQ(Accepting(list, 'b'), &kB);
    EXPECT_EQ(Accepting(list, 'a'), &kA);
    EXPECT_EQ(Accepting(list, 'c'), nullptr);
}

TEST(DecoderListTest, NullAndRegistrationsBeyondTheCapacityAreDropped) {
    SmallList list{};
    EXPECT_FALSE(list.Add(nullptr));
    EXPECT_EQ(list.count, 0);
    for (const ByteDecoder* decoder : {&kA, &kB, &kA}) EXPECT_TRUE(list.Add(decoder));
    EXPECT_FALSE(list.Add(&kC));
    EXPECT_EQ(list.count, 3);
    EXPECT_EQ(list.At(2), &kA);
    EXPECT_EQ(Accepting(list, 'c'), nullptr);
}

TEST(DecoderListTest, ClearEmptiesAFullListForNewRegistrations) {
    SmallList list{};
    for (const ByteDecoder* decoder : {&kA, &kB, &kOtherB}) list.Add(decoder);
    list.Clear();
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.At(0), nullptr);
    EXPECT_EQ(Accepting(list, 'a'), nullptr);
    EXPECT_TRUE(list.Add(&kC));
    EXPECT_EQ(list.At(0), &kC);
    EXPECT_EQ(Accepting(list, 'c'), &kC);
}

}  // namespace
}  // namespace rodazaro_test
