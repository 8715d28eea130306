#include "read_benchmark_file.h"

#include <vector>

#include "edf_writer.h"
#include "written_file.h"

namespace read_benchmark {

namespace {

constexpr int kAnnotationSamples = 16;  // 32 bytes: the time-keeping TAL of each record

edf_writer::EdfWriter Layout(std::int64_t seconds) {
  edf_writer::EdfWriter writer;
  writer.header.reserved = "EDF+C";
  writer.header.recording = "Startdate 01-FEB-2003 X X X";
  writer.header.recordCount = std::to_string(seconds);
  for (int channel = 0; channel < kChannels; ++channel) {
    writer.AddSignal("CH" + std::to_string(channel + 1), kRate);
  }
  writer.AddAnnotationSignal(kAnnotationSamples);
  return writer;
}

}  // namespace

std::int16_t SampleValue(int channel, std::int64_t sampleIndex) {
  // Wraps in 16 bits on purpose: every channel and position differ within a long stretch.
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(channel * 1031 + sampleIndex * 7));
}

void EnsureRecording(const std::string& path, std::int64_t seconds) {
  const edf_writer::EdfWriter writer = Layout(seconds);
  if (recording_writers::HasSize(path, writer.FileSize(seconds))) return;
  edf_writer::RecordStream out(writer, path);
  std::vector<edf_writer::SignalData> record(kChannels + 1);
  for (std::int64_t second = 0; second < seconds; ++second) {
    for (int channel = 0; channel < kChannels; ++channel) {
      std::vector<std::int16_t> samples(kRate);
      for (int k = 0; k < kRate; ++k) samples[k] = SampleValue(channel, second * kRate + k);
      record[channel] = std::move(samples);
    }
    record[kChannels] = edf_writer::TimeKeepingTal("+" + std::to_string(second));
    out.Write(record);
  }
  out.Finish();
}

}  // namespace read_benchmark
