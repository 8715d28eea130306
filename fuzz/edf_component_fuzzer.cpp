// Fuzz target: arbitrary file bytes opened by the reader component as one recording file (EDF
// and EDF+ in practice), then every query the library can make of it (component_queries.h).
// The input is a 40-byte query plan followed by the file's bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "component_queries.h"
#include "fuzz_input.h"

namespace {

using tapline_fuzz::Fail;
using tapline_fuzz::FuzzInput;
using tapline_fuzz::QueryPlan;

// One file for the whole run, rewritten for every input. It is unlinked at once and reached
// through the descriptor's name, so no run leaves it behind.
int InputDescriptor() {
  static const int descriptor = [] {
    const char* directory = std::getenv("TMPDIR");
    std::string pattern =
        std::string(directory && *directory ? directory : "/tmp") + "/tapline_edf_fuzz_XXXXXX";
    const int opened = mkstemp(pattern.data());
    if (opened < 0) Fail("no temporary file");
    unlink(pattern.c_str());
    return opened;
  }();
  return descriptor;
}

const std::string& InputPath() {
  static const std::string path = "/proc/self/fd/" + std::to_string(InputDescriptor());
  return path;
}

void WriteInputFile(std::span<const std::uint8_t> bytes) {
  const int descriptor = InputDescriptor();
  if (ftruncate(descriptor, 0) != 0) Fail("temporary file not truncated");
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = pwrite(descriptor, bytes.data() + written, bytes.size() - written,
                             static_cast<off_t>(written));
    if (n <= 0) Fail("temporary file not written");
    written += static_cast<std::size_t>(n);
  }
}

bool CutInputFile(std::uint8_t fraction) {
  const off_t size = lseek(InputDescriptor(), 0, SEEK_END);
  const off_t cutSize = size * fraction / 256;
  if (size <= 0 || cutSize >= size) return false;
  if (ftruncate(InputDescriptor(), cutSize) != 0) Fail("temporary file not cut");
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const QueryPlan plan = tapline_fuzz::TakePlan(input);
  WriteInputFile(input.Rest());
  tapline_fuzz::OpenAndQuery(InputPath(), plan, {CutInputFile, true});
  return 0;
}
