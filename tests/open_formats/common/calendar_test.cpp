#include "common/calendar.h"

#include <gtest/gtest.h>

namespace {

using common::CivilDate;

TEST(CalendarTest, DayNumbersOfKnownDates) {
  struct Case {
    CivilDate date;
    std::int64_t dayNumber;
  };
  const Case cases[] = {
      {{1899, 12, 30}, 0},   {{1899, 12, 29}, -1},  {{1900, 1, 1}, 2},
      {{1900, 3, 1}, 61},    {{1970, 1, 1}, 25569}, {{2000, 1, 1}, 36526},
      {{2000, 3, 1}, 36586}, {{2079, 6, 5}, 65536}, {{9999, 12, 31}, 2958465},
      {{1, 1, 1}, -693593},  {{0, 3, 1}, -693899},  {{10000, 1, 1}, 2958466},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(common::DayNumberOf(c.date), c.dayNumber) << c.date.year << "-" << c.date.month;
    EXPECT_EQ(common::CivilDateOf(c.dayNumber), c.date) << c.dayNumber;
  }
}

// Day by day from 0001-01-01 to 10000-01-01: each day number's date is the day after the
// previous one's, and converts back to the same day number.
TEST(CalendarTest, ConsecutiveDayNumbersAreConsecutiveDates) {
  CivilDate expected{1, 1, 1};
  for (std::int64_t day = common::DayNumberOf(expected); day <= 2958466; ++day) {
    const CivilDate date = common::CivilDateOf(day);
    ASSERT_EQ(date, expected) << day;
    ASSERT_EQ(common::DayNumberOf(date), day);
    const bool lastOfMonth = expected.day == common::DaysInMonth(expected.year, expected.month);
    expected = lastOfMonth
                   ? (expected.month == 12 ? CivilDate{expected.year + 1, 1, 1}
                                           : CivilDate{expected.year, expected.month + 1, 1})
                   : CivilDate{expected.year, expected.month, expected.day + 1};
  }
}

TEST(CalendarTest, DaysInMonthFollowsTheLeapYearRule) {
  struct Case {
    int year;
    int month;
    int days;
  };
  const Case cases[] = {
      {2023, 2, 28}, {2024, 2, 29}, {1900, 2, 28}, {2000, 2, 29},  {2100, 2, 28},
      {0, 2, 29},    {2023, 1, 31}, {2023, 4, 30}, {2023, 12, 31}, {2024, 3, 31},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(common::DaysInMonth(c.year, c.month), c.days) << c.year << "-" << c.month;
  }
}

TEST(CalendarTest, ValidDatesAreRealDatesOfFourDigitYears) {
  struct Case {
    CivilDate date;
    bool valid;
  };
  const Case cases[] = {
      {{2024, 2, 29}, true},  {{2023, 2, 29}, false}, {{1900, 2, 29}, false}, {{1, 1, 1}, true},
      {{9999, 12, 31}, true}, {{0, 12, 31}, false},   {{10000, 1, 1}, false}, {{2023, 0, 1}, false},
      {{2023, 13, 1}, false}, {{2023, 4, 31}, false}, {{2023, 1, 0}, false},  {{-1, 1, 1}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(common::IsValidDate(c.date), c.valid)
        << c.date.year << "-" << c.date.month << "-" << c.date.day;
  }
}

}  // namespace
