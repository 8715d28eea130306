#include "indexed_recordings.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "edf_writer.h"
#include "module_registration.h"

namespace indexed_recordings {

namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;

// "+S.fffffff" without trailing zeros, as a time-keeping TAL writes an onset.
std::string Onset(std::int64_t ticks) {
  char text[48];
  std::snprintf(text, sizeof text, "+%lld.%07lld", static_cast<long long>(ticks / kTicksPerSecond),
                static_cast<long long>(ticks % kTicksPerSecond));
  std::string onset = text;
  while (onset.back() == '0') onset.pop_back();
  if (onset.back() == '.') onset.pop_back();
  return onset;
}

void RegisterComponent() {
  const std::string error = support::RegisterModule(TAPLINE_EDF_MODULE);
  if (!error.empty()) throw std::runtime_error("the EDF component did not register: " + error);
}

}  // namespace

const std::vector<IndexedFile>& IndexedFiles() {
  static const std::vector<IndexedFile> files = {
      {"Tenth", "0.1", 1000000, {20, 50, 100, 1},
       {{0, 300}, {451234567, 203}, {700500000, 3}, {719000000, 7}}},
      {"Quarter", "0.25", 2500000, {32, 64, 128, 125, 1, 250},
       {{0, 120}, {610000003, 121}}},
      {"Third", "0.333333", 3333330, {3, 7, 1},
       {{0, 90}, {402000000, 61}}},
      {"Second", "1", 10000000, {1, 128, 200, 256, 500, 512, 1000},
       {{0, 30}, {1005000000, 25}}},
      {"TwoSeconds", "2", 20000000, {1, 2, 256, 512, 1000, 1024, 2000},
       {{0, 15}, {500000000, 10}}},
      {"HalfMinute", "30", 300000000, {3, 30, 3840, 6000},
       {{0, 4}, {1507500000, 2}}},
      {"Year2150", "1", 10000000, {1, 256, 1000},
       {{0, 30}, {1005000003, 25}}, 2150},
      {"Year2900", "1", 10000000, {1, 256, 1000},
       {{0, 30}, {1005000003, 25}}, 2900},
  };
  return files;
}

std::int16_t SampleValue(std::size_t channel, std::int64_t k) {
  return static_cast<std::int16_t>((k + 1021 * static_cast<std::int64_t>(channel)) % 32768);
}

std::string FileBytes(const IndexedFile& file) {
  edf_writer::EdfWriter writer;
  const std::string year = std::to_string(file.year);
  writer.header.startDate = file.year <= 2084 ? "14.05." + year.substr(2) : "14.05.yy";
  writer.header.recording = "Startdate 14-MAY-" + year + " X X X";
  writer.header.startTime = "09.30.00";
  writer.header.reserved = "EDF+D";
  writer.header.recordDuration = file.recordDuration;
  for (std::size_t c = 0; c < file.samplesPerRecord.size(); ++c) {
    writer.AddSignal("Channel " + std::to_string(c), file.samplesPerRecord[c]);
  }
  writer.AddAnnotationSignal(16);
  for (const IndexedSegment& segment : file.segments) {
    for (int r = 0; r < segment.records; ++r) {
      std::vector<edf_writer::SignalData> record;
      for (std::size_t c = 0; c < file.samplesPerRecord.size(); ++c) {
        std::vector<std::int16_t> samples;
        for (int j = 0; j < file.samplesPerRecord[c]; ++j) {
          samples.push_back(SampleValue(c, static_cast<std::int64_t>(r) * file.samplesPerRecord[c] + j));
        }
        record.emplace_back(std::move(samples));
      }
      record.emplace_back(edf_writer::TimeKeepingTal(Onset(segment.onsetTicks + r * file.recordTicks)));
      writer.AddRecord(record);
    }
  }
  return writer.FileBytes();
}

OpenedRecording::OpenedRecording(const std::string& bytes) : OpenedRecording(bytes, bytes.size()) {}

OpenedRecording::OpenedRecording(const std::string& bytes, std::uintmax_t size) {
  RegisterComponent();
  path = (std::filesystem::temp_directory_path() /
          ("tapline-indexed-" + std::to_string(getpid()) + ".edf")).string();
  recording_writers::WriteFile(path, bytes);
  if (size > bytes.size()) std::filesystem::resize_file(path, size);
  library = std::make_unique<support::LoadedLibrary>(TAPLINE_LIBRARY_PATH);
  if (library->OpenEx(path.c_str(), &segments) != 1) segments = -1;
}

OpenedRecording::~OpenedRecording() {
  library->Close();
  library->Unload();
  std::filesystem::remove(path);
}

}  // namespace indexed_recordings
