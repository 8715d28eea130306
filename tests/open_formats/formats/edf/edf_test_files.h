// EDF files written byte by byte for the parser and component tests, and the sample values
// they hold, so a test can compare every sample and every event with what was written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "edf_writer.h"
#include "model/recording_model.h"
#include "model/window_rule.h"

namespace edf_test {

// Distinct values: channel, record and position all change the sample.
inline std::int16_t SampleValue(std::size_t signal, std::int64_t indexInSignal) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(signal * 0x3001 + indexInSignal * 7 + 1));
}

// The samples of signal `signal` for record `record`, `n` per record.
inline std::vector<std::int16_t> RecordSamples(std::size_t signal, std::int64_t record, int n) {
  std::vector<std::int16_t> samples;
  for (int k = 0; k < n; ++k) samples.push_back(SampleValue(signal, record * n + k));
  return samples;
}

// Every channel's samples of the window, channel after channel, as the model's sample source
// reads them; nullopt when it cannot.
std::optional<std::vector<std::vector<std::int16_t>>> ReadWindow(model::Recording& recording,
                                                                 const model::Window& window);

// A fresh directory under the system's temporary directory, removed with the object.
class TemporaryDirectory {
 public:
  TemporaryDirectory();
  ~TemporaryDirectory();
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
  const std::filesystem::path& path() const { return root; }
  // Writes the bytes to a file of that name in the directory; returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const;

 private:
  std::filesystem::path root;
};

// Plain EDF: "EEG Fz" 4 samples and "EEG Cz" 2 samples per 1-s record, 3 records, start
// 01.02.03 04.05.06.
edf_writer::EdfWriter PlainEdf();

// EDF+C starting 0.5 s after the header's second: "ECG" 5 samples per 1-s record, 4 records,
// annotations "Lights off" (+1.25, 2 s) and "Arousal" (+3).
edf_writer::EdfWriter EdfPlusContinuousSubSecond();

// EDF+D with three segments of 2, 1 and 3 records (1 s, "EEG" 2 samples per record) at
// +0, +10 and +20.5 s; an annotation "In gap" at +15 lies between segments.
edf_writer::EdfWriter EdfPlusDiscontinuousThreeSegments();

}  // namespace edf_test
