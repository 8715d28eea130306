// Fuzz target: arbitrary file bytes opened by the reader component as one recording file (EDF
// and EDF+ in practice), then every query the library can make of it (component_queries.h).
// The input is a 40-byte query plan followed by the file's bytes.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "component_queries.h"
#include "formats/edf/edf_format.h"
#include "fuzz_input.h"
#include "input_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A folder of the run's own, holding only this file, under a name of its own: a header of
  // another format that names files beside it finds none but this one, whatever else the
  // process has open, so a replay reads what the run read.
  static tapline_fuzz::InputFolder folder;
  tapline_fuzz::FuzzInput input(data, size);
  const tapline_fuzz::QueryPlan plan = tapline_fuzz::TakePlan(input);
  const std::span<const std::uint8_t> bytes = input.Rest();
  const std::string path = folder.Write({{"rec.edf", bytes}});
  // Every sample of an EDF file comes from its bytes, so a read after the cut must fail; other
  // formats are judged by their own targets (a WFDB record gives samples past a file's end).
  const bool edf = edf::Recognises(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  const auto cut = [](std::uint8_t fraction) { return folder.Cut(fraction); };
  tapline_fuzz::OpenAndQuery(path, plan, {cut, edf});
  return 0;
}
