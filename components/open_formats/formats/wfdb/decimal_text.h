// Numbers as the header and annotation files write them, read exactly.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace wfdb {

// A positive rate as an exact fraction in lowest terms: 62.4725 Hz is 624725/10000 = 24989/400.
struct ExactRate {
  std::int64_t numerator = 0;
  std::int64_t denominator = 1;

  bool operator==(const ExactRate&) const = default;
};

// "250", "62.4725", "1000.", ".5": digits with at most one point, no sign or exponent, at most
// 18 significant digits; nullopt for anything else and for zero.
std::optional<ExactRate> ParsePositiveDecimal(std::string_view text);

// An optionally signed decimal integer that fits in 64 bits; nullopt for anything else.
std::optional<std::int64_t> ParseInteger(std::string_view text);

// An optionally signed decimal number with an optional exponent ("2963.77", "1e3"); nullopt
// for anything else, an infinity or a NaN.
std::optional<double> ParseReal(std::string_view text);

}  // namespace wfdb
