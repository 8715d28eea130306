// Where a window's samples lie in each channel. No export tells a window's counts, so a host
// works them out by the rule the samples follow: a window holds, per channel, the samples
// whose times fall in [start, start + duration) within the start's segment, sample k of a
// channel lying k / rate after the segment's start.
#pragma once

#include <cstdint>
#include <vector>

namespace tapline_info {

struct SampleRange {
  std::int64_t first = 0;  // index within the segment
  std::int64_t count = 0;
};

// One range per rate for a window `offsetSeconds` after its segment's start, its end clamped
// to the segment's end. Times are rounded to 100 ns, as the reader component counts them.
// Empty ranges for a negative offset, a window that ends at or before its start, and a
// channel whose rate is not positive or not finite.
std::vector<SampleRange> WindowRanges(const std::vector<double>& rates, double segmentSeconds,
                                      double offsetSeconds, double durationSeconds);

// The most samples one channel can have in a window of the duration: ceil(rate x duration)
// + 1, the per-channel size of a GetData2 buffer. 0 for a rate or duration that is not
// positive and finite.
std::int64_t WindowCapacity(double rate, double durationSeconds);

}  // namespace tapline_info
