#include "packets/time_conversion.h"

#include <cmath>

#include "model/recording_model.h"

namespace open_formats {

namespace {

constexpr double kLimitSeconds = 1e11;

}  // namespace

DayTime ToDayTime(std::int64_t ticks) {
  std::int64_t whole = ticks / model::kTicksPerSecond;
  std::int64_t rest = ticks % model::kTicksPerSecond;
  if (rest < 0) {  // the rest must be a non-negative fraction
    rest += model::kTicksPerSecond;
    whole -= 1;
  }
  return {static_cast<double>(whole) / 86400.0,
          static_cast<double>(rest) / static_cast<double>(model::kTicksPerSecond)};
}

std::optional<std::int64_t> SecondsToTicks(double seconds) {
  if (!std::isfinite(seconds) || std::fabs(seconds) > kLimitSeconds) return std::nullopt;
  const double ticks = seconds * static_cast<double>(model::kTicksPerSecond);
  return static_cast<std::int64_t>(std::nearbyint(ticks));
}

double TicksToSeconds(std::int64_t ticks) {
  return static_cast<double>(ticks) / static_cast<double>(model::kTicksPerSecond);
}

std::int64_t CeilToWholeSecond(std::int64_t ticks) {
  std::int64_t whole = ticks / model::kTicksPerSecond;
  if (ticks % model::kTicksPerSecond > 0) ++whole;  // division truncates toward zero
  return whole * model::kTicksPerSecond;
}

}  // namespace open_formats
