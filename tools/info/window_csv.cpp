#include "window_csv.h"

#include <algorithm>
#include <cmath>

#include "day_number.h"
#include "recording_queries.h"
#include "terminal_text.h"

namespace tapline_info {

namespace {

constexpr double kDaysPerSecond = 1.1574074074074073e-05;

// Seconds to the microsecond, without trailing zeros: "90", "91.5".
std::string SecondsText(double seconds) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6f", seconds);
  std::string shown = text;
  if (shown.find('.') != std::string::npos) {
    shown.erase(shown.find_last_not_of('0') + 1);
    if (shown.back() == '.') shown.pop_back();
  }
  return shown + " s";
}

// The whole seconds the library allows a window from startDay in a segment: it rounds the
// seconds from the start to the segment's end, as the open formats component reports that end
// (rounded up to a whole second), to the nearest whole number. The end's own rounding in a day
// number (well below 10 us) is not taken for a fraction of a second.
double SecondsTheLibraryAllows(double segmentStartDay, double segmentSeconds, double startDay) {
  const double reportedEnd = std::ceil(segmentStartDay * 86400.0 + segmentSeconds - 1e-5);
  return std::floor((reportedEnd / 86400.0 - startDay) * 86400.0 + 0.5 + 1e-5);
}

}  // namespace

std::optional<std::size_t> PlaceWindow(const SegmentTimes& times, double startSeconds,
                                       double durationSeconds, std::string& error) {
  if (!std::isfinite(startSeconds) || startSeconds < 0.0 || !std::isfinite(durationSeconds) ||
      durationSeconds <= 0.0) {
    error = "the window needs a start of 0 s or more and a positive duration";
    return std::nullopt;
  }
  if (times.starts.empty()) {
    error = "the recording has no segments, so no samples";
    return std::nullopt;
  }
  // Microseconds; a start of ages ahead lies after every segment all the same.
  const auto micro = [](double seconds) { return std::llround(std::min(seconds * 1e6, 9e18)); };
  const auto bounds = [&](std::size_t i) {
    const double from = SecondsBetween(times.starts.front(), times.starts[i]);
    return std::make_pair(from, from + times.durations[i]);
  };
  const auto describe = [&](std::size_t i) {
    const auto [from, to] = bounds(i);
    return "segment " + std::to_string(i) + " spans " + SecondsText(from) + " to " +
           SecondsText(to) + "; " +
           (i + 1 == times.starts.size()
                ? std::string("it is the last segment")
                : "segment " + std::to_string(i + 1) + " starts at " + SecondsText(bounds(i + 1).first));
  };
  for (std::size_t i = 0; i < times.starts.size(); ++i) {
    const auto [from, to] = bounds(i);
    if (micro(startSeconds) < micro(from) || micro(startSeconds) >= micro(to)) continue;
    if (micro(startSeconds + durationSeconds) > micro(to)) {
      error = "the window " + SecondsText(startSeconds) + " to " +
              SecondsText(startSeconds + durationSeconds) + " does not fit its segment: " +
              describe(i);
      return std::nullopt;
    }
    // The very day number ReadWindow passes to GetData2.
    const double startDay = times.starts[i] + (startSeconds - from) * kDaysPerSecond;
    const double allowed = SecondsTheLibraryAllows(times.starts[i], times.durations[i], startDay);
    if (durationSeconds > allowed) {
      error = "the library refuses the window " + SecondsText(startSeconds) + " to " +
              SecondsText(startSeconds + durationSeconds) + ": it allows " + SecondsText(allowed) +
              " from that start, the whole seconds to the segment's end rounded up to a whole"
              " second; " + describe(i);
      return std::nullopt;
    }
    return i;
  }
  // In a gap or after the end: the segment before the start is the one to name.
  std::size_t before = 0;
  while (before + 1 < times.starts.size() &&
         micro(bounds(before + 1).first) <= micro(startSeconds)) {
    ++before;
  }
  error = "no segment holds " + SecondsText(startSeconds) + ": " + describe(before);
  return std::nullopt;
}

bool ReadWindow(const TaplineLibrary& library, int segmentCount, double startSeconds,
                double durationSeconds, WindowSamples& window, std::string& error) {
  const SegmentTimes times = ReadSegmentTimes(library, segmentCount);
  const std::optional<std::size_t> placed =
      PlaceWindow(times, startSeconds, durationSeconds, error);
  if (!placed) return false;
  const std::size_t index = *placed;
  const int segment = static_cast<int>(index);
  std::optional<SegmentChannels> channels =
      ReadSegmentChannels(library, segment, times.starts[index], times.durations[index]);
  if (!channels) {
    error = "the channels of the window's segment cannot be read";
    return false;
  }
  const double segmentStartSeconds = SecondsBetween(times.starts.front(), times.starts[index]);
  const double date = times.starts[index] + (startSeconds - segmentStartSeconds) * kDaysPerSecond;
  std::vector<int> counts(channels->names.size(), 0);
  if (!counts.empty() &&
      library.GetWindowCounts(date, durationSeconds, counts.data(), static_cast<int>(counts.size())) != 1) {
    error = "the library refuses the window";
    return false;
  }
  // Where each channel's samples start, from the very day numbers GetData2 receives and
  // GetSegmentTime reports; the library's counts must be the rule's.
  const auto ticks = WindowInSegment(times.starts[index], date, durationSeconds,
                                     WindowShiftTicks(times.starts, times.durations));
  auto ranges =
      ticks ? WindowRanges(*ticks, channels->values, channels->sampleCounts) : std::nullopt;
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
  for (std::size_t channel = 0; channel < ranges->size(); ++channel) {
    if ((*ranges)[channel].count != counts[channel]) {
      error = "the library counts " + std::to_string(counts[channel]) + " samples of channel " +
              std::to_string(channel) + " in the window, the window rule " +
              std::to_string((*ranges)[channel].count);
      return false;
    }
    needed += counts[channel];
  }
  // One spare element keeps data() valid for a window without samples.
  std::vector<std::int16_t> samples(static_cast<std::size_t>(needed) + 1);
  if (library.GetData2(date, durationSeconds, samples.data()) != 1) {
    error = "the library refused the window";
    return false;
  }
  samples.pop_back();
  window.segmentStartSeconds = segmentStartSeconds;
  window.channels = std::move(*channels);
  window.rates = std::move(rates);
  window.ranges = std::move(*ranges);
  window.samples = std::move(samples);
  return true;
}

void WriteWindowCsv(std::FILE* out, const WindowSamples& window, ValueScale scale) {
  std::fputs(scale == ValueScale::Digital ? "channel,time_s,value\n" : "channel,time_s,value,unit\n",
             out);
  std::size_t at = 0;
  for (std::size_t channel = 0; channel < window.ranges.size(); ++channel) {
    const std::string name = CsvField(window.channels.names[channel]);
    const ChannelCalibration* calibration = CalibrationIn(scale, window.channels, channel);
    const std::optional<int> missing = MissingValueIn(scale, window.channels, channel);
    const std::string unit = calibration ? CsvField(calibration->unit) : std::string();
    const SampleRange& range = window.ranges[channel];
    for (std::int64_t k = 0; k < range.count && at < window.samples.size(); ++k, ++at) {
      const double time =
          window.segmentStartSeconds + SampleSeconds(range.first + k, window.rates[channel]);
      const int stored = window.samples[at];
      if (scale == ValueScale::Digital) {
        std::fprintf(out, "%s,%.6f,%d\n", name.c_str(), time, stored);
      } else if (missing && stored == *missing) {
        std::fprintf(out, "%s,%.6f,,%s\n", name.c_str(), time, unit.c_str());
      } else if (calibration) {
        std::fprintf(out, "%s,%.6f,%.10g,%s\n", name.c_str(), time, calibration->Physical(stored),
                     unit.c_str());
      } else {
        std::fprintf(out, "%s,%.6f,%d,\n", name.c_str(), time, stored);
      }
    }
  }
}

}  // namespace tapline_info
