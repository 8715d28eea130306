#include "stdout_capture.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <stdexcept>

#include "platform/platform.h"

namespace windows_test {

StdoutCapture::StdoutCapture() {
  char directory[MAX_PATH];
  char name[MAX_PATH];
  if (GetTempPathA(MAX_PATH, directory) == 0 || GetTempFileNameA(directory, "tap", 0, name) == 0) {
    throw std::runtime_error("no temporary file");
  }
  path = name;
  // Text mode, as the runtime opens a console or pipe: line feeds become CR LF.
  file = _open(name, _O_RDWR | _O_TEXT | _O_TRUNC);
  if (file < 0) throw std::runtime_error("temporary file not opened");
  std::fflush(stdout);
  savedStdout = _dup(1);
  // _dup2 onto descriptor 1 also sets the system's standard output handle.
  if (savedStdout < 0 || _dup2(file, 1) != 0) throw std::runtime_error("stdout not redirected");
}

StdoutCapture::~StdoutCapture() {
  std::fflush(stdout);
  if (savedStdout >= 0) {
    _dup2(savedStdout, 1);
    _close(savedStdout);
  }
  if (file >= 0) _close(file);
  DeleteFileA(path.c_str());
}

std::string StdoutCapture::Written() const {
  std::string bytes;
  const int reader = _open(path.c_str(), _O_RDONLY | _O_BINARY);
  if (reader < 0) return bytes;
  char chunk[4096];
  for (int count; (count = _read(reader, chunk, sizeof chunk)) > 0;) bytes.append(chunk, count);
  _close(reader);
  return bytes;
}

void DetachStandardInput() {
  const int nullDevice = _open("NUL", _O_RDONLY);
  if (nullDevice < 0) return;
  _dup2(nullDevice, 0);
  _close(nullDevice);
}

}  // namespace windows_test
