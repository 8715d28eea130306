// Captures what is written to file descriptor 1, whether through stdio or write(2), so console
// output can be compared byte for byte.
#pragma once

#include <cstdio>
#include <string>

namespace support {

class StdoutCapture {
 public:
  // Flushes stdout and points descriptor 1 at a temporary file; aborts the test run when that
  // is impossible, since no output test could then pass or fail truthfully.
  StdoutCapture();
  ~StdoutCapture();
  StdoutCapture(const StdoutCapture&) = delete;
  StdoutCapture& operator=(const StdoutCapture&) = delete;

  // Restores descriptor 1 and returns every byte written since construction.
  std::string Finish();

 private:
  std::FILE* file = nullptr;
  int savedDescriptor = -1;
};

}  // namespace support
