// Event times as hosts receive them: rounded to whole seconds in `days`, the fraction of a
// second kept apart in `seconds`.
#pragma once

#include "api/recording_time.h"

namespace api {

// Moves the whole seconds of `time` into `days` (as a whole number of seconds expressed in
// days) and leaves the fraction, in [0, 1), in `seconds`. `days` is first rounded to whole
// seconds by adding half a second and truncating toward zero, so -10.6 s gives -10 s and
// +10.6 s gives 11 s; `seconds` is truncated toward zero and a negative fraction borrows a
// second.
// A time that cannot be counted in whole seconds is left exactly as it is: a non-finite
// member, |seconds| >= 2^31, |days x 86400| >= 2^63, or a sum of whole seconds beyond the
// 64-bit range.
void NormalizeEventTime(RecordingTime& time) noexcept;

}  // namespace api
