#include "recording_report.h"

#include <algorithm>

#include "day_number.h"

namespace tapline_info {

SampleSummary Summarize(std::span<const std::int16_t> samples) {
  SampleSummary summary;
  if (samples.empty()) return summary;
  summary.count = static_cast<std::int64_t>(samples.size());
  const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
  summary.minimum = *low;
  summary.maximum = *high;
  // An int64 sum of int16 values cannot overflow below 2^48 samples.
  std::int64_t sum = 0;
  for (std::int16_t sample : samples) sum += sample;
  summary.mean = static_cast<double>(sum) / static_cast<double>(summary.count);
  return summary;
}

void PrintSegments(std::FILE* out, const SegmentTimes& times) {
  std::fprintf(out, "Segments: %zu\n", times.starts.size());
  for (std::size_t i = 0; i < times.starts.size(); ++i) {
    std::fprintf(out, "  %2zu  start %s  duration %.3f s\n", i,
                 FormatIsoTime(times.starts[i]).c_str(), times.durations[i]);
  }
}

void PrintChannels(std::FILE* out, const std::vector<std::optional<SegmentChannels>>& channels) {
  if (channels.empty() || !channels.front()) {
    std::fprintf(out, "Channels: not readable\n");
    return;
  }
  const SegmentChannels& first = *channels.front();
  std::fprintf(out, "Channels: %zu (samples per segment)\n", first.names.size());
  for (std::size_t channel = 0; channel < first.names.size(); ++channel) {
    std::fprintf(out, "  %2zu  %-16s %10g Hz ", channel, first.names[channel].c_str(),
                 first.values[channel]);
    for (const std::optional<SegmentChannels>& segment : channels) {
      if (segment && channel < segment->sampleCounts.size()) {
        std::fprintf(out, " %9d", segment->sampleCounts[channel]);
      } else {
        std::fprintf(out, " %9s", "-");
      }
    }
    std::fputc('\n', out);
  }
}

void PrintEvents(std::FILE* out, const std::vector<EventEntry>& events) {
  std::fprintf(out, "Events: %zu\n", events.size());
  for (std::size_t i = 0; i < events.size(); ++i) {
    const EventEntry& event = events[i];
    if (event.typeIndex < 0) {
      std::fprintf(out, "  %3zu  not readable\n", i);
      continue;
    }
    std::fprintf(out, "  %3zu  %s  %8.3f s  type %d \"%s\" (%s)  label \"%s\"\n", i,
                 FormatIsoTime(event.time).c_str(), event.duration, event.typeIndex,
                 event.typeText1.c_str(), event.typeText2.c_str(), event.label.c_str());
  }
}

void PrintSampleSummaries(std::FILE* out, const SegmentChannels& channels,
                          std::span<const std::int16_t> samples) {
  std::fprintf(out, "Samples of segment 0:\n  %2s  %-16s %12s %8s %8s %10s\n", "#", "channel",
               "count", "min", "max", "mean");
  std::size_t at = 0;
  for (std::size_t channel = 0; channel < channels.names.size(); ++channel) {
    const auto count = static_cast<std::size_t>(std::max(channels.sampleCounts[channel], 0));
    const std::size_t available = std::min(count, samples.size() - at);
    const SampleSummary summary = Summarize(samples.subspan(at, available));
    at += available;
    if (summary.count == 0) {
      std::fprintf(out, "  %2zu  %-16s %12d %8s %8s %10s\n", channel,
                   channels.names[channel].c_str(), 0, "-", "-", "-");
      continue;
    }
    std::fprintf(out, "  %2zu  %-16s %12lld %8d %8d %10.3f\n", channel,
                 channels.names[channel].c_str(), static_cast<long long>(summary.count),
                 summary.minimum, summary.maximum, summary.mean);
  }
}

}  // namespace tapline_info
