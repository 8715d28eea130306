#include "progress_bar.h"

#include <algorithm>

namespace tapline_info {

namespace {

constexpr auto kQuietFor = std::chrono::seconds(1);
constexpr int kBarWidth = 40;

}  // namespace

ProgressBar::ProgressBar(std::FILE* out, bool enabled, std::string label)
    : out(out), enabled(enabled), label(std::move(label)), started(std::chrono::steady_clock::now()) {}

ProgressBar::~ProgressBar() {
  if (drawnPercent < 0) return;
  // Blanks over the bar, without escape sequences a console might not know: the next output
  // starts on a clean line.
  std::fprintf(out, "\r%s\r", std::string(label.size() + kBarWidth + 8, ' ').c_str());
  std::fflush(out);
}

void ProgressBar::Update(double fraction) {
  if (!enabled || std::chrono::steady_clock::now() - started < kQuietFor) return;
  const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
  if (percent == drawnPercent) return;
  drawnPercent = percent;
  const int filled = percent * kBarWidth / 100;
  std::fprintf(out, "\r%s [%s%s] %3d%%", label.c_str(), std::string(filled, '#').c_str(),
               std::string(kBarWidth - filled, ' ').c_str(), percent);
  std::fflush(out);
}

}  // namespace tapline_info
