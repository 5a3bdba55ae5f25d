// The held clock: what a pause does to the readings of the script clock.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "runtime/timing.h"

namespace rodazaro_test {
namespace {

enum class Step { kRead, kHold, kRelease };

struct ClockStep {
    Step step;
    std::uint32_t now;       // the platform tick at the step
    std::uint32_t expected;  // the reading after the step
};

struct ClockCase {
    const char* name;
    std::vector<ClockStep> steps;
};

TEST(HeldClock, StandsStillWhileHeldAndGoesOnWhereItStood) {
    const ClockCase cases[] = {
        {"never held", {{Step::kRead, 0, 0}, {Step::kRead, 1234, 1234}, {Step::kRead, 0xFFFFFFFFu, 0xFFFFFFFFu}}},
        {"one hold",
         {{Step::kRead, 1000, 1000},
          {Step::kHold, 1500, 1500},
          {Step::kRead, 1800, 1500},
          {Step::kRead, 4000, 1500},
          {Step::kRelease, 4500, 1500},
          {Step::kRead, 4600, 1600}}},
        {"two holds add up",
         {{Step::kHold, 100, 100},
          {Step::kRelease, 300, 100},
          {Step::kRead, 350, 150},
          {Step::kHold, 400, 200},
          {Step::kRelease, 1400, 200},
          {Step::kRead, 1401, 201}}},
        {"a second hold or release changes nothing",
         {{Step::kRelease, 50, 50},
          {Step::kHold, 100, 100},
          {Step::kHold, 900, 100},
          {Step::kRelease, 1000, 100},
          {Step::kRelease, 5000, 4100},
          {Step::kRead, 5001, 4101}}},
        {"held across the tick's wrap",
         {{Step::kHold, 0xFFFFFF00u, 0xFFFFFF00u},
          {Step::kRead, 0x00000100u, 0xFFFFFF00u},
          {Step::kRelease, 0x00000200u, 0xFFFFFF00u},
          {Step::kRead, 0x00000210u, 0xFFFFFF10u},
          {Step::kRead, 0x00000400u, 0x00000100u}}},
        {"released in the same millisecond", {{Step::kHold, 77, 77}, {Step::kRelease, 77, 77}, {Step::kRead, 90, 90}}},
    };
    for (const ClockCase& c : cases) {
        runtime::HeldClock clock{};
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const ClockStep& s = c.steps[i];
            if (s.step == Step::kHold) runtime::HoldClock(&clock, s.now);
            if (s.step == Step::kRelease) runtime::ReleaseClock(&clock, s.now);
            EXPECT_EQ(runtime::ReadHeldClock(clock, s.now), s.expected) << c.name << ", step " << i;
        }
    }
}

}  // namespace
}  // namespace rodazaro_test
