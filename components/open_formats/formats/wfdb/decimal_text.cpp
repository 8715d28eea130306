#include "decimal_text.h"

#include <charconv>
#include <cmath>
#include <numeric>

namespace wfdb {

std::optional<ExactRate> ParsePositiveDecimal(std::string_view text) {
  std::int64_t numerator = 0;
  std::int64_t denominator = 1;
  int significantDigits = 0;
  bool sawPoint = false;
  bool sawDigit = false;
  for (char c : text) {
    if (c == '.') {
      if (sawPoint) return std::nullopt;
      sawPoint = true;
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    sawDigit = true;
    if (numerator != 0 || c != '0') ++significantDigits;
    // 18 digits fit in 63 bits; the denominator grows only with digits after the point.
    if (significantDigits > 18) return std::nullopt;
    numerator = numerator * 10 + (c - '0');
    if (sawPoint) {
      if (denominator > std::int64_t{100000000000000000}) return std::nullopt;
      denominator *= 10;
    }
  }
  if (!sawDigit || numerator == 0) return std::nullopt;
  const std::int64_t divisor = std::gcd(numerator, denominator);
  return ExactRate{numerator / divisor, denominator / divisor};
}

std::optional<std::int64_t> ParseInteger(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<double> ParseReal(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value,
                                            std::chars_format::general);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace wfdb
