// Wall and processor time of an action, for the benchmarks that print both because the machine
// may be shared.
#pragma once

#include <chrono>
#include <ctime>

namespace bench {

struct Timing {
  double wall = 0.0;       // seconds
  double processor = 0.0;  // seconds of this process's processor time
};

template <typename Action>
Timing Time(Action action) {
  using Clock = std::chrono::steady_clock;
  const auto processorSeconds = [] { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; };
  const Clock::time_point start = Clock::now();
  const double processorStart = processorSeconds();
  action();
  return {std::chrono::duration<double>(Clock::now() - start).count(), processorSeconds() - processorStart};
}

}  // namespace bench
