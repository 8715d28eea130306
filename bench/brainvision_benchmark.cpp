// brainvision_benchmark [CACHE_FOLDER]: a 1-hour, 64-channel BrainVision recording through the
// exports, against the floor of de-interleaving the same bytes from a mapping.
//
// Writes (or reuses) in CACHE_FOLDER (default: brainvision-cache beside the build's bin folder)
// the recording of brainvision_benchmark_files.h, MULTIPLEXED and VECTORIZED (461 MB each),
// registers the component in a private class registry and prints: OpenEx warm (markers
// parsed), GetData of the longest segment and GetSegmentInf + GetData against the floor (mmap +
// de-interleave into fresh memory, in the same process, taken in turns with them), 4-s windows
// anywhere in both orientations, listing the 20,000 events, and the peak memory of GetData;
// then each figure against its target.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "brainvision_benchmark_files.h"
#include "component_registry.h"
#include "export_measures.h"
#include "mapped_file.h"
#include "read_benchmark_memory.h"
#include "tapline_library.h"

namespace {

using namespace brainvision_bench;
using bench::Duration;
using bench::Median;

constexpr int kRounds = 5;
constexpr int kWindows = 200;
constexpr double kWindowSeconds = 4.0;
constexpr int kSegments = static_cast<int>(kSegmentFirstFrames.size());
constexpr int kLongest = static_cast<int>(kLongestSegment);

// Frames the floor takes at a time: 32 KiB of them stay in the first-level cache while every
// channel's samples are gathered from them.
constexpr std::int64_t kFloorBlockFrames = 256;

// The floor: the longest segment's samples de-interleaved from a read-only mapping of the
// multiplexed file into fresh memory, channel after channel. Throws when it reads wrong
// samples.
void ReadFloor(const std::string& dataPath) {
  const bench::MappedFile mapped(dataPath);
  const std::int64_t first = kSegmentFirstFrames[kLongestSegment];
  const std::int64_t frames = SegmentFrames(kLongestSegment);
  // Little-endian samples in the file and in memory; the mapping is page-aligned.
  const auto* stored = mapped.As<std::int16_t>() + first * kChannels;
  std::unique_ptr<std::int16_t[]> samples(
      new std::int16_t[static_cast<std::size_t>(frames * kChannels)]);
  for (std::int64_t block = 0; block < frames; block += kFloorBlockFrames) {
    const std::int64_t end = std::min(frames, block + kFloorBlockFrames);
    for (int c = 0; c < kChannels; ++c) {
      std::int16_t* out = samples.get() + c * frames;
      for (std::int64_t f = block; f < end; ++f) out[f] = stored[f * kChannels + c];
    }
  }
  if (samples[static_cast<std::size_t>(frames * kChannels - 1)] !=
      SampleValue(kChannels - 1, first + frames - 1)) {
    throw std::runtime_error("the floor read wrong samples");
  }
}

// GetData of the longest segment into fresh memory, as a host allocates a buffer per read; the
// last sample of every channel checked.
void ReadLongestSegment(const tapline_info::TaplineLibrary& lib) {
  const std::int64_t frames = SegmentFrames(kLongestSegment);
  std::unique_ptr<std::int16_t[]> samples(
      new std::int16_t[static_cast<std::size_t>(frames * kChannels)]);
  if (lib.GetData(kLongest, samples.get()) != 1)
    throw std::runtime_error("GetData refused the segment");
  for (int c = 0; c < kChannels; ++c) {
    const std::int64_t last = kSegmentFirstFrames[kLongestSegment] + frames - 1;
    if (samples[static_cast<std::size_t>((c + 1) * frames - 1)] != SampleValue(c, last)) {
      throw std::runtime_error("GetData read wrong samples");
    }
  }
}

void SegmentInf(const tapline_info::TaplineLibrary& lib) {
  std::vector<double> values(kChannels);
  std::vector<int> counts(kChannels);
  if (lib.GetSegmentInf(kLongest, values.data(), counts.data()) != 1 ||
      counts[0] != SegmentFrames(kLongestSegment)) {
    throw std::runtime_error("GetSegmentInf gave wrong counts");
  }
}

// 4-s windows spread over the three segments, each channel's first sample checked.
Duration WindowMedian(const tapline_info::TaplineLibrary& lib) {
  std::vector<Duration> times;
  for (int s = 0; s < kSegments; ++s) {
    const bench::SegmentShape shape = bench::ShapeOf(lib, s, kSegments);
    const std::int64_t segmentFirst = kSegmentFirstFrames[static_cast<std::size_t>(s)];
    const auto perChannel = static_cast<std::int64_t>(kWindowSeconds * kRate);
    const auto check = [&](std::span<const std::int16_t> samples, std::int64_t firstSample) {
      for (int c = 0; c < kChannels; ++c) {
        if (samples[static_cast<std::size_t>(c * perChannel)] !=
            SampleValue(c, segmentFirst + firstSample)) {
          throw std::runtime_error("GetData2 read wrong samples in segment " + std::to_string(s));
        }
      }
    };
    const int windows = s + 1 < kSegments ? kWindows / kSegments
                                          : kWindows - (kSegments - 1) * (kWindows / kSegments);
    const std::vector<Duration> some =
        bench::WindowTimes(lib, shape, kRate, kWindowSeconds, windows, check);
    times.insert(times.end(), some.begin(), some.end());
  }
  return Median(times);
}

void Open(const tapline_info::TaplineLibrary& lib, const std::string& path) {
  int segments = 0;
  if (lib.OpenEx(path.c_str(), &segments) != 1 || segments != kSegments) {
    throw std::runtime_error("OpenEx refused " + path);
  }
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

void PrintMilliseconds(const char* what, Duration d) {
  std::printf("  %-38s %8.1f ms  (CPU %.1f)\n", what, d.wallMs, d.cpuMs);
}

// A figure against its target, wall-clock and CPU time.
void PrintTarget(const char* what, double wall, double cpu, double target, const char* unit) {
  std::printf("  %-34s %7.2f%s (CPU %.2f)  <= %g  %s\n", what, wall, unit, cpu, target,
              Verdict(wall <= target));
}

int Run(const std::string& folder) {
  const Files files = EnsureFiles(folder);
  const std::string dataPath = (std::filesystem::path(folder) / "bench.eeg").string();
  const std::string binaries = bench::ExecutableFolder();
  tapline_info::TaplineLibrary lib;
  const std::string registry = bench::LoadLibraryWithComponent(binaries, lib);

  const Duration open = Median(bench::OpenTimes(lib, files.multiplexed, kSegments, kRounds));
  Open(lib, files.multiplexed);
  // Round after round of the three, so that each meets the same load from the rest of the machine.
  std::vector<Duration> floorTimes, getDataTimes, bothTimes;
  ReadFloor(dataPath);  // brings the data into the page cache
  for (int round = 0; round < kRounds; ++round) {
    floorTimes.push_back(bench::Timed([&] { ReadFloor(dataPath); }));
    getDataTimes.push_back(bench::Timed([&] { ReadLongestSegment(lib); }));
    bothTimes.push_back(bench::Timed([&] {
      SegmentInf(lib);
      ReadLongestSegment(lib);
    }));
  }
  const Duration multiplexedWindow = WindowMedian(lib);
  std::vector<Duration> eventTimes;
  for (int round = 0; round < kRounds; ++round)
    eventTimes.push_back(bench::ListEvents(lib, kStimuli));

  // Memory of GetData alone, into a fresh buffer.
  const std::int64_t anonymousBeforeKb = read_benchmark::ReadMemoryStatus().anonymousKb;
  std::int64_t anonymousPeakKb = 0;
  {
    read_benchmark::AnonymousPeakSampler sampler;
    ReadLongestSegment(lib);
    anonymousPeakKb = sampler.Stop();
  }
  lib.Close();

  Open(lib, files.vectorized);
  std::vector<Duration> vectorizedTimes;
  for (int round = 0; round < kRounds; ++round)
    vectorizedTimes.push_back(bench::Timed([&] { ReadLongestSegment(lib); }));
  const Duration vectorizedWindow = WindowMedian(lib);
  lib.Close();
  std::error_code ignored;
  std::filesystem::remove_all(registry, ignored);

  const double sampleMb = static_cast<double>(SegmentFrames(kLongestSegment) * kChannels * 2) / 1e6;
  const Duration floor = Median(floorTimes);
  const Duration getData = Median(getDataTimes);
  const Duration both = Median(bothTimes);
  const Duration events = Median(eventTimes);
  const double peakMb = static_cast<double>(anonymousPeakKb - anonymousBeforeKb) * 1024 / 1e6;
  std::printf(
      "BrainVision, 64 channels x 1 kHz x 1 h, INT_16, 3 segments (15, 25, 20 min), %d markers\n",
      kStimuli);
  std::printf(
      "(medians of %d; the floor and the reads taken in turns; windows: median of %d anywhere)\n",
      kRounds, kWindows);
  PrintMilliseconds("OpenEx, warm (markers parsed)", open);
  std::printf("  longest segment, %.1f MB of samples:\n", sampleMb);
  PrintMilliseconds("  floor: mmap + de-interleave", floor);
  PrintMilliseconds("  GetData, MULTIPLEXED", getData);
  PrintMilliseconds("  GetSegmentInf + GetData", both);
  PrintMilliseconds("  GetData, VECTORIZED", Median(vectorizedTimes));
  std::printf("  %-38s %8.1f us  (CPU %.1f)\n", "4-s window, MULTIPLEXED",
              multiplexedWindow.wallMs * 1000, multiplexedWindow.cpuMs * 1000);
  std::printf("  %-38s %8.1f us  (CPU %.1f)\n", "4-s window, VECTORIZED",
              vectorizedWindow.wallMs * 1000, vectorizedWindow.cpuMs * 1000);
  PrintMilliseconds("GetEventCount + GetEvents of every event", events);
  std::printf("  %-38s %8.1f MB above the %.1f MB before\n", "peak anonymous memory of GetData",
              peakMb, static_cast<double>(anonymousBeforeKb) * 1024 / 1e6);

  std::printf("\nTargets (wall-clock decides; CPU time beside it)\n");
  PrintTarget("OpenEx, warm", open.wallMs, open.cpuMs, 20, " ms");
  PrintTarget("GetData / floor", getData.wallMs / floor.wallMs, getData.cpuMs / floor.cpuMs, 1.5,
              " x ");
  PrintTarget("(GetSegmentInf + GetData) / floor", both.wallMs / floor.wallMs,
              both.cpuMs / floor.cpuMs, 3, " x ");
  PrintTarget("4-s window, MULTIPLEXED", multiplexedWindow.wallMs * 1000,
              multiplexedWindow.cpuMs * 1000, 100, " us");
  PrintTarget("4-s window, VECTORIZED", vectorizedWindow.wallMs * 1000,
              vectorizedWindow.cpuMs * 1000, 100, " us");
  PrintTarget("listing the events", events.wallMs, events.cpuMs, 300, " ms");
  std::printf("  %-34s %7.2f x                <= 2.2  %s\n", "peak memory / sample bytes",
              peakMb / sampleMb, Verdict(peakMb <= 2.2 * sampleMb));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The library's failure reports pause only on a terminal; a benchmark must never wait.
  if (std::freopen("/dev/null", "r", stdin) == nullptr) return 2;
  try {
    return Run(argc > 1 ? argv[1] : bench::ExecutableFolder() + "../brainvision-cache");
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "brainvision_benchmark: %s\n", failure.what());
    return 1;
  }
}
