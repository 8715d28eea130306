#include "common/number_text.h"

#include <charconv>
#include <cmath>
#include <numeric>
#include <system_error>

namespace common {

namespace {

// The number itself, with the syntax's spaces and '+' taken off; nullopt when the syntax
// refuses what leads it or nothing is left.
std::optional<std::string_view> NumberPart(std::string_view text, NumberSyntax syntax) {
  if (syntax.trimSpaces) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  }
  if (!text.empty() && text.front() == '+') {
    if (syntax.plus == PlusSign::kRefused) return std::nullopt;
    text.remove_prefix(1);
    if (syntax.plus == PlusSign::kSign && !text.empty() && text.front() == '-') return std::nullopt;
  }
  if (text.empty()) return std::nullopt;
  return text;
}

}  // namespace

std::optional<std::int64_t> ParseInteger(std::string_view text, NumberSyntax syntax) {
  const auto number = NumberPart(text, syntax);
  if (!number) return std::nullopt;
  // from_chars reads an optional '-' and digits, and reports a value past 64 bits.
  std::int64_t value = 0;
  const char* const end = number->data() + number->size();
  const auto [stop, error] = std::from_chars(number->data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::optional<double> ParseReal(std::string_view text, NumberSyntax syntax) {
  const auto number = NumberPart(text, syntax);
  if (!number) return std::nullopt;
  // from_chars reads the decimal and exponent forms, and "inf" and "nan", which are refused
  // as not finite.
  double value = 0;
  const char* const end = number->data() + number->size();
  const auto [stop, error] =
      std::from_chars(number->data(), end, value, std::chars_format::general);
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<DecimalFraction> ParsePositiveDecimal(std::string_view text,
                                                    DecimalDigitLimits limits) {
  std::int64_t numerator = 0;
  std::int64_t denominator = 1;
  int significantDigits = 0;
  int fractionDigits = 0;
  bool sawPoint = false;
  bool sawDigit = false;
  for (const char c : text) {
    if (c == '.') {
      if (sawPoint) return std::nullopt;
      sawPoint = true;
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    sawDigit = true;
    if (numerator != 0 || c != '0') ++significantDigits;
    if (sawPoint) ++fractionDigits;
    if (significantDigits > limits.significant || fractionDigits > limits.afterPoint) {
      return std::nullopt;
    }
    numerator = numerator * 10 + (c - '0');
    if (sawPoint) denominator *= 10;
  }
  if (!sawDigit || numerator == 0) return std::nullopt;
  const std::int64_t divisor = std::gcd(numerator, denominator);
  return DecimalFraction{numerator / divisor, denominator / divisor};
}

}  // namespace common
