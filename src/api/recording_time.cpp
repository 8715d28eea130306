#include "api/recording_time.h"

#include <cmath>

namespace api {

namespace {

// A day number below 65536 (a date before 2079-06-05) holds its time to about a microsecond,
// so the difference of two of them can fall a fraction of a microsecond short of an exact half
// second, and a window that ends right at its segment's whole-second end would round down and
// be refused. Differences this close below a half count as the half. Far below any window a
// host asks for.
constexpr double kDayNumberSlackSeconds = 1e-5;

// The slack for day numbers of this magnitude: kDayNumberSlackSeconds below 65535, doubling
// with the spacing of doubles beyond (a day number of the year 9999 holds its time to 40 us).
// It widens what is accepted only by what the day numbers themselves cannot tell apart, so
// every component already meets such windows. A whole day below each power of two, as the
// component's window rule steps.
double SlackSeconds(double magnitude) noexcept {
  double slack = kDayNumberSlackSeconds;
  double limit = 65536.0;
  for (int doublings = 0; doublings < 6 && magnitude >= limit - 1.0; ++doublings) {
    slack *= 2.0;
    limit *= 2.0;
  }
  return slack;
}

}  // namespace

double WholeSecondsBetween(double from, double to) noexcept {
  const double slack = SlackSeconds(std::fmax(std::fabs(from), std::fabs(to)));
  return std::floor((to - from) * 86400.0 + 0.5 + slack);
}

}  // namespace api
