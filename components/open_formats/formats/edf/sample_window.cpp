#include "sample_window.h"

#include <algorithm>

namespace edf {

std::int64_t SamplesBefore(std::int64_t ticks, const ChannelGrid& grid) {
  const std::int64_t n = grid.samplesPerRecord;
  const std::int64_t duration = grid.recordDurationTicks;
  if (ticks <= 0 || n <= 0 || duration <= 0) return 0;
  // Past the segment's end every sample lies before: clamping there keeps the products below
  // the bounds checked at open.
  const std::int64_t clamped = std::min(ticks, grid.recordCount * duration);
  // ceil(clamped x n / T), split at whole records so that no product exceeds T x n.
  const std::int64_t records = clamped / duration;
  const std::int64_t rest = clamped % duration;
  return records * n + (rest * n + duration - 1) / duration;
}

SampleRange SamplesInWindow(std::int64_t from, std::int64_t to, const ChannelGrid& grid) {
  if (to <= from) return {SamplesBefore(from, grid), 0};
  const std::int64_t first = SamplesBefore(from, grid);
  return {first, SamplesBefore(to, grid) - first};
}

}  // namespace edf
