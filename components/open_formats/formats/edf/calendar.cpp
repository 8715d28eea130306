#include "calendar.h"

#include <array>

namespace edf {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Two digits at the position; nullopt when either is not a digit.
std::optional<int> TwoDigits(std::string_view text, std::size_t position) {
  if (position + 2 > text.size() || !IsDigit(text[position]) || !IsDigit(text[position + 1])) {
    return std::nullopt;
  }
  return (text[position] - '0') * 10 + (text[position + 1] - '0');
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
std::int64_t DaysSinceUnixEpoch(int year, int month, int day) {
  const std::int64_t y = year - (month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yearOfEra = y - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

}  // namespace

CivilDate CivilDateOf(std::int64_t dayNumber) {
  // H. Hinnant's civil_from_days, from days since 1970-01-01 (25569 days after 1899-12-30).
  const std::int64_t z = dayNumber - 25569 + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t dayOfEra = z - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  const auto day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  const auto month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  return {static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0)), month, day};
}

bool IsValidDate(CivilDate date) {
  return date.year >= 1 && date.year <= 9999 && date.month >= 1 && date.month <= 12 &&
         date.day >= 1 && date.day <= DaysInMonth(date.year, date.month);
}

std::int64_t DayNumberOf(CivilDate date) {
  // 1899-12-30 lies 25569 days before 1970-01-01.
  return DaysSinceUnixEpoch(date.year, date.month, date.day) + 25569;
}

std::optional<CivilDate> ParseHeaderDate(std::string_view field) {
  if (field.size() != 8 || field[2] != '.' || field[5] != '.') return std::nullopt;
  const auto day = TwoDigits(field, 0);
  const auto month = TwoDigits(field, 3);
  const auto year = TwoDigits(field, 6);
  if (!day || !month || !year) return std::nullopt;
  // The EDF clipping rule: 85..99 are 1985..1999, 00..84 are 2000..2084.
  const CivilDate date{*year >= 85 ? 1900 + *year : 2000 + *year, *month, *day};
  if (!IsValidDate(date)) return std::nullopt;
  return date;
}

std::optional<std::int64_t> ParseHeaderTime(std::string_view field) {
  if (field.size() != 8 || field[2] != '.' || field[5] != '.') return std::nullopt;
  const auto hours = TwoDigits(field, 0);
  const auto minutes = TwoDigits(field, 3);
  const auto seconds = TwoDigits(field, 6);
  if (!hours || !minutes || !seconds || *hours > 23 || *minutes > 59 || *seconds > 59) {
    return std::nullopt;
  }
  return *hours * 3600 + *minutes * 60 + *seconds;
}

std::optional<int> ParseRecordingFieldYear(std::string_view recordingField) {
  constexpr std::string_view kPrefix = "Startdate ";
  // "Startdate dd-MMM-yyyy": the year's four digits follow the second dash.
  if (recordingField.substr(0, kPrefix.size()) != kPrefix) return std::nullopt;
  const std::string_view date = recordingField.substr(kPrefix.size());
  if (date.size() < 11 || date[2] != '-' || date[6] != '-') return std::nullopt;
  if (date.size() > 11 && date[11] != ' ') return std::nullopt;
  int year = 0;
  for (std::size_t i = 7; i < 11; ++i) {
    if (!IsDigit(date[i])) return std::nullopt;
    year = year * 10 + (date[i] - '0');
  }
  return year;
}

}  // namespace edf
