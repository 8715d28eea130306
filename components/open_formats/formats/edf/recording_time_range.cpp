// The times a recording may hold: those whose day numbers still place every sample.
#include <cstdio>
#include <cstdlib>

#include "common/calendar.h"
#include "common/checked_arithmetic.h"
#include "numeric_fields.h"
#include "recording.h"

namespace edf {

namespace {

constexpr std::int64_t kTicksPerDay = 86400 * kTicksPerSecond;

std::string DateText(std::int64_t dayNumber) {
  const common::CivilDate date = common::CivilDateOf(dayNumber);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
  return text;
}

}  // namespace

std::optional<std::string> Recording::CheckTimeRange() const {
  // No time lies before day number 0: a negative day number would be a host's refusal value
  // (-1.0), and the Automation date writes negative days in an encoding of its own.
  const std::int64_t limit = model::kDayNumberLimit;
  const std::string range = model::DateRangeText();
  const auto outside = [&](std::int64_t ticks) {
    const auto start = common::CheckedMultiply(std::abs(StartSecond()), kTicksPerSecond);
    if (!start) return true;
    const std::int64_t absolute = (StartSecond() < 0 ? -*start : *start) + ticks;  // both < 2^62
    return absolute < 0 || absolute >= limit * kTicksPerDay;
  };
  if (outside(0)) {
    const std::int64_t startDay = StartSecond() / 86400 - (StartSecond() % 86400 < 0 ? 1 : 0);
    return "the start date " + DateText(startDay) + " lies outside " + range;
  }
  const auto seconds = [](std::int64_t ticks) { return std::to_string(ticks / kTicksPerSecond) + " s"; };
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const Segment& segment = segments[i];
    if (outside(segment.startTicks) || outside(segment.startTicks + segment.durationTicks)) {
      return "the data records from " + seconds(segment.startTicks) + " after the start lie outside " + range;
    }
  }
  for (const Event& event : events) {
    if (outside(event.onsetTicks)) {
      return "the annotation at " + seconds(event.onsetTicks) + " from the start lies outside " + range;
    }
  }
  return std::nullopt;
}

}  // namespace edf
