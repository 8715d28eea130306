#include "packets/time_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "packets/packet_builders.h"
#include "packets/packet_layout.h"

namespace {

using open_formats::SecondsToTicks;
using open_formats::ToDayTime;

constexpr std::int64_t kStart = 37653LL * 86400 + 14706;  // 2003-02-01 04:05:06

TEST(TimeConversionTest, TicksBecomeWholeSecondDaysAndAFractionInZeroToOne) {
  struct Case {
    std::int64_t ticks;
    std::int64_t wholeSecond;
    double fraction;
  };
  for (const Case& c : {Case{0, 0, 0.0}, Case{5000000, 0, 0.5}, Case{-2500000, -1, 0.75},
                        Case{-10000000, -1, 0.0}, Case{205000000, 20, 0.5}}) {
    const auto time = ToDayTime(kStart * 10000000 + c.ticks);
    EXPECT_EQ(time.days, static_cast<double>(kStart + c.wholeSecond) / 86400.0) << c.ticks;
    EXPECT_EQ(time.seconds, c.fraction) << c.ticks;
  }
}

TEST(TimeConversionTest, SecondsRoundToTicksTiesToEven) {
  struct Case {
    double seconds;
    std::optional<std::int64_t> ticks;
  };
  for (const Case& c : {Case{0.25e-7, 0}, Case{1.5e-7, 2}, Case{2.5e-7, 2}, Case{-2.5e-7, -2},
                        Case{1e12, std::nullopt},
                        Case{std::numeric_limits<double>::infinity(), std::nullopt}}) {
    EXPECT_EQ(SecondsToTicks(c.seconds), c.ticks) << c.seconds;
  }
}

// The channel table's record duration is the frame rounded to the nearest tick, not cut.
TEST(TimeConversionTest, TheChannelTablesRecordDurationIsTheNearestTick) {
  struct Case {
    model::Fraction frameTicks;
    std::int64_t expected;
  };
  for (const Case& c : {Case{{250000, 9}, 27778},    // 360 Hz: 27,777.8 ticks
                        Case{{10000, 3}, 3333},      // 3 kHz: 3,333.3 ticks
                        Case{{10000000, 1}, 10000000}}) {
    model::Layout layout{c.frameTicks, {}};
    layout.channels.push_back({u"X", 1, {}});
    const std::vector<std::byte> table = open_formats::BuildTsInfo(layout);
    std::int64_t ticks = 0;
    std::memcpy(&ticks,
                table.data() + packet_layout::kTsInfoHeaderBytes +
                    packet_layout::ts_info_entry::kRecordDurationTicks,
                sizeof ticks);
    EXPECT_EQ(ticks, c.expected) << c.frameTicks.numerator << "/" << c.frameTicks.denominator;
  }
}

}  // namespace
