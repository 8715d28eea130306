#include "edf_test_files.h"

#include <random>
#include <stdexcept>
#include <string>

namespace edf_test {

std::optional<std::vector<std::vector<std::int16_t>>> ReadWindow(model::Recording& recording,
                                                                 const model::Window& window) {
  std::vector<std::vector<std::int16_t>> samples;
  std::vector<model::ChannelRead> reads;
  for (const model::SampleRange& range : window.channels) {
    samples.emplace_back(static_cast<std::size_t>(range.count));
  }
  for (std::size_t c = 0; c < samples.size(); ++c) {
    reads.push_back({c, window.channels[c].first, window.channels[c].count,
                     reinterpret_cast<std::byte*>(samples[c].data())});  // int16 storage
  }
  if (!recording.samples->Fill(window.segment, reads)) return std::nullopt;
  return samples;
}

using edf_writer::EdfWriter;
using edf_writer::SignalData;
using edf_writer::Tal;
using edf_writer::TimeKeepingTal;

TemporaryDirectory::TemporaryDirectory() {
  // create_directory does not take a folder that exists, so the one it creates is ours alone;
  // portable where mkdtemp is not (Windows).
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate =
        std::filesystem::temp_directory_path() / ("tapline-edf-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate)) {
      root = candidate;
      return;
    }
  }
  throw std::runtime_error("no temporary directory could be created");
}

TemporaryDirectory::~TemporaryDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
}

std::string TemporaryDirectory::Write(const std::string& name, const std::string& bytes) const {
  const std::string file = (root / name).string();
  recording_writers::WriteFile(file, bytes);
  return file;
}

EdfWriter PlainEdf() {
  EdfWriter writer;
  writer.AddSignal("EEG Fz", 4);
  writer.AddSignal("EEG Cz", 2);
  for (int record = 0; record < 3; ++record) {
    writer.AddRecord({RecordSamples(0, record, 4), RecordSamples(1, record, 2)});
  }
  return writer;
}

EdfWriter EdfPlusContinuousSubSecond() {
  EdfWriter writer;
  writer.header.reserved = "EDF+C";
  writer.header.recording = "Startdate 01-FEB-2003 X X X";
  writer.AddSignal("ECG", 5);
  writer.AddAnnotationSignal(30);
  const std::vector<std::string> extra = {Tal("+1.25", "2", {"Lights off"}), "",
                                          Tal("+3", std::nullopt, {"Arousal"}), ""};
  for (int record = 0; record < 4; ++record) {
    // Appended rather than "+" + ...: GCC 12 warns falsely (-Wrestrict) on that form.
    std::string onset = "+";
    onset += std::to_string(record) + ".5";
    writer.AddRecord({RecordSamples(0, record, 5), TimeKeepingTal(onset) + extra[record]});
  }
  return writer;
}

EdfWriter EdfPlusDiscontinuousThreeSegments() {
  EdfWriter writer;
  writer.header.reserved = "EDF+D";
  writer.AddSignal("EEG", 2);
  writer.AddAnnotationSignal(20);
  const std::vector<std::string> onsets = {"+0", "+1", "+10", "+20.5", "+21.5", "+22.5"};
  for (std::size_t record = 0; record < onsets.size(); ++record) {
    std::string annotations = TimeKeepingTal(onsets[record]);
    if (record == 2) annotations += Tal("+15", std::nullopt, {"In gap"});
    writer.AddRecord({RecordSamples(0, static_cast<std::int64_t>(record), 2), annotations});
  }
  return writer;
}

}  // namespace edf_test
