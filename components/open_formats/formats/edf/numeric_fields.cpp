#include "numeric_fields.h"

namespace edf {

namespace {

constexpr std::int64_t kMaximumWholeSeconds = kMaximumSeconds;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string_view TrimSpaces(std::string_view field) {
  const auto first = field.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = field.find_last_not_of(' ');
  return field.substr(first, last - first + 1);
}

std::optional<std::int64_t> ParseSecondsAsTicks(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::int64_t whole = 0;
  std::size_t position = 0;
  std::size_t digitCount = 0;
  for (; position < text.size() && IsDigit(text[position]); ++position, ++digitCount) {
    whole = whole * 10 + (text[position] - '0');
    if (whole > kMaximumWholeSeconds) return std::nullopt;
  }
  std::int64_t fraction = 0;   // in ticks
  bool roundUp = false;
  if (position < text.size() && text[position] == '.') {
    ++position;
    std::int64_t scale = kTicksPerSecond / 10;
    bool firstDroppedDigit = true;
    for (; position < text.size() && IsDigit(text[position]); ++position, ++digitCount) {
      const int digit = text[position] - '0';
      if (scale > 0) {
        fraction += digit * scale;
        scale /= 10;
      } else if (firstDroppedDigit) {
        roundUp = digit >= 5;
        firstDroppedDigit = false;
      }
    }
  }
  if (digitCount == 0 || position != text.size()) return std::nullopt;
  const std::int64_t ticks = whole * kTicksPerSecond + fraction + (roundUp ? 1 : 0);
  return negative ? -ticks : ticks;
}

bool IsSecondsText(std::string_view text) {
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
  const auto point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
  const auto allDigits = [](std::string_view digits) {
    return digits.find_first_not_of("0123456789") == std::string_view::npos;
  };
  return whole.size() + fraction.size() > 0 && allDigits(whole) && allDigits(fraction);
}

}  // namespace edf
