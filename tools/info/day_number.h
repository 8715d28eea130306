// Day numbers (days since 1899-12-30 00:00, OLE Automation dates) as text for people.
#pragma once

#include <string>

namespace tapline_info {

// "YYYY-MM-DDTHH:MM:SS.mmm", rounded to the millisecond; "not a date" for a value that is not
// finite or lies further from the origin than the end of year 9999.
std::string FormatIsoTime(double dayNumber);

}  // namespace tapline_info
