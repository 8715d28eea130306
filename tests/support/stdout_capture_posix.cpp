#include "stdout_capture.h"

#include <unistd.h>

#include <cstdlib>

namespace support {

StdoutCapture::StdoutCapture() {
  std::fflush(stdout);
  const char* folder = std::getenv("TMPDIR");
  path = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/tapline-stdout-XXXXXX";
  file = mkstemp(path.data());
  savedDescriptor = dup(STDOUT_FILENO);
  if (file < 0 || savedDescriptor < 0 || dup2(file, STDOUT_FILENO) < 0) {
    std::perror("StdoutCapture");
    std::abort();
  }
}

std::string StdoutCapture::Finish() {
  std::fflush(stdout);
  dup2(savedDescriptor, STDOUT_FILENO);
  close(savedDescriptor);
  savedDescriptor = -1;
  close(file);
  file = -1;
  return Written();
}

std::string ConsoleLines(std::string_view lines) { return std::string(lines); }

// The stand-in's pause writes its prompt and, finding no terminal, ends the line itself.
const std::string& PausePrompt() {
  static const std::string prompt = "Press any key to continue . . . \n";
  return prompt;
}

std::FILE* TextTemporaryFile() { return std::tmpfile(); }

bool RunsOnTheStandIn() { return true; }

}  // namespace support
