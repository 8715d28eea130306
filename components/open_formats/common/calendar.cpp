#include "common/calendar.h"

#include <algorithm>
#include <array>
#include <string>

namespace common {

namespace {

// The years two digits name in an EDF header (the clipping rule): 85..99, then 00..84.
constexpr int kFirstTwoDigitYear = 1985;
constexpr int kLastTwoDigitYear = 2084;

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
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
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
  const int century = *year >= kFirstTwoDigitYear % 100 ? 1900 : 2000;
  const CivilDate date{century + *year, *month, *day};
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

std::optional<CivilDate> ParseRecordingFieldDate(std::string_view recordingField) {
  constexpr std::string_view kPrefix = "Startdate ";
  if (recordingField.substr(0, kPrefix.size()) != kPrefix) return std::nullopt;
  const std::string_view date = recordingField.substr(kPrefix.size());
  if (date.size() < 11 || date[2] != '-' || date[6] != '-') return std::nullopt;
  if (date.size() > 11 && date[11] != ' ') return std::nullopt;
  const auto day = TwoDigits(date, 0);
  const auto century = TwoDigits(date, 7);
  const auto yearInCentury = TwoDigits(date, 9);
  if (!day || !century || !yearInCentury) return std::nullopt;
  static constexpr std::array<std::string_view, 12> kMonths = {
      "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  std::string month(date.substr(3, 3));
  for (char& c : month) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  const auto found = std::find(kMonths.begin(), kMonths.end(), month);
  if (found == kMonths.end()) return std::nullopt;
  const CivilDate parsed{*century * 100 + *yearInCentury,
                         static_cast<int>(found - kMonths.begin()) + 1, *day};
  if (!IsValidDate(parsed)) return std::nullopt;
  return parsed;
}

std::optional<CivilDate> ParseEdfPlusStartDate(std::string_view headerDateField,
                                               std::string_view recordingField) {
  const auto full = ParseRecordingFieldDate(recordingField);
  if (full && (full->year < kFirstTwoDigitYear || full->year > kLastTwoDigitYear)) return full;
  return ParseHeaderDate(headerDateField);
}

}  // namespace common
