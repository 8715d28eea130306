#include "window_layout.h"

#include <cmath>
#include <limits>
#include <numeric>

namespace tapline_info {

namespace {

constexpr double kTicksPerDay = 864000000000.0;
constexpr double kTicksPerSecond = 10000000.0;
constexpr std::int64_t kTicksPerSecondInteger = 10000000;
constexpr double kDaysPerSecond = 1.1574074074074073e-05;
// Below the 64-bit limit with room for the shift and the sum S + L of two such values.
constexpr double kTickLimit = 4.0e18;
// Integers up to here are exact in a double, so a quotient of two is correctly rounded.
constexpr std::int64_t kExactInDouble = std::int64_t{1} << 53;
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();

std::optional<std::int64_t> RoundedTicks(double ticks) {
  if (!std::isfinite(ticks) || std::fabs(ticks) > kTickLimit) return std::nullopt;
  return static_cast<std::int64_t>(std::nearbyint(ticks));  // |ticks| <= 4e18 fits
}

// a x b + c for non-negative operands; nullopt past 64 bits.
std::optional<std::int64_t> MultiplyAdd(std::int64_t a, std::int64_t b, std::int64_t c) {
  if (a != 0 && b > kInt64Max / a) return std::nullopt;
  if (a * b > kInt64Max - c) return std::nullopt;
  return a * b + c;
}

// F(x): how many samples lie before tick x, ceil(x x rate / 10^7) for x > 0. x is split by
// the divisor first so that the products stay as small as the fraction allows.
std::optional<std::int64_t> SamplesBefore(std::int64_t ticks, const SampleRate& rate) {
  if (ticks <= 0) return 0;
  const std::int64_t common = std::gcd(rate.numerator, kTicksPerSecondInteger);
  const std::int64_t multiplier = rate.numerator / common;
  const auto divisor = MultiplyAdd(kTicksPerSecondInteger / common, rate.denominator, 0);
  if (!divisor) return std::nullopt;
  const std::int64_t whole = ticks / *divisor;
  const std::int64_t rest = ticks % *divisor;
  const auto restNumerator = MultiplyAdd(rest, multiplier, *divisor - 1);
  if (!restNumerator) return std::nullopt;
  return MultiplyAdd(whole, multiplier, *restNumerator / *divisor);
}

// Whether numerator / denominator, correctly rounded, is below, at or above the target.
int CompareRounded(std::int64_t numerator, std::int64_t denominator, double target) {
  // Both terms are below 2^53, hence exact as doubles.
  const double quotient = static_cast<double>(numerator) / static_cast<double>(denominator);
  return quotient < target ? -1 : (quotient > target ? 1 : 0);
}

struct Fraction {
  std::int64_t numerator;
  std::int64_t denominator;
};

// The largest k >= 1 for which outer + k x inner keeps both terms below 2^53; 0 if none.
std::int64_t LargestStep(const Fraction& outer, const Fraction& inner) {
  std::int64_t largest = kExactInDouble;
  if (inner.numerator > 0) largest = std::min(largest, (kExactInDouble - outer.numerator) / inner.numerator);
  if (inner.denominator > 0) {
    largest = std::min(largest, (kExactInDouble - outer.denominator) / inner.denominator);
  }
  return largest;
}

// The largest k in [1, limit] for which stillBelow(k) holds, knowing it holds for k = 1 and
// turns false once and for all.
template <typename Predicate>
std::int64_t LargestHolding(std::int64_t limit, Predicate stillBelow) {
  std::int64_t low = 1;
  std::int64_t high = 2;
  while (high <= limit && stillBelow(high)) {
    low = high;
    high = high > limit / 2 ? limit + 1 : high * 2;
  }
  high = std::min(high, limit + 1);  // stillBelow(high) is false or high is past the limit
  while (high - low > 1) {
    const std::int64_t middle = low + (high - low) / 2;
    (stillBelow(middle) ? low : high) = middle;
  }
  return low;
}

}  // namespace

// A walk down the Stern-Brocot tree towards the rate: every fraction strictly between the
// bounds has a denominator at least that of their mediant, so the first mediant that rounds
// to the rate is the simplest such fraction. Runs of steps in one direction are taken at once
// by a binary search, so a rate of 10^-8 takes a few dozen steps, not 10^8.
std::optional<SampleRate> SimplestFraction(double rate) {
  if (!std::isfinite(rate) || rate <= 0.0) return std::nullopt;
  Fraction below{0, 1};
  Fraction above{1, 0};
  for (;;) {
    const Fraction mediant{below.numerator + above.numerator,
                           below.denominator + above.denominator};
    if (mediant.numerator > kExactInDouble || mediant.denominator > kExactInDouble) {
      return std::nullopt;
    }
    const int side = CompareRounded(mediant.numerator, mediant.denominator, rate);
    if (side == 0) return SampleRate{mediant.numerator, mediant.denominator};
    if (side < 0) {
      const std::int64_t step = LargestHolding(LargestStep(below, above), [&](std::int64_t k) {
        return CompareRounded(below.numerator + k * above.numerator,
                              below.denominator + k * above.denominator, rate) < 0;
      });
      below = {below.numerator + step * above.numerator,
               below.denominator + step * above.denominator};
    } else {
      const std::int64_t step = LargestHolding(LargestStep(above, below), [&](std::int64_t k) {
        return CompareRounded(above.numerator + k * below.numerator,
                              above.denominator + k * below.denominator, rate) > 0;
      });
      above = {above.numerator + step * below.numerator,
               above.denominator + step * below.denominator};
    }
  }
}

std::int64_t WindowShiftTicks(const std::vector<double>& starts,
                              const std::vector<double>& durations) {
  if (starts.empty() || durations.size() != starts.size()) return kBaseShiftTicks;
  return ShiftTicksAt(starts.back() + durations.back() * kDaysPerSecond);
}

std::int64_t ShiftTicksAt(double dayNumber) {
  std::int64_t shift = kBaseShiftTicks;
  double limit = 65536.0;
  for (int doublings = 0; doublings < 6 && dayNumber >= limit - 1.0; ++doublings) {
    shift *= 2;
    limit *= 2.0;
  }
  return shift;
}

std::optional<WindowTicks> WindowInSegment(double segmentStartDay, double startDay,
                                           double durationSeconds, std::int64_t shiftTicks) {
  if (!(durationSeconds >= 0.0)) return std::nullopt;
  const auto start = RoundedTicks((startDay - segmentStartDay) * kTicksPerDay);
  const auto length = RoundedTicks(durationSeconds * kTicksPerSecond);
  if (!start || !length) return std::nullopt;
  return WindowTicks{*start, *start + *length, shiftTicks};  // each within 4e18: no overflow
}

std::optional<std::int64_t> SegmentSampleCount(double segmentSeconds, double rate) {
  const double count = std::nearbyint(segmentSeconds * rate);
  if (!std::isfinite(count) || count < 0.0 || count > kTickLimit) return std::nullopt;
  return static_cast<std::int64_t>(count);
}

std::optional<SampleRange> ChannelRange(const WindowTicks& window, const SampleRate& rate,
                                        std::int64_t segmentSamples) {
  const auto first = SamplesBefore(window.start - window.shift, rate);
  const auto end = SamplesBefore(window.end - window.shift, rate);
  if (!first || !end) return std::nullopt;
  const std::int64_t clampedFirst = std::min(*first, segmentSamples);
  return SampleRange{clampedFirst, std::min(*end, segmentSamples) - clampedFirst};
}

std::optional<std::vector<SampleRange>> WindowRanges(const WindowTicks& window,
                                                     const std::vector<double>& rates,
                                                     const std::vector<std::int64_t>& counts) {
  if (rates.size() != counts.size()) return std::nullopt;
  std::vector<SampleRange> ranges;
  for (std::size_t c = 0; c < rates.size(); ++c) {
    const auto rate = SimplestFraction(rates[c]);
    const auto range = rate ? ChannelRange(window, *rate, counts[c]) : std::nullopt;
    if (!range) return std::nullopt;
    ranges.push_back(*range);
  }
  return ranges;
}

double SampleSeconds(std::int64_t k, const SampleRate& rate) {
  return static_cast<double>(k) * static_cast<double>(rate.denominator) /
         static_cast<double>(rate.numerator);
}

std::int64_t WindowCapacity(double rate, double durationSeconds) {
  if (!std::isfinite(rate) || !std::isfinite(durationSeconds) || rate <= 0.0 ||
      durationSeconds <= 0.0) {
    return 0;
  }
  return static_cast<std::int64_t>(std::min(std::ceil(rate * durationSeconds), kTickLimit)) + 1;
}

}  // namespace tapline_info
