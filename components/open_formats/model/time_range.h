// The times a recording may hold: those whose day numbers still place every sample.
#pragma once

#include <optional>
#include <string>

#include "recording_model.h"

namespace model {

// Day numbers below it are doubles fine enough to place every sample to 1 us; 65536 is
// 2079-06-05.
inline constexpr std::int64_t kMaximumDayNumber = 65536;

// Refuses, with a reason for the user, a recording whose segments or events lie before day 0
// (1899-12-30 00:00) or from day kMaximumDayNumber on.
std::optional<std::string> CheckTimeRange(const Recording& recording);

// "YYYY-MM-DD hh:mm:ss" of a time (ticks since day 0).
std::string DateTimeText(std::int64_t ticks);

// Ticks since day 0 of a civil date and time; nullopt for a date that does not exist.
std::optional<std::int64_t> TicksOfDate(int year, int month, int day, int hour, int minute,
                                        int second, int microsecond);

}  // namespace model
