// wfdb_record_benchmark [CACHE_FOLDER [HOURS]]: a day-long WFDB record through the exports,
// against the floor of de-interleaving the same samples stored as format 16 from a mapping.
//
// Writes (or reuses) in CACHE_FOLDER (default: wfdb-record-cache beside the build's bin folder)
// a record of 12 signals at 500 Hz in format 212 (HOURS hours, default 24: about 780 MB) with
// 100,000 beat annotations, the same samples in format 16 for the floor, and a record of one
// format-8 signal of the same length, registers the component in a private class registry and
// prints: OpenEx warm (annotations parsed), streaming every channel through GetData2 in 60-s
// windows against the floor (mmap + de-interleave of the format-16 bytes in the same windows,
// in the same process, taken in turns), 4-s windows anywhere in both formats, and listing the
// events; then each figure against its target.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "component_registry.h"
#include "export_measures.h"
#include "mapped_file.h"
#include "tapline_library.h"
#include "wfdb_writer.h"
#include "written_file.h"

namespace {

using bench::Duration;
using bench::Median;

constexpr int kSignals = 12;
constexpr std::int64_t kRate = 500;
constexpr std::int64_t kFramesPerChunk = 1 << 20;
constexpr int kBeats = 100'000;
constexpr int kRounds = 5;
constexpr int kWindows = 200;
constexpr int kStreamRounds = 3;
constexpr double kStreamSeconds = 60.0;
constexpr double kSecondsPerDay = 86400.0;
// Frames the floor takes at a time: 6 KiB of them stay in the first-level cache while every
// signal's samples are gathered from them.
constexpr std::int64_t kFloorBlockFrames = 256;

std::int16_t Sample(std::int64_t frame, int signal) {
  return static_cast<std::int16_t>((frame * 7 + signal * 311) % 4001 - 2000);
}

// Steps of one, which format 8's differences hold.
std::int16_t Walk(std::int64_t frame) {
  return static_cast<std::int16_t>(std::abs(frame % 4000 - 2000) - 1000);
}

// Writes the signal file of `format` chunk by chunk (a day does not fit in memory twice).
void WriteSignalFile(const std::filesystem::path& path, int format, int signals,
                     std::int64_t frames) {
  wfdb_test::SignalFileStream out(path, format);
  std::vector<std::int32_t> stream;
  std::int32_t previous = Walk(0);  // the header's initial value
  for (std::int64_t first = 0; first < frames; first += kFramesPerChunk) {
    stream.clear();
    for (std::int64_t frame = first; frame < std::min(frames, first + kFramesPerChunk); ++frame) {
      if (format == 8) {  // differences
        stream.push_back(Walk(frame) - previous);
        previous = Walk(frame);
        continue;
      }
      for (int s = 0; s < signals; ++s) stream.push_back(Sample(frame, s));
    }
    out.Write(stream);
  }
  out.Finish();
}

void WriteRecord(const std::filesystem::path& folder, std::int64_t frames) {
  const auto header = [&](const std::string& name, const std::string& format, int signals) {
    std::string text = name + " " + std::to_string(signals) + " " + std::to_string(kRate) + " " +
                       std::to_string(frames) + " 08:00:00 01/03/2024\n";
    for (int s = 0; s < signals; ++s) {
      text += name + ".dat " + format + " 200/mV 12 0 " + std::to_string(format == "8" ? Walk(0) : 0) +
              " 0 0 ECG " + std::to_string(s) + "\n";
    }
    recording_writers::WriteFile((folder / (name + ".hea")).string(), text);
  };
  header("day", "212", kSignals);
  header("day8", "8", 1);
  if (std::filesystem::exists(folder / "day.dat")) return;
  std::printf("writing the record in %s ...\n", folder.string().c_str());
  std::fflush(stdout);
  WriteSignalFile(folder / "day8.dat", 8, 1, frames);
  WriteSignalFile(folder / "day16.dat", 16, kSignals, frames);
  std::vector<wfdb_test::WrittenAnnotation> beats;
  for (int k = 0; k < kBeats; ++k) {
    beats.push_back(
        {frames / kBeats * k + 17, k % 7 == 0 ? 5 : 1, 0, 0, 0, k % 1000 == 0 ? "(N" : ""});
  }
  recording_writers::WriteFile((folder / "day.atr").string(), wfdb_test::AnnotationFile(beats));
  // The 212 file last: it takes its name when complete, so its presence tells the record is.
  WriteSignalFile(folder / "day.dat", 212, kSignals, frames);
}

void Open(const tapline_info::TaplineLibrary& lib, const std::filesystem::path& header) {
  int segments = 0;
  if (lib.OpenEx(header.string().c_str(), &segments) != 1 || segments != 1) {
    throw std::runtime_error("OpenEx refused " + header.string());
  }
}

// The whole record through GetData2 in 60-s windows, the first and last sample of each checked.
void Stream(const tapline_info::TaplineLibrary& lib, const bench::SegmentShape& record,
            std::int64_t frames, std::vector<std::int16_t>& buffer) {
  const auto window = static_cast<std::int64_t>(kStreamSeconds) * kRate;
  for (std::int64_t first = 0; first < frames; first += window) {
    const std::int64_t count = std::min(window, frames - first);
    const double date = record.startDay + static_cast<double>(first / kRate) / kSecondsPerDay;
    if (lib.GetData2(date, static_cast<double>(count) / kRate, buffer.data()) != 1 ||
        buffer[0] != Sample(first, 0) ||
        buffer[static_cast<std::size_t>(count * kSignals - 1)] !=
            Sample(first + count - 1, kSignals - 1)) {
      throw std::runtime_error("GetData2 read wrong samples at frame " + std::to_string(first));
    }
  }
}

// The floor: the same windows' samples de-interleaved from a mapping of the format-16 file.
void StreamFloor(const std::string& path, std::int64_t frames, std::vector<std::int16_t>& buffer) {
  const bench::MappedFile mapped(path);
  const auto* stored = mapped.As<std::int16_t>();  // little-endian
  const auto window = static_cast<std::int64_t>(kStreamSeconds) * kRate;
  for (std::int64_t first = 0; first < frames; first += window) {
    const std::int64_t count = std::min(window, frames - first);
    const std::int16_t* frame = stored + first * kSignals;
    for (std::int64_t block = 0; block < count; block += kFloorBlockFrames) {
      const std::int64_t end = std::min(count, block + kFloorBlockFrames);
      for (int s = 0; s < kSignals; ++s) {
        std::int16_t* out = buffer.data() + s * count;
        for (std::int64_t f = block; f < end; ++f) out[f] = frame[f * kSignals + s];
      }
    }
    if (buffer[0] != Sample(first, 0)) throw std::runtime_error("the floor read wrong samples");
  }
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

// A figure against its target, wall-clock and CPU time.
void PrintTarget(const char* what, double wall, double cpu, double target, const char* unit) {
  std::printf("  %-34s %7.2f%s (CPU %.2f)  <= %g  %s\n", what, wall, unit, cpu, target,
              Verdict(wall <= target));
}

int Run(const std::filesystem::path& folder, std::int64_t hours) {
  const std::int64_t frames = hours * 3600 * kRate;
  std::filesystem::create_directories(folder);
  WriteRecord(folder, frames);
  const std::string binaries = bench::ExecutableFolder();
  tapline_info::TaplineLibrary lib;
  const std::string registry = bench::LoadLibraryWithComponent(binaries, lib);

  const Duration open = Median(bench::OpenTimes(lib, (folder / "day.hea").string(), 1, kRounds));
  Open(lib, folder / "day.hea");
  const bench::SegmentShape record = bench::ShapeOf(lib, 0, 1);
  std::vector<Duration> eventTimes;
  for (int round = 0; round < kRounds; ++round)
    eventTimes.push_back(bench::ListEvents(lib, kBeats));

  std::vector<std::int16_t> buffer(static_cast<std::size_t>(kStreamSeconds * kRate * kSignals));
  const std::string floorPath = (folder / "day16.dat").string();
  Stream(lib, record, frames, buffer);  // brings both files into the page cache
  StreamFloor(floorPath, frames, buffer);
  std::vector<Duration> streamTimes, floorTimes;
  for (int round = 0; round < kStreamRounds; ++round) {
    streamTimes.push_back(bench::Timed([&] { Stream(lib, record, frames, buffer); }));
    floorTimes.push_back(bench::Timed([&] { StreamFloor(floorPath, frames, buffer); }));
  }

  const auto windowSamples = static_cast<std::size_t>(4 * kRate);
  const Duration window =
      Median(bench::WindowTimes(lib, record, kRate, 4.0, kWindows,
                                [&](std::span<const std::int16_t> samples, std::int64_t first) {
                                  for (int s = 0; s < kSignals; ++s) {
                                    if (samples[s * windowSamples] != Sample(first, s))
                                      throw std::runtime_error("a 212 window read wrong samples");
                                  }
                                }));
  lib.Close();
  Open(lib, folder / "day8.hea");
  const Duration format8 = Median(
      bench::WindowTimes(lib, bench::ShapeOf(lib, 0, 1), kRate, 4.0, kWindows,
                         [&](std::span<const std::int16_t> samples, std::int64_t first) {
                           if (samples[0] != Walk(first) ||
                               samples[windowSamples - 1] != Walk(first + 4 * kRate - 1)) {
                             throw std::runtime_error("a format-8 window read wrong samples");
                           }
                         }));
  lib.Close();
  std::error_code ignored;
  std::filesystem::remove_all(registry, ignored);

  const Duration stream = Median(streamTimes);
  const Duration floor = Median(floorTimes);
  const Duration events = Median(eventTimes);
  const auto print = [](const char* what, Duration d, double scale, const char* unit) {
    std::printf("  %-42s %8.1f %s  (CPU %.1f)\n", what, d.wallMs * scale, unit, d.cpuMs * scale);
  };
  std::printf("WFDB, %lld h, %d signals x %lld Hz in format 212, %d annotations\n",
              static_cast<long long>(hours), kSignals, static_cast<long long>(kRate), kBeats);
  std::printf(
      "(medians: %d opens and listings, %d streams taken in turns with the floor, %d windows "
      "anywhere)\n",
      kRounds, kStreamRounds, kWindows);
  print("OpenEx, warm (annotations parsed)", open, 1, "ms");
  print("GetData2, whole record in 60-s windows", stream, 1, "ms");
  print("floor: mmap + de-interleave of format 16", floor, 1, "ms");
  print("4-s window, format 212", window, 1000, "us");
  print("4-s window, format 8", format8, 1000, "us");
  print("GetEventCount + GetEvents of every event", events, 1, "ms");

  std::printf("\nTargets (wall-clock decides; CPU time beside it)\n");
  PrintTarget("OpenEx, warm", open.wallMs, open.cpuMs, 50, " ms");
  PrintTarget("streaming / floor", stream.wallMs / floor.wallMs, stream.cpuMs / floor.cpuMs, 1.5,
              " x ");
  PrintTarget("4-s window, format 212", window.wallMs * 1000, window.cpuMs * 1000, 100, " us");
  PrintTarget("4-s window, format 8", format8.wallMs * 1000, format8.cpuMs * 1000, 100, " us");
  PrintTarget("listing the events", events.wallMs, events.cpuMs, 500, " ms");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return bench::RunBenchmark("wfdb_record_benchmark", [&] {
    const std::filesystem::path folder = bench::CacheFolder(argc, argv, "wfdb-record-cache");
    return Run(folder, argc > 2 ? std::stoll(argv[2]) : 24);
  });
}
