#include "model/window_rule.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/day_number_precision.h"

namespace model {

namespace {

constexpr double kDoubleTicksPerDay = static_cast<double>(kTicksPerDay);
constexpr double kDoubleTicksPerSecond = static_cast<double>(kTicksPerSecond);
// Beyond any recording's ticks (under 10^18) and far from the 64-bit limit.
constexpr double kTickLimit = 4.0e18;

std::optional<std::int64_t> RoundedTicks(double ticks) {
  if (!std::isfinite(ticks) || std::fabs(ticks) > kTickLimit) return std::nullopt;
  // nearbyint rounds ties to even in the default rounding mode, as the hosts' rint does.
  return static_cast<std::int64_t>(std::nearbyint(ticks));
}

// Whether S against the segment falls in [-shift, ticks - shift).
bool Holds(const Segment& segment, std::int64_t offset, std::int64_t shift) {
  return offset >= -shift && offset < segment.durationTicks - shift;
}

// The channel's samples in [from - shift, from + length - shift); the channel, segment and a
// length of at least 0 were checked.
SampleRange ShiftedRange(const Recording& recording, std::size_t channel, std::size_t segment,
                         std::int64_t from, std::int64_t length, std::int64_t shift) {
  // Saturated: a bound beyond the segment selects nothing more, however far beyond it lies.
  const std::int64_t lowest = std::numeric_limits<std::int64_t>::min() + shift;
  constexpr std::int64_t kHighest = std::numeric_limits<std::int64_t>::max();
  const std::int64_t start = from < lowest ? lowest : from;
  const std::int64_t end = start > kHighest - length ? kHighest : start + length;
  return SamplesInWindow(start - shift, end - shift, GridOf(recording, segment, channel));
}

}  // namespace

double DayNumberOf(double days, double seconds) { return days + seconds * kDaysPerSecond; }

double SegmentStartDayNumber(const Recording& recording, std::size_t segment) {
  return DayNumberOfTicks(recording.segments[segment].startTicks);
}

std::optional<std::int64_t> TicksBetween(double fromDayNumber, double dayNumber) {
  return RoundedTicks((dayNumber - fromDayNumber) * kDoubleTicksPerDay);
}

std::optional<std::int64_t> DurationTicks(double seconds) {
  if (std::isnan(seconds) || seconds < 0) return std::nullopt;
  return RoundedTicks(std::min(seconds * kDoubleTicksPerSecond, kTickLimit));
}

std::optional<SegmentOffset> LocateTime(const Recording& recording, double dayNumber) {
  const auto& segments = recording.segments;
  // A first guess in ticks narrows the search to the segments near the time; each of them is
  // then judged against its own start's day number. The margin covers the shift and the
  // rounding of the day number many times over.
  const auto guess = TicksBetween(0.0, dayNumber);
  if (!guess) return std::nullopt;
  const std::int64_t shift = WindowShiftTicks(recording);
  const double magnitude = std::fabs(dayNumber);
  const auto margin =
      shift + static_cast<std::int64_t>(64.0 + magnitude * std::ldexp(kDoubleTicksPerDay, -48));
  const auto after = std::upper_bound(
      segments.begin(), segments.end(), *guess + margin,
      [](std::int64_t t, const Segment& segment) { return t < segment.startTicks; });
  std::optional<SegmentOffset> found;
  for (auto it = after; it != segments.begin();) {
    --it;
    if (it->startTicks + it->durationTicks + margin < *guess) break;  // ends are ordered too
    const auto index = static_cast<std::size_t>(it - segments.begin());
    const auto offset = TicksBetween(SegmentStartDayNumber(recording, index), dayNumber);
    if (offset && Holds(*it, *offset, shift)) found = SegmentOffset{index, *offset};
  }
  return found;
}

std::optional<Window> WindowIn(const Recording& recording, std::size_t segment, std::int64_t from,
                               std::int64_t length) {
  if (segment >= recording.segments.size() || length < 0) return std::nullopt;
  Window window{segment, {}};
  const std::size_t channels = recording.LayoutOf(segment).channels.size();
  window.channels.reserve(channels);
  const std::int64_t shift = WindowShiftTicks(recording);
  for (std::size_t channel = 0; channel < channels; ++channel) {
    window.channels.push_back(ShiftedRange(recording, channel, segment, from, length, shift));
  }
  return window;
}

std::optional<SampleRange> ChannelWindowIn(const Recording& recording, std::size_t channel,
                                           std::size_t segment, std::int64_t from,
                                           std::int64_t length) {
  if (segment >= recording.segments.size() || length < 0 ||
      channel >= recording.LayoutOf(segment).channels.size()) {
    return std::nullopt;
  }
  return ShiftedRange(recording, channel, segment, from, length, WindowShiftTicks(recording));
}

std::optional<WindowStart> LocateWindowStart(const Recording& recording, double days,
                                             double seconds, double duration) {
  const auto length = DurationTicks(duration);
  const auto start = length ? LocateTime(recording, DayNumberOf(days, seconds)) : std::nullopt;
  if (!start) return std::nullopt;
  return WindowStart{start->segment, start->ticks, *length};
}

std::optional<Window> LocateWindow(const Recording& recording, double days, double seconds,
                                   double duration) {
  const auto start = LocateWindowStart(recording, days, seconds, duration);
  if (!start) return std::nullopt;
  return WindowIn(recording, start->segment, start->from, start->length);
}

}  // namespace model
