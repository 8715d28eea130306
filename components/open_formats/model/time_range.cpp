#include "model/time_range.h"

#include <cstdio>

#include "common/calendar.h"

namespace model {

std::optional<std::int64_t> TicksOfDate(int year, int month, int day, int hour, int minute,
                                        int second, int microsecond) {
  if (month < 1 || month > 12 || day < 1 || day > common::DaysInMonth(year, month) || hour < 0 ||
      hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || microsecond < 0 ||
      microsecond > 999999) {
    return std::nullopt;
  }
  const std::int64_t days = common::DayNumberOf({year, month, day});
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
  const common::CivilDate date = common::CivilDateOf(days);
  const std::int64_t second = rest / kTicksPerSecond;
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", date.year, date.month,
                date.day, static_cast<int>(second / 3600), static_cast<int>(second / 60 % 60),
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
