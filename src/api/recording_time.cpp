#include "api/recording_time.h"

#include <cmath>

namespace api {

double WholeSecondsBetween(double from, double to) noexcept {
  return std::floor((to - from) * 86400.0 + 0.5);
}

}  // namespace api
