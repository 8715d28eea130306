#include "segment_statistics.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "window_layout.h"

namespace tapline_info {

namespace {

constexpr double kDaysPerSecond = 1.1574074074074073e-05;
// The library accepts a window whose duration is at most the seconds left in the segment
// rounded to a whole number, so a segment must leave at least half a second (and a margin
// for the day number's rounding) for a window of one second; whole-second windows that end
// within the segment always pass.
constexpr double kShortestWindowedSegment = 0.501;
// Seconds kept clear of the library's whole-second limit, beyond the day numbers' rounding.
constexpr double kCheckMargin = 0.001;

struct ChannelLayout {
  SampleRate rate;
  std::int64_t segmentSamples = 0;
  std::int64_t next = 0;  // first sample not yet summarised
};

struct PlannedWindow {
  double offsetSeconds;
  double durationSeconds;
};

// Whole-second windows from the segment's start, and one more ending at the segment's end for
// what they leave: it overlaps the one before by less than a second, and that overlap is read
// twice but summarised once. Windows are made one at a time: a long segment may need many.
class WindowPlan {
 public:
  WindowPlan(double segmentSeconds, double windowSeconds)
      : segmentSeconds(segmentSeconds),
        windowSeconds(windowSeconds),
        wholeWindows(segmentSeconds < 1.0 ? 0 : static_cast<std::int64_t>(segmentSeconds / windowSeconds)),
        rest(segmentSeconds - static_cast<double>(wholeWindows) * windowSeconds) {}

  std::int64_t Count() const { return wholeWindows + (rest > 0.0 ? 1 : 0); }

  PlannedWindow At(std::int64_t index) const {
    if (index < wholeWindows) return {static_cast<double>(index) * windowSeconds, windowSeconds};
    // A segment shorter than a second gets one window of a second, accepted as it overhangs
    // the segment's end by less than half of it.
    const double last = std::ceil(rest);
    return {std::max(segmentSeconds - last, 0.0), last};
  }

 private:
  double segmentSeconds;
  double windowSeconds;
  std::int64_t wholeWindows;
  double rest;
};

struct PlacedWindow {
  double startDay;
  double durationSeconds;
  WindowTicks ticks;
};

// A start day for the window that lies no later, in ticks, than the previous window's end,
// so that no sample falls between the two; the day number's rounding may otherwise put it a
// few ticks past. The window then reaches its planned end in ticks where the library's
// whole-second check leaves room for the few ticks more: otherwise each start would lie a
// little earlier than the one before, and over hundreds of windows (a segment of days) the
// last one would end tens of microseconds early and miss the segment's last sample.
std::optional<PlacedWindow> PlaceWindow(const SegmentSpan& span, const PlannedWindow& planned,
                                        std::optional<std::int64_t> previousEnd) {
  double startDay = span.startDay + planned.offsetSeconds * kDaysPerSecond;
  for (;;) {
    const auto window = WindowInSegment(span.startDay, startDay, planned.durationSeconds, span.shiftTicks);
    if (!window) return std::nullopt;
    if (!previousEnd || window->start <= *previousEnd) break;
    startDay = std::nextafter(startDay, -INFINITY);
  }
  const auto plannedEnd = WindowInSegment(span.startDay, span.startDay,
                                          planned.offsetSeconds + planned.durationSeconds,
                                          span.shiftTicks);
  auto window = WindowInSegment(span.startDay, startDay, planned.durationSeconds, span.shiftTicks);
  if (!plannedEnd || !window) return std::nullopt;
  const double reaching = static_cast<double>(plannedEnd->end - window->start) / 1e7;
  const double secondsLeft = std::floor(span.seconds - planned.offsetSeconds + 0.5);
  if (reaching <= planned.durationSeconds || reaching > secondsLeft - kCheckMargin) {
    return PlacedWindow{startDay, planned.durationSeconds, *window};
  }
  window = WindowInSegment(span.startDay, startDay, reaching, span.shiftTicks);
  if (!window) return std::nullopt;
  return PlacedWindow{startDay, reaching, *window};
}

// Such a segment holds fewer samples than a one-second window, the smallest window read.
std::optional<std::vector<SampleSummary>> SummarizeWithGetData(const TaplineLibrary& library,
                                                               int segment,
                                                               const SegmentChannels& channels,
                                                               ValueScale scale) {
  const auto samples = ReadSegmentSamples(library, segment, channels);
  if (!samples) return std::nullopt;
  return SummarizeByChannel(channels, *samples, scale);
}

}  // namespace

std::optional<std::vector<SampleSummary>> SummarizeSegment(
    const TaplineLibrary& library, int segment, const SegmentSpan& span,
    const SegmentChannels& channels, ValueScale scale, std::int64_t bufferSamples,
    const std::function<void(double)>& progress) {
  if (!(span.seconds >= 0.0) || !std::isfinite(span.seconds)) return std::nullopt;
  std::vector<ChannelLayout> layouts;
  double samplesPerSecond = 0.0;
  if (channels.sampleCounts.size() != channels.values.size()) return std::nullopt;
  for (std::size_t c = 0; c < channels.values.size(); ++c) {
    const double value = channels.values[c];
    const auto rate = SimplestFraction(value);
    const auto frameSamples = SegmentSampleCount(span.seconds, value);
    // The library's count: the segment's time at the channel's rate, fewer for a WFDB signal
    // whose skew leaves its last frames out. Any other count would lay the windows out wrongly.
    const std::int64_t samples = channels.sampleCounts[c];
    if (!rate || !frameSamples || samples < 0 || samples > *frameSamples) return std::nullopt;
    layouts.push_back({*rate, samples});
    samplesPerSecond += value;
  }
  std::vector<SampleSummary> summaries(layouts.size());
  if (layouts.empty()) return summaries;
  if (span.seconds < kShortestWindowedSegment) {
    return SummarizeWithGetData(library, segment, channels, scale);
  }
  // Each channel's capacity is at most rate x seconds + 2 samples.
  const double budget = static_cast<double>(bufferSamples) - 2.0 * static_cast<double>(layouts.size());
  const double windowSeconds =
      std::max(1.0, std::min(std::floor(budget / samplesPerSecond), std::floor(span.seconds)));
  const WindowPlan plan(span.seconds, windowSeconds);

  std::vector<std::int16_t> buffer;
  std::optional<std::int64_t> previousEnd;
  for (std::int64_t w = 0; w < plan.Count(); ++w) {
    const PlannedWindow planned = plan.At(w);
    const auto placed = PlaceWindow(span, planned, previousEnd);
    if (!placed) return std::nullopt;
    const auto& [startDay, durationSeconds, ticks] = *placed;
    std::vector<SampleRange> ranges;
    std::int64_t needed = 0;
    std::int64_t capacity = 0;
    for (std::size_t c = 0; c < layouts.size(); ++c) {
      const auto range = ChannelRange(ticks, layouts[c].rate, layouts[c].segmentSamples);
      if (!range || range->first > layouts[c].next) return std::nullopt;  // a gap: never expected
      ranges.push_back(*range);
      needed += range->count;
      capacity += WindowCapacity(channels.values[c], durationSeconds);
    }
    // One spare element keeps data() valid for a window without samples.
    buffer.resize(static_cast<std::size_t>(std::max(needed, capacity)) + 1);
    if (library.GetData2(startDay, durationSeconds, buffer.data()) != 1) {
      return std::nullopt;
    }
    const std::span<const std::int16_t> read(buffer.data(), static_cast<std::size_t>(needed));
    std::size_t at = 0;
    for (std::size_t c = 0; c < layouts.size(); ++c) {
      const std::int64_t end = ranges[c].first + ranges[c].count;
      const std::int64_t fresh = std::max<std::int64_t>(end - layouts[c].next, 0);
      summaries[c].Add(read.subspan(at + static_cast<std::size_t>(ranges[c].count - fresh),
                                    static_cast<std::size_t>(fresh)),
                     MissingValueIn(scale, channels, c));
      layouts[c].next = std::max(layouts[c].next, end);
      at += static_cast<std::size_t>(ranges[c].count);
    }
    previousEnd = ticks.end;
    progress(static_cast<double>(w + 1) / static_cast<double>(plan.Count()));
  }
  for (const ChannelLayout& layout : layouts) {
    if (layout.next != layout.segmentSamples) return std::nullopt;
  }
  return summaries;
}

}  // namespace tapline_info
