#include "window_csv.h"

#include <cmath>

#include "recording_queries.h"
#include "terminal_text.h"

namespace tapline_info {

namespace {

constexpr double kDaysPerSecond = 1.1574074074074073e-05;

}  // namespace

bool ReadWindow(const TaplineLibrary& library, int segmentCount, double startSeconds,
                double durationSeconds, WindowSamples& window, std::string& error) {
  if (!std::isfinite(startSeconds) || startSeconds < 0.0 || !std::isfinite(durationSeconds) ||
      durationSeconds <= 0.0) {
    error = "the window needs a start of 0 s or more and a positive duration";
    return false;
  }
  // RecSecToDate keeps whole seconds only; the fraction is added here.
  const double wholeSeconds = std::floor(startSeconds);
  double date = -1.0;
  double recordingStart = -1.0;
  library.RecSecToDate(wholeSeconds, &date);
  library.RecSecToDate(0.0, &recordingStart);
  if (date == -1.0 || recordingStart == -1.0) {
    error = "the start cannot be converted to a date";
    return false;
  }
  date += (startSeconds - wholeSeconds) * kDaysPerSecond;
  const int segment = library.GetSegment(date);
  if (segment < 0 || segment >= segmentCount) {
    error = "no segment holds the window's start";
    return false;
  }
  const SegmentTimes times = ReadSegmentTimes(library, segmentCount);
  const std::optional<SegmentChannels> channels = ReadSegmentChannels(library, segment);
  if (!channels) {
    error = "the channels of the window's segment cannot be read";
    return false;
  }
  const auto index = static_cast<std::size_t>(segment);
  const double segmentStartSeconds =
      std::nearbyint((times.starts[index] - recordingStart) * 86400.0 * 1e6) / 1e6;
  // The layout from the very day numbers GetData2 receives and GetSegmentTime reports.
  const auto ticks = WindowInSegment(times.starts[index], date, durationSeconds);
  auto ranges = ticks ? WindowRanges(*ticks, channels->values, times.durations[index]) : std::nullopt;
  std::vector<SampleRate> rates;
  for (double value : channels->values) {
    if (const auto rate = SimplestFraction(value)) rates.push_back(*rate);
  }
  if (!ranges || rates.size() != channels->values.size()) {
    error = "the window's samples cannot be laid out by channel (a sampling rate without an"
            " exact fraction, or counts beyond 64 bits)";
    return false;
  }
  std::int64_t needed = 0;
  std::int64_t capacity = 0;
  for (std::size_t channel = 0; channel < ranges->size(); ++channel) {
    needed += (*ranges)[channel].count;
    capacity += WindowCapacity(channels->values[channel], durationSeconds);
  }
  // The capacity bound is what a host must allocate; the exact counts are never more.
  std::vector<std::int16_t> samples(static_cast<std::size_t>(std::max(capacity, needed)) + 1);
  if (library.GetData2(date, durationSeconds, samples.data()) != 1) {
    error = "the library refused the window (does it fit in one segment?)";
    return false;
  }
  samples.resize(static_cast<std::size_t>(needed));
  window.segmentStartSeconds = segmentStartSeconds;
  window.names = channels->names;
  window.rates = std::move(rates);
  window.ranges = std::move(*ranges);
  window.samples = std::move(samples);
  return true;
}

void WriteWindowCsv(std::FILE* out, const WindowSamples& window) {
  std::fputs("channel,time_s,value\n", out);
  std::size_t at = 0;
  for (std::size_t channel = 0; channel < window.ranges.size(); ++channel) {
    const std::string name = CsvField(window.names[channel]);
    const SampleRange& range = window.ranges[channel];
    for (std::int64_t k = 0; k < range.count && at < window.samples.size(); ++k, ++at) {
      const double time =
          window.segmentStartSeconds + SampleSeconds(range.first + k, window.rates[channel]);
      std::fprintf(out, "%s,%.6f,%d\n", name.c_str(), time,
                   window.samples[at]);
    }
  }
}

}  // namespace tapline_info
