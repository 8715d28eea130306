// Fuzz target: a WFDB record (its header, signal files, segment headers and annotation files)
// written from the input (input_files.h), opened by the reader component through its first
// file, then every query the library can make of it (component_queries.h).
#include <cstdint>

#include "component_queries.h"
#include "fuzz_input.h"
#include "input_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static tapline_fuzz::InputFolder folder;
  tapline_fuzz::FuzzInput input(data, size);
  const tapline_fuzz::QueryPlan plan = tapline_fuzz::TakePlan(input);
  const std::string header = folder.Write(tapline_fuzz::SplitInputFiles(input.Rest(), "rec.hea"));
  // Samples a file never held (a skew's last frames in a WFDB segment followed by another of
  // the same segment, a short file's end) read as the invalid value without touching the
  // file, so reads after the cut may still succeed.
  const auto cut = [](std::uint8_t fraction) { return folder.Cut(fraction); };
  tapline_fuzz::OpenAndQuery(header, plan, {cut, false});
  return 0;
}
