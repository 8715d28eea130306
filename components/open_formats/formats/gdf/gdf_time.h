// GDF 2's times: days since 0000-01-00 (MATLAB's datenum) in 32.32 fixed point, whose steps
// are 2^-32 day (about 20 us). Writers round their clock down to a step, so a time is read as
// the whole microsecond within its step that has the fewest digits: BioSig's 09:30:00 comes
// back as 09:30:00.000000, not 09:29:59.999992.
#pragma once

#include <cstdint>

#include "common/result.h"

namespace gdf {

// Ticks since 1899-12-30 00:00 of a time; refuses one outside the dates recordings may have.
common::Result<std::int64_t> TicksOfTime(std::uint64_t value);

}  // namespace gdf
