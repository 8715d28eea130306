#include "brainvision_benchmark_files.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace brainvision_bench {

namespace {

constexpr std::int64_t kFramesPerChunk = 1 << 16;
// The segments' dates: 2024-03-01 08:00, then pauses of 2 and 1 minutes.
const char* const kSegmentDates[] = {"20240301080000000000", "20240301081700000000",
                                     "20240301084300000000"};

std::string Header(const std::string& dataFile, const std::string& orientation) {
  std::string text =
      "Brain Vision Data Exchange Header File Version 1.0\r\n"
      "; written by the BrainVision benchmark\r\n\r\n"
      "[Common Infos]\r\nCodepage=UTF-8\r\nDataFile=" +
      dataFile +
      "\r\nMarkerFile=bench.vmrk\r\n"
      "DataFormat=BINARY\r\nDataOrientation=" +
      orientation +
      "\r\n"
      "NumberOfChannels=" +
      std::to_string(kChannels) +
      "\r\nSamplingInterval=1000\r\n\r\n"
      "[Binary Infos]\r\nBinaryFormat=INT_16\r\n\r\n[Channel Infos]\r\n";
  for (int c = 1; c <= kChannels; ++c) {
    text += "Ch" + std::to_string(c) + "=E" + std::to_string(c) + ",,0.1,\xC2\xB5V\r\n";
  }
  return text;
}

// New Segment markers and stimuli, numbered in order of position.
std::string Markers() {
  std::string text =
      "Brain Vision Data Exchange Marker File, Version 1.0\r\n\r\n"
      "[Common Infos]\r\nCodepage=UTF-8\r\nDataFile=bench.eeg\r\n\r\n[Marker Infos]\r\n";
  int number = 1;
  std::size_t segment = 0;
  const std::int64_t spacing = kFrames / kStimuli;
  for (int i = 0; i < kStimuli; ++i) {
    const std::int64_t frame = i * spacing + spacing / 2;
    for (; segment < kSegmentFirstFrames.size() && kSegmentFirstFrames[segment] <= frame;
         ++segment) {
      text += "Mk" + std::to_string(number++) + "=New Segment,," +
              std::to_string(kSegmentFirstFrames[segment] + 1) + ",1,0," + kSegmentDates[segment] +
              "\r\n";
    }
    char description[8];
    std::snprintf(description, sizeof description, "S%3d", i % 16 + 1);
    text += "Mk" + std::to_string(number++) + "=Stimulus," + description + "," +
            std::to_string(frame + 1) + ",1,0\r\n";
  }
  return text;
}

bool HasSize(const std::filesystem::path& path, std::int64_t bytes) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  return !error && static_cast<std::int64_t>(size) == bytes;
}

// Writes through a temporary name, so an interrupted run leaves no file that looks complete.
template <typename WriteSamples>
void WriteData(const std::filesystem::path& path, WriteSamples writeSamples) {
  const std::filesystem::path partial = path.string() + ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    writeSamples(out);
    if (!out.flush()) throw std::runtime_error("cannot write " + partial.string());
  }
  std::filesystem::rename(partial, path);
}

void Put(const std::vector<std::int16_t>& samples, std::ofstream& out) {
  // The host's int16 is little-endian, as the headers say the samples are.
  out.write(reinterpret_cast<const char*>(samples.data()),
            static_cast<std::streamsize>(samples.size() * sizeof(std::int16_t)));
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
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
  WriteText(root / "bench.vhdr", Header("bench.eeg", "MULTIPLEXED"));
  WriteText(root / "bench-vectorized.vhdr", Header("bench-vectorized.eeg", "VECTORIZED"));
  WriteText(root / "bench.vmrk", Markers());
  if (!HasSize(root / "bench.eeg", dataBytes)) {
    std::printf("writing %s ...\n", (root / "bench.eeg").string().c_str());
    std::fflush(stdout);
    WriteData(root / "bench.eeg", [](std::ofstream& out) {
      std::vector<std::int16_t> samples;
      for (std::int64_t first = 0; first < kFrames; first += kFramesPerChunk) {
        samples.clear();
        for (std::int64_t f = first; f < std::min(kFrames, first + kFramesPerChunk); ++f) {
          for (int c = 0; c < kChannels; ++c) samples.push_back(SampleValue(c, f));
        }
        Put(samples, out);
      }
    });
  }
  if (!HasSize(root / "bench-vectorized.eeg", dataBytes)) {
    std::printf("writing %s ...\n", (root / "bench-vectorized.eeg").string().c_str());
    std::fflush(stdout);
    WriteData(root / "bench-vectorized.eeg", [](std::ofstream& out) {
      std::vector<std::int16_t> samples(static_cast<std::size_t>(kFrames));
      for (int c = 0; c < kChannels; ++c) {
        for (std::int64_t f = 0; f < kFrames; ++f)
          samples[static_cast<std::size_t>(f)] = SampleValue(c, f);
        Put(samples, out);
      }
    });
  }
  return {(root / "bench.vhdr").string(), (root / "bench-vectorized.vhdr").string()};
}

}  // namespace brainvision_bench
