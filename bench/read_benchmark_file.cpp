#include "read_benchmark_file.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "edf_writer.h"

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
  const std::string header = writer.HeaderBytes();
  const std::int64_t recordBytes = kChannels * kRate * 2 + kAnnotationSamples * 2;
  const auto expected = static_cast<std::uintmax_t>(header.size() + seconds * recordBytes);
  std::error_code error;
  if (std::filesystem::file_size(path, error) == expected && !error) return;

  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(header.data(), static_cast<std::streamsize>(header.size()));
  std::vector<edf_writer::SignalData> record(kChannels + 1);
  for (std::int64_t second = 0; second < seconds; ++second) {
    for (int channel = 0; channel < kChannels; ++channel) {
      std::vector<std::int16_t> samples(kRate);
      for (int k = 0; k < kRate; ++k) samples[k] = SampleValue(channel, second * kRate + k);
      record[channel] = std::move(samples);
    }
    record[kChannels] = edf_writer::TimeKeepingTal("+" + std::to_string(second));
    const std::string bytes = writer.RecordBytes(record);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

}  // namespace read_benchmark
