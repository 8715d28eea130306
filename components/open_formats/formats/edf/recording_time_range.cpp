// The times a recording may hold: those whose day numbers still place every sample.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "calendar.h"
#include "checked_arithmetic.h"
#include "numeric_fields.h"
#include "recording.h"

namespace edf {

namespace {

constexpr std::int64_t kTicksPerDay = 86400 * kTicksPerSecond;

std::string DateText(std::int64_t dayNumber) {
  const CivilDate date = CivilDateOf(dayNumber);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
  return text;
}

}  // namespace

std::int64_t Recording::DayNumberLimit() const {
  // A double holds a day number below 2^k to 2^(k - 53) days. That step must stay within the
  // 1-us margin of the window rule and within half the spacing of the fastest channel, so
  // that every sample keeps a day number of its own.
  double allowedTicks = static_cast<double>(kWindowShiftTicks);
  for (std::size_t channel = 0; channel < channelSignals.size(); ++channel) {
    const double spacing = static_cast<double>(RecordDurationTicks()) /
                           static_cast<double>(ChannelHeader(channel).samplesPerRecord);
    allowedTicks = std::min(allowedTicks, spacing / 2);
  }
  std::int64_t limit = kMaximumDayNumber;
  while (limit > 0 && std::ldexp(static_cast<double>(limit), -53) * kTicksPerDay > allowedTicks) {
    limit /= 2;
  }
  return limit;
}

std::optional<std::string> Recording::CheckTimeRange() const {
  // No time lies before day number 0: a negative day number would be a host's refusal value
  // (-1.0), and the Automation date writes negative days in an encoding of its own.
  const std::int64_t limit = DayNumberLimit();
  const std::string range = "the dates from 1899-12-30 (day number 0) to before " + DateText(limit) +
                            ", where day numbers still place every sample" +
                            (channelSignals.empty() ? "" : " of the fastest channel") + " to 1 us";
  const auto outside = [&](std::int64_t ticks) {
    const auto start = CheckedMultiply(std::abs(StartSecond()), kTicksPerSecond);
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
