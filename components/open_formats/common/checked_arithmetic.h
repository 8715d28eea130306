// 64-bit sums and products of values that come from a file, with the overflow caught instead
// of wrapped. Both operands must be non-negative (counts, sizes, offsets): a negative one is
// refused like an overflow, so a caller needs one test, not two. Results are exact or nullopt,
// never clamped. Plain integer arithmetic on purpose: every compiler the component builds with
// has it, which is not true of 128-bit integers or overflow builtins. Pure inline
// functions, safe from any thread.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>

namespace common {

// a x b for a, b >= 0; nullopt when the product does not fit in 63 bits.
inline std::optional<std::int64_t> CheckedMultiply(std::int64_t a, std::int64_t b) {
  if (a < 0 || b < 0) return std::nullopt;
  if (b != 0 && a > std::numeric_limits<std::int64_t>::max() / b) return std::nullopt;
  return a * b;
}

// a + b for a, b >= 0; nullopt when the sum does not fit in 63 bits.
inline std::optional<std::int64_t> CheckedAdd(std::int64_t a, std::int64_t b) {
  if (a < 0 || b < 0 || a > std::numeric_limits<std::int64_t>::max() - b) return std::nullopt;
  return a + b;
}

}  // namespace common
