// Where a window's samples lie in each channel. GetWindowCounts tells how many there are, not
// which: a host works out the first exactly the way the reader component counts them, from
// the same doubles:
// - the start S, in 100-ns ticks from the segment's start, is nearbyint((D - Dseg) x 864e9),
//   D being the day number passed to GetData2 and Dseg the segment's start as GetSegmentTime
//   reports it; the window spans L = nearbyint(duration x 10^7) ticks and ends at E = S + L;
// - sample k of a channel lies k / rate after the segment's start, the rate taken as an exact
//   fraction; a channel has the N samples GetSegmentInf counts in the segment: round(segment
//   duration x rate), fewer for a WFDB signal whose skew leaves its last frames out;
// - the window holds the samples k < N whose times t_k satisfy S - M <= t_k < E - M: both
//   bounds sit M ticks early (1 us for recordings that end before 2079-06-04, doubling with
//   the spacing of day numbers beyond, see WindowShiftTicks), so that a start a day number
//   carries to within its rounding of a sample's time still includes exactly that sample, and
//   windows with E1 = S2 tile.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace tapline_info {

// Samples per second as numerator / denominator, both positive and below 2^53.
struct SampleRate {
  std::int64_t numerator = 0;
  std::int64_t denominator = 1;
};

struct SampleRange {
  std::int64_t first = 0;  // index within the segment
  std::int64_t count = 0;
};

// The shift of a recording whose last segment ends before day number 65535 (2079-06-04).
inline constexpr std::int64_t kBaseShiftTicks = 10;

struct WindowTicks {
  std::int64_t start = 0;  // S, from the segment's start
  std::int64_t end = 0;    // E = S + L
  std::int64_t shift = kBaseShiftTicks;  // M, the recording's
};

// M for a recording whose last segment starts at day number lastStartDay and lasts
// lastDurationSeconds (GetSegmentTime's values): with its end e = lastStartDay +
// lastDurationSeconds x 1.1574074074074073e-05, 10 ticks x 2^j for the smallest j >= 0 with
// e < 65536 x 2^j - 1 (at most 2^6), as the reader component works it out. 10 ticks for a
// recording without segments.
std::int64_t WindowShiftTicks(const std::vector<double>& starts,
                              const std::vector<double>& durations);

// The same step for one day number: 10 ticks x 2^j for the smallest j >= 0 (at most 6) with
// dayNumber < 65536 x 2^j - 1; 10 for a day number that is not a number. A tenth of it, in
// microseconds, is how far a time the day number carries may lie off.
std::int64_t ShiftTicksAt(double dayNumber);

// The fraction with the smallest denominator whose nearest double is the rate (a channel
// value is all a host knows of the rate: for EDF, samples per record over the record's
// duration). nullopt for a rate that is not positive and finite, or whose simplest fraction
// needs terms of 2^53 or more.
std::optional<SampleRate> SimplestFraction(double rate);

// The window of durationSeconds from day number startDay in the segment that starts at day
// number segmentStartDay, in a recording whose shift is shiftTicks; nullopt when a value is
// not finite, the duration is negative, or the ticks pass 64 bits.
std::optional<WindowTicks> WindowInSegment(double segmentStartDay, double startDay,
                                           double durationSeconds, std::int64_t shiftTicks);

// N = round(segmentSeconds x rate), ties to even; nullopt when not finite, negative or too
// large for 64 bits.
std::optional<std::int64_t> SegmentSampleCount(double segmentSeconds, double rate);

// The channel's samples in the window; nullopt when a product passes 64 bits.
std::optional<SampleRange> ChannelRange(const WindowTicks& window, const SampleRate& rate,
                                        std::int64_t segmentSamples);

// One range per channel, from its rate and its samples in the segment; nullopt when a rate has
// no exact fraction or the lists differ in length, since a buffer laid out with a wrong count
// would shift every later channel.
std::optional<std::vector<SampleRange>> WindowRanges(const WindowTicks& window,
                                                     const std::vector<double>& rates,
                                                     const std::vector<std::int64_t>& counts);

// Seconds from the segment's start to sample k.
double SampleSeconds(std::int64_t k, const SampleRate& rate);

// The most samples one channel can have in a window of the duration: ceil(rate x duration)
// + 1, the per-channel size of a GetData2 buffer. 0 for a rate or duration that is not
// positive and finite.
std::int64_t WindowCapacity(double rate, double durationSeconds);

}  // namespace tapline_info
