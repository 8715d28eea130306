// Which samples of a channel fall in a time window, in exact integer arithmetic. Sample k of a
// channel with n samples per record lies at segmentStart + k x recordDuration / n.
#pragma once

#include <cstdint>

namespace edf {

struct SampleRange {
  std::int64_t first = 0;  // index within the segment
  std::int64_t count = 0;
};

// The samples whose times fall in [windowStart, windowEnd), both in ticks from the segment's
// start and clamped by the caller to [0, segment duration]. Exact for every product: the
// intermediate values use 128 bits.
SampleRange SamplesInWindow(std::int64_t windowStart, std::int64_t windowEnd,
                            std::int64_t samplesPerRecord, std::int64_t recordDurationTicks);

}  // namespace edf
