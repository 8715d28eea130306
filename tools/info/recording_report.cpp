#include "recording_report.h"

#include <algorithm>

#include "day_number.h"
#include "terminal.h"
#include "terminal_text.h"

namespace tapline_info {

void SampleSummary::Add(std::span<const std::int16_t> samples, std::optional<int> missingValue) {
  for (std::int16_t sample : samples) {
    if (missingValue && sample == *missingValue) {
      ++missing;
      continue;
    }
    minimum = count == 0 ? sample : std::min<int>(minimum, sample);
    maximum = count == 0 ? sample : std::max<int>(maximum, sample);
    ++count;
    sum += sample;
  }
}

double SampleSummary::Mean() const {
  return count == 0 ? 0.0 : static_cast<double>(sum) / static_cast<double>(count);
}

SampleSummary Summarize(std::span<const std::int16_t> samples, std::optional<int> missingValue) {
  SampleSummary summary;
  summary.Add(samples, missingValue);
  return summary;
}

std::optional<int> MissingValueIn(ValueScale scale, const SegmentChannels& channels,
                                  std::size_t channel) {
  if (scale == ValueScale::Digital || channel >= channels.missingValues.size()) return std::nullopt;
  return channels.missingValues[channel];
}

std::vector<SampleSummary> SummarizeByChannel(const SegmentChannels& channels,
                                              std::span<const std::int16_t> samples,
                                              ValueScale scale) {
  std::vector<SampleSummary> summaries;
  std::size_t at = 0;
  for (std::size_t channel = 0; channel < channels.sampleCounts.size(); ++channel) {
    const auto count =
        static_cast<std::size_t>(std::max<std::int64_t>(channels.sampleCounts[channel], 0));
    const std::size_t available = std::min(count, samples.size() - at);
    summaries.push_back(
        Summarize(samples.subspan(at, available), MissingValueIn(scale, channels, channel)));
    at += available;
  }
  return summaries;
}

std::optional<SummaryValues> ValuesOf(const SampleSummary& summary,
                                      const ChannelCalibration* calibration) {
  if (summary.count == 0) return std::nullopt;
  if (calibration == nullptr) {
    return SummaryValues{static_cast<double>(summary.minimum),
                         static_cast<double>(summary.maximum), summary.Mean()};
  }
  const double low = calibration->Physical(summary.minimum);
  const double high = calibration->Physical(summary.maximum);
  // A negative gain turns the stored extremes around.
  return SummaryValues{std::min(low, high), std::max(low, high),
                       calibration->Physical(summary.Mean())};
}

const ChannelCalibration* CalibrationIn(ValueScale scale, const SegmentChannels& channels,
                                        std::size_t channel) {
  if (scale == ValueScale::Digital || channel >= channels.calibrations.size() ||
      !channels.calibrations[channel]) {
    return nullptr;
  }
  return &*channels.calibrations[channel];
}

void PrintSegments(std::FILE* out, const SegmentTimes& times) {
  std::fprintf(out, "Segments: %zu\n", times.starts.size());
  for (std::size_t i = 0; i < times.starts.size(); ++i) {
    std::fprintf(out, "  %2zu  start %s  duration %.3f s\n", i,
                 FormatIsoTime(times.starts[i]).c_str(), times.durations[i]);
  }
}

bool SameChannels(const SegmentChannels& a, const SegmentChannels& b) {
  return a.names == b.names && a.values == b.values && a.calibrations == b.calibrations;
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
    std::fprintf(out, "Warnings: %s\n", TerminalSafe(InReportCodePage(line)).c_str());
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
    PrintSampleSummaries(out, *report.channels.front(), *report.firstSegment, report.scale);
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
                 TerminalSafe(InReportCodePage(event.typeText1)).c_str(),
                 TerminalSafe(InReportCodePage(event.typeText2)).c_str(),
                 TerminalSafe(InReportCodePage(event.label)).c_str());
  }
}

namespace {

void PrintDigitalSummaries(std::FILE* out, const std::vector<std::string>& names,
                           const std::vector<SampleSummary>& summaries) {
  std::fprintf(out, "Samples of segment 0:\n  %2s  %-16s %12s %8s %8s %10s\n",
               "#", "channel", "count", "min", "max", "mean");
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

}  // namespace

void PrintSampleSummaries(std::FILE* out, const SegmentChannels& channels,
                          const std::vector<SampleSummary>& summaries, ValueScale scale) {
  if (scale == ValueScale::Digital) {
    PrintDigitalSummaries(out, channels.names, summaries);
    return;
  }
  std::fprintf(out, "Samples of segment 0:\n  %2s  %-16s %12s %8s %12s %12s %12s  %s\n", "#",
               "channel", "count", "missing", "min", "max", "mean", "unit");
  for (std::size_t channel = 0; channel < channels.names.size() && channel < summaries.size();
       ++channel) {
    const SampleSummary& summary = summaries[channel];
    const ChannelCalibration* calibration = CalibrationIn(scale, channels, channel);
    // A channel without calibration keeps its stored integers, and says so.
    const std::string unit =
        calibration ? TerminalSafe(InReportCodePage(calibration->unit)) : std::string("(digital)");
    std::fprintf(out, "  %2zu  %-16s %12lld %8lld", channel,
                 TerminalSafe(channels.names[channel]).c_str(),
                 static_cast<long long>(summary.count), static_cast<long long>(summary.missing));
    // A file may name no unit: the line then ends with the mean.
    const std::string unitColumn = unit.empty() ? "" : "  " + unit;
    if (const auto physical = ValuesOf(summary, calibration)) {
      std::fprintf(out, " %12.6g %12.6g %12.6g%s\n", physical->minimum, physical->maximum,
                   physical->mean, unitColumn.c_str());
    } else {
      std::fprintf(out, " %12s %12s %12s%s\n", "-", "-", "-", unitColumn.c_str());
    }
  }
}

}  // namespace tapline_info
