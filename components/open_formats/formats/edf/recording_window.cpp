// Where a time falls in the recording and which samples a window holds.
#include <algorithm>
#include <limits>

#include "common/checked_arithmetic.h"
#include "recording.h"

namespace edf {

namespace {

// No recording lasts 3000 years: keeps every sum of times far from 64-bit overflow.
constexpr std::int64_t kMaximumRecordingTicks = std::int64_t{1'000'000'000'000'000'000};

}  // namespace

std::optional<std::string> Recording::CheckSampleArithmetic() const {
  const std::int64_t duration = RecordDurationTicks();
  const auto total = common::CheckedMultiply(recordCount, duration);
  if (!total || *total > kMaximumRecordingTicks) {
    return "the data records would last more than 3000 years";
  }
  for (std::size_t channel = 0; channel < channelSignals.size(); ++channel) {
    const std::int64_t n = ChannelHeader(channel).samplesPerRecord;
    const std::string name = "signal " + std::to_string(channelSignals[channel] + 1);
    if (!common::CheckedMultiply(recordCount, n)) {
      return name + " has more samples than a 64-bit count holds";
    }
    const auto product = common::CheckedMultiply(duration, n);
    if (!product || !common::CheckedAdd(*product, duration)) {
      return name + ": " + std::to_string(n) + " samples per data record of " +
             std::to_string(duration) + " x 100 ns cannot be placed in time with 64-bit arithmetic";
    }
  }
  return std::nullopt;
}

std::int64_t Recording::WindowShiftTicks() const {
  if (segments.empty()) return model::kBaseWindowShiftTicks;
  // CheckTimeRange keeps the header's start and every segment within 10^4 years of day 0.
  const Segment& last = segments.back();
  model::Segment absolute;
  absolute.startTicks = StartSecond() * model::kTicksPerSecond + last.startTicks;
  absolute.durationTicks = last.durationTicks;
  return model::WindowShiftTicks(model::SegmentEndDayNumber(absolute));
}

std::optional<std::string> Recording::CheckSampleSpacing() const {
  const std::int64_t duration = RecordDurationTicks();
  const std::int64_t shift = WindowShiftTicks();
  for (std::size_t channel = 0; channel < channelSignals.size(); ++channel) {
    const std::int64_t n = ChannelHeader(channel).samplesPerRecord;
    // n x spacing fits: CheckSampleArithmetic bounds T x n, and the spacing is at most T.
    if (n * model::ClosestSampleSpacingTicks(shift) > duration) {
      return "signal " + std::to_string(channelSignals[channel] + 1) + ": " + std::to_string(n) +
             " samples per data record of " + std::to_string(duration) + " x 100 ns lie " +
             model::SpacingLimitText(shift);
    }
  }
  return std::nullopt;
}

ChannelGrid Recording::GridOf(std::size_t channel, const Segment& segment) const {
  return {ChannelHeader(channel).samplesPerRecord, RecordDurationTicks(), segment.recordCount};
}

std::optional<std::size_t> Recording::FindSegment(std::int64_t ticks) const {
  // Segments are ordered and disjoint: only the last one starting at or before ticks + shift
  // can hold the time.
  const std::int64_t shift = WindowShiftTicks();
  if (ticks > std::numeric_limits<std::int64_t>::max() - shift) return std::nullopt;
  const auto after = std::upper_bound(
      segments.begin(), segments.end(), ticks + shift,
      [](std::int64_t t, const Segment& segment) { return t < segment.startTicks; });
  if (after == segments.begin()) return std::nullopt;
  const Segment& segment = *(after - 1);
  if (ticks + shift - segment.startTicks >= segment.durationTicks) return std::nullopt;
  return static_cast<std::size_t>(after - 1 - segments.begin());
}

std::optional<Window> Recording::WindowIn(std::size_t segment, std::int64_t from,
                                          std::int64_t length) const {
  if (segment >= segments.size() || length < 0) return std::nullopt;
  Window window{segment, {}};
  for (std::size_t channel = 0; channel < channelSignals.size(); ++channel) {
    auto range = ChannelWindowIn(channel, segment, from, length);
    if (!range) return std::nullopt;
    window.channels.push_back(*range);
  }
  return window;
}

std::optional<SampleRange> Recording::ChannelWindowIn(std::size_t channel, std::size_t segment,
                                                      std::int64_t from, std::int64_t length) const {
  if (channel >= channelSignals.size() || segment >= segments.size() || length < 0) {
    return std::nullopt;
  }
  // Saturated: a bound beyond the segment selects nothing more, however far beyond it lies.
  const std::int64_t shift = WindowShiftTicks();
  const std::int64_t lowest = std::numeric_limits<std::int64_t>::min() + shift;
  constexpr std::int64_t kHighest = std::numeric_limits<std::int64_t>::max();
  const std::int64_t start = from < lowest ? lowest : from;
  const std::int64_t end = start > kHighest - length ? kHighest : start + length;
  const Segment& s = segments[segment];
  return SamplesInWindow(start - shift, end - shift, GridOf(channel, s));
}

std::optional<Window> Recording::WindowAt(std::int64_t startTicks, std::int64_t durationTicks) const {
  const auto segment = FindSegment(startTicks);
  if (!segment) return std::nullopt;
  return WindowIn(*segment, startTicks - segments[*segment].startTicks, durationTicks);
}

std::optional<SampleRange> Recording::ChannelWindowAt(std::size_t channel, std::int64_t startTicks,
                                                      std::int64_t durationTicks) const {
  const auto segment = FindSegment(startTicks);
  if (!segment) return std::nullopt;
  return ChannelWindowIn(channel, *segment, startTicks - segments[*segment].startTicks,
                         durationTicks);
}

}  // namespace edf
