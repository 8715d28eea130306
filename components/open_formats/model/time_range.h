// The times a recording may hold: those whose day numbers still place every sample.
#pragma once

#include <optional>
#include <string>

#include "recording_model.h"

namespace model {

// Refuses, with a reason for the user, a recording whose segments or events lie before day 0
// or from day 65536 (2079-06-05) on, that limit halved until a double day number's step there
// is at most 1 us and half the spacing of the fastest channel's samples.
std::optional<std::string> CheckTimeRange(const Recording& recording);

// "YYYY-MM-DD hh:mm:ss" of a time (ticks since day 0).
std::string DateTimeText(std::int64_t ticks);

// Ticks since day 0 of a civil date and time; nullopt for a date that does not exist.
std::optional<std::int64_t> TicksOfDate(int year, int month, int day, int hour, int minute,
                                        int second, int microsecond);

}  // namespace model
