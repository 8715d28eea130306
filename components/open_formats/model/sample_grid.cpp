#include "model/sample_grid.h"

#include <algorithm>
#include <limits>

#include "model/day_number_precision.h"

namespace model {

namespace {

// No recording lasts 3000 years: keeps every sum of times far from 64-bit overflow.
constexpr std::int64_t kMaximumRecordingTicks = std::int64_t{1'000'000'000'000'000'000};
// Beyond 10000-01-01 (2.56 x 10^18 ticks), the last date served; a start this far plus a
// recording's longest time stays far below 2^63.
constexpr std::int64_t kFarthestStartTicks = 3 * kMaximumRecordingTicks;

// a x b for a, b >= 0; nullopt when the product does not fit in 63 bits.
std::optional<std::int64_t> Multiply(std::int64_t a, std::int64_t b) {
  if (a < 0 || b < 0 || (b != 0 && a > std::numeric_limits<std::int64_t>::max() / b)) {
    return std::nullopt;
  }
  return a * b;
}

}  // namespace

ChannelGrid GridOf(const Recording& recording, std::size_t segment, std::size_t channel) {
  const Segment& s = recording.segments[segment];
  const Layout& layout = recording.layouts[s.layout];
  const std::int64_t perFrame = layout.channels[channel].samplesPerFrame;
  const std::int64_t shortfall = s.sampleShortfalls.empty() ? 0 : s.sampleShortfalls[channel];
  return {perFrame * layout.frameTicks.denominator, layout.frameTicks.numerator,
          s.frameCount * perFrame - shortfall, s.durationTicks};
}

std::int64_t SamplesBefore(std::int64_t ticks, const ChannelGrid& grid) {
  const std::int64_t n = grid.samplesPerPeriod;
  const std::int64_t period = grid.periodTicks;
  if (ticks <= 0 || n <= 0 || period <= 0) return 0;
  // Past the segment's end every sample lies before: clamping there keeps the products below
  // the bounds checked at open.
  const std::int64_t clamped = std::min(ticks, grid.endTicks);
  // ceil(clamped x n / T), split at whole periods so that no product exceeds T x n.
  const std::int64_t periods = clamped / period;
  const std::int64_t rest = clamped % period;
  return std::min(grid.sampleCount, periods * n + (rest * n + period - 1) / period);
}

SampleRange SamplesInWindow(std::int64_t from, std::int64_t to, const ChannelGrid& grid) {
  if (to <= from) return {SamplesBefore(from, grid), 0};
  const std::int64_t first = SamplesBefore(from, grid);
  return {first, SamplesBefore(to, grid) - first};
}

double SamplingRate(const Layout& layout, std::size_t channel) {
  const std::int64_t perPeriod =
      layout.channels[channel].samplesPerFrame * layout.frameTicks.denominator;
  return static_cast<double>(perPeriod) * static_cast<double>(kTicksPerSecond) /
         static_cast<double>(layout.frameTicks.numerator);
}

std::optional<std::string> CheckSampleArithmetic(const Recording& recording) {
  std::int64_t previousEnd = std::numeric_limits<std::int64_t>::min();
  for (const Segment& segment : recording.segments) {
    if (segment.layout >= recording.layouts.size()) return "a segment has no channel layout";
    const Layout& layout = recording.layouts[segment.layout];
    const Fraction frame = layout.frameTicks;
    if (frame.numerator < 1 || frame.denominator < 1) return "a frame of samples lasts no time";
    if (!segment.sampleShortfalls.empty() &&
        segment.sampleShortfalls.size() != layout.channels.size()) {
      return "a segment's sample shortfalls do not match its channels";
    }
    for (std::size_t c = 0; c < layout.channels.size(); ++c) {
      const Channel& channel = layout.channels[c];
      const auto perPeriod = Multiply(channel.samplesPerFrame, frame.denominator);
      const auto product = perPeriod ? Multiply(*perPeriod, frame.numerator) : std::nullopt;
      if (channel.samplesPerFrame < 1 || !product ||
          *product > std::numeric_limits<std::int64_t>::max() - frame.numerator) {
        return "the samples of a channel cannot be placed in time with 64-bit arithmetic";
      }
      const auto frameSamples = Multiply(segment.frameCount, channel.samplesPerFrame);
      if (!frameSamples) return "a channel has more samples than a 64-bit count holds";
      const std::int64_t shortfall =
          segment.sampleShortfalls.empty() ? 0 : segment.sampleShortfalls[c];
      if (shortfall < 0 || shortfall > *frameSamples) {
        return "channel " + std::to_string(c + 1) + " of a segment would hold a negative number "
               "of samples or more than its frames";
      }
    }
    // The frames' time, ceil(frameCount x numerator / denominator), in exact steps.
    const auto whole = Multiply(segment.frameCount / frame.denominator, frame.numerator);
    const auto rest = Multiply(segment.frameCount % frame.denominator, frame.numerator);
    if (segment.frameCount < 1 || !whole || !rest || *whole > kMaximumRecordingTicks) {
      return "a segment would last more than 3000 years";
    }
    const std::int64_t frameTime = *whole + (*rest + frame.denominator - 1) / frame.denominator;
    if (segment.durationTicks < frameTime || segment.durationTicks > kMaximumRecordingTicks) {
      return "a segment ends before its last sample";
    }
    if (segment.startTicks < -kFarthestStartTicks || segment.startTicks > kFarthestStartTicks) {
      return "a segment starts more than 9500 years from day 0";
    }
    if (segment.startTicks < previousEnd) return "the segments overlap or are out of order";
    previousEnd = segment.startTicks + segment.durationTicks;
  }
  return std::nullopt;
}

std::optional<std::string> CheckSampleSpacing(const Recording& recording) {
  const std::int64_t shift = WindowShiftTicks(recording);
  const std::int64_t closest = ClosestSampleSpacingTicks(shift);
  // The layouts segments use: CheckSampleArithmetic bounded their products.
  for (const Segment& segment : recording.segments) {
    const Layout& layout = recording.layouts[segment.layout];
    for (std::size_t c = 0; c < layout.channels.size(); ++c) {
      // n samples in T ticks lie T / n apart; n x closest > T, without the product
      // overflowing.
      const std::int64_t perPeriod =
          layout.channels[c].samplesPerFrame * layout.frameTicks.denominator;
      if (perPeriod > layout.frameTicks.numerator / closest) {
        return "channel " + std::to_string(c + 1) + ": " + std::to_string(perPeriod) +
               " samples in " + std::to_string(layout.frameTicks.numerator) + " x 100 ns lie " +
               SpacingLimitText(shift);
      }
    }
  }
  return std::nullopt;
}

}  // namespace model
