// Times between the component's integer ticks (since day 0, 1899-12-30 00:00) and the
// {days, seconds} pair of its callers: `days` holds whole seconds as a day number, `seconds`
// the rest of a second, in [0, 1).
#pragma once

#include <cstdint>
#include <optional>

namespace open_formats {

struct DayTime {
  double days = 0.0;
  double seconds = 0.0;
};

DayTime ToDayTime(std::int64_t ticks);

// Seconds as ticks, rounded to the nearest (ties to even); nullopt when not finite or over 10^11 s.
std::optional<std::int64_t> SecondsToTicks(double seconds);

double TicksToSeconds(std::int64_t ticks);

// The first whole second at or after the ticks.
std::int64_t CeilToWholeSecond(std::int64_t ticks);

}  // namespace open_formats
