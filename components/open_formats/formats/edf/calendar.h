// The recording's start as whole seconds on the OLE Automation day scale (days since
// 1899-12-30 00:00), from the header's dd.mm.yy and hh.mm.ss fields and, in EDF+, the 4-digit
// year of the recording field's "Startdate dd-MMM-yyyy".
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace edf {

struct CivilDate {
  int year;
  int month;  // 1..12
  int day;    // 1..31
};

// A real date of the proleptic Gregorian calendar, years 1 to 9999.
bool IsValidDate(CivilDate date);

// Days from 1899-12-30 to the date (negative before it). The date must be valid.
std::int64_t DayNumberOf(CivilDate date);

// The date of a day number (days from 1899-12-30), proleptic Gregorian.
CivilDate CivilDateOf(std::int64_t dayNumber);

// "dd.mm.yy" with the two-digit year read as 1985..2084; nullopt for anything else or an
// impossible date.
std::optional<CivilDate> ParseHeaderDate(std::string_view field);

// "hh.mm.ss" as seconds of the day; nullopt for anything else.
std::optional<std::int64_t> ParseHeaderTime(std::string_view field);

// The year of "Startdate dd-MMM-yyyy" at the beginning of an EDF+ recording field; nullopt when
// the field does not start so (e.g. "Startdate X").
std::optional<int> ParseRecordingFieldYear(std::string_view recordingField);

}  // namespace edf
