#include "stdout_capture.h"

#include <unistd.h>

#include <cstdlib>

namespace support {

StdoutCapture::StdoutCapture() {
  std::fflush(stdout);
  file = std::tmpfile();
  savedDescriptor = dup(STDOUT_FILENO);
  if (file == nullptr || savedDescriptor < 0 || dup2(fileno(file), STDOUT_FILENO) < 0) {
    std::perror("StdoutCapture");
    std::abort();
  }
}

StdoutCapture::~StdoutCapture() {
  if (savedDescriptor >= 0) Finish();
}

std::string StdoutCapture::Finish() {
  std::fflush(stdout);
  dup2(savedDescriptor, STDOUT_FILENO);
  close(savedDescriptor);
  savedDescriptor = -1;

  std::string bytes;
  std::rewind(file);
  char chunk[4096];
  for (std::size_t length; (length = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, length);
  std::fclose(file);
  file = nullptr;
  return bytes;
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
