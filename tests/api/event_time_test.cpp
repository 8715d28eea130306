// NormalizeEventTime on the examples that show its rounding, and on times that cannot be
// counted in whole seconds (clean under UndefinedBehaviorSanitizer).
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "api/event_time.h"

namespace api {
namespace {

struct NormalizeCase {
  const char* name;
  RecordingTime time;
  RecordingTime expected;
};

class NormalizeEventTimeTest : public ::testing::TestWithParam<NormalizeCase> {};

TEST_P(NormalizeEventTimeTest, GivesWholeSecondsInDaysAndTheFraction) {
  RecordingTime time = GetParam().time;
  NormalizeEventTime(time);
  EXPECT_EQ(time.days, GetParam().expected.days);
  EXPECT_EQ(time.seconds, GetParam().expected.seconds);
}

constexpr double kInfinity = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Times, NormalizeEventTimeTest,
    ::testing::Values(
        NormalizeCase{"DayAndSeconds", {1.0, 3661.5}, {90061 * kDaysPerSecond, 0.5}},
        NormalizeCase{"NegativeFraction", {0.0, -0.25}, {-1 * kDaysPerSecond, 0.75}},
        NormalizeCase{"NegativeSecondsAndAHalf", {0.0, -1.5}, {-2 * kDaysPerSecond, 0.5}},
        NormalizeCase{"DaysRoundHalfUpward", {10.6 / 86400, 0.0}, {11 * kDaysPerSecond, 0.0}},
        NormalizeCase{"NegativeDaysTruncateTowardZero", {-10.6 / 86400, 0.0}, {-10 * kDaysPerSecond, 0.0}},
        NormalizeCase{"LargestCountableSeconds", {0.0, 2147483647.5}, {2147483647 * kDaysPerSecond, 0.5}},
        // Outside the range of whole seconds: left exactly as given.
        NormalizeCase{"SecondsOf2To31", {1.0, 2147483648.0}, {1.0, 2147483648.0}},
        NormalizeCase{"SecondsOfMinus2To31", {1.0, -2147483648.0}, {1.0, -2147483648.0}},
        NormalizeCase{"InfiniteSeconds", {1.0, -kInfinity}, {1.0, -kInfinity}},
        NormalizeCase{"InfiniteDays", {kInfinity, 0.5}, {kInfinity, 0.5}},
        NormalizeCase{"DaysOf2To63Seconds", {9223372036854775808.0 / 86400, 0.0}, {9223372036854775808.0 / 86400, 0.0}},
        NormalizeCase{"HugeNegativeDays", {-1e300, 0.25}, {-1e300, 0.25}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NormalizeEventTimeNanTest, NanIsLeftAsItIs) {
  RecordingTime time{std::nan(""), 0.5};
  NormalizeEventTime(time);
  EXPECT_TRUE(std::isnan(time.days));
  EXPECT_EQ(time.seconds, 0.5);

  time = {1.0, std::nan("")};
  NormalizeEventTime(time);
  EXPECT_EQ(time.days, 1.0);
  EXPECT_TRUE(std::isnan(time.seconds));
}

TEST(NormalizeEventTimeOverflowTest, SumOfWholeSecondsBeyond64BitsIsLeftAsItIs) {
  // The largest day number whose seconds still convert: its whole seconds lie within 2^31 of
  // 2^63, so adding 2^31 - 1 more would overflow.
  double days = 9223372036854775808.0 / 86400;
  while (!(days * 86400.0 < 9223372036854775808.0)) days = std::nextafter(days, 0.0);
  ASSERT_GT(days * 86400.0, 9223372036854775808.0 - 2147483647.0);
  RecordingTime time{days, 2147483647.0};

  NormalizeEventTime(time);

  EXPECT_EQ(time.days, days);
  EXPECT_EQ(time.seconds, 2147483647.0);
}

}  // namespace
}  // namespace api
