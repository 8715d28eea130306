#include "command_line.h"

#include <cstdlib>

namespace tapline_info {

const char kUsageText[] =
    "usage: tapline-info [--header] [--json] [--digital] FILE...\n"
    "       tapline-info [--digital] FILE --window START_SECONDS DURATION --csv OUT\n"
    "       tapline-info --help | --version\n";

const char kHelpText[] =
    "Prints what a recording holds, read through the Tapline library and the registered reader\n"
    "component: its segments, channels (rate and samples per segment), events, and the count,\n"
    "minimum, maximum and mean of each channel's samples in the first segment, in the file's\n"
    "physical values (stored value x gain + offset) with their unit.\n"
    "\n"
    "  FILE...          one report per file; the exit status is 1 when any file is refused\n"
    "  --header         segments, channel names and events only: no sample is read\n"
    "  --json           the report as JSON (an object, or an array of them for several files);\n"
    "                   channels carry gain, offset and unit (null when the file gives none)\n"
    "  --digital        statistics and CSV values as the stored integers, every sample counted\n"
    "  --window START_SECONDS DURATION --csv OUT\n"
    "                   also writes that window's samples as CSV rows channel,time_s,value,unit\n"
    "                   (channel,time_s,value with --digital) to OUT (\"-\": standard output,\n"
    "                   instead of the report); one FILE only\n"
    "  -h, --help       this text\n"
    "  --version        the version\n"
    "\n"
    "Seconds count from the first sample of the first segment (time zero): --window's start,\n"
    "the CSV's times and the JSON's offsets and onsets. A window must lie within one segment;\n"
    "otherwise the segment's bounds are named. Control characters in texts from the file are\n"
    "printed as escapes (\\x1b, \\u009b, \\u202e).\n"
    "\n"
    "A missing sample (a WFDB signal's invalid value) is left out of the physical statistics,\n"
    "counted as \"missing\", and written as an empty CSV value. A channel the file gives no\n"
    "physical values for keeps its stored integers: its unit reads \"(digital)\" in the report,\n"
    "null in the JSON, and is empty in the CSV.\n"
    "\n"
    "Exit status: 0 done, 1 a file or window refused, 2 a usage error.\n";

namespace {

std::optional<double> ParseNumber(const char* text) {
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0') return std::nullopt;
  return value;
}

}  // namespace

std::optional<Options> ParseCommandLine(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "-h" || word == "--help") {
      options.request = Request::Help;
      return options;
    } else if (word == "--version") {
      options.request = Request::Version;
      return options;
    } else if (word == "--window" && i + 2 < argc) {
      options.windowStart = ParseNumber(argv[i + 1]);
      const std::optional<double> duration = ParseNumber(argv[i + 2]);
      if (!options.windowStart || !duration) return std::nullopt;
      options.windowDuration = *duration;
      i += 2;
    } else if (word == "--csv" && i + 1 < argc) {
      options.csvPath = argv[++i];
    } else if (word == "--header") {
      options.headerOnly = true;
    } else if (word == "--json") {
      options.json = true;
    } else if (word == "--digital") {
      options.digital = true;
    } else if (!word.empty() && word[0] != '-') {
      options.files.push_back(word);
    } else {
      return std::nullopt;
    }
  }
  if (options.files.empty() || options.windowStart.has_value() == options.csvPath.empty()) {
    return std::nullopt;
  }
  // A window is one file's; its CSV on standard output leaves no room for a report there.
  if (options.windowStart && (options.files.size() != 1 ||
                              (options.CsvToStandardOutput() && (options.json || options.headerOnly)))) {
    return std::nullopt;
  }
  return options;
}

}  // namespace tapline_info
