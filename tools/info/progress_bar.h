// A progress bar for long reads, drawn on one line of a terminal and only once the work has
// taken longer than a second, so that quick runs and redirected output stay as they were.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace tapline_info {

class ProgressBar {
 public:
  // Draws on `out` only when `enabled` (callers pass whether `out` is a terminal).
  ProgressBar(std::FILE* out, bool enabled, std::string label);
  // Erases the bar if it was drawn.
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // fraction in [0, 1] of the work done.
  void Update(double fraction);

 private:
  std::FILE* out;
  bool enabled;
  std::string label;
  std::chrono::steady_clock::time_point started;
  int drawnPercent = -1;
};

}  // namespace tapline_info
