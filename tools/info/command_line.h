// tapline-info's command line: what to report on, and how.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tapline_info {

enum class Request { Report, Help, Version };

struct Options {
  Request request = Request::Report;
  std::vector<std::string> files;
  // --window START DURATION: seconds from the first segment's first sample (time zero).
  std::optional<double> windowStart;
  double windowDuration = 0.0;
  std::string csvPath;  // "-": standard output
  bool headerOnly = false;
  bool json = false;
  bool digital = false;  // --digital: the stored integers, not physical values

  bool CsvToStandardOutput() const { return csvPath == "-"; }
};

// nullopt for a command line that asks nothing sensible (the caller prints kUsageText).
std::optional<Options> ParseCommandLine(int argc, char** argv);

extern const char kUsageText[];
extern const char kHelpText[];

}  // namespace tapline_info
