// Numbers in EDF header fields and annotations: ASCII text, possibly space-padded. Times are
// parsed into integer ticks so that a writer's rounding (8192.202311999999) lands on the
// intended value and never makes two times compare unequal.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "common/number_text.h"

namespace edf {

// 100 ns: fine enough for every sampling rate in practice, coarse enough to absorb the
// rounding of writers that print seconds with 12 or more decimals.
inline constexpr std::int64_t kTicksPerSecond = 10'000'000;
// The largest time in seconds, either way, that a field may hold (about 3170 years).
inline constexpr std::int64_t kMaximumSeconds = 100'000'000'000;

// Leading and trailing spaces removed; nothing else.
std::string_view TrimSpaces(std::string_view field);

// EDF pads its fields with spaces. An integer field may carry one sign, '+' or '-'; a decimal
// (the physical range) a '+' before its own sign, as these fields have always been read.
inline constexpr common::NumberSyntax kIntegerSyntax{true, common::PlusSign::kSign};
inline constexpr common::NumberSyntax kDecimalSyntax{true, common::PlusSign::kSkipped};

// An optional sign and decimal digits, nothing else (after trimming); nullopt when the text is
// empty, holds anything else, or does not fit in 64 bits.
inline std::optional<std::int64_t> ParseInteger(std::string_view field) {
  return common::ParseInteger(field, kIntegerSyntax);
}

// An optional sign, digits, an optional point and digits (at least one digit in all), rounded
// half away from zero to whole ticks. No exponent. nullopt when malformed or when the value
// exceeds 10^11 seconds (kMaximumSeconds).
std::optional<std::int64_t> ParseSecondsAsTicks(std::string_view text);

// Whether the text has the form ParseSecondsAsTicks reads, whatever its size: tells a number
// out of range from text that is no number.
bool IsSecondsText(std::string_view text);

// A decimal number as the physical range fields hold it (exponent allowed); nullopt when
// malformed or not finite.
inline std::optional<double> ParseDecimal(std::string_view field) {
  return common::ParseReal(field, kDecimalSyntax);
}

}  // namespace edf
