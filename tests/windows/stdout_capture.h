// Sends the process's standard output (C runtime descriptor 1 and the system's standard output
// handle, which child processes such as the command interpreter inherit) to a text-mode
// temporary file, as a host's console or pipe would receive it, and gives back the bytes.
#pragma once

#include <string>

namespace windows_test {

class StdoutCapture {
 public:
  StdoutCapture();
  StdoutCapture(const StdoutCapture&) = delete;
  StdoutCapture& operator=(const StdoutCapture&) = delete;
  ~StdoutCapture();

  // Bytes written so far, without flushing the C runtime's buffer first: output that the code
  // under test left in the buffer is missing.
  std::string Written() const;

 private:
  std::string path;
  int file = -1;
  int savedStdout = -1;
};

// Standard input from the null device for the whole test program, so a "pause" never waits.
void DetachStandardInput();

}  // namespace windows_test
