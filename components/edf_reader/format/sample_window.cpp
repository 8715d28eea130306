#include "sample_window.h"

namespace edf {

namespace {

// ceil(offset x n / duration) for offset >= 0, duration > 0.
std::int64_t FirstSampleAtOrAfter(std::int64_t offset, std::int64_t samplesPerRecord,
                                  std::int64_t recordDurationTicks) {
  const __int128 numerator = static_cast<__int128>(offset) * samplesPerRecord;
  return static_cast<std::int64_t>((numerator + recordDurationTicks - 1) / recordDurationTicks);
}

}  // namespace

SampleRange SamplesInWindow(std::int64_t windowStart, std::int64_t windowEnd,
                            std::int64_t samplesPerRecord, std::int64_t recordDurationTicks) {
  if (recordDurationTicks <= 0 || windowStart < 0 || windowEnd <= windowStart) return {};
  const std::int64_t first = FirstSampleAtOrAfter(windowStart, samplesPerRecord, recordDurationTicks);
  const std::int64_t end = FirstSampleAtOrAfter(windowEnd, samplesPerRecord, recordDurationTicks);
  return {first, end - first};
}

}  // namespace edf
