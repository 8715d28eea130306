#include "model/time_range.h"

#include <cstdio>

namespace model {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

constexpr std::int64_t kDay0From1970 = -25569;  // 1899-12-30

}  // namespace

std::optional<std::int64_t> TicksOfDate(int year, int month, int day, int hour, int minute,
                                        int second, int microsecond) {
  static constexpr int kDaysInMonth[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month < 1 || month > 12 || day < 1 || day > kDaysInMonth[month - 1] ||
      (month == 2 && day == 29 && !leap) || hour > 23 || minute > 59 || second > 59 || hour < 0 ||
      minute < 0 || second < 0 || microsecond < 0 || microsecond > 999999) {
    return std::nullopt;
  }
  const std::int64_t days = DaysFromCivil(year, month, day) - kDay0From1970;
  return days * kTicksPerDay + (hour * 3600 + minute * 60 + second) * kTicksPerSecond +
         std::int64_t{microsecond} * 10;
}

std::string DateTimeText(std::int64_t ticks) {
  std::int64_t days = ticks / kTicksPerDay;
  std::int64_t rest = ticks % kTicksPerDay;
  if (rest < 0) {
    rest += kTicksPerDay;
    days -= 1;
  }
  // civil_from_days, from 1970-01-01.
  const std::int64_t z = days + kDay0From1970 + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const long long y = yoe + era * 400 + (m <= 2);
  const std::int64_t second = rest / kTicksPerSecond;
  char text[48];
  std::snprintf(text, sizeof text, "%04lld-%02d-%02d %02d:%02d:%02d", y, m, d,
                static_cast<int>(second / 3600), static_cast<int>(second / 60 % 60),
                static_cast<int>(second % 60));
  return text;
}

std::string DateRangeText() {
  return "the dates from 1899-12-30 (day number 0) to 9999-12-31";
}

std::optional<std::string> CheckTimeRange(const Recording& recording) {
  const std::int64_t bound = kDayNumberLimit * kTicksPerDay;
  // No time predates day 0: a negative day number could read as the refusal value -1.0.
  const auto outside = [&](std::int64_t ticks) { return ticks < 0 || ticks >= bound; };
  const auto refusal = [&](const std::string& what, std::int64_t ticks) {
    return what + " at " + DateTimeText(ticks) + " lies outside " + DateRangeText();
  };
  for (const Segment& segment : recording.segments) {
    if (outside(segment.startTicks)) return refusal("a segment start", segment.startTicks);
    if (outside(segment.startTicks + segment.durationTicks)) {
      return refusal("a segment end", segment.startTicks + segment.durationTicks);
    }
  }
  for (const Event& event : recording.events) {
    if (outside(event.timeTicks)) return refusal("an event", event.timeTicks);
  }
  return std::nullopt;
}

}  // namespace model
