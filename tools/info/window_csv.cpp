#include "window_csv.h"

#include <cmath>

#include "recording_queries.h"

namespace tapline_info {

namespace {

constexpr double kDaysPerSecond = 1.0 / 86400.0;

// A CSV field: quoted, with quotes doubled, when it holds a separator, quote or line break.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

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
  std::vector<SampleRange> ranges = WindowRanges(
      channels->values, times.durations[index], startSeconds - segmentStartSeconds, durationSeconds);
  std::int64_t needed = 0;
  std::int64_t capacity = 0;
  for (std::size_t channel = 0; channel < ranges.size(); ++channel) {
    needed += ranges[channel].count;
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
  window.rates = channels->values;
  window.ranges = std::move(ranges);
  window.samples = std::move(samples);
  return true;
}

void WriteWindowCsv(std::FILE* out, const WindowSamples& window) {
  std::fputs("channel,time_s,value\n", out);
  std::size_t at = 0;
  for (std::size_t channel = 0; channel < window.ranges.size(); ++channel) {
    const std::string name = CsvField(window.names[channel]);
    const SampleRange& range = window.ranges[channel];
    const double rate = window.rates[channel];
    for (std::int64_t k = 0; k < range.count && at < window.samples.size(); ++k, ++at) {
      const double time = window.segmentStartSeconds + static_cast<double>(range.first + k) / rate;
      std::fprintf(out, "%s,%.6f,%d\n", name.c_str(), time,
                   window.samples[at]);
    }
  }
}

}  // namespace tapline_info
