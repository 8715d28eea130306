#include "long_recording_files.h"

#include <algorithm>
#include <cstdio>
#include <variant>
#include <vector>

#include "edf_writer.h"
#include "read_benchmark_file.h"
#include "written_file.h"

namespace long_recording {

namespace {

using read_benchmark::kChannels;
using read_benchmark::kRate;

constexpr int kDayAnnotationSamples = 30;  // 60 bytes: time keeping and at most one annotation
constexpr int kEventsPerRecord = 100;
constexpr int kEventAnnotationSamples = 1200;
// A few kinds, as a scorer would mark them.
const char* const kKinds[] = {"Arousal", "Spindle", "K-complex", "Apnea", "Movement", "Lights"};

edf_writer::EdfWriter DayLayout() {
  edf_writer::EdfWriter writer;
  writer.header.reserved = "EDF+C";
  writer.header.recording = "Startdate 01-FEB-2003 X X X";
  writer.header.recordCount = std::to_string(kSeconds);
  for (int channel = 0; channel < kChannels; ++channel) writer.AddSignal("CH" + std::to_string(channel + 1), kRate);
  writer.AddAnnotationSignal(kDayAnnotationSamples);
  return writer;
}

}  // namespace

std::int64_t DayRecordingBytes() { return DayLayout().FileSize(kSeconds); }

void EnsureDayRecording(const std::string& path) {
  if (recording_writers::HasSize(path, DayRecordingBytes())) return;
  const edf_writer::EdfWriter writer = DayLayout();
  edf_writer::RecordStream out(writer, path);
  std::vector<edf_writer::SignalData> record(kChannels + 1);
  for (std::int64_t second = 0; second < kSeconds; ++second) {
    for (int channel = 0; channel < kChannels; ++channel) {
      std::vector<std::int16_t> samples(kRate);
      for (int k = 0; k < kRate; ++k) samples[k] = read_benchmark::SampleValue(channel, second * kRate + k);
      record[channel] = std::move(samples);
    }
    std::string annotations = edf_writer::TimeKeepingTal("+" + std::to_string(second));
    // Annotation i in record 288 i + 100, a quarter second in.
    if (second % (kSeconds / kAnnotations) == 100) {
      const auto index = static_cast<std::size_t>(second / (kSeconds / kAnnotations));
      annotations += edf_writer::Tal("+" + std::to_string(second) + ".25", "1.5", {kKinds[index % 6]});
    }
    record[kChannels] = std::move(annotations);
    out.Write(record);
  }
  out.Finish();
}

std::string EventText(int index) {
  char text[24];  // room for any int, so the text is never cut
  std::snprintf(text, sizeof text, "Event %05d", index);
  return text;
}

void EnsureDistinctTextsRecording(const std::string& path, int count, int annotationSignals) {
  edf_writer::EdfWriter writer;
  writer.header.reserved = "EDF+C";
  writer.header.recording = "Startdate 01-FEB-2003 X X X";
  const int records = (count + kEventsPerRecord - 1) / kEventsPerRecord;
  writer.header.recordCount = std::to_string(records);
  writer.AddSignal("EEG", 1);
  // Room for the time keeping and a signal's share of a record's events, 32 bytes each.
  const int perSignal = (kEventsPerRecord + annotationSignals - 1) / annotationSignals;
  const int samples = annotationSignals == 1 ? kEventAnnotationSamples : 16 * perSignal + 8;
  for (int signal = 0; signal < annotationSignals; ++signal) writer.AddAnnotationSignal(samples);
  if (recording_writers::HasSize(path, writer.FileSize(records))) return;
  edf_writer::RecordStream out(writer, path);
  for (int record = 0; record < records; ++record) {
    std::vector<edf_writer::SignalData> data{std::vector<std::int16_t>{1}};
    data.resize(1 + static_cast<std::size_t>(annotationSignals), std::string());
    std::get<std::string>(data[1]) = edf_writer::TimeKeepingTal("+" + std::to_string(record));
    for (int i = record * kEventsPerRecord; i < std::min(count, (record + 1) * kEventsPerRecord); ++i) {
      char onset[32];
      std::snprintf(onset, sizeof onset, "+%d.%02d", i / 100, i % 100);
      std::get<std::string>(data[1 + static_cast<std::size_t>(i % annotationSignals)]) +=
          edf_writer::Tal(onset, std::nullopt, {EventText(i)});
    }
    out.Write(data);
  }
  out.Finish();
}

}  // namespace long_recording
