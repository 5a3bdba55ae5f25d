// The counted holder the core and the Windows driver share: made by the first
// user, freed when the last one leaves, a failed make counted like a success.

#include <gtest/gtest.h>

#include <vector>

#include "platform/shared_holder.h"

namespace rodazaro_test {
namespace {

struct Thing {
    int id;
};

class SharedHolderTest : public ::testing::Test {
protected:
    Thing* Make() {
        ++makes_;
        return failMaking_ ? nullptr : &things_[makes_ % 2];
    }
    void Free(Thing* thing) { freed_.push_back(thing); }
    Thing* Acquire() {
        return holder_.Acquire([this] { return Make(); });
    }
    void Release() {
        holder_.Release([this](Thing* thing) { Free(thing); });
    }

    platform::SharedHolder<Thing> holder_;
    Thing things_[2] = {{0}, {1}};
    int makes_ = 0;
    bool failMaking_ = false;
    std::vector<Thing*> freed_;
};

TEST_F(SharedHolderTest, TheFirstUserMakesItAndTheLastFreesIt) {
    Thing* first = Acquire();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Acquire(), first);
    EXPECT_EQ(makes_, 1);
    EXPECT_EQ(holder_.users(), 2);
    Release();
    EXPECT_TRUE(freed_.empty());
    EXPECT_EQ(holder_.get(), first);
    Release();
    EXPECT_EQ(freed_, std::vector<Thing*>{first});
    EXPECT_EQ(holder_.get(), nullptr);
    EXPECT_EQ(holder_.users(), 0);

    // A later user makes a new one.
    Thing* again = Acquire();
    EXPECT_EQ(makes_, 2);
    EXPECT_NE(again, first);
}

TEST_F(SharedHolderTest, AFailedMakeCountsAUserAndIsTriedAgainByTheNext) {
    failMaking_ = true;
    EXPECT_EQ(Acquire(), nullptr);
    EXPECT_EQ(holder_.users(), 1);
    failMaking_ = false;
    Thing* made = Acquire();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(makes_, 2);
    EXPECT_EQ(holder_.users(), 2);
    // The failed user's release does not free what the other one holds.
    Release();
    EXPECT_TRUE(freed_.empty());
    Release();
    EXPECT_EQ(freed_, std::vector<Thing*>{made});
}

TEST_F(SharedHolderTest, ReleasingWithNothingHeldFreesNothing) {
    failMaking_ = true;
    EXPECT_EQ(Acquire(), nullptr);
    Release();
    EXPECT_TRUE(freed_.empty());
    EXPECT_EQ(holder_.users(), 0);
    // It reads as the held object.
    Thing* held = holder_;
    EXPECT_EQ(held, nullptr);
}

}  // namespace
}  // namespace rodazaro_test
