#include "gdf_time.h"

#include <string>

#include "model/recording_model.h"
#include "model/time_range.h"

namespace gdf {

namespace {

// Days from 0000-01-00 to 1899-12-30.
constexpr std::int64_t kDatenumOfDayZero = 693960;
// The largest power of ten within a day's microseconds (8.64 x 10^10).
constexpr std::int64_t kLargestDecimalUnit = std::int64_t{10'000'000'000};

// The first whole microsecond at or after `steps` x 2^-32 day (steps <= 2^32), in two
// products that stay within 64 bits.
std::int64_t MicrosecondAtOrAfter(std::uint64_t steps) {
  const std::uint64_t seconds = steps * 86400;  // x 2^-32
  const std::uint64_t rest = (seconds & 0xFFFFFFFFu) * 1000000;
  const std::uint64_t micros = (seconds >> 32) * 1000000 + (rest >> 32);
  return static_cast<std::int64_t>(micros + ((rest & 0xFFFFFFFFu) != 0 ? 1 : 0));
}

}  // namespace

common::Result<std::int64_t> TicksOfTime(std::uint64_t value) {
  const auto days = static_cast<std::int64_t>(value >> 32);
  const std::uint64_t fraction = value & 0xFFFFFFFFu;
  if (days < kDatenumOfDayZero || days - kDatenumOfDayZero >= model::kDayNumberLimit) {
    return common::Result<std::int64_t>::Refuse("the time " + std::to_string(days) +
                                                " days since year 0 lies outside " +
                                                model::DateRangeText());
  }
  const std::int64_t low = MicrosecondAtOrAfter(fraction);       // first microsecond in the step
  const std::int64_t high = MicrosecondAtOrAfter(fraction + 1);  // first one after it
  std::int64_t micros = low;
  for (std::int64_t unit = kLargestDecimalUnit; unit >= 1; unit /= 10) {
    const std::int64_t rounded = (low + unit - 1) / unit * unit;
    if (rounded < high || unit == 1) {
      micros = rounded;
      break;
    }
  }
  return (days - kDatenumOfDayZero) * model::kTicksPerDay + micros * 10;
}

}  // namespace gdf
