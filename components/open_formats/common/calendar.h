// The proleptic Gregorian calendar on the day scale every recording time uses: day numbers
// count days from 1899-12-30 (day 0, the OLE Automation origin), negative before it.
//
// DaysInMonth and IsValidDate say whether a date exists; DayNumberOf and CivilDateOf convert
// between a date and its day number, exactly, for every year an int holds (H. Hinnant's
// days_from_civil and civil_from_days). Each is a pure function: no state, safe from any
// thread. Parsing a format's date fields is the format's own business (formats/<name>/).
#pragma once

#include <cstdint>

namespace common {

struct CivilDate {
  int year;
  int month;  // 1..12
  int day;    // 1..31

  bool operator==(const CivilDate&) const = default;
};

// Days of the month (1..12) in the year: 28 to 31, with 29 in February of a leap year (every
// fourth year, but not a century unless it divides by 400). Year 0 is a leap year.
int DaysInMonth(int year, int month);

// A real date of the years 1 to 9999, the years a date is written with in four digits.
bool IsValidDate(CivilDate date);

// Days from 1899-12-30 to the date (negative before it). The month must be 1..12 and the day
// within it; the year may be any.
std::int64_t DayNumberOf(CivilDate date);

// The date of a day number (days from 1899-12-30); the inverse of DayNumberOf for any day
// number whose year fits in an int.
CivilDate CivilDateOf(std::int64_t dayNumber);

}  // namespace common
