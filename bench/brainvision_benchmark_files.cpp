#include "brainvision_benchmark_files.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "brainvision_writer.h"
#include "written_file.h"

namespace brainvision_bench {

namespace {

constexpr std::int64_t kFramesPerChunk = 1 << 16;
// The segments' dates: 2024-03-01 08:00, then pauses of 2 and 1 minutes.
const char* const kSegmentDates[] = {"20240301080000000000", "20240301081700000000",
                                     "20240301084300000000"};

std::string Header(const std::string& dataFile, const std::string& orientation) {
  std::vector<std::string> channels;
  for (int c = 1; c <= kChannels; ++c) {
    channels.push_back("Ch" + std::to_string(c) + "=E" + std::to_string(c) + ",,0.1,\xC2\xB5V");
  }
  return brainvision_writer::Text(
      {"Brain Vision Data Exchange Header File Version 1.0",
       {"; written by the BrainVision benchmark"},
       {{"Common Infos",
         {"Codepage=UTF-8", "DataFile=" + dataFile, "MarkerFile=bench.vmrk", "DataFormat=BINARY",
          "DataOrientation=" + orientation, "NumberOfChannels=" + std::to_string(kChannels),
          "SamplingInterval=1000"}},
        {"Binary Infos", {"BinaryFormat=INT_16"}},
        {"Channel Infos", channels}}});
}

// New Segment markers and stimuli, numbered in order of position.
std::string Markers() {
  std::vector<std::string> markers;
  int number = 1;
  std::size_t segment = 0;
  const std::int64_t spacing = kFrames / kStimuli;
  for (int i = 0; i < kStimuli; ++i) {
    const std::int64_t frame = i * spacing + spacing / 2;
    for (; segment < kSegmentFirstFrames.size() && kSegmentFirstFrames[segment] <= frame;
         ++segment) {
      markers.push_back("Mk" + std::to_string(number++) + "=New Segment,," +
                        std::to_string(kSegmentFirstFrames[segment] + 1) + ",1,0," +
                        kSegmentDates[segment]);
    }
    char description[8];
    std::snprintf(description, sizeof description, "S%3d", i % 16 + 1);
    markers.push_back("Mk" + std::to_string(number++) + "=Stimulus," + description + "," +
                      std::to_string(frame + 1) + ",1,0");
  }
  return brainvision_writer::Text({"Brain Vision Data Exchange Marker File, Version 1.0",
                                   {},
                                   {{"Common Infos", {"Codepage=UTF-8", "DataFile=bench.eeg"}},
                                    {"Marker Infos", markers}}});
}

}  // namespace

std::int16_t SampleValue(int channel, std::int64_t frame) {
  // Wraps in 16 bits on purpose: every channel and position differ within a long stretch.
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(channel * 1031 + frame * 7));
}

std::int64_t SegmentFrames(std::size_t segment) {
  const std::int64_t end =
      segment + 1 < kSegmentFirstFrames.size() ? kSegmentFirstFrames[segment + 1] : kFrames;
  return end - kSegmentFirstFrames[segment];
}

Files EnsureFiles(const std::string& folder) {
  const std::filesystem::path root(folder);
  std::filesystem::create_directories(root);
  const std::int64_t dataBytes = kFrames * kChannels * 2;
  recording_writers::WriteFile((root / "bench.vhdr").string(), Header("bench.eeg", "MULTIPLEXED"));
  recording_writers::WriteFile((root / "bench-vectorized.vhdr").string(),
                               Header("bench-vectorized.eeg", "VECTORIZED"));
  recording_writers::WriteFile((root / "bench.vmrk").string(), Markers());
  if (!recording_writers::HasSize(root / "bench.eeg", dataBytes)) {
    std::printf("writing %s ...\n", (root / "bench.eeg").string().c_str());
    std::fflush(stdout);
    recording_writers::PartialFile data(root / "bench.eeg");
    std::vector<std::int16_t> samples;
    for (std::int64_t first = 0; first < kFrames; first += kFramesPerChunk) {
      samples.clear();
      for (std::int64_t f = first; f < std::min(kFrames, first + kFramesPerChunk); ++f) {
        for (int c = 0; c < kChannels; ++c) samples.push_back(SampleValue(c, f));
      }
      data.Append(brainvision_writer::Int16Bytes(samples));
    }
    data.Finish();
  }
  if (!recording_writers::HasSize(root / "bench-vectorized.eeg", dataBytes)) {
    std::printf("writing %s ...\n", (root / "bench-vectorized.eeg").string().c_str());
    std::fflush(stdout);
    recording_writers::PartialFile data(root / "bench-vectorized.eeg");
    std::vector<std::int16_t> samples(static_cast<std::size_t>(kFrames));
    for (int c = 0; c < kChannels; ++c) {
      for (std::int64_t f = 0; f < kFrames; ++f) samples[static_cast<std::size_t>(f)] = SampleValue(c, f);
      data.Append(brainvision_writer::Int16Bytes(samples));
    }
    data.Finish();
  }
  return {(root / "bench.vhdr").string(), (root / "bench-vectorized.vhdr").string()};
}

}  // namespace brainvision_bench
