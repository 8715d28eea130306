// Which samples of a channel fall in a time window, in exact integer arithmetic. Sample k of a
// channel lies k x periodTicks / samplesPerPeriod ticks after its segment's start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "model/recording_model.h"

namespace model {

struct SampleRange {
  std::int64_t first = 0;  // index within the segment
  std::int64_t count = 0;
};

// One channel in one segment. CheckSampleArithmetic guarantees that periodTicks x
// samplesPerPeriod + periodTicks and the segment's sample count fit in 63 bits, and that the
// segment's end lies after its last sample, so nothing here can overflow.
struct ChannelGrid {
  std::int64_t samplesPerPeriod = 0;  // n >= 1
  std::int64_t periodTicks = 0;       // T >= 1
  std::int64_t sampleCount = 0;
  std::int64_t endTicks = 0;  // the segment's duration
};

ChannelGrid GridOf(const Recording& recording, std::size_t segment, std::size_t channel);

// The number of samples k >= 0 with k x T / n < ticks, at most the segment's sample count.
std::int64_t SamplesBefore(std::int64_t ticks, const ChannelGrid& grid);

// The samples with from <= k x T / n < to (ticks from the segment's start), within the segment.
// Empty when to <= from.
SampleRange SamplesInWindow(std::int64_t from, std::int64_t to, const ChannelGrid& grid);

// The channel's rate in Hz, as a double from the exact fraction.
double SamplingRate(const Layout& layout, std::size_t channel);

// Refuses, with a reason for the user, a recording whose segments, channels or sample counts
// would not fit the 64-bit arithmetic of windows, or whose segments are out of order.
std::optional<std::string> CheckSampleArithmetic(const Recording& recording);

// Refuses, with a reason for the user, a recording with a channel whose samples lie closer
// than ClosestSampleSpacingTicks(WindowShiftTicks(recording)): 2 us until 2079-06-04, more
// beyond. Call after CheckSampleArithmetic and CheckTimeRange.
std::optional<std::string> CheckSampleSpacing(const Recording& recording);

}  // namespace model
