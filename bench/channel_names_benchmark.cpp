// channel_names_benchmark [FOLDER]: what naming every channel costs a host, one GetChannelInf
// per channel, on recordings of 1,000, 4,000 and 9,999 channels (the most an EDF header can
// name), beside one GetSegmentInf on the same file.
//
// Each recording is plain EDF with 1 sample per 1-s record and 10 records, written to FOLDER
// (default /tmp) and removed afterwards; the EDF component is registered in a private class
// registry. Every name is checked. Wall and processor time are printed, since the machine may
// be shared.
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "component_registry.h"
#include "timing.h"
#include "edf_writer.h"
#include "tapline_library.h"
#include "written_file.h"

namespace {

constexpr int kRecords = 10;

std::string ChannelLabel(int channel) { return "C" + std::to_string(channel); }

void WriteRecording(const std::string& path, int channels) {
  edf_writer::EdfWriter writer;
  for (int c = 0; c < channels; ++c) writer.AddSignal(ChannelLabel(c), 1);
  for (int r = 0; r < kRecords; ++r) {
    const edf_writer::SignalData sample = std::vector<std::int16_t>{static_cast<std::int16_t>(r)};
    writer.AddRecord(std::vector<edf_writer::SignalData>(static_cast<std::size_t>(channels), sample));
  }
  recording_writers::WriteFile(path, writer.FileBytes());
}

using bench::Time;

void Measure(const tapline_info::TaplineLibrary& lib, const std::string& folder, int channels) {
  const std::string path = folder + "/tapline-bench-" + std::to_string(channels) + "-channels.edf";
  WriteRecording(path, channels);
  int segments = 0;
  if (lib.OpenEx(path.c_str(), &segments) != 1) throw std::runtime_error("OpenEx refused " + path);
  if (lib.GetChannelCount(0) != channels) throw std::runtime_error("wrong channel count");

  const bench::Timing naming = Time([&] {
    for (int c = 0; c < channels; ++c) {
      char name[33] = {};
      if (lib.GetChannelInf(0, c, name) != 1 || ChannelLabel(c) != name) {
        throw std::runtime_error("channel " + std::to_string(c) + " misnamed: " + name);
      }
    }
  });
  std::vector<double> values(static_cast<std::size_t>(channels));
  std::vector<int> counts(static_cast<std::size_t>(channels));
  const bench::Timing segmentInf = Time([&] {
    if (lib.GetSegmentInf(0, values.data(), counts.data()) != 1) throw std::runtime_error("GetSegmentInf failed");
  });
  lib.Close();
  std::filesystem::remove(path);
  std::printf("%5d channels: naming every one %8.3f s (CPU %8.3f s), %7.1f us a channel; GetSegmentInf %7.2f ms\n",
              channels, naming.wall, naming.processor, naming.wall / channels * 1e6, segmentInf.wall * 1e3);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    const std::string binaries = bench::ExecutableFolder();
    tapline_info::TaplineLibrary lib;
    const std::string registry = bench::LoadLibraryWithComponent(binaries, lib);
    for (int channels : {1000, 4000, 9999}) Measure(lib, folder, channels);
    std::filesystem::remove_all(registry);
    return 0;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "channel_names_benchmark: %s\n", failure.what());
    return 1;
  }
}
