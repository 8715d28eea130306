// Times between the component's integer ticks (from the header's start second) and the
// {days, seconds} pair of its callers: `days` holds whole seconds as a day number (days since
// 1899-12-30), `seconds` the rest of a second, in [0, 1).
#pragma once

#include <cstdint>
#include <optional>

namespace edf_component {

struct DayTime {
  double days = 0.0;
  double seconds = 0.0;
};

DayTime ToDayTime(std::int64_t startSecond, std::int64_t ticks);

// The ticks of an incoming pair. The start day is subtracted before scaling so that the
// magnitude of a day number costs no precision. A day number in a double (and a host's sum
// of one and a fraction) is exact to about 1 us only, so its part is rounded to the nearest
// 10 us: a day number made from a time on that grid comes back exactly. The seconds part is
// rounded to the nearest tick.
// nullopt for values that are not finite or lie over 10^11 s away.
std::optional<std::int64_t> FromDayTime(std::int64_t startSecond, double days, double seconds);

// Seconds as ticks, rounded to the nearest; nullopt when not finite or over 10^11 s.
std::optional<std::int64_t> SecondsToTicks(double seconds);

double TicksToSeconds(std::int64_t ticks);

// The first whole second (counted from the header's start second) at or after the ticks.
std::int64_t CeilToWholeSecond(std::int64_t ticks);

}  // namespace edf_component
