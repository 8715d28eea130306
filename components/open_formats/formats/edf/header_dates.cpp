#include "header_dates.h"

#include <algorithm>
#include <array>
#include <string>

namespace edf {

using common::CivilDate;
using common::IsValidDate;

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

}  // namespace

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

}  // namespace edf
