#include "recording_report.h"

#include <algorithm>

#include "day_number.h"
#include "terminal_text.h"

namespace tapline_info {

void SampleSummary::Add(std::span<const std::int16_t> samples) {
  if (samples.empty()) return;
  const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
  minimum = count == 0 ? *low : std::min<int>(minimum, *low);
  maximum = count == 0 ? *high : std::max<int>(maximum, *high);
  count += static_cast<std::int64_t>(samples.size());
  for (std::int16_t sample : samples) sum += sample;
}

double SampleSummary::Mean() const {
  return count == 0 ? 0.0 : static_cast<double>(sum) / static_cast<double>(count);
}

SampleSummary Summarize(std::span<const std::int16_t> samples) {
  SampleSummary summary;
  summary.Add(samples);
  return summary;
}

std::vector<SampleSummary> SummarizeByChannel(const SegmentChannels& channels,
                                              std::span<const std::int16_t> samples) {
  std::vector<SampleSummary> summaries;
  std::size_t at = 0;
  for (std::int64_t channelCount : channels.sampleCounts) {
    const auto count = static_cast<std::size_t>(std::max<std::int64_t>(channelCount, 0));
    const std::size_t available = std::min(count, samples.size() - at);
    summaries.push_back(Summarize(samples.subspan(at, available)));
    at += available;
  }
  return summaries;
}

void PrintSegments(std::FILE* out, const SegmentTimes& times) {
  std::fprintf(out, "Segments: %zu\n", times.starts.size());
  for (std::size_t i = 0; i < times.starts.size(); ++i) {
    std::fprintf(out, "  %2zu  start %s  duration %.3f s\n", i,
                 FormatIsoTime(times.starts[i]).c_str(), times.durations[i]);
  }
}

bool SameChannels(const SegmentChannels& a, const SegmentChannels& b) {
  return a.names == b.names && a.values == b.values;
}

namespace {

void PrintChannelRow(std::FILE* out, const SegmentChannels& layout, std::size_t channel) {
  std::fprintf(out, "  %2zu  %-16s %10g Hz ", channel, TerminalSafe(layout.names[channel]).c_str(),
               layout.values[channel]);
}

void PrintCount(std::FILE* out, const SegmentChannels& segment, std::size_t channel) {
  if (channel < segment.sampleCounts.size()) {
    std::fprintf(out, " %9lld", static_cast<long long>(segment.sampleCounts[channel]));
  } else {
    std::fprintf(out, " %9s", "-");
  }
}

}  // namespace

void PrintChannels(std::FILE* out, const std::vector<std::optional<SegmentChannels>>& channels) {
  if (channels.empty() || !channels.front()) {
    std::fprintf(out, "Channels: not readable\n");
    return;
  }
  const SegmentChannels& first = *channels.front();
  std::fprintf(out, "Channels: %zu (samples per segment)\n", first.names.size());
  for (std::size_t channel = 0; channel < first.names.size(); ++channel) {
    PrintChannelRow(out, first, channel);
    for (const std::optional<SegmentChannels>& segment : channels) {
      if (segment && SameChannels(*segment, first)) {
        PrintCount(out, *segment, channel);
      } else {
        std::fprintf(out, " %9s", "-");
      }
    }
    std::fputc('\n', out);
  }
  // A segment with other channels (a WFDB record's variable layout) gets a table of its own.
  for (std::size_t s = 1; s < channels.size(); ++s) {
    if (!channels[s] || SameChannels(*channels[s], first)) continue;
    std::fprintf(out, "Channels of segment %zu: %zu\n", s, channels[s]->names.size());
    for (std::size_t channel = 0; channel < channels[s]->names.size(); ++channel) {
      PrintChannelRow(out, *channels[s], channel);
      PrintCount(out, *channels[s], channel);
      std::fputc('\n', out);
    }
  }
}

void PrintChannelNames(std::FILE* out, const std::optional<std::vector<std::string>>& names) {
  if (!names) {
    std::fprintf(out, "Channels: not readable\n");
    return;
  }
  std::fprintf(out, "Channels: %zu\n", names->size());
  for (std::size_t channel = 0; channel < names->size(); ++channel) {
    std::fprintf(out, "  %2zu  %s\n", channel, TerminalSafe((*names)[channel]).c_str());
  }
}

void PrintReportHeading(std::FILE* out, const RecordingReport& report) {
  std::fprintf(out, "Recording: %s\n", TerminalSafe(report.file).c_str());
  if (!report.warnings.empty()) {
    std::string line;
    for (const std::string& warning : report.warnings) {
      line += (line.empty() ? "" : "; ") + warning;
    }
    std::fprintf(out, "Warnings: %s\n", TerminalSafe(line).c_str());
  }
  PrintSegments(out, report.times);
  if (report.headerOnly) {
    PrintChannelNames(out, report.channelNames);
  } else {
    PrintChannels(out, report.channels);
  }
  PrintEvents(out, report.events);
}

void PrintReportStatistics(std::FILE* out, const RecordingReport& report) {
  if (!report.HasFirstSegmentChannels()) return;
  if (report.firstSegment) {
    PrintSampleSummaries(out, report.channels.front()->names, *report.firstSegment);
  } else {
    std::fputs("Samples of segment 0: not readable\n", out);
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
                 TerminalSafe(event.typeText1).c_str(), TerminalSafe(event.typeText2).c_str(),
                 TerminalSafe(event.label).c_str());
  }
}

void PrintSampleSummaries(std::FILE* out, const std::vector<std::string>& names,
                          const std::vector<SampleSummary>& summaries) {
  std::fprintf(out, "Samples of segment 0:\n  %2s  %-16s %12s %8s %8s %10s\n", "#", "channel",
               "count", "min", "max", "mean");
  for (std::size_t channel = 0; channel < names.size() && channel < summaries.size(); ++channel) {
    const SampleSummary& summary = summaries[channel];
    const std::string name = TerminalSafe(names[channel]);
    if (summary.count == 0) {
      std::fprintf(out, "  %2zu  %-16s %12d %8s %8s %10s\n", channel, name.c_str(), 0, "-", "-", "-");
      continue;
    }
    std::fprintf(out, "  %2zu  %-16s %12lld %8d %8d %10.3f\n", channel, name.c_str(),
                 static_cast<long long>(summary.count), summary.minimum, summary.maximum,
                 summary.Mean());
  }
}

}  // namespace tapline_info
