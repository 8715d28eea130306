// Numbers as the header and annotation files write them: unpadded (the fields are split at
// blanks), a '+' allowed before any of them, even before a '-' ("+-5" is -5); rates read exactly.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "common/number_text.h"

namespace wfdb {

inline constexpr common::NumberSyntax kNumberSyntax{false, common::PlusSign::kSkipped};

// A positive rate as an exact fraction in lowest terms: 62.4725 Hz is 624725/10000 = 24989/400.
using ExactRate = common::DecimalFraction;

// "250", "62.4725", "1000.", ".5": digits with at most one point, no sign or exponent, at most
// 18 significant digits and 18 after the point; nullopt for anything else and for zero.
inline std::optional<ExactRate> ParsePositiveDecimal(std::string_view text) {
  return common::ParsePositiveDecimal(text, {.significant = 18, .afterPoint = 18});
}

// An optionally signed decimal integer that fits in 64 bits; nullopt for anything else.
inline std::optional<std::int64_t> ParseInteger(std::string_view text) {
  return common::ParseInteger(text, kNumberSyntax);
}

// An optionally signed decimal number with an optional exponent ("2963.77", "1e3"); nullopt
// for anything else, an infinity or a NaN.
inline std::optional<double> ParseReal(std::string_view text) {
  return common::ParseReal(text, kNumberSyntax);
}

}  // namespace wfdb
