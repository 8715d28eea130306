#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>
#include <random>

#include "window_layout.h"

namespace {

using namespace tapline_info;

constexpr double kDaysPerSecond = 1.1574074074074073e-05;
// A segment start of this century, where a day number resolves about 0.6 us.
constexpr double kSegmentDay = 45426.0 + 34200.0 * kDaysPerSecond;

struct FractionCase {
  const char* name;
  double rate;
  std::int64_t numerator;
  std::int64_t denominator;
};

class SimplestFractionTest : public ::testing::TestWithParam<FractionCase> {};

TEST_P(SimplestFractionTest, FindsTheFractionWithTheSmallestDenominator) {
  const FractionCase& c = GetParam();
  const auto fraction = SimplestFraction(c.rate);
  ASSERT_TRUE(fraction);
  EXPECT_EQ(fraction->numerator, c.numerator);
  EXPECT_EQ(fraction->denominator, c.denominator);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, SimplestFractionTest,
    ::testing::Values(FractionCase{"Whole", 256, 256, 1},
                      FractionCase{"Tenth", 0.1, 1, 10},
                      FractionCase{"OneSamplePerThirtySeconds", 1.0 / 30.0, 1, 30},
                      FractionCase{"ThreeSamplesPerTwoSeconds", 1.5, 3, 2},
                      FractionCase{"TwelvePointEight", 12.8, 64, 5},
                      // 7 samples per record of 0.333333 s.
                      FractionCase{"OddRecordDuration", 7000000.0 / 333333.0, 1000000, 47619},
                      // Must not collapse to 0 however slow.
                      FractionCase{"OnePer10ToThe8Seconds", 1e-8, 1, 100000000},
                      FractionCase{"OnePer10ToThe12Seconds", 1e-12, 1, 1000000000000},
                      FractionCase{"FastAndOdd", 99999999.0 / 7.0, 99999999, 7}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimplestFractionSearchTest, RefusesRatesWithoutAFraction) {
  for (double rate : {0.0, -1.0, std::numeric_limits<double>::infinity(),
                      std::numeric_limits<double>::quiet_NaN(), 1e-300}) {
    EXPECT_FALSE(SimplestFraction(rate)) << rate;
  }
}

// For random fractions of small terms the answer is that fraction in lowest terms (fractions
// of such terms lie far more than a double's rounding apart), and it always rounds back.
TEST(SimplestFractionSearchTest, RecoversRandomFractions) {
  std::mt19937_64 random(11);
  std::uniform_int_distribution<std::int64_t> numerators(1, 2000000);
  std::uniform_int_distribution<std::int64_t> denominators(1, 2000);
  for (int i = 0; i < 20000; ++i) {
    const std::int64_t p = numerators(random);
    const std::int64_t q = denominators(random);
    const std::int64_t common = std::gcd(p, q);
    const double rate = static_cast<double>(p) / static_cast<double>(q);
    const auto fraction = SimplestFraction(rate);
    ASSERT_TRUE(fraction) << p << "/" << q;
    EXPECT_EQ(fraction->numerator, p / common) << p << "/" << q;
    EXPECT_EQ(fraction->denominator, q / common) << p << "/" << q;
  }
}

struct RangeCase {
  const char* name;
  double rate;
  double segmentSeconds;
  double startSeconds;  // from the segment's start, turned into a day number
  double startShiftMicros;
  double duration;
  std::int64_t first;
  std::int64_t count;
};

class ChannelRangeTest : public ::testing::TestWithParam<RangeCase> {};

TEST_P(ChannelRangeTest, CountsTheSamplesTheComponentHolds) {
  const RangeCase& c = GetParam();
  const double startDay =
      kSegmentDay + (c.startSeconds + c.startShiftMicros * 1e-6) * kDaysPerSecond;
  const auto window = WindowInSegment(kSegmentDay, startDay, c.duration, kBaseShiftTicks);
  ASSERT_TRUE(window);
  const auto ranges =
      WindowRanges(*window, {c.rate}, {*SegmentSampleCount(c.segmentSeconds, c.rate)});
  ASSERT_TRUE(ranges);
  ASSERT_EQ(ranges->size(), 1u);
  EXPECT_EQ((*ranges)[0].first, c.first);
  EXPECT_EQ((*ranges)[0].count, c.count);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChannelRangeTest,
    ::testing::Values(
        RangeCase{"WholeSegment", 256, 60, 0, 0, 60, 0, 15360},
        RangeCase{"StartOnSample", 256, 60, 2, 0, 4, 512, 1024},
        // 9.1484375 s is sample 2342 exactly.
        RangeCase{"StartOnSample2342", 256, 60, 9.1484375, 0, 1, 2342, 256},
        RangeCase{"StartOnSampleArrivingLate", 256, 60, 9.1484375, 0.3, 1, 2342, 256},
        RangeCase{"StartOnSampleArrivingEarly", 256, 60, 9.1484375, -0.3, 1, 2342, 256},
        // 3 us past sample 256 (1.0 s): that sample is before the window.
        RangeCase{"StartJustPastSample", 256, 60, 1.000003, 0, 0.5, 257, 128},
        RangeCase{"OneSampleWindow", 256, 60, 9.1484375, 0, 1.0 / 256.0, 2342, 1},
        RangeCase{"EndOnSampleExcludesIt", 1, 60, 2, 0, 3, 2, 3},
        RangeCase{"StartBetweenSamples", 1, 60, 1.5, 0, 4, 2, 4},
        RangeCase{"EndClampedToSegment", 128, 10, 8, 0, 4, 1024, 256},
        RangeCase{"SlowerThanOneHertz", 0.1, 60, 9.9999995, 0, 20, 1, 2},
        RangeCase{"FractionalRate", 2.5, 60, 0.3, 0, 1, 1, 3},  // 0.4, 0.8 and 1.2 s
        RangeCase{"ShiftedOneMicrosecondEarly", 1000, 60, 0.005, -1.0, 0.001, 5, 1},
        RangeCase{"BeforeTheSegment", 256, 60, -0.0000005, 0, 1, 0, 256},
        RangeCase{"ZeroDuration", 256, 60, 2, 0, 0, 512, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WindowRangesTest, RefusesALayoutItCannotCompute) {
  const auto window = WindowInSegment(kSegmentDay, kSegmentDay, 1.0, kBaseShiftTicks);
  ASSERT_TRUE(window);
  EXPECT_FALSE(WindowRanges(*window, {256, 0.0}, {256, 0}));
  EXPECT_FALSE(WindowRanges(*window, {256, std::numeric_limits<double>::quiet_NaN()}, {256, 0}));
  EXPECT_FALSE(WindowRanges(*window, {256, 128}, {256}));
  EXPECT_FALSE(WindowInSegment(kSegmentDay, kSegmentDay, -1e-9, kBaseShiftTicks));
  EXPECT_FALSE(WindowInSegment(kSegmentDay, std::numeric_limits<double>::infinity(), 1.0, kBaseShiftTicks));
  EXPECT_FALSE(WindowInSegment(kSegmentDay, kSegmentDay, 1e300, kBaseShiftTicks));
}

// A window whose end E equals the next one's start S: every sample lands in exactly one.
TEST(WindowRangesTest, AdjacentWindowsTileWithoutGapOrOverlap) {
  for (double rate : {256.0, 1000.0, 3.0, 0.7, 1.0 / 30.0}) {
    const SampleRate fraction = *SimplestFraction(rate);
    const std::int64_t samples = *SegmentSampleCount(300.0, rate);
    std::int64_t next = 0;
    std::int64_t ticks = 0;
    for (std::int64_t step : {3700001, 2, 1, 39062500, 10000000, 3333333}) {
      for (int i = 0; i < 40 && ticks < 3000000000; ++i, ticks += step) {
        const SampleRange range = *ChannelRange({ticks, ticks + step}, fraction, samples);
        ASSERT_EQ(range.first, next) << "rate " << rate << " at tick " << ticks;
        next = range.first + range.count;
      }
    }
    const SampleRange rest = *ChannelRange({ticks, 3000000000}, fraction, samples);
    EXPECT_EQ(rest.first, next) << "rate " << rate;
    EXPECT_EQ(rest.first + rest.count, samples) << "rate " << rate;
  }
}

// Far into a long recording the exact arithmetic must neither overflow nor drift: a year of
// 1000 Hz places sample 31536000000 - 1 exactly, and absurd positions are refused.
TEST(ChannelRangeLimitsTest, StaysExactFarIntoALongSegment) {
  const SampleRate rate{1000, 1};
  const std::int64_t year = 31536000LL * 10000000;
  const SampleRange last = *ChannelRange({year - 10000, year + 10000000}, rate, 31536000000);
  EXPECT_EQ(last.first, 31536000000 - 1);
  EXPECT_EQ(last.count, 1);
  const SampleRate huge{(std::int64_t{1} << 53) - 1, 3};
  EXPECT_FALSE(ChannelRange({0, 4000000000000000000}, huge, std::numeric_limits<std::int64_t>::max()));
}

// The buffer bound a host allocates for GetData2 is never smaller than a window's count.
// The shift the component applies, from the last segment's end as GetSegmentTime gives it:
// 1 us before day number 65535, doubling as day numbers grow coarser; a window that starts
// 5 us after a 1-kHz sample holds it only when the shift is wider than that.
TEST(WindowShiftTicksTest, FollowsTheLastSegmentsEnd) {
  struct Case {
    std::vector<double> starts;
    std::vector<double> durations;
    std::int64_t shift;
    std::int64_t first;  // of a 1-kHz channel, for a window from 1 ms + 5 us
  };
  const SampleRate kilohertz{1000, 1};
  for (const Case& c : {Case{{}, {}, 10, 2}, Case{{45000.0, 45001.0}, {5.0, 60.0}, 10, 2},
                        Case{{65534.0}, {86399.0}, 10, 2},  // ends at 65534.99998...
                        Case{{65534.0}, {86400.0}, 20, 2},  // at 65535
                        Case{{45000.0, 91313.0}, {5.0, 60.0}, 20, 2},
                        Case{{365245.0}, {60.0}, 80, 1}, Case{{2958465.0}, {86399.0}, 640, 1}}) {
    const std::int64_t shift = WindowShiftTicks(c.starts, c.durations);
    EXPECT_EQ(shift, c.shift) << (c.starts.empty() ? 0.0 : c.starts.back());
    const auto window = WindowInSegment(kSegmentDay, kSegmentDay + 0.001005 * kDaysPerSecond, 0.01, shift);
    ASSERT_TRUE(window);
    EXPECT_EQ(ChannelRange(*window, kilohertz, 1000)->first, c.first) << shift;
  }
}

TEST(WindowCapacityTest, BoundsEveryWindow) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> offsets(0.0, 3000.0);
  for (double rate : {512.0, 256.0, 200.0, 128.0, 1.0, 0.1, 2.5}) {
    const SampleRate fraction = *SimplestFraction(rate);
    for (double duration : {0.001, 0.5, 1.0, 4.0, 3.3}) {
      for (int i = 0; i < 500; ++i) {
        const double offset = offsets(random);
        const auto window = WindowInSegment(kSegmentDay, kSegmentDay + offset * kDaysPerSecond, duration,
                                            kBaseShiftTicks);
        const SampleRange range = *ChannelRange(*window, fraction, *SegmentSampleCount(3600.0, rate));
        ASSERT_LE(range.count, WindowCapacity(rate, duration))
            << "rate " << rate << " duration " << duration << " offset " << offset;
      }
    }
  }
}

TEST(WindowCapacityTest, IsCeilingOfRateTimesDurationPlusOne) {
  EXPECT_EQ(WindowCapacity(512, 4), 2049);
  EXPECT_EQ(WindowCapacity(1, 1.5), 3);
  EXPECT_EQ(WindowCapacity(0.5, 4), 3);
  EXPECT_EQ(WindowCapacity(0, 4), 0);
  EXPECT_EQ(WindowCapacity(256, -1), 0);
  EXPECT_EQ(WindowCapacity(std::numeric_limits<double>::infinity(), 1), 0);
}

}  // namespace
