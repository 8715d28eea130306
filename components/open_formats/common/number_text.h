// Decimal numbers written as ASCII text in a recording's header and annotation files, read
// into integers, doubles or exact fractions. One parser for every format; what the formats
// differ on is a NumberSyntax each states once, beside its own fields:
//
//                       surrounding ' '   leading '+'                     exponent, inf/nan
//   EDF integers        ignored           '+' or '-' ("+-5" refused)      no
//   EDF decimals        ignored           skipped before '-' ("+-5": -5)  exponent; no inf/nan
//   WFDB numbers        refused           skipped before '-' ("+-5": -5)  (decimals) exponent
//   BrainVision         ignored           refused                         no
//   GDF 1.x date        refused           refused                         no
//
// Always: digits are ASCII '0'..'9' only, no other blank than ' ' is trimmed, no thousands
// separators, no hexadecimal; an empty text (or one of spaces alone) is refused, and so is a
// value that does not fit the result (an integer past 64 bits, a decimal past the double's
// range) rather than clamped. Parsing does not depend on the locale. Pure functions, safe
// from any thread; the text is only read during the call.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace common {

// What a '+' before a number means.
enum class PlusSign {
  kRefused,  // only a '-' may lead: "+5" is no number
  kSign,     // one sign, '+' or '-': "+5" is 5, "+-5" is no number
  kSkipped,  // one '+' is skipped before the number, which may still start with '-': "+-5" is -5
};

struct NumberSyntax {
  bool trimSpaces = false;  // ' ' before and after the number are ignored
  PlusSign plus = PlusSign::kRefused;
};

// An optional '-', then one or more decimal digits (leading zeros allowed), as a 64-bit
// signed integer; nullopt for anything else or a value outside int64_t.
std::optional<std::int64_t> ParseInteger(std::string_view text, NumberSyntax syntax);

// An optional '-', digits with at most one '.' (at least one digit: "5.", ".5"), an optional
// exponent ('e' or 'E', an optional sign, digits), rounded to the nearest double; nullopt for
// anything else, for "inf" and "nan" in any spelling, and for a value out of the double's range.
std::optional<double> ParseReal(std::string_view text, NumberSyntax syntax);

// A non-negative fraction in lowest terms: 62.4725 is 24989/400.
struct DecimalFraction {
  std::int64_t numerator = 0;
  std::int64_t denominator = 1;

  bool operator==(const DecimalFraction&) const = default;
};

// How many digits a format lets an exact decimal carry; up to 18 each keeps numerator and
// denominator within 63 bits.
struct DecimalDigitLimits {
  int significant = 18;  // counted from the first digit that is not 0, trailing zeros included
  int afterPoint = 18;
};

// "250", "62.4725", "1000.", ".5", read exactly: digits with at most one '.' (at least one
// digit), no sign, no exponent, no spaces, within the limits. nullopt for anything else and
// for zero.
std::optional<DecimalFraction> ParsePositiveDecimal(std::string_view text,
                                                    DecimalDigitLimits limits);

}  // namespace common
