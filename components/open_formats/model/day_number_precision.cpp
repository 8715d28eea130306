#include "model/day_number_precision.h"

#include <string>

namespace model {

namespace {

constexpr double kFinestStepLimit = 65536.0;
// Beyond 10000-01-01 (day number 2958466), where no recording lies.
constexpr int kMostDoublings = 6;

}  // namespace

double DayNumberOfTicks(std::int64_t ticks) {
  std::int64_t whole = ticks / kTicksPerSecond;
  std::int64_t rest = ticks % kTicksPerSecond;
  if (rest < 0) {  // the rest is a non-negative fraction of a second
    rest += kTicksPerSecond;
    whole -= 1;
  }
  const double days = static_cast<double>(whole) / 86400.0;
  const double seconds = static_cast<double>(rest) / static_cast<double>(kTicksPerSecond);
  return days + seconds * kDaysPerSecond;
}

double SegmentEndDayNumber(const Segment& segment) {
  const double seconds =
      static_cast<double>(segment.durationTicks) / static_cast<double>(kTicksPerSecond);
  return DayNumberOfTicks(segment.startTicks) + seconds * kDaysPerSecond;
}

std::int64_t WindowShiftTicks(double lastDayNumber) {
  std::int64_t shift = kBaseWindowShiftTicks;
  double limit = kFinestStepLimit;
  // NaN fails every comparison and keeps the finest step; such a recording is refused anyway.
  for (int doublings = 0; doublings < kMostDoublings && lastDayNumber >= limit - 1.0;
       ++doublings) {
    shift *= 2;
    limit *= 2.0;
  }
  return shift;
}

std::int64_t WindowShiftTicks(const Recording& recording) {
  if (recording.segments.empty()) return kBaseWindowShiftTicks;
  return WindowShiftTicks(SegmentEndDayNumber(recording.segments.back()));
}

std::string SpacingLimitText(std::int64_t shiftTicks) {
  const std::int64_t spacing = ClosestSampleSpacingTicks(shiftTicks);
  // The spacing is 20 x 2^j ticks with j <= 6, so twice the rate is a whole number.
  const std::int64_t twicePerSecond = 2 * kTicksPerSecond / spacing;
  const std::string perSecond =
      std::to_string(twicePerSecond / 2) + (twicePerSecond % 2 != 0 ? ".5" : "");
  return "closer than " + std::to_string(spacing / 10) +
         " us apart, the closest that windows place exactly at the recording's dates (a "
         "channel may have at most " + perSecond + " samples a second)";
}

}  // namespace model
