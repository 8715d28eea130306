// Which samples of a channel fall in a time window, in exact integer arithmetic. Sample k of a
// channel with n samples per record of T ticks lies k x T / n ticks after its segment's start.
#pragma once

#include <cstdint>

namespace edf {

struct SampleRange {
  std::int64_t first = 0;  // index within the segment
  std::int64_t count = 0;
};

// The shape of one channel in one segment. Recording::Open refuses files for which
// recordCount x n, recordCount x T or T x n + T would not fit in 63 bits, so nothing here can
// overflow.
struct ChannelGrid {
  std::int64_t samplesPerRecord = 0;     // n >= 1
  std::int64_t recordDurationTicks = 0;  // T >= 1
  std::int64_t recordCount = 0;          // records in the segment
};

// The number of samples k >= 0 with k x T / n < ticks, at most the segment's n x recordCount.
std::int64_t SamplesBefore(std::int64_t ticks, const ChannelGrid& grid);

// The samples with from <= k x T / n < to (ticks from the segment's start), within the segment.
// Empty when to <= from.
SampleRange SamplesInWindow(std::int64_t from, std::int64_t to, const ChannelGrid& grid);

}  // namespace edf
