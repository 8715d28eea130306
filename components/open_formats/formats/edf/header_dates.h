// The recording's start date and time as EDF writes them: the header's dd.mm.yy and hh.mm.ss
// fields and, in EDF+, the recording field's "Startdate dd-MMM-yyyy".
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "common/calendar.h"

namespace edf {

// "dd.mm.yy" with the two-digit year read as 1985..2084; nullopt for anything else or an
// impossible date.
std::optional<common::CivilDate> ParseHeaderDate(std::string_view field);

// "hh.mm.ss" as seconds of the day; nullopt for anything else.
std::optional<std::int64_t> ParseHeaderTime(std::string_view field);

// The date of "Startdate dd-MMM-yyyy" at the beginning of an EDF+ recording field (month names
// in English, any case); nullopt when the field does not start so (e.g. "Startdate X") or names
// no real date.
std::optional<common::CivilDate> ParseRecordingFieldDate(std::string_view recordingField);

// The start date of an EDF+ file, taken whole from one field: the header's dd.mm.yy, unless the
// recording field names a year that two digits cannot (before 1985, or after 2084, when EDF+
// writes "yy" in the header); then the recording field's. Day and month never come from one
// field and the year from the other. nullopt when the chosen field holds no valid date.
std::optional<common::CivilDate> ParseEdfPlusStartDate(std::string_view headerDateField,
                                                       std::string_view recordingField);

}  // namespace edf
