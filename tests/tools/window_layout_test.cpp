#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "window_layout.h"

namespace {

using tapline_info::SampleRange;
using tapline_info::WindowCapacity;
using tapline_info::WindowRanges;

struct WindowCase {
  const char* name;
  double rate;
  double segmentSeconds;
  double offset;
  double duration;
  std::int64_t first;
  std::int64_t count;
};

class WindowRangesTest : public ::testing::TestWithParam<WindowCase> {};

TEST_P(WindowRangesTest, GivesSamplesInHalfOpenWindow) {
  const WindowCase& c = GetParam();
  const std::vector<SampleRange> ranges = WindowRanges({c.rate}, c.segmentSeconds, c.offset, c.duration);
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_EQ(ranges[0].first, c.first);
  EXPECT_EQ(ranges[0].count, c.count);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowRangesTest,
    ::testing::Values(
        WindowCase{"WholeSegment", 256, 60, 0, 60, 0, 15360},
        WindowCase{"StartOnSample", 256, 60, 2, 4, 512, 1024},
        WindowCase{"StartBetweenSamplesSkipsEarlierOne", 1, 60, 1.5, 4, 2, 4},
        WindowCase{"EndOnSampleExcludesIt", 1, 60, 2, 3, 2, 3},
        WindowCase{"EndClampedToSegment", 128, 10, 8, 4, 1024, 256},
        WindowCase{"SlowerThanOneHertz", 0.5, 60, 1.5, 4, 1, 2},
        WindowCase{"FractionalRate", 2.5, 60, 0.3, 1, 1, 3},  // 0.4, 0.8 and 1.2 s
        WindowCase{"DayNumberRoundingBelowOneTick", 256, 60, 2.00000000004, 1, 512, 256},
        WindowCase{"NegativeOffset", 256, 60, -1, 4, 0, 0},
        WindowCase{"StartAtSegmentEnd", 256, 60, 60, 1, 0, 0},
        WindowCase{"ZeroDuration", 256, 60, 2, 0, 0, 0},
        WindowCase{"ZeroRate", 0, 60, 2, 4, 0, 0},
        WindowCase{"NanOffset", 256, 60, std::numeric_limits<double>::quiet_NaN(), 4, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WindowRangesTest, GivesOneRangePerRate) {
  const std::vector<SampleRange> ranges = WindowRanges({256, 128, 1}, 60, 10, 4);
  ASSERT_EQ(ranges.size(), 3u);
  EXPECT_EQ(ranges[0].first, 2560);
  EXPECT_EQ(ranges[0].count, 1024);
  EXPECT_EQ(ranges[1].first, 1280);
  EXPECT_EQ(ranges[1].count, 512);
  EXPECT_EQ(ranges[2].first, 10);
  EXPECT_EQ(ranges[2].count, 4);
}

// Adjacent windows tile the segment: every sample lands in exactly one of them.
TEST(WindowRangesTest, AdjacentWindowsTileWithoutGapOrOverlap) {
  for (double rate : {256.0, 100.0, 3.0, 0.7}) {
    std::int64_t next = 0;
    for (double start = 0.0; start < 30.0; start += 0.37) {
      const SampleRange range = WindowRanges({rate}, 30.0, start, 0.37)[0];
      EXPECT_EQ(range.first, next) << "rate " << rate << " start " << start;
      next = range.first + range.count;
    }
    EXPECT_EQ(next, static_cast<std::int64_t>(std::ceil(30.0 * rate))) << "rate " << rate;
  }
}

// The buffer bound a host allocates for GetData2 is never smaller than a window's count.
TEST(WindowCapacityTest, BoundsEveryWindow) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> offsets(0.0, 3000.0);
  for (double rate : {512.0, 256.0, 200.0, 128.0, 1.0, 0.1, 2.5}) {
    for (double duration : {0.001, 0.5, 1.0, 4.0, 3.3}) {
      for (int i = 0; i < 500; ++i) {
        const double offset = offsets(random);
        const SampleRange range = WindowRanges({rate}, 3600.0, offset, duration)[0];
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
