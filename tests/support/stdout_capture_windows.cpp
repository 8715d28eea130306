#include "stdout_capture.h"

#include <fcntl.h>
#include <io.h>

#include <cstdlib>

namespace support {

StdoutCapture::StdoutCapture() {
  std::fflush(stdout);
  file = TextTemporaryFile();
  savedDescriptor = _dup(1);
  // _dup2 onto descriptor 1 also sets the system's standard output handle, which the command
  // interpreter of "pause" inherits.
  if (file == nullptr || savedDescriptor < 0 || _dup2(_fileno(file), 1) != 0) {
    std::perror("StdoutCapture");
    std::abort();
  }
}

StdoutCapture::~StdoutCapture() {
  if (savedDescriptor >= 0) Finish();
}

std::string StdoutCapture::Finish() {
  std::fflush(stdout);
  _dup2(savedDescriptor, 1);
  _close(savedDescriptor);
  savedDescriptor = -1;

  // Read back in binary mode: the line ends exactly as written.
  std::fflush(file);
  _setmode(_fileno(file), _O_BINARY);
  std::string bytes;
  std::rewind(file);
  char chunk[4096];
  for (std::size_t length; (length = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, length);
  std::fclose(file);
  file = nullptr;
  return bytes;
}

std::string ConsoleLines(std::string_view lines) {
  std::string text;
  for (const char c : lines) {
    if (c == '\n') text += '\r';
    text += c;
  }
  return text;
}

// Aborts the test run when "pause" writes no prompt: every comparison with it would then hold
// for output that lacks the pause.
const std::string& PausePrompt() {
  static const std::string prompt = [] {
    StdoutCapture capture;
    std::system("pause");
    std::string written = capture.Finish();
    if (written.rfind("Press any key to continue", 0) != 0) {
      std::fprintf(stderr, "\"pause\" wrote no prompt but \"%s\"\n", written.c_str());
      std::abort();
    }
    return written;
  }();
  return prompt;
}

// tmpfile opens in binary mode, where the wide output functions write UTF-16 units as they are.
std::FILE* TextTemporaryFile() {
  std::FILE* file = std::tmpfile();
  if (file != nullptr) _setmode(_fileno(file), _O_TEXT);
  return file;
}

bool RunsOnTheStandIn() { return false; }

}  // namespace support
