// Fuzz target: arbitrary file bytes opened by the reader component as one recording file,
// rec.gdf (GDF in practice), then every query the library can make of it
// (component_queries.h). The input is a 40-byte query plan followed by the file's bytes.
#include <cstdint>
#include <cstring>

#include "component_queries.h"
#include "fuzz_input.h"
#include "single_file_input.h"

namespace {

tapline_fuzz::SingleInputFile& InputFile() {
  static tapline_fuzz::SingleInputFile file("rec.gdf");
  return file;
}

bool Cut(std::uint8_t fraction) { return InputFile().Cut(fraction); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tapline_fuzz::FuzzInput input(data, size);
  const tapline_fuzz::QueryPlan plan = tapline_fuzz::TakePlan(input);
  const auto bytes = input.Rest();
  InputFile().Write(bytes);
  // Every sample of a GDF file needs the cut file's bytes; another format's header in the
  // input may answer from elsewhere, so the cut is judged for GDF's files only.
  const bool isGdf = bytes.size() >= 3 && std::memcmp(bytes.data(), "GDF", 3) == 0;
  tapline_fuzz::OpenAndQuery(InputFile().Path(), plan, {Cut, isGdf});
  return 0;
}
