#include "time_conversion.h"

#include <cmath>

#include "format/numeric_fields.h"

namespace edf_component {

namespace {

constexpr double kLimitSeconds = 1e11;
constexpr double kDayGridPerSecond = 1e5;  // steps of 10 us
constexpr std::int64_t kTicksPerDayGridStep = edf::kTicksPerSecond / 100'000;

}  // namespace

DayTime ToDayTime(std::int64_t startSecond, std::int64_t ticks) {
  std::int64_t whole = ticks / edf::kTicksPerSecond;
  std::int64_t rest = ticks % edf::kTicksPerSecond;
  if (rest < 0) {  // the rest must be a non-negative fraction
    rest += edf::kTicksPerSecond;
    whole -= 1;
  }
  return {static_cast<double>(startSecond + whole) / 86400.0,
          static_cast<double>(rest) / static_cast<double>(edf::kTicksPerSecond)};
}

std::optional<std::int64_t> SecondsToTicks(double seconds) {
  if (!std::isfinite(seconds) || std::fabs(seconds) > kLimitSeconds) return std::nullopt;
  return std::llround(seconds * static_cast<double>(edf::kTicksPerSecond));
}

double TicksToSeconds(std::int64_t ticks) {
  return static_cast<double>(ticks) / static_cast<double>(edf::kTicksPerSecond);
}

std::int64_t CeilToWholeSecond(std::int64_t ticks) {
  std::int64_t whole = ticks / edf::kTicksPerSecond;
  if (ticks % edf::kTicksPerSecond > 0) ++whole;  // division truncates toward zero
  return whole * edf::kTicksPerSecond;
}

std::optional<std::int64_t> FromDayTime(std::int64_t startSecond, double days, double seconds) {
  if (!std::isfinite(days)) return std::nullopt;
  const double startDays = static_cast<double>(startSecond) / 86400.0;
  const double daySeconds = (days - startDays) * 86400.0;
  if (!std::isfinite(daySeconds) || std::fabs(daySeconds) > kLimitSeconds) return std::nullopt;
  const std::int64_t dayTicks = std::llround(daySeconds * kDayGridPerSecond) * kTicksPerDayGridStep;
  const std::optional<std::int64_t> restTicks = SecondsToTicks(seconds);
  if (!restTicks) return std::nullopt;
  return dayTicks + *restTicks;
}

}  // namespace edf_component
