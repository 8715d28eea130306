// tapline-info FILE [--window START_SECONDS DURATION --csv OUT]
//
// Prints a recording's segments, channels, events and per-channel sample statistics of its
// first segment, read through the library's exports like any host would read them; with
// --window, also writes that window's samples as CSV. When the library refuses the file, the
// EDF reader's own reason is printed too. Texts from the file or the user are printed with
// their control characters escaped.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "formats/edf/recording.h"
#include "progress_bar.h"
#include "recording_queries.h"
#include "recording_report.h"
#include "segment_statistics.h"
#include "tapline_library.h"
#include "terminal.h"
#include "terminal_text.h"
#include "window_csv.h"

namespace {

using namespace tapline_info;

constexpr int kRefused = 1;
constexpr int kUsage = 2;

struct Arguments {
  std::string file;
  std::optional<double> windowStart;
  double windowDuration = 0.0;
  std::string csvPath;
};

int Usage() {
  std::fputs("usage: tapline-info FILE [--window START_SECONDS DURATION --csv OUT]\n", stderr);
  return kUsage;
}

std::optional<double> ParseNumber(const char* text) {
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0') return std::nullopt;
  return value;
}

std::optional<Arguments> ParseArguments(int argc, char** argv) {
  Arguments arguments;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--window" && i + 2 < argc) {
      arguments.windowStart = ParseNumber(argv[i + 1]);
      const std::optional<double> duration = ParseNumber(argv[i + 2]);
      if (!arguments.windowStart || !duration) return std::nullopt;
      arguments.windowDuration = *duration;
      i += 2;
    } else if (word == "--csv" && i + 1 < argc) {
      arguments.csvPath = argv[++i];
    } else if (!word.empty() && word[0] != '-' && arguments.file.empty()) {
      arguments.file = word;
    } else {
      return std::nullopt;
    }
  }
  if (arguments.file.empty() || arguments.windowStart.has_value() == arguments.csvPath.empty()) {
    return std::nullopt;
  }
  return arguments;
}

// The library prints only its fixed words; the reader's parser tells why.
void ExplainRefusal(const std::string& file) {
  const edf::Result<std::unique_ptr<edf::Recording>> opened = edf::Recording::Open(file);
  if (!opened.Ok()) {
    std::fprintf(stderr, "\ntapline-info: %s: %s\n", TerminalSafe(file).c_str(),
                 TerminalSafe(opened.Reason()).c_str());
  } else {
    std::fprintf(stderr,
                 "\ntapline-info: %s is a readable EDF file, but the library could not open it:"
                 " is the reader component registered"
                 " (tapline-regsvr libtapline_open_formats.so)?\n",
                 TerminalSafe(file).c_str());
  }
}

// Statistics of segment 0, read in windows; a progress bar on a terminal while they take long.
void PrintFirstSegmentSamples(const TaplineLibrary& library, const SegmentTimes& times,
                              const SegmentChannels& channels) {
  std::optional<std::vector<SampleSummary>> summaries;
  {
    std::fflush(stdout);
    ProgressBar bar(stderr, IsTerminal(stderr), "Reading segment 0");
    summaries = SummarizeSegment(library, 0, {times.starts.front(), times.durations.front()},
                                 channels, kWindowBufferSamples,
                                 [&](double done) { bar.Update(done); });
  }
  if (summaries) {
    PrintSampleSummaries(stdout, channels.names, *summaries);
  } else {
    std::fputs("Samples of segment 0: not readable\n", stdout);
  }
}

int PrintRecording(const TaplineLibrary& library, int segmentCount) {
  const SegmentTimes times = ReadSegmentTimes(library, segmentCount);
  PrintSegments(stdout, times);
  std::vector<std::optional<SegmentChannels>> channels;
  for (int segment = 0; segment < segmentCount; ++segment) {
    channels.push_back(ReadSegmentChannels(library, segment));
  }
  PrintChannels(stdout, channels);
  PrintEvents(stdout, ReadEvents(library));
  if (!channels.empty() && channels.front()) PrintFirstSegmentSamples(library, times, *channels.front());
  return 0;
}

int WriteWindow(const TaplineLibrary& library, int segmentCount, const Arguments& arguments) {
  WindowSamples window;
  std::string error;
  if (!ReadWindow(library, segmentCount, *arguments.windowStart, arguments.windowDuration,
                  window, error)) {
    std::fprintf(stderr, "tapline-info: window: %s\n", TerminalSafe(error).c_str());
    return kRefused;
  }
  std::FILE* out = std::fopen(arguments.csvPath.c_str(), "w");
  if (out == nullptr) {
    std::fprintf(stderr, "tapline-info: cannot write %s\n", TerminalSafe(arguments.csvPath).c_str());
    return kRefused;
  }
  WriteWindowCsv(out, window);
  if (std::fclose(out) != 0) {
    std::fprintf(stderr, "tapline-info: cannot write %s\n", TerminalSafe(arguments.csvPath).c_str());
    return kRefused;
  }
  std::printf("Window of %g s from %g s: %zu samples written to %s\n", arguments.windowDuration,
              *arguments.windowStart, window.samples.size(), TerminalSafe(arguments.csvPath).c_str());
  return 0;
}

int Run(int argc, char** argv) {
  const std::optional<Arguments> arguments = ParseArguments(argc, argv);
  if (!arguments) return Usage();
  const std::string libraryPath = LibraryBesideExecutable();
  TaplineLibrary library;
  std::string error;
  if (!LoadTaplineLibrary(libraryPath, library, error)) {
    std::fprintf(stderr, "tapline-info: %s\n", TerminalSafe(error).c_str());
    return kUsage;
  }
  int segmentCount = 0;
  if (library.OpenEx(arguments->file.c_str(), &segmentCount) != 1) {
    std::fflush(stdout);
    ExplainRefusal(arguments->file);
    return kRefused;
  }
  std::printf("Recording: %s\n", TerminalSafe(arguments->file).c_str());
  int result = PrintRecording(library, segmentCount);
  if (arguments->windowStart) result = WriteWindow(library, segmentCount, *arguments);
  library.Close();
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tapline-info: %s\n", TerminalSafe(error.what()).c_str());
    return kRefused;
  }
}
