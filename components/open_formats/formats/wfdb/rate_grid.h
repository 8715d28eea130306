// Rates whose decimal text is finer than the 100-ns tick grid carries: "0.0166666666667", a
// numerics record's one value a minute, written with 13 digits after the point.
#pragma once

#include <cstdint>
#include <string>

#include "common/result.h"
#include "decimal_text.h"

namespace wfdb {

// A rate's fraction beyond this would not survive the conversion of frames to ticks.
inline constexpr std::int64_t kLargestRateDenominator = 1'000'000'000;

// The rate as written when its denominator is at most kLargestRateDenominator. Else the rate
// whose period is the whole number of ticks nearest the written one's, when that moves no
// tick of the first `ticks` (frames, or annotation ticks) by more than half a tick, or when
// the written text is that rate rounded to the digits it has (the text cannot tell the two
// apart). Refuses otherwise, with the numbers; `what` names the rate ("the frame rate").
common::Result<ExactRate> RateOnTickGrid(ExactRate written, std::int64_t ticks, const std::string& what);

// The rate's exact decimal text ("0.0166666666667"); its denominator divides a power of 10.
std::string DecimalText(ExactRate rate);

}  // namespace wfdb
