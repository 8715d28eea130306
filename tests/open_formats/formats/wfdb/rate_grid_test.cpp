// Rates written with more digits than the tick grid carries: the whole-tick period they are
// read as, and where that would move a frame by more than half a tick.
#include "formats/wfdb/rate_grid.h"

#include <gtest/gtest.h>

namespace {

wfdb::ExactRate Written(const char* text) {
  const auto rate = wfdb::ParsePositiveDecimal(text);
  EXPECT_TRUE(rate) << text;
  return rate.value_or(wfdb::ExactRate{});
}

struct GridCase {
  const char* text;
  std::int64_t frames;
  wfdb::ExactRate expected;
};

class RateOnTickGridTest : public ::testing::TestWithParam<GridCase> {};

TEST_P(RateOnTickGridTest, ReadsTheRateOfTheNearestWholeTickPeriod) {
  const GridCase& c = GetParam();
  const auto rate = wfdb::RateOnTickGrid(Written(c.text), c.frames, "the frame rate");
  ASSERT_TRUE(rate.Ok()) << rate.Reason();
  EXPECT_EQ(rate.Value(), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Rates, RateOnTickGridTest,
    ::testing::Values(
        // Within the grid: as written, however long the record.
        GridCase{"62.4725", 1'000'000'000, {24989, 400}}, GridCase{"0.000000001", 5, {1, 1'000'000'000}},
        // One value a minute: 1/60 is the text to its 13 digits, so any length reads so.
        GridCase{"0.0166666666667", 100, {1, 60}}, GridCase{"0.0166666666667", 10'000'000, {1, 60}},
        // 10^-9 tick a frame off 10000 ticks: half a tick after 5 x 10^8 frames.
        GridCase{"1000.0000000001", 400'000'000, {1000, 1}},
        // 0.22 tick a frame off 27778 ticks: only the first two frames keep within half a tick.
        GridCase{"360.0000000001", 2, {5'000'000, 13889}}));

TEST(RateOnTickGridTest, RefusesARateThatWouldMoveAFrameByMoreThanHalfATick) {
  const auto far = wfdb::RateOnTickGrid(Written("1000.0000000001"), 600'000'000, "the frame rate");
  ASSERT_FALSE(far.Ok());
  EXPECT_EQ(far.Reason(),
            "the frame rate 1000.0000000001 has a period of 9999.999999999 ticks of 100 ns; the nearest whole "
            "period, 10000 ticks, would move tick 600000000 by 0.6000 ticks, more than half a tick");
  EXPECT_FALSE(wfdb::RateOnTickGrid(Written("360.0000000001"), 3, "the frame rate").Ok());
}

TEST(RateOnTickGridTest, WritesARateAsItsExactDecimalText) {
  EXPECT_EQ(wfdb::DecimalText(Written("0.0166666666667")), "0.0166666666667");
  EXPECT_EQ(wfdb::DecimalText(Written("250")), "250");
  EXPECT_EQ(wfdb::DecimalText(Written("62.4725")), "62.4725");
}

}  // namespace
