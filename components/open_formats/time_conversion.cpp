#include "time_conversion.h"

#include <cmath>

#include "formats/edf/numeric_fields.h"

namespace edf_component {

namespace {

constexpr double kLimitSeconds = 1e11;

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
  return static_cast<std::int64_t>(std::nearbyint(seconds * static_cast<double>(edf::kTicksPerSecond)));
}

double TicksToSeconds(std::int64_t ticks) {
  return static_cast<double>(ticks) / static_cast<double>(edf::kTicksPerSecond);
}

std::int64_t CeilToWholeSecond(std::int64_t ticks) {
  std::int64_t whole = ticks / edf::kTicksPerSecond;
  if (ticks % edf::kTicksPerSecond > 0) ++whole;  // division truncates toward zero
  return whole * edf::kTicksPerSecond;
}

}  // namespace edf_component
