#include "stdout_capture.h"

#include <fcntl.h>
#include <io.h>

#include <cstdlib>

#include "platform/platform.h"

namespace support {

StdoutCapture::StdoutCapture() {
  std::fflush(stdout);
  char folder[MAX_PATH];
  char name[MAX_PATH];
  if (GetTempPathA(MAX_PATH, folder) != 0 && GetTempFileNameA(folder, "tap", 0, name) != 0) {
    path = name;
    // Text mode, as the runtime opens a console or pipe: line feeds become CR LF.
    file = _open(name, _O_RDWR | _O_TEXT | _O_TRUNC);
  }
  savedDescriptor = _dup(1);
  // _dup2 onto descriptor 1 also sets the system's standard output handle, which the command
  // interpreter of "pause" inherits.
  if (file < 0 || savedDescriptor < 0 || _dup2(file, 1) != 0) {
    std::perror("StdoutCapture");
    std::abort();
  }
}

std::string StdoutCapture::Finish() {
  std::fflush(stdout);
  _dup2(savedDescriptor, 1);
  _close(savedDescriptor);
  savedDescriptor = -1;
  _close(file);
  file = -1;
  return Written();
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
