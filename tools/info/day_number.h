// Day numbers (days since 1899-12-30 00:00, OLE Automation dates) as text for people.
#pragma once

#include <string>

namespace tapline_info {

// "YYYY-MM-DDTHH:MM:SS.mmm", rounded to the millisecond; "not a date" for a value that is not
// finite or lies further from the origin than the end of year 9999.
std::string FormatIsoTime(double dayNumber);

// Seconds from one day number to another, to the microsecond: on the coarsest decimal step
// within the precision a day number carries (a microsecond before 2079-06-04, more later, see
// ShiftTicksAt), so that a time on the half second is .500000 and never .499999; NaN for a
// value FormatIsoTime calls "not a date". The hosts' seconds count from the first segment's
// start.
double SecondsBetween(double fromDay, double toDay);

}  // namespace tapline_info
