// flac_record_benchmark [CACHE_FOLDER [HOURS]]: a day-long WFDB record in format 516 (FLAC)
// through the exports, against libFLAC decoding the same files in the same process.
//
// Writes (or reuses) in CACHE_FOLDER (default: wfdb-flac-cache beside the build's bin folder) a
// record of 12 signals at 500 Hz in two FLAC files of 6 channels (HOURS hours, default 24),
// registers the component in a private class registry and prints: OpenEx warm, streaming every
// channel through GetData2 in 60-s windows against libFLAC's own decoding of both files
// (taken in turns), 4-s windows anywhere and in the last hour, and the peak resident memory
// while streaming against the files' size; then each figure against its target.

#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "component_registry.h"
#include "export_measures.h"
#include "tapline_library.h"
#include "wfdb_flac_writer.h"
#include "written_file.h"

namespace {

using bench::Duration;
using bench::Median;

constexpr int kSignals = 12;
constexpr int kSignalsPerFile = 6;
constexpr std::int64_t kRate = 500;
constexpr std::int64_t kFramesPerChunk = 1 << 16;
constexpr int kRounds = 5;
constexpr int kWindows = 200;
constexpr int kStreamRounds = 3;
constexpr double kStreamSeconds = 60.0;
constexpr double kSecondsPerDay = 86400.0;

// A slow ramp with 7 bits of noise, so that FLAC's residuals are as busy as a real signal's.
std::int16_t Sample(std::int64_t frame, int signal) {
  const auto noise = static_cast<std::int32_t>((static_cast<std::uint32_t>(frame) * 2654435761u +
                                                static_cast<std::uint32_t>(signal) * 40503u) >> 25) - 64;
  return static_cast<std::int16_t>((frame * 7 + signal * 311) % 4001 - 2000 + noise);
}

std::string FileName(int file) { return "day_" + std::to_string(file) + ".flac"; }

void WriteRecord(const std::filesystem::path& folder, std::int64_t frames) {
  std::string header = "day " + std::to_string(kSignals) + " " + std::to_string(kRate) + " " +
                       std::to_string(frames) + " 08:00:00 01/03/2024\n";
  for (int s = 0; s < kSignals; ++s) {
    header += FileName(s / kSignalsPerFile) + " 516 200/mV 16 0 0 0 0 ECG " + std::to_string(s) + "\n";
  }
  recording_writers::WriteFile((folder / "day.hea").string(), header);
  if (std::filesystem::exists(folder / FileName(kSignals / kSignalsPerFile - 1))) return;
  std::printf("writing the record in %s ...\n", folder.string().c_str());
  std::fflush(stdout);
  std::vector<std::int32_t> interleaved;
  for (int file = 0; file < kSignals / kSignalsPerFile; ++file) {
    // Written under a partial name: the last file's presence tells the record is complete.
    const auto partial = folder / (FileName(file) + ".partial");
    wfdb_test::FlacFileStream out(partial, kSignalsPerFile, static_cast<std::uint64_t>(frames));
    for (std::int64_t first = 0; first < frames; first += kFramesPerChunk) {
      interleaved.clear();
      for (std::int64_t frame = first; frame < std::min(frames, first + kFramesPerChunk); ++frame) {
        for (int c = 0; c < kSignalsPerFile; ++c) interleaved.push_back(Sample(frame, file * kSignalsPerFile + c));
      }
      out.Write(interleaved);
    }
    out.Finish();
    std::filesystem::rename(partial, folder / FileName(file));
  }
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
        buffer[static_cast<std::size_t>(count * kSignals - 1)] != Sample(first + count - 1, kSignals - 1)) {
      throw std::runtime_error("GetData2 read wrong samples at frame " + std::to_string(first));
    }
  }
}

// libFLAC's own decoding of a file, each frame handed to a callback that takes one sample.
FLAC__StreamDecoderWriteStatus TakeOne(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                       const FLAC__int32* const buffer[], void* sum) {
  *static_cast<std::int64_t*>(sum) += buffer[0][frame->header.blocksize - 1];
  return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}
void NoMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata*, void*) {}
void NoError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {}

void DecodeWithLibFlac(const std::filesystem::path& folder) {
  for (int file = 0; file < kSignals / kSignalsPerFile; ++file) {
    FLAC__StreamDecoder* decoder = FLAC__stream_decoder_new();
    std::int64_t sum = 0;
    const bool decoded = decoder &&
        FLAC__stream_decoder_init_file(decoder, (folder / FileName(file)).string().c_str(), TakeOne, NoMetadata,
                                       NoError, &sum) == FLAC__STREAM_DECODER_INIT_STATUS_OK &&
        FLAC__stream_decoder_process_until_end_of_stream(decoder);
    FLAC__stream_decoder_delete(decoder);
    if (!decoded) throw std::runtime_error("libFLAC could not decode " + FileName(file));
  }
}

// The process's peak resident set since ResetPeakMemory, in MiB (Linux); 0 elsewhere.
double PeakMemoryMiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0.0;
}
void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

void PrintTarget(const char* what, double wall, double cpu, double target, const char* unit) {
  std::printf("  %-34s %7.2f%s (CPU %.2f)  <= %g  %s\n", what, wall, unit, cpu, target, Verdict(wall <= target));
}

int Run(const std::filesystem::path& folder, std::int64_t hours) {
  const std::int64_t frames = hours * 3600 * kRate;
  std::filesystem::create_directories(folder);
  WriteRecord(folder, frames);
  std::uintmax_t fileBytes = 0;
  for (int file = 0; file < kSignals / kSignalsPerFile; ++file) fileBytes += std::filesystem::file_size(folder / FileName(file));
  const std::string binaries = bench::ExecutableFolder();
  tapline_info::TaplineLibrary lib;
  const std::string registry = bench::LoadLibraryWithComponent(binaries, lib);

  const Duration open = Median(bench::OpenTimes(lib, (folder / "day.hea").string(), 1, kRounds));
  Open(lib, folder / "day.hea");
  const bench::SegmentShape record = bench::ShapeOf(lib, 0, 1);
  std::vector<std::int16_t> buffer(static_cast<std::size_t>(kStreamSeconds * kRate * kSignals));
  Stream(lib, record, frames, buffer);  // brings the files into the page cache
  const double peakBefore = (ResetPeakMemory(), PeakMemoryMiB());
  std::vector<Duration> streamTimes, floorTimes;
  for (int round = 0; round < kStreamRounds; ++round) {
    streamTimes.push_back(bench::Timed([&] { Stream(lib, record, frames, buffer); }));
    floorTimes.push_back(bench::Timed([&] { DecodeWithLibFlac(folder); }));
  }
  const double peakStreaming = PeakMemoryMiB();

  const auto windowSamples = static_cast<std::size_t>(4 * kRate);
  const auto windowCheck = [&](std::int64_t offset) {
    return [&, offset](std::span<const std::int16_t> samples, std::int64_t first) {
      for (int s = 0; s < kSignals; ++s) {
        if (samples[s * windowSamples] != Sample(offset + first, s)) throw std::runtime_error("a window read wrong samples");
      }
    };
  };
  const Duration anywhere = Median(bench::WindowTimes(lib, record, kRate, 4.0, kWindows, windowCheck(0)));
  bench::SegmentShape lastHour = record;
  lastHour.startDay += (record.seconds - 3600.0) / kSecondsPerDay;
  lastHour.seconds = 3600.0;
  const Duration late = Median(
      bench::WindowTimes(lib, lastHour, kRate, 4.0, kWindows, windowCheck(frames - 3600 * kRate)));
  lib.Close();
  std::error_code ignored;
  std::filesystem::remove_all(registry, ignored);

  const Duration stream = Median(streamTimes);
  const Duration floor = Median(floorTimes);
  const auto print = [](const char* what, Duration d, double scale, const char* unit) {
    std::printf("  %-44s %8.1f %s  (CPU %.1f)\n", what, d.wallMs * scale, unit, d.cpuMs * scale);
  };
  std::printf("WFDB, %lld h, %d signals x %lld Hz in format 516, two FLAC files of %.0f MiB\n",
              static_cast<long long>(hours), kSignals, static_cast<long long>(kRate),
              static_cast<double>(fileBytes) / (1 << 20));
  std::printf("(medians: %d opens, %d streams taken in turns with libFLAC, %d windows each)\n", kRounds,
              kStreamRounds, kWindows);
  print("OpenEx, warm", open, 1, "ms");
  print("GetData2, whole record in 60-s windows", stream, 1, "ms");
  print("libFLAC decoding both files, same process", floor, 1, "ms");
  print("4-s window anywhere", anywhere, 1000, "us");
  print("4-s window in the last hour", late, 1000, "us");
  std::printf("  %-44s %8.1f MiB (%.1f MiB before streaming; files %.0f MiB)\n", "peak resident memory while streaming",
              peakStreaming, peakBefore, static_cast<double>(fileBytes) / (1 << 20));

  std::printf("\nTargets (wall-clock decides; CPU time beside it)\n");
  PrintTarget("streaming / libFLAC", stream.wallMs / floor.wallMs, stream.cpuMs / floor.cpuMs, 1.2, " x ");
  PrintTarget("4-s window in the last hour", late.wallMs, late.cpuMs, 5, " ms");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return bench::RunBenchmark("flac_record_benchmark", [&] {
    const std::filesystem::path folder = bench::CacheFolder(argc, argv, "wfdb-flac-cache");
    return Run(folder, argc > 2 ? std::stoll(argv[2]) : 24);
  });
}
