// A point in time of a recording as the component counts it: a day number and seconds to add
// to it. The origin of the day count is the component's; the library never turns a day number
// into a calendar date.
#pragma once

namespace api {

// The double nearest 1/86400 (bit pattern 0x3EE845C8A0CE5129). Seconds become days by
// multiplying with it, never by dividing by 86400: hosts compare dates bit for bit with what
// earlier versions of the library returned.
inline constexpr double kDaysPerSecond = 1.1574074074074073e-05;

struct RecordingTime {
  double days;
  double seconds;

  // The time as one day number, the form a host receives.
  double InDays() const noexcept { return days + seconds * kDaysPerSecond; }
};

// What a component that answers nothing leaves behind.
inline constexpr RecordingTime kEmptyTime{-1.0, -1.0};

// Whole seconds from day number `from` to day number `to`, rounded to the nearest second with
// halves upward; a difference within the day numbers' own imprecision below a half (10 us
// below day number 65535, doubling with the spacing of doubles beyond, up to 640 us) counts as
// the half. NaN when either is NaN.
double WholeSecondsBetween(double from, double to) noexcept;

}  // namespace api
