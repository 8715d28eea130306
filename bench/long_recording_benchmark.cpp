// long_recording_benchmark [--events-only] [CACHE_FOLDER [DISTINCT_TEXTS]]: a 24-hour recording
// through the exports.
//
// Writes (or reuses) in CACHE_FOLDER (default: long-recording-cache beside the build's bin
// folder) a 24-hour EDF+C of 64 channels at 512 Hz in 1-s records with 300 annotations
// (5.6 GB) and a small file of 20,000 (or DISTINCT_TEXTS) annotations with distinct texts
// (twice: in one annotation signal, and spread over 2,000), then prints:
// OpenEx with the file in the page cache and evicted from it, the first 4-s window from Python
// (examples/python/tapline.py, learning the rates included), streaming the whole segment
// through GetData2 windows against the floor of de-interleaving the same bytes from a mapping,
// and listing every event of the distinct-texts file. Parts that cannot run (no room on the
// disk, no numpy) are skipped with a message; --events-only skips the 24-hour file.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "component_registry.h"
#include "export_measures.h"
#include "long_recording_files.h"
#include "mapped_file.h"
#include "read_benchmark_file.h"
#include "tapline_library.h"

namespace {

using bench::Duration;
using bench::Timed;
using read_benchmark::kChannels;
using read_benchmark::kRate;

constexpr int kWarmRepetitions = 5;
constexpr int kColdRepetitions = 3;
constexpr int kDistinctTexts = 20'000;  // unless the command line says otherwise
// The same events once more, in a layout that once made the event type table grow with the file.
constexpr int kSpreadAnnotationSignals = 2000;
constexpr double kStreamWindowSeconds = 60.0;
constexpr double kSecondsPerDay = 86400.0;
// The day file and room for the rest of the disk's users.
constexpr std::int64_t kSpareBytes = std::int64_t{2} << 30;

Duration Fastest(int repetitions, const std::function<Duration()>& run) {
  Duration fastest{1e300, 1e300};
  for (int i = 0; i < repetitions; ++i) {
    const Duration d = run();
    fastest = {std::min(fastest.wallMs, d.wallMs), std::min(fastest.cpuMs, d.cpuMs)};
  }
  return fastest;
}

// Removes the file's pages from the page cache (they are clean after fsync); returns the share
// of its pages still cached afterwards, 0 when the kernel let go of them all.
double EvictFromPageCache(const std::string& path) {
  const int descriptor = open(path.c_str(), O_RDONLY);
  struct stat status {};
  if (descriptor < 0 || fstat(descriptor, &status) != 0) throw std::runtime_error("cannot open " + path);
  fsync(descriptor);
  posix_fadvise(descriptor, 0, 0, POSIX_FADV_DONTNEED);
  const auto size = static_cast<std::size_t>(status.st_size);
  void* mapped = mmap(nullptr, size, PROT_READ, MAP_SHARED, descriptor, 0);
  close(descriptor);
  if (mapped == MAP_FAILED) return -1.0;
  const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  std::vector<unsigned char> resident((size + page - 1) / page);
  double cached = -1.0;
  if (mincore(mapped, size, resident.data()) == 0) {
    cached = static_cast<double>(std::count_if(resident.begin(), resident.end(), [](unsigned char r) { return r & 1; })) /
             static_cast<double>(resident.size());
  }
  munmap(mapped, size);
  return cached;
}

Duration OpenMilliseconds(const tapline_info::TaplineLibrary& lib, const std::string& path) {
  int segments = 0;
  const Duration milliseconds = Timed([&] {
    if (lib.OpenEx(path.c_str(), &segments) != 1 || segments != 1) throw std::runtime_error("OpenEx refused " + path);
  });
  lib.Close();
  return milliseconds;
}

// The Python wrapper's first window: open, learn the rates, read 4 s an hour in.
void PrintPythonFirstWindow(const std::string& binaries, const std::string& path) {
  const std::string python = "/usr/bin/python3";
  if (std::system((python + " -c 'import numpy' 2>/dev/null").c_str()) != 0) {
    std::printf("  Python first 4-s window          skipped: %s has no numpy\n", python.c_str());
    return;
  }
  const std::string script =
      "import sys, time\n"
      "sys.path.insert(0, '" TAPLINE_SOURCE_DIR "/python')\n"
      "import tapline\n"
      "start = time.perf_counter()\n"
      "recording = tapline.Recording(sys.argv[1])\n"
      "window = recording.window(recording.recording_seconds_to_date(3600.0), 4.0)\n"
      "elapsed = time.perf_counter() - start\n"
      "assert len(window) == 64 and all(len(channel) == 2048 for channel in window)\n"
      "print('%.1f' % (elapsed * 1000))\n";
  const std::string scriptPath = binaries + "long_recording_first_window.py";
  if (FILE* out = std::fopen(scriptPath.c_str(), "w")) {
    std::fputs(script.c_str(), out);
    std::fclose(out);
  }
  const std::string command = "TAPLINE_LIBRARY='" + binaries + "libtapline.so' " + python + " '" + scriptPath +
                              "' '" + path + "' < /dev/null";
  double fastest = 1e300;
  for (int i = 0; i < 3; ++i) {
    FILE* pipe = popen(command.c_str(), "r");
    char line[256] = {};
    const bool read = pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr;
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    if (!read || status != 0) {
      std::printf("  Python first 4-s window          FAILED (%s)\n", read ? line : "no output");
      std::remove(scriptPath.c_str());
      return;
    }
    fastest = std::min(fastest, std::atof(line));
  }
  std::remove(scriptPath.c_str());
  std::printf("  Python first 4-s window       %9.1f ms   (fastest of 3; open, rates, window; warm)\n", fastest);
}

struct StreamFigures {
  Duration library;
  Duration floor;
};

// Every sample of the segment once, in GetData2 windows, and the same bytes de-interleaved from
// a mapping into the same buffer. Throws when a window holds wrong samples.
StreamFigures Stream(const tapline_info::TaplineLibrary& lib, const std::string& path) {
  int segments = 0;
  if (lib.OpenEx(path.c_str(), &segments) != 1) throw std::runtime_error("OpenEx refused " + path);
  double duration = 0.0;
  double start = 0.0;
  lib.GetSegmentTime(&duration, &start);
  const auto perChannel = static_cast<std::size_t>(std::ceil(kRate * kStreamWindowSeconds)) + 1;
  std::vector<std::int16_t> buffer(perChannel * kChannels);
  const auto windows = static_cast<std::int64_t>(long_recording::kSeconds / kStreamWindowSeconds);
  const auto windowSamples = static_cast<std::int64_t>(kRate * kStreamWindowSeconds);
  StreamFigures figures;
  figures.library = Timed([&] {
    for (std::int64_t w = 0; w < windows; ++w) {
      const double date = start + static_cast<double>(w) * kStreamWindowSeconds / kSecondsPerDay;
      if (lib.GetData2(date, kStreamWindowSeconds, buffer.data()) != 1 ||
          buffer[0] != read_benchmark::SampleValue(0, w * windowSamples) ||
          buffer[static_cast<std::size_t>(windowSamples) * kChannels - 1] !=
              read_benchmark::SampleValue(kChannels - 1, (w + 1) * windowSamples - 1)) {
        throw std::runtime_error("GetData2 read wrong samples in window " + std::to_string(w));
      }
    }
  });
  lib.Close();

  const bench::MappedFile mapped(path);
  const std::size_t size = mapped.size();
  const auto* bytes = mapped.As<std::byte>();
  const std::size_t headerBytes = size - static_cast<std::size_t>(long_recording::kSeconds) *
                                             ((size - 256 * (kChannels + 2)) / long_recording::kSeconds);
  const std::size_t recordBytes = (size - headerBytes) / long_recording::kSeconds;
  const std::size_t channelBytes = kRate * 2;
  figures.floor = Timed([&] {
    for (std::int64_t w = 0; w < windows; ++w) {
      for (std::int64_t r = 0; r < static_cast<std::int64_t>(kStreamWindowSeconds); ++r) {
        const std::byte* record =
            bytes + headerBytes + static_cast<std::size_t>(w * static_cast<std::int64_t>(kStreamWindowSeconds) + r) * recordBytes;
        for (int channel = 0; channel < kChannels; ++channel) {
          // Little-endian samples in the file and in memory.
          std::memcpy(buffer.data() + channel * windowSamples + r * kRate, record + channel * channelBytes, channelBytes);
        }
      }
      if (buffer[0] != read_benchmark::SampleValue(0, w * windowSamples)) throw std::runtime_error("the floor read wrong samples");
    }
  });
  return figures;
}

// Every event of the file through GetEvents, each label checked; milliseconds in all.
Duration ListEvents(const tapline_info::TaplineLibrary& lib, const std::string& path, int expected) {
  int segments = 0;
  if (lib.OpenEx(path.c_str(), &segments) != 1) throw std::runtime_error("OpenEx refused " + path);
  const Duration milliseconds = bench::ListEvents(lib, expected, [](int index, int typeIndex, const char* label) {
    if (typeIndex < 0 || long_recording::EventText(index) != label) {
      throw std::runtime_error("event " + std::to_string(index) + " came back as \"" + label + "\"");
    }
  });
  lib.Close();
  return milliseconds;
}

// Opening, the first window from Python and streaming, on the 24-hour file (written first
// unless it is there); skipped with a message when the disk lacks room for it.
void MeasureDayRecording(const tapline_info::TaplineLibrary& lib, const std::string& folder,
                         const std::string& binaries) {
  const std::string day = folder + "/day-64x512.edf";
  std::error_code ignored;
  const auto space = std::filesystem::space(folder);
  const std::int64_t dayBytes = long_recording::DayRecordingBytes();
  const auto existing = static_cast<std::int64_t>(std::filesystem::file_size(day, ignored));
  const bool haveDay = existing == dayBytes || static_cast<std::int64_t>(space.available) >= dayBytes + kSpareBytes;

  std::printf("Recording: 24 h EDF+C, 64 channels x 512 Hz, 1-s records, %d annotations, %.2f GB\n",
              long_recording::kAnnotations, static_cast<double>(dayBytes) / 1e9);
  if (!haveDay) {
    std::printf("  skipped: %s has %.1f GB free, the file needs %.1f GB and %.1f GB to spare\n", folder.c_str(),
                static_cast<double>(space.available) / 1e9, static_cast<double>(dayBytes) / 1e9,
                static_cast<double>(kSpareBytes) / 1e9);
    return;
  }
  std::printf("  writing (or reusing) %s ...\n", day.c_str());
  std::fflush(stdout);
  long_recording::EnsureDayRecording(day);
  OpenMilliseconds(lib, day);  // brings the annotation bytes into the page cache
  const Duration warm = Fastest(kWarmRepetitions, [&] { return OpenMilliseconds(lib, day); });
  std::printf("  OpenEx, warm                  %9.1f ms   (CPU %.1f ms; fastest of %d)\n", warm.wallMs, warm.cpuMs,
              kWarmRepetitions);
  std::vector<double> cold;
  double stillCached = 0.0;
  for (int i = 0; i < kColdRepetitions; ++i) {
    stillCached = std::max(stillCached, EvictFromPageCache(day));
    cold.push_back(OpenMilliseconds(lib, day).wallMs);
  }
  std::sort(cold.begin(), cold.end());
  std::printf("  OpenEx, cold                  %9.1f ms   (median of %d, %.0f..%.0f; %.2f%% of pages cached before)\n",
              cold[cold.size() / 2], kColdRepetitions, cold.front(), cold.back(), stillCached * 100);
  std::fflush(stdout);
  PrintPythonFirstWindow(binaries, day);
  std::fflush(stdout);
  Stream(lib, day);  // once to fill the page cache with the samples
  const StreamFigures stream = Stream(lib, day);
  const double sampleMb = static_cast<double>(long_recording::kSeconds) * kChannels * kRate * 2 / 1e6;
  std::printf("  GetData2, whole segment in %.0f-s windows %7.0f ms   (CPU %.0f ms; %.0f MB/s)\n",
              kStreamWindowSeconds, stream.library.wallMs, stream.library.cpuMs, sampleMb / stream.library.wallMs * 1000);
  std::printf("  floor: mmap + de-interleave   %9.0f ms   (CPU %.0f ms; %.0f MB/s); GetData2 / floor %.2f x\n",
              stream.floor.wallMs, stream.floor.cpuMs, sampleMb / stream.floor.wallMs * 1000,
              stream.library.wallMs / stream.floor.wallMs);
}

int Run(const std::string& folder, int distinctTexts, bool eventsOnly) {
  std::filesystem::create_directories(folder);
  const std::string texts = folder + "/distinct-texts-" + std::to_string(distinctTexts) + ".edf";
  const std::string spreadTexts = folder + "/distinct-texts-" + std::to_string(distinctTexts) + "-in-" +
                                  std::to_string(kSpreadAnnotationSignals) + "-signals.edf";
  const std::string binaries = bench::ExecutableFolder();
  tapline_info::TaplineLibrary lib;
  const std::string registry = bench::LoadLibraryWithComponent(binaries, lib);

  if (!eventsOnly) MeasureDayRecording(lib, folder, binaries);

  long_recording::EnsureDistinctTextsRecording(texts, distinctTexts);
  long_recording::EnsureDistinctTextsRecording(spreadTexts, distinctTexts, kSpreadAnnotationSignals);
  std::printf("Events: %d annotations with distinct texts\n", distinctTexts);
  for (const auto& [path, layout] : {std::pair{texts, "in one annotation signal"},
                                     std::pair{spreadTexts, "spread over 2,000 annotation signals"}}) {
    const Duration events = ListEvents(lib, path, distinctTexts);
    std::printf("  GetEventCount + GetEvents of every event %9.1f ms   (CPU %.1f ms; %s)\n", events.wallMs,
                events.cpuMs, layout);
  }
  std::error_code ignored;
  std::filesystem::remove_all(registry, ignored);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The library's failure reports pause only on a terminal; a benchmark must never wait.
  if (std::freopen("/dev/null", "r", stdin) == nullptr) return 2;
  try {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const bool eventsOnly = !arguments.empty() && arguments.front() == "--events-only";
    if (eventsOnly) arguments.erase(arguments.begin());
    const std::string folder = !arguments.empty() ? arguments[0] : bench::ExecutableFolder() + "../long-recording-cache";
    return Run(folder, arguments.size() > 1 ? std::atoi(arguments[1].c_str()) : kDistinctTexts, eventsOnly);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "long_recording_benchmark: %s\n", failure.what());
    return 1;
  }
}
