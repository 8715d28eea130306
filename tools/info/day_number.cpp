#include "day_number.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "common/calendar.h"
#include "window_layout.h"

namespace tapline_info {

namespace {

constexpr double kMillisecondsPerDay = 86400000.0;
// The last millisecond of 9999-12-31; past it a year needs five digits. The same distance
// before the origin is the lower limit.
constexpr double kLimitDays = 2958465.0 + 86399999.0 / 86400000.0;
// How far apart in time two day numbers of the same instant may lie.
constexpr double kDayNumberErrorMicroseconds = 1.0;

std::int64_t FloorDiv(std::int64_t value, std::int64_t divisor) {
  const std::int64_t quotient = value / divisor;
  return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

}  // namespace

std::string FormatIsoTime(double dayNumber) {
  if (!std::isfinite(dayNumber) || std::fabs(dayNumber) > kLimitDays) return "not a date";
  const auto milliseconds = static_cast<std::int64_t>(std::llround(dayNumber * kMillisecondsPerDay));
  const std::int64_t days = FloorDiv(milliseconds, 86400000);
  const std::int64_t ofDay = milliseconds - days * 86400000;
  const common::CivilDate date = common::CivilDateOf(days);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", date.year, date.month,
                date.day, static_cast<int>(ofDay / 3600000), static_cast<int>(ofDay / 60000 % 60),
                static_cast<int>(ofDay / 1000 % 60), static_cast<int>(ofDay % 1000));
  return text;
}

double SecondsBetween(double fromDay, double toDay) {
  if (!std::isfinite(fromDay) || !std::isfinite(toDay) || std::fabs(fromDay) > kLimitDays ||
      std::fabs(toDay) > kLimitDays) {
    return NAN;
  }
  // Exact for day numbers within a factor of two of each other; else off by far less than the
  // day numbers' own error.
  const double microseconds = (toDay - fromDay) * 86400e6;
  // A day number carries a time to about 0.3 us, a sum of a day and a fraction (the way times
  // after a whole second come) to about 0.65 us, so a difference may lie up to a microsecond
  // off: a time on the half second may come as 5.4999993 s. It is taken to lie on the
  // coarsest decimal step (a second down to 10 us) within that microsecond, else rounded to
  // the microsecond.
  // Later dates are coarser in proportion (5 us in 2900).
  const double magnitude = std::fmax(std::fabs(fromDay), std::fabs(toDay));
  const double error = kDayNumberErrorMicroseconds * static_cast<double>(ShiftTicksAt(magnitude)) /
                       static_cast<double>(kBaseShiftTicks);
  for (double step = 1e6; step >= 10.0; step /= 10.0) {
    const double snapped = std::nearbyint(microseconds / step) * step;
    if (std::fabs(snapped - microseconds) <= error) return snapped / 1e6;
  }
  return std::nearbyint(microseconds) / 1e6;
}

}  // namespace tapline_info
