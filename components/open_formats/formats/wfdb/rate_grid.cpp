#include "rate_grid.h"

#include <cmath>
#include <cstdio>
#include <numeric>

#include "header.h"

namespace wfdb {

namespace {

// The digits after the point of the shortest decimal text of the rate.
int DecimalsOf(ExactRate rate) {
  int twos = 0;
  int fives = 0;
  for (std::int64_t d = rate.denominator; d % 2 == 0; d /= 2) ++twos;
  for (std::int64_t d = rate.denominator; d % 5 == 0; d /= 5) ++fives;
  return std::max(twos, fives);
}

std::string Shown(const char* format, long double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

std::string DecimalText(ExactRate rate) {
  std::string text = std::to_string(rate.numerator / rate.denominator);
  std::int64_t rest = rate.numerator % rate.denominator;
  if (rest == 0) return text;
  text += '.';
  // rest < denominator <= 10^18: rest x 10 fits in 64 bits.
  for (int k = DecimalsOf(rate); k > 0 && rest != 0; --k) {
    rest *= 10;
    text += static_cast<char>('0' + rest / rate.denominator);
    rest %= rate.denominator;
  }
  return text;
}

common::Result<ExactRate> RateOnTickGrid(ExactRate written, std::int64_t ticks, const std::string& what) {
  using Rate = common::Result<ExactRate>;
  if (written.denominator <= kLargestRateDenominator) return written;
  // Numerator and denominator below 10^18: a long double (64-bit mantissa) holds the period
  // to about 10^-19 of itself, far finer than the half tick decided on below.
  const long double period = static_cast<long double>(kTicksPerSecond) * written.denominator / written.numerator;
  const long double whole = std::nearbyint(period);
  if (!(whole >= 1) || whole > 1e18L) {
    return Rate::Refuse(what + " " + DecimalText(written) + " gives no frame period of a whole number of ticks");
  }
  const auto periodTicks = static_cast<std::int64_t>(whole);
  const std::int64_t divisor = std::gcd(kTicksPerSecond, periodTicks);
  const ExactRate onGrid{kTicksPerSecond / divisor, periodTicks / divisor};
  const long double shift = std::fabs(whole - period) * static_cast<long double>(ticks);
  const long double gridRate = static_cast<long double>(onGrid.numerator) / onGrid.denominator;
  const long double writtenRate = static_cast<long double>(written.numerator) / written.denominator;
  const long double halfDigit = 0.5L * std::pow(10.0L, -DecimalsOf(written));
  const bool rounded = std::fabs(gridRate - writtenRate) <= halfDigit * (1 + 1e-12L);
  if (onGrid.denominator > kLargestRateDenominator || (shift > 0.5L && !rounded)) {
    return Rate::Refuse(what + " " + DecimalText(written) + " has a period of " + Shown("%.14Lg", period) +
                        " ticks of 100 ns; the nearest whole period, " + std::to_string(periodTicks) +
                        " ticks, would move tick " + std::to_string(ticks) + " by " + Shown("%.4Lf", shift) +
                        " ticks, more than half a tick");
  }
  return onGrid;
}

}  // namespace wfdb
