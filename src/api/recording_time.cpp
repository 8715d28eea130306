#include "api/recording_time.h"

#include <cmath>

namespace api {

namespace {

// A day number of a present-day date holds its time to about a microsecond, so the difference
// of two of them can fall a fraction of a microsecond short of an exact half second, and a
// window that ends right at its segment's whole-second end would round down and be refused.
// Differences this close below a half count as the half. Far below any window a host asks for.
constexpr double kDayNumberSlackSeconds = 1e-5;

}  // namespace

double WholeSecondsBetween(double from, double to) noexcept {
  return std::floor((to - from) * 86400.0 + 0.5 + kDayNumberSlackSeconds);
}

}  // namespace api
