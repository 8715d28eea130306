// How finely a double day number places a time, and what follows from it: how far a window's
// bounds shift early and how close a channel's samples may lie. Hosts work the same numbers
// out from GetSegmentTime with the same double operations, so both sides agree to the bit.
#pragma once

#include <cstdint>
#include <string>

#include "model/recording_model.h"

namespace model {

// The double nearest 1/86400: seconds become days by multiplying with it, never by dividing.
inline constexpr double kDaysPerSecond = 1.1574074074074073e-05;

// The day number hosts see for a time: its whole seconds / 86400.0, plus the rest of the
// second x kDaysPerSecond (the {days, seconds} pair of GetSegmentStart, reduced).
double DayNumberOfTicks(std::int64_t ticks);

// Where a segment ends as a host works it out from GetSegmentTime: its start's day number plus
// its duration in seconds x kDaysPerSecond.
double SegmentEndDayNumber(const Segment& segment);

// The shift of a window's bounds below day number 65535 (2079-06-04): 1 us, more than the
// rounding of a start's day number and of its segment's (a double there is 0.63 us apart).
inline constexpr std::int64_t kBaseWindowShiftTicks = 10;

// The shift for a recording whose last segment ends at the day number: kBaseWindowShiftTicks
// x 2^j for the smallest j >= 0 with lastDayNumber < 65536 x 2^j - 1. It keeps the proportion
// to the spacing of doubles that 1 us has below 65536, doubling as they do: 2 us from
// 2079-06-04, 4 us from 2258-11-09, 8 us from 2617-09-20, 16 us from 3335-06-12, 32 us from
// 4770-11-24, 64 us from 7641-10-19. Each step begins a whole day short of a power of two, so
// that the rounding of the end's day number can never pick the finer step for samples that
// lie past the power of two.
std::int64_t WindowShiftTicks(double lastDayNumber);

// The shift for the recording, from its last segment (kBaseWindowShiftTicks without one).
std::int64_t WindowShiftTicks(const Recording& recording);

// The closest a channel's samples may lie in a recording with the shift: twice the shift.
// Closer, a window that starts on a sample could hold the one before, the whole segment would
// leave out its last sample (it lies less than the shift before the end), and a window's
// length, rounded to whole ticks, could hold more than ceil(rate x d) + 1 samples, the bound
// hosts size buffers by.
inline constexpr std::int64_t ClosestSampleSpacingTicks(std::int64_t shiftTicks) {
  return 2 * shiftTicks;
}

// "closer than 2 us apart, ... (at most 500000 samples a second)": the end of a refusal.
std::string SpacingLimitText(std::int64_t shiftTicks);

}  // namespace model
