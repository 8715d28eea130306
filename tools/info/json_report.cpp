#include "json_report.h"

#include <cmath>

#include "day_number.h"
#include "terminal_text.h"

namespace tapline_info {

namespace {

std::string Number(double value, const char* format) {
  if (!std::isfinite(value)) return "null";
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Seconds(double value) { return Number(value, "%.6f"); }

std::string Day(double value) { return Number(value, "%.17g"); }

std::string Exact(double value) { return Number(value, "%.17g"); }

// "gain", "offset" and "unit" of a channel, null each when the file gives no physical values.
std::string CalibrationFields(const SegmentChannels& channels, std::size_t channel) {
  const std::optional<ChannelCalibration>& calibration =
      channel < channels.calibrations.size() ? channels.calibrations[channel] : std::nullopt;
  if (!calibration) return ", \"gain\": null, \"offset\": null, \"unit\": null";
  return ", \"gain\": " + Exact(calibration->gain) + ", \"offset\": " +
         Exact(calibration->offset) + ", \"unit\": " + JsonString(calibration->unit);
}

void WriteSegments(std::FILE* out, const SegmentTimes& times) {
  std::fputs("\"segments\": [", out);
  for (std::size_t i = 0; i < times.starts.size(); ++i) {
    std::fprintf(out, "%s\n    {\"start\": \"%s\", \"start_day\": %s, \"offset_s\": %s, "
                      "\"duration_s\": %s}",
                 i == 0 ? "" : ",", FormatIsoTime(times.starts[i]).c_str(), Day(times.starts[i]).c_str(),
                 Seconds(SecondsBetween(times.starts.front(), times.starts[i])).c_str(),
                 Seconds(times.durations[i]).c_str());
  }
  std::fputs(times.starts.empty() ? "]" : "\n  ]", out);
}

void WriteChannels(std::FILE* out, const RecordingReport& report) {
  std::fputs("\"channels\": ", out);
  if (report.headerOnly ? !report.channelNames : report.channels.empty() || !report.channels.front()) {
    std::fputs(report.headerOnly || !report.channels.empty() ? "null" : "[]", out);
    return;
  }
  const std::vector<std::string>& names =
      report.headerOnly ? *report.channelNames : report.channels.front()->names;
  std::fputs("[", out);
  for (std::size_t c = 0; c < names.size(); ++c) {
    std::fprintf(out, "%s\n    {\"name\": %s", c == 0 ? "" : ",", JsonString(names[c]).c_str());
    if (!report.headerOnly) {
      std::fprintf(out, ", \"rate_hz\": %s%s, \"samples\": [",
                   Exact(report.channels.front()->values[c]).c_str(),
                   CalibrationFields(*report.channels.front(), c).c_str());
      for (std::size_t s = 0; s < report.channels.size(); ++s) {
        const std::optional<SegmentChannels>& segment = report.channels[s];
        if (segment && SameChannels(*segment, *report.channels.front()) &&
            c < segment->sampleCounts.size()) {
          std::fprintf(out, "%s%lld", s == 0 ? "" : ", ",
                       static_cast<long long>(segment->sampleCounts[c]));
        } else {
          std::fprintf(out, "%snull", s == 0 ? "" : ", ");
        }
      }
      std::fputs("]", out);
    }
    std::fputs("}", out);
  }
  std::fputs(names.empty() ? "]" : "\n  ]", out);
}

// The segments whose channels differ from the first segment's (a WFDB record's variable
// layout), each with its own channels; nothing when there are none.
void WriteOtherChannels(std::FILE* out, const RecordingReport& report) {
  if (report.headerOnly || report.channels.empty() || !report.channels.front()) return;
  const SegmentChannels& first = *report.channels.front();
  bool any = false;
  for (std::size_t s = 1; s < report.channels.size(); ++s) {
    const std::optional<SegmentChannels>& segment = report.channels[s];
    if (!segment || SameChannels(*segment, first)) continue;
    std::fprintf(out, "%s\n    {\"segment\": %zu, \"channels\": [", any ? "," : ",\n  \"other_channels\": [", s);
    any = true;
    for (std::size_t c = 0; c < segment->names.size(); ++c) {
      std::fprintf(out, "%s{\"name\": %s, \"rate_hz\": %s%s, \"samples\": ", c == 0 ? "" : ", ",
                   JsonString(segment->names[c]).c_str(), Exact(segment->values[c]).c_str(),
                   CalibrationFields(*segment, c).c_str());
      if (c < segment->sampleCounts.size()) {
        std::fprintf(out, "%lld}", static_cast<long long>(segment->sampleCounts[c]));
      } else {
        std::fputs("null}", out);
      }
    }
    std::fputs("]}", out);
  }
  if (any) std::fputs("\n  ]", out);
}

void WriteEvents(std::FILE* out, const RecordingReport& report) {
  std::fputs("\"events\": [", out);
  const double zero = report.times.starts.empty() ? NAN : report.times.starts.front();
  for (std::size_t i = 0; i < report.events.size(); ++i) {
    const EventEntry& event = report.events[i];
    std::fputs(i == 0 ? "\n    " : ",\n    ", out);
    if (event.typeIndex < 0) {
      std::fputs("null", out);
      continue;
    }
    std::fprintf(out, "{\"time\": \"%s\", \"day\": %s, \"onset_s\": %s, \"duration_s\": %s, "
                      "\"type\": %d, \"type_text1\": %s, \"type_text2\": %s, \"label\": %s}",
                 FormatIsoTime(event.time).c_str(), Day(event.time).c_str(),
                 Seconds(SecondsBetween(zero, event.time)).c_str(), Seconds(event.duration).c_str(),
                 event.typeIndex, JsonString(event.typeText1).c_str(),
                 JsonString(event.typeText2).c_str(), JsonString(event.label).c_str());
  }
  std::fputs(report.events.empty() ? "]" : "\n  ]", out);
}

// Physical values with their unit (the stored integers, unit null, for a channel without
// calibration), missing samples counted apart; with --digital the stored integers of every
// sample.
void WriteStatistics(std::FILE* out, const RecordingReport& report) {
  std::fputs("\"first_segment_samples\": ", out);
  if (!report.firstSegment) {
    std::fputs("null", out);
    return;
  }
  const SegmentChannels& channels = *report.channels.front();
  std::fputs("[", out);
  for (std::size_t c = 0; c < channels.names.size() && c < report.firstSegment->size(); ++c) {
    const SampleSummary& summary = (*report.firstSegment)[c];
    const ChannelCalibration* calibration = CalibrationIn(report.scale, channels, c);
    std::fprintf(out, "%s\n    {\"channel\": %s, \"count\": %lld", c == 0 ? "" : ",",
                 JsonString(channels.names[c]).c_str(), static_cast<long long>(summary.count));
    if (report.scale == ValueScale::Physical) {
      std::fprintf(out, ", \"missing\": %lld, \"unit\": %s", static_cast<long long>(summary.missing),
                   calibration ? JsonString(calibration->unit).c_str() : "null");
    }
    if (const auto values = ValuesOf(summary, calibration)) {
      std::fprintf(out, ", \"min\": %s, \"max\": %s, \"mean\": %s", Exact(values->minimum).c_str(),
                   Exact(values->maximum).c_str(), Exact(values->mean).c_str());
    }
    std::fputs("}", out);
  }
  std::fputs(channels.names.empty() ? "]" : "\n  ]", out);
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string json = "\"";
  for (const TextUnit& unit : SplitTextUnits(text)) {
    if (unit.codePoint < 0) {
      json += "\\ufffd";
    } else if (unit.codePoint == '"' || unit.codePoint == '\\') {
      json += '\\';
      json += static_cast<char>(unit.codePoint);
    } else if (unit.codePoint < 0x20 || (unit.codePoint >= 0x7F && unit.codePoint < 0xA0) ||
               IsBidiControl(unit.codePoint)) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(unit.codePoint));
      json += escaped;
    } else {
      json.append(unit.bytes);
    }
  }
  return json + "\"";
}

void WriteJsonReport(std::FILE* out, const RecordingReport& report) {
  std::fprintf(out, "{\n  \"file\": %s,\n  \"warnings\": [", JsonString(report.file).c_str());
  for (std::size_t i = 0; i < report.warnings.size(); ++i) {
    std::fprintf(out, "%s%s", i == 0 ? "" : ", ", JsonString(report.warnings[i]).c_str());
  }
  std::fprintf(out, "],\n  \"values\": \"%s\",\n  ",
               report.scale == ValueScale::Digital ? "digital" : "physical");
  WriteSegments(out, report.times);
  std::fputs(",\n  ", out);
  WriteChannels(out, report);
  WriteOtherChannels(out, report);
  std::fputs(",\n  ", out);
  WriteEvents(out, report);
  if (!report.headerOnly) {
    std::fputs(",\n  ", out);
    WriteStatistics(out, report);
  }
  std::fputs("\n}", out);
}

void WriteJsonRefusal(std::FILE* out, const std::string& file, const std::string& reason) {
  std::fprintf(out, "{\"file\": %s, \"error\": %s}", JsonString(file).c_str(),
               JsonString(reason).c_str());
}

}  // namespace tapline_info
