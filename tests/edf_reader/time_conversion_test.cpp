#include "time_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using edf_component::FromDayTime;
using edf_component::ToDayTime;

constexpr std::int64_t kStart = 37653LL * 86400 + 14706;  // 2003-02-01 04:05:06

TEST(TimeConversionTest, TicksBecomeWholeSecondDaysAndAFractionInZeroToOne) {
  struct Case {
    std::int64_t ticks;
    std::int64_t wholeSecond;
    double fraction;
  };
  for (const Case& c : {Case{0, 0, 0.0}, Case{5000000, 0, 0.5}, Case{-2500000, -1, 0.75},
                        Case{-10000000, -1, 0.0}, Case{205000000, 20, 0.5}}) {
    const auto time = ToDayTime(kStart, c.ticks);
    EXPECT_EQ(time.days, static_cast<double>(kStart + c.wholeSecond) / 86400.0) << c.ticks;
    EXPECT_EQ(time.seconds, c.fraction) << c.ticks;
  }
}

TEST(TimeConversionTest, IncomingTimesComeBackExactly) {
  // Every time the component hands out returns to the same tick.
  for (std::int64_t ticks : {0LL, 1LL, 5000000LL, -2500000LL, 205000001LL, 86400LL * 10000000 * 365}) {
    const auto time = ToDayTime(kStart, ticks);
    EXPECT_EQ(FromDayTime(kStart, time.days, time.seconds), ticks) << ticks;
  }
  // Host dates carry the fraction in the day number: 20.5 s and 1.25 s after the start.
  EXPECT_EQ(FromDayTime(kStart, (kStart + 20) / 86400.0 + 0.5 / 86400.0, 0.0), 205000000);
  EXPECT_EQ(FromDayTime(kStart, kStart / 86400.0 + 1.25 / 86400.0, 0.0), 12500000);
  EXPECT_EQ(FromDayTime(kStart, kStart / 86400.0, 1e-7 * 0.6), 1);  // seconds keep ticks
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(FromDayTime(kStart, nan, 0.0), std::nullopt);
  EXPECT_EQ(FromDayTime(kStart, 0.0, std::numeric_limits<double>::infinity()), std::nullopt);
  EXPECT_EQ(FromDayTime(kStart, 1e300, 0.0), std::nullopt);
}

}  // namespace
