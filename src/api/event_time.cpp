#include "api/event_time.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace api {
namespace {

constexpr double kTwoTo31 = 2147483648.0;
constexpr double kTwoTo63 = 9223372036854775808.0;

// The conversions below are defined only for values whose truncation fits the integer type.
bool CountableInWholeSeconds(const RecordingTime& time) {
  return std::isfinite(time.days) && std::isfinite(time.seconds) && std::fabs(time.seconds) < kTwoTo31 &&
         std::fabs(time.days * 86400.0) < kTwoTo63;
}

}  // namespace

void NormalizeEventTime(RecordingTime& time) noexcept {
  if (!CountableInWholeSeconds(time)) return;
  const auto wholeSeconds = static_cast<std::int32_t>(time.seconds);
  // Doubles this close to 2^63 are multiples of 1024, so adding half a second cannot reach it.
  const auto dayTicks = static_cast<std::int64_t>(time.days * 86400.0 + 0.5);
  double fraction = time.seconds - wholeSeconds;
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  // dayTicks + wholeSeconds, and the borrow below, must stay within 64 bits.
  if (wholeSeconds > 0 ? dayTicks > kMax - wholeSeconds : dayTicks < kMin - wholeSeconds) return;
  std::int64_t total = dayTicks + wholeSeconds;
  if (fraction < 0) {
    if (total == kMin) return;
    fraction += 1.0;
    total -= 1;
  }
  time.seconds = fraction;
  time.days = static_cast<double>(total) * kDaysPerSecond;
}

}  // namespace api
