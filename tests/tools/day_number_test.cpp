#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "day_number.h"

namespace {

using tapline_info::FormatIsoTime;
using tapline_info::SecondsBetween;

struct IsoCase {
  double dayNumber;
  const char* text;
};

class FormatIsoTimeTest : public ::testing::TestWithParam<IsoCase> {};

TEST_P(FormatIsoTimeTest, FormatsDayNumber) {
  EXPECT_EQ(FormatIsoTime(GetParam().dayNumber), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, FormatIsoTimeTest,
    ::testing::Values(
        IsoCase{0.0, "1899-12-30T00:00:00.000"},          // the origin
        IsoCase{25569.0, "1970-01-01T00:00:00.000"},      // the Unix epoch
        IsoCase{60.0, "1900-02-28T00:00:00.000"},         // 1900 is no leap year
        IsoCase{61.0, "1900-03-01T00:00:00.000"},
        IsoCase{36585.0, "2000-02-29T00:00:00.000"},      // 2000 is one
        IsoCase{45426.0 + 34200.0 / 86400.0, "2024-05-14T09:30:00.000"},
        IsoCase{45426.0 + 34205.5 / 86400.0, "2024-05-14T09:30:05.500"},
        IsoCase{45426.0 + 86399.9996 / 86400.0, "2024-05-15T00:00:00.000"},  // rounds up a day
        IsoCase{45426.0 + 1.0004 / 86400.0, "2024-05-14T00:00:01.000"},
        IsoCase{-1.5, "1899-12-28T12:00:00.000"},         // before the origin: time counts up
        IsoCase{-0.25 / 86400.0, "1899-12-29T23:59:59.750"},
        IsoCase{2958465.0, "9999-12-31T00:00:00.000"}));

TEST(FormatIsoTimeTest, RefusesWhatIsNoDate) {
  EXPECT_EQ(FormatIsoTime(std::numeric_limits<double>::quiet_NaN()), "not a date");
  EXPECT_EQ(FormatIsoTime(std::numeric_limits<double>::infinity()), "not a date");
  EXPECT_EQ(FormatIsoTime(2958466.0), "not a date");
  EXPECT_EQ(FormatIsoTime(-2958466.0), "not a date");
  EXPECT_EQ(FormatIsoTime(1e300), "not a date");
}

// Day numbers as the library gives them for the sample recording's start and three of its
// events: their difference in seconds lies up to 0.7 us off the true one, which rounding to
// the microsecond showed as 5.499999 and 26.999999. A time between the steps keeps its
// microseconds.
TEST(SecondsBetweenTest, ShowsEventTimesToTheMicrosecond) {
  const double start = 45426.395833333336;
  EXPECT_EQ(SecondsBetween(start, 45426.395896990733), 5.5);
  EXPECT_EQ(SecondsBetween(start, 45426.396145833329), 27.0);
  EXPECT_EQ(SecondsBetween(start, 45426.398153935181), 200.5);
  EXPECT_EQ(SecondsBetween(start, start + 1.234567 / 86400.0), 1.234567);
  EXPECT_EQ(SecondsBetween(start + 1.234567 / 86400.0, start), -1.234567);
  EXPECT_EQ(SecondsBetween(start, start), 0.0);
  EXPECT_TRUE(std::isnan(SecondsBetween(start, std::numeric_limits<double>::quiet_NaN())));
}

// In 2900 day numbers lie 5 us apart: a time on the half second still shows on it.
TEST(SecondsBetweenTest, ShowsTimesOnTheirStepsWhereDayNumbersAreCoarser) {
  struct Case {
    double start;
    double seconds;
  };
  for (const Case& c : {Case{365245.4, 5.5}, Case{365245.4, 200.5}, Case{91313.3, 27.25},
                        Case{2958000.1, 0.5}, Case{2958000.1, 3600.0}}) {
    const double to = c.start + c.seconds * 1.1574074074074073e-05;
    EXPECT_EQ(SecondsBetween(c.start, to), c.seconds) << c.start << " + " << c.seconds;
  }
}

}  // namespace
