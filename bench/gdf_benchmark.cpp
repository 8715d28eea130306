// gdf_benchmark [CACHE_FOLDER]: a 1-hour, 64-channel, 512-Hz GDF 2.51 recording with 20,000
// events through the exports, against the floor of de-interleaving the same records from a
// mapping.
//
// Writes (or reuses) in CACHE_FOLDER (default: gdf-cache beside the build's bin folder) the
// file (int16 channels, 1-s records, 236 MB; mode-3 events of 50 codes, each described in the
// header), registers the component in a private class registry and prints: OpenEx warm,
// GetData of the whole segment into fresh memory against the floor (mmap + de-interleave of
// the records into fresh memory, in the same process, taken in turns), 4-s windows anywhere,
// and listing the events; then each figure against its target.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "component_registry.h"
#include "export_measures.h"
#include "gdf_writer.h"
#include "mapped_file.h"
#include "tapline_library.h"
#include "written_file.h"

namespace {

using bench::Duration;
using bench::Median;

constexpr int kChannels = 64;
constexpr std::int64_t kRate = 512;
constexpr std::int64_t kRecords = 3600;  // of 1 s
constexpr std::int64_t kSamples = kRate * kRecords;
constexpr int kEvents = 20'000;
constexpr int kCodes = 50;
constexpr int kRounds = 5;
constexpr int kWindows = 200;

std::int16_t SampleValue(int channel, std::int64_t k) {
  return static_cast<std::int16_t>((k * 7 + channel * 311) % 4001 - 2000);
}

gdf_writer::File Description() {
  gdf_writer::File file;
  file.startTime = gdf_writer::StartTime(2024, 5, 14, 9, 30, 0);
  file.records = kRecords;
  file.channels.clear();
  for (int c = 0; c < kChannels; ++c)
    file.channels.push_back(
        {"EEG " + std::to_string(c), 3, kRate, "uV", 4275, -3276.8, 3276.7, -32768, 32767, {}});
  file.eventMode = 3;
  file.eventRate = kRate;
  file.eventDescriptions.push_back("");
  for (int code = 1; code <= kCodes; ++code)
    file.eventDescriptions.push_back("Stimulus " + std::to_string(code));
  for (int k = 0; k < kEvents; ++k) {
    const auto position = static_cast<std::uint32_t>(1 + k * (kSamples / kEvents));
    file.events.push_back({position, static_cast<std::uint16_t>(1 + k % kCodes), 0, 256, 0});
  }
  return file;
}

std::filesystem::path WriteFile(const std::filesystem::path& folder, std::int64_t& dataOffset) {
  const gdf_writer::File file = Description();
  const std::string header = gdf_writer::HeaderBytes(file);
  const std::string events = gdf_writer::EventTableBytes(file);
  dataOffset = static_cast<std::int64_t>(header.size());
  const std::filesystem::path path = folder / "hour.gdf";
  const std::int64_t size =
      dataOffset + kRecords * kChannels * kRate * 2 + static_cast<std::int64_t>(events.size());
  if (recording_writers::HasSize(path, size)) return path;
  std::printf("writing %s ...\n", path.string().c_str());
  std::fflush(stdout);
  recording_writers::PartialFile out(path);
  out.Append(header);
  std::string record;
  for (std::int64_t r = 0; r < kRecords; ++r) {
    record.clear();
    for (int c = 0; c < kChannels; ++c) {
      for (std::int64_t k = 0; k < kRate; ++k)
        recording_writers::AppendLittleEndian16(
            record, static_cast<std::uint16_t>(SampleValue(c, r * kRate + k)));
    }
    out.Append(record);
  }
  out.Append(events);
  out.Finish();
  return path;
}

// The floor: every channel's samples gathered from the mapped records into fresh memory.
void ReadFloor(const std::string& path, std::int64_t dataOffset) {
  const bench::MappedFile mapped(path);
  const auto* records = mapped.As<std::int16_t>() + dataOffset / 2;  // little-endian, even offset
  std::unique_ptr<std::int16_t[]> samples(
      new std::int16_t[static_cast<std::size_t>(kSamples * kChannels)]);
  for (std::int64_t r = 0; r < kRecords; ++r) {
    for (int c = 0; c < kChannels; ++c) {
      std::copy_n(records + (r * kChannels + c) * kRate, kRate,
                  samples.get() + c * kSamples + r * kRate);
    }
  }
  if (samples[static_cast<std::size_t>(kSamples * kChannels - 1)] !=
      SampleValue(kChannels - 1, kSamples - 1)) {
    throw std::runtime_error("the floor read wrong samples");
  }
}

// GetData of the whole segment into fresh memory, as a host allocates a buffer per read; the
// last sample of every channel checked.
void ReadSegment(const tapline_info::TaplineLibrary& lib) {
  std::unique_ptr<std::int16_t[]> samples(
      new std::int16_t[static_cast<std::size_t>(kSamples * kChannels)]);
  if (lib.GetData(0, samples.get()) != 1) throw std::runtime_error("GetData refused the segment");
  for (int c = 0; c < kChannels; ++c) {
    if (samples[static_cast<std::size_t>((c + 1) * kSamples - 1)] != SampleValue(c, kSamples - 1)) {
      throw std::runtime_error("GetData read wrong samples");
    }
  }
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

void PrintTarget(const char* what, double wall, double cpu, double target, const char* unit) {
  std::printf("  %-30s %8.2f%s (CPU %.2f)  <= %g  %s\n", what, wall, unit, cpu, target,
              Verdict(wall <= target));
}

int Run(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  std::int64_t dataOffset = 0;
  const std::string path = WriteFile(folder, dataOffset).string();
  tapline_info::TaplineLibrary lib;
  const std::string registry = bench::LoadLibraryWithComponent(bench::ExecutableFolder(), lib);

  const Duration open = Median(bench::OpenTimes(lib, path, 1, kRounds));
  int segments = 0;
  if (lib.OpenEx(path.c_str(), &segments) != 1 || segments != 1)
    throw std::runtime_error("OpenEx refused " + path);
  const bench::SegmentShape shape = bench::ShapeOf(lib, 0, 1);
  ReadSegment(lib);  // brings the file into the page cache
  ReadFloor(path, dataOffset);
  std::vector<Duration> getData, floor, events;
  for (int round = 0; round < kRounds; ++round) {
    getData.push_back(bench::Timed([&] { ReadSegment(lib); }));
    floor.push_back(bench::Timed([&] { ReadFloor(path, dataOffset); }));
  }
  const auto perChannel = 4 * kRate;
  const Duration window = Median(bench::WindowTimes(
      lib, shape, kRate, 4.0, kWindows,
      [&](std::span<const std::int16_t> samples, std::int64_t first) {
        for (int c = 0; c < kChannels; ++c) {
          if (samples[static_cast<std::size_t>(c * perChannel)] != SampleValue(c, first))
            throw std::runtime_error("GetData2 read wrong samples");
        }
      }));
  for (int round = 0; round < kRounds; ++round) events.push_back(bench::ListEvents(lib, kEvents));
  lib.Close();
  std::error_code ignored;
  std::filesystem::remove_all(registry, ignored);

  const Duration g = Median(getData), f = Median(floor), e = Median(events);
  const auto print = [](const char* what, Duration d, double scale, const char* unit) {
    std::printf("  %-42s %8.1f %s  (CPU %.1f)\n", what, d.wallMs * scale, unit, d.cpuMs * scale);
  };
  std::printf("GDF 2.51, 1 h, %d channels x %lld Hz int16 in 1-s records, %d mode-3 events\n",
              kChannels, static_cast<long long>(kRate), kEvents);
  std::printf(
      "(medians of %d opens, reads taken in turns with the floor and listings; %d windows)\n",
      kRounds, kWindows);
  print("OpenEx, warm (event table read)", open, 1, "ms");
  print("GetData, the whole segment", g, 1, "ms");
  print("floor: mmap + de-interleave", f, 1, "ms");
  print("4-s window anywhere", window, 1000, "us");
  print("GetEventCount + GetEvents of every event", e, 1, "ms");
  std::printf("\nTargets (wall-clock decides; CPU time beside it)\n");
  PrintTarget("OpenEx, warm", open.wallMs, open.cpuMs, 20, " ms");
  PrintTarget("GetData / floor", g.wallMs / f.wallMs, g.cpuMs / f.cpuMs, 1.2, " x ");
  PrintTarget("4-s window", window.wallMs * 1000, window.cpuMs * 1000, 100, " us");
  PrintTarget("listing the events", e.wallMs, e.cpuMs, 300, " ms");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return bench::RunBenchmark("gdf_benchmark", [&] {
    const std::filesystem::path folder = bench::CacheFolder(argc, argv, "gdf-cache");
    return Run(folder);
  });
}
