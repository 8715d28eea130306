#include "window_layout.h"

#include <algorithm>
#include <cmath>

namespace tapline_info {

namespace {

constexpr double kTicksPerSecond = 1e7;
// Beyond every tick or sample count a recording can have, and exact in a double.
constexpr double kTickLimit = 1e18;
// A product of ticks and rate this close to a whole sample is that sample: the error of the
// floating-point product is orders smaller, and a true fraction of a sample is at least one
// tick's worth of samples (rate / 10^7) away.
constexpr long double kWholeSampleTolerance = 1e-9L;

std::int64_t Ticks(double seconds) {
  const double ticks = std::nearbyint(seconds * kTicksPerSecond);
  return static_cast<std::int64_t>(std::clamp(ticks, -kTickLimit, kTickLimit));
}

// Index of the first sample at or after the tick.
std::int64_t FirstSampleAtOrAfter(std::int64_t ticks, double rate) {
  const long double position =
      static_cast<long double>(ticks) * static_cast<long double>(rate) / 1e7L;
  const long double nearest = std::nearbyint(position);
  if (std::fabs(position - nearest) <= kWholeSampleTolerance) {
    return static_cast<std::int64_t>(nearest);
  }
  return static_cast<std::int64_t>(std::ceil(position));
}

}  // namespace

std::vector<SampleRange> WindowRanges(const std::vector<double>& rates, double segmentSeconds,
                                      double offsetSeconds, double durationSeconds) {
  std::vector<SampleRange> ranges(rates.size());
  if (!std::isfinite(segmentSeconds) || !std::isfinite(offsetSeconds) ||
      !std::isfinite(durationSeconds)) {
    return ranges;
  }
  const std::int64_t start = Ticks(offsetSeconds);
  // Both limits are at most 10^18 ticks, so the sum cannot overflow.
  const std::int64_t end = std::min(start + Ticks(durationSeconds), Ticks(segmentSeconds));
  if (start < 0 || end <= start) return ranges;
  for (std::size_t channel = 0; channel < rates.size(); ++channel) {
    const double rate = rates[channel];
    if (!std::isfinite(rate) || rate <= 0.0) continue;
    const std::int64_t first = FirstSampleAtOrAfter(start, rate);
    ranges[channel] = {first, FirstSampleAtOrAfter(end, rate) - first};
  }
  return ranges;
}

std::int64_t WindowCapacity(double rate, double durationSeconds) {
  if (!std::isfinite(rate) || !std::isfinite(durationSeconds) || rate <= 0.0 ||
      durationSeconds <= 0.0) {
    return 0;
  }
  return static_cast<std::int64_t>(std::min(std::ceil(rate * durationSeconds), kTickLimit)) + 1;
}

}  // namespace tapline_info
