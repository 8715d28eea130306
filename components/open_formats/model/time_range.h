// The times a recording may hold: from day number 0 to the end of the year 9999.
#pragma once

#include <optional>
#include <string>

#include "model/recording_model.h"

namespace model {

// 10000-01-01: dates are written with four-digit years. How close samples may lie at a date
// follows from the day numbers' precision there (day_number_precision.h).
inline constexpr std::int64_t kDayNumberLimit = 2958466;

// Refuses, with a reason for the user, a recording whose segments or events lie before day 0
// (1899-12-30 00:00) or from day kDayNumberLimit on.
std::optional<std::string> CheckTimeRange(const Recording& recording);

// "the dates from 1899-12-30 (day number 0) to 9999-12-31", for refusals.
std::string DateRangeText();

// "YYYY-MM-DD hh:mm:ss" of a time (ticks since day 0).
std::string DateTimeText(std::int64_t ticks);

// Ticks since day 0 of a civil date and time; nullopt for a date that does not exist.
std::optional<std::int64_t> TicksOfDate(int year, int month, int day, int hour, int minute,
                                        int second, int microsecond);

}  // namespace model
