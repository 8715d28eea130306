// How a time and a window that arrive as day numbers meet the recording's segments and samples.
// A start arrives as a {days, seconds} pair and is reduced to one day number D, the way the
// library reduces it. Against a segment that starts at day number Dseg (as GetSegmentStart
// reports it), the start lies S = nearbyint((D - Dseg) x 864000000000) ticks of 100 ns after
// the segment's start (ties to even), and a window of d seconds spans L = nearbyint(d x 10^7)
// ticks. With M the recording's shift (10 ticks, 1 us, until 2079-06-04, then doubling with
// the spacing of day numbers: WindowShiftTicks), the segment that holds the start is
// the one with -M <= S < its ticks - M, and the window holds, per channel, the samples with
// S - M <= t_k < S + L - M. Hosts that split a window's samples by channel compute the same
// numbers the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "model/recording_model.h"
#include "model/sample_grid.h"

namespace model {

struct Window {
  std::size_t segment = 0;
  std::vector<SampleRange> channels;  // one per channel of the segment
};

// days + seconds x (the double nearest 1/86400): one multiplication, then one addition.
double DayNumberOf(double days, double seconds);

// The day number of a segment's start, from the pair GetSegmentStart hands out.
double SegmentStartDayNumber(const Recording& recording, std::size_t segment);

// nearbyint((dayNumber - fromDayNumber) x 864000000000); nullopt when not finite or too far
// for 64-bit ticks.
std::optional<std::int64_t> TicksBetween(double fromDayNumber, double dayNumber);

// nearbyint(seconds x 10^7); nullopt for NaN and negative durations. Durations beyond any
// recording saturate: they select no more samples than the rest of the segment.
std::optional<std::int64_t> DurationTicks(double seconds);

struct SegmentOffset {
  std::size_t segment = 0;
  std::int64_t ticks = 0;  // S, from the segment's start
};

// The segment that holds the day number, and S against it; nullopt when none does. Should the
// rounding of two day numbers let two neighbouring segments qualify, the earlier one does.
std::optional<SegmentOffset> LocateTime(const Recording& recording, double dayNumber);

// A window's bounds are shifted WindowShiftTicks(recording) earlier before samples are
// counted, more than the rounding of the day numbers at the recording's dates, so that a window
// that starts (or ends) on a sample holds (or leaves out) exactly that sample however the
// rounding fell, while adjacent windows still tile.

// Per channel, the samples k of the segment with from - shift <= t_k < from + length - shift,
// `from` counted from the segment's start (t_k likewise); nullopt for a segment that does not
// exist or a negative length.
std::optional<Window> WindowIn(const Recording& recording, std::size_t segment, std::int64_t from,
                               std::int64_t length);
// One channel's range of WindowIn, without working out the others'; nullopt as for WindowIn
// and for a channel that the segment does not hold.
std::optional<SampleRange> ChannelWindowIn(const Recording& recording, std::size_t channel,
                                           std::size_t segment, std::int64_t from,
                                           std::int64_t length);

// Where a window lies in its segment, before any channel's samples are counted.
struct WindowStart {
  std::size_t segment = 0;
  std::int64_t from = 0;    // S, in ticks from the segment's start
  std::int64_t length = 0;  // L, in ticks
};

// The start and length of the window of `duration` seconds from {days, seconds}; nullopt when
// no segment holds the start or the duration is not a number or negative.
std::optional<WindowStart> LocateWindowStart(const Recording& recording, double days,
                                             double seconds, double duration);

// The window of `duration` seconds from {days, seconds} in its start's segment; nullopt as for
// LocateWindowStart.
std::optional<Window> LocateWindow(const Recording& recording, double days, double seconds,
                                   double duration);

}  // namespace model
