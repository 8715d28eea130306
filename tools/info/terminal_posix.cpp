#include <unistd.h>

#include "terminal.h"

namespace tapline_info {

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

std::string InReportCodePage(std::string_view utf8) { return std::string(utf8); }

std::FILE* TakeStandardOutputForData() {
  std::fflush(stdout);
  const int data = dup(STDOUT_FILENO);
  if (data < 0) return stdout;
  std::FILE* stream = fdopen(data, "w");
  if (stream == nullptr) {
    close(data);
    return stdout;
  }
  dup2(STDERR_FILENO, STDOUT_FILENO);
  return stream;
}

}  // namespace tapline_info
