// tapline-info [--header] [--json] [--digital] FILE... | FILE --window START DURATION --csv OUT
//
// Prints each recording's segments, channels, events and per-channel sample statistics of its
// first segment (physical values, or the stored integers with --digital), read through the
// library's exports like any host would read them; with
// --window, also writes that window's samples as CSV. When the library refuses a file, the
// reader component's own reason is printed too, and what it forgave to open one is printed as
// a "Warnings" line. Texts from the file or the user are printed with their control
// characters escaped. See command_line.cpp for the options.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "command_line.h"
#include "json_report.h"
#include "progress_bar.h"
#include "recording_queries.h"
#include "recording_report.h"
#include "segment_statistics.h"
#include "tapline_library.h"
#include "terminal.h"
#include "terminal_text.h"
#include "window_csv.h"
#include "window_layout.h"

namespace {

using namespace tapline_info;

constexpr int kRefused = 1;
constexpr int kUsage = 2;

// The library prints only its fixed words; GetOpenMessage gives the component's reason.
std::string RefusalReason(const std::string& componentMessage) {
  if (!componentMessage.empty()) return componentMessage;
  return "the library could not open it and no reader component said why: is the reader"
         " component registered (tapline-regsvr libtapline_open_formats.so)?";
}

// Segments, channels and events of the open recording: nothing that reads samples.
RecordingReport ReadHeading(const TaplineLibrary& library, const std::string& file,
                            int segmentCount, const Options& options) {
  const bool headerOnly = options.headerOnly;
  RecordingReport report;
  report.file = file;
  report.headerOnly = headerOnly;
  report.scale = options.digital ? ValueScale::Digital : ValueScale::Physical;
  report.times = ReadSegmentTimes(library, segmentCount);
  if (headerOnly) {
    report.channelNames = segmentCount > 0 ? ReadChannelNames(library, 0)
                                           : std::optional<std::vector<std::string>>(std::in_place);
  } else {
    for (int segment = 0; segment < segmentCount; ++segment) {
      const auto index = static_cast<std::size_t>(segment);
      report.channels.push_back(ReadSegmentChannels(library, segment, report.times.starts[index],
                                                    report.times.durations[index]));
    }
  }
  report.events = ReadEvents(library);
  return report;
}

// Statistics of segment 0, read in windows; a progress bar on a terminal while they take long.
void ReadStatistics(const TaplineLibrary& library, RecordingReport& report) {
  if (!report.HasFirstSegmentChannels()) return;
  ProgressBar bar(stderr, IsTerminal(stderr), "Reading segment 0");
  report.firstSegment = SummarizeSegment(
      library, 0,
      {report.times.starts.front(), report.times.durations.front(),
       WindowShiftTicks(report.times.starts, report.times.durations)},
      *report.channels.front(), report.scale, kWindowBufferSamples,
      [&](double done) { bar.Update(done); });
}

int WriteWindow(const TaplineLibrary& library, int segmentCount, const Options& options,
                std::FILE* data) {
  WindowSamples window;
  std::string error;
  if (!ReadWindow(library, segmentCount, *options.windowStart, options.windowDuration, window,
                  error)) {
    std::fprintf(stderr, "tapline-info: window: %s\n", TerminalSafe(error).c_str());
    return kRefused;
  }
  const ValueScale scale = options.digital ? ValueScale::Digital : ValueScale::Physical;
  if (options.CsvToStandardOutput()) {
    WriteWindowCsv(data, window, scale);
    return std::fflush(data) == 0 ? 0 : kRefused;
  }
  std::FILE* out = std::fopen(options.csvPath.c_str(), "w");
  if (out == nullptr) {
    std::fprintf(stderr, "tapline-info: cannot write %s\n", TerminalSafe(options.csvPath).c_str());
    return kRefused;
  }
  WriteWindowCsv(out, window, scale);
  if (std::fclose(out) != 0) {
    std::fprintf(stderr, "tapline-info: cannot write %s\n", TerminalSafe(options.csvPath).c_str());
    return kRefused;
  }
  std::fprintf(options.json ? stderr : data, "Window of %g s from %g s: %zu samples written to %s\n",
               options.windowDuration, *options.windowStart, window.samples.size(),
               TerminalSafe(options.csvPath).c_str());
  return 0;
}

// One file's report (and window) on `data`; 0 or kRefused.
int ReportFile(const TaplineLibrary& library, const Options& options, const std::string& file,
               std::FILE* data) {
  int segmentCount = 0;
  const bool opened = library.OpenEx(file.c_str(), &segmentCount) == 1;
  const std::string componentMessage = ReadOpenMessage(library);
  if (!opened) {
    std::fflush(stdout);
    const std::string reason = RefusalReason(componentMessage);
    if (options.json) {
      WriteJsonRefusal(data, file, reason);
    } else {
      std::fprintf(stderr, "\ntapline-info: %s: %s\n", TerminalSafe(file).c_str(),
                   TerminalSafe(InReportCodePage(reason)).c_str());
    }
    return kRefused;
  }
  const std::vector<std::string> warnings = MessageLines(componentMessage);
  const bool report = !options.CsvToStandardOutput();
  int result = 0;
  if (report) {
    RecordingReport recording = ReadHeading(library, file, segmentCount, options);
    recording.warnings = warnings;
    if (!options.json) {
      PrintReportHeading(data, recording);
      std::fflush(data);
    }
    ReadStatistics(library, recording);
    if (options.json) {
      WriteJsonReport(data, recording);
    } else {
      PrintReportStatistics(data, recording);
    }
  } else {
    // Standard output holds the CSV alone.
    for (const std::string& warning : warnings) {
      std::fprintf(stderr, "tapline-info: %s: warning: %s\n", TerminalSafe(file).c_str(),
                   TerminalSafe(InReportCodePage(warning)).c_str());
    }
  }
  if (options.windowStart) result = WriteWindow(library, segmentCount, options, data);
  library.Close();
  return result;
}

int Run(int argc, char** argv) {
  const std::optional<Options> options = ParseCommandLine(argc, argv);
  if (!options) {
    std::fputs(kUsageText, stderr);
    return kUsage;
  }
  if (options->request == Request::Help) {
    std::fputs(kUsageText, stdout);
    std::fputs("\n", stdout);
    std::fputs(kHelpText, stdout);
    return 0;
  }
  if (options->request == Request::Version) {
    std::puts("tapline-info " TAPLINE_VERSION);
    return 0;
  }
  const std::string libraryPath = HostLibrary();
  TaplineLibrary library;
  std::string error;
  if (!LoadTaplineLibrary(libraryPath, library, error)) {
    std::fprintf(stderr, "tapline-info: %s\n", TerminalSafe(error).c_str());
    return kUsage;
  }
  // JSON and CSV stay clean of what the library prints on the console.
  std::FILE* data =
      options->json || options->CsvToStandardOutput() ? TakeStandardOutputForData() : stdout;
  const bool jsonArray = options->json && options->files.size() > 1;
  if (jsonArray) std::fputs("[\n", data);
  int result = 0;
  for (std::size_t i = 0; i < options->files.size(); ++i) {
    if (i > 0) std::fputs(options->json ? ",\n" : "\n", data);
    if (ReportFile(library, *options, options->files[i], data) != 0) result = kRefused;
  }
  if (jsonArray) std::fputs("\n]", data);
  if (options->json) std::fputs("\n", data);
  return std::fflush(data) == 0 ? result : kRefused;
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
