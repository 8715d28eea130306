// The library as a host meets it: libtapline.so loaded afresh per test through dlopen and
// reached only through its exports, with the open-formats component registered by its own
// DllRegisterServer in the test program's private class registry.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "edf_test_files.h"
#include "loaded_library.h"

namespace end_to_end {

// 01.02.03 04.05.06, the header start of every test file, as seconds since 1899-12-30 00:00.
extern const std::int64_t kHeaderSecond;

// The day number of a time given in microseconds from the header's start second. Exact to the
// double's resolution: the microsecond count stays below 2^53.
double DayNumberAt(std::int64_t micros);
// The microseconds from the header's start second to the day number; the result carries the
// day number's rounding, a fraction of a microsecond at these dates.
double MicrosFromHeaderStart(double dayNumber);

// The exports come from the TaplineExports base, taken from the freshly loaded library.
class HostTest : public ::testing::Test, protected tapline_host::TaplineExports {
 protected:
  void SetUp() override;
  // Closes (harmless when nothing is open) and checks that the library leaves the process and
  // that no COM apartment is left on the thread.
  void TearDown() override;

  // Writes the bytes to a file of the test's own folder and returns its path.
  std::string WriteFile(const std::string& bytes) const { return files.Write("recording.edf", bytes); }
  // Writes the bytes to a file of that name in the test's folder and returns its path.
  std::string WriteNamedFile(const std::string& name, const std::string& bytes) const {
    return files.Write(name, bytes);
  }
  // OpenEx on the bytes; the segment count, or -1 when OpenEx refused.
  int Open(const std::string& bytes);
  // The chosen segment's start as the host gets it from GetSegmentTime.
  double SegmentStart();

  // Runs the action and returns what it wrote to standard output, byte for byte.
  static std::string ConsoleOutputOf(const std::function<void()>& action);

 private:
  edf_test::TemporaryDirectory files;
  std::unique_ptr<support::LoadedLibrary> library;
};

}  // namespace end_to_end
