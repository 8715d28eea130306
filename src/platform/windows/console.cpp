// Console output through the C runtime's wide output. The runtime is linked statically, so its
// stdout buffer is the library's own, beside the host's: every message is flushed at once so
// that it appears in order with the host's output and the pause prompt.
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "system.h"
#include "../console.h"

namespace platform {

void WriteConsoleText(const OLECHAR* text) {
  WriteStreamText(stdout, text);
}

// A null text writes nothing. Characters the stream's locale cannot show stop the output of
// that text, as the runtime's fputws does.
void WriteStreamText(std::FILE* stream, const OLECHAR* text) {
  if (stream == nullptr || text == nullptr) return;
  std::fputws(text, stream);
  std::fflush(stream);
}

// The command interpreter's "pause" shows its prompt on the process's console and returns at
// once when standard input is not a console.
void Pause() {
  std::fflush(stdout);
  std::system("pause");
}

}  // namespace platform
