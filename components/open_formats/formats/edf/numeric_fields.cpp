#include "numeric_fields.h"

#include <charconv>
#include <cmath>
#include <limits>

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

std::optional<std::int64_t> ParseInteger(std::string_view field) {
  std::string_view text = TrimSpaces(field);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::uint64_t magnitude = 0;
  for (char c : text) {
    if (!IsDigit(c)) return std::nullopt;
    const unsigned digit = static_cast<unsigned>(c - '0');
    if (magnitude > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return std::nullopt;
    magnitude = magnitude * 10 + digit;
  }
  const std::uint64_t limit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (magnitude > limit + (negative ? 1 : 0)) return std::nullopt;
  if (negative) return magnitude == limit + 1 ? std::numeric_limits<std::int64_t>::min()
                                              : -static_cast<std::int64_t>(magnitude);
  return static_cast<std::int64_t>(magnitude);
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

std::optional<double> ParseDecimal(std::string_view field) {
  std::string_view text = TrimSpaces(field);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  // from_chars would accept "inf" and "nan"; only digits, a point, a sign and an exponent may
  // appear in the field.
  if (text.empty() || text.find_first_not_of("0123456789.-+eE") != std::string_view::npos) {
    return std::nullopt;
  }
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace edf
