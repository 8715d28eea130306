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

// A null text writes nothing. A character that the runtime cannot convert for the stream
// (in the "C" locale anything above U+00FF) is written as "?" and the rest of the text still
// follows, where fputws would stop at it and drop the rest, line feeds included.
void WriteStreamText(std::FILE* stream, const OLECHAR* text) {
  if (stream == nullptr || text == nullptr) return;
  for (const OLECHAR* unit = text; *unit != 0; ++unit) {
    if (std::fputwc(*unit, stream) != WEOF) continue;
    std::clearerr(stream);
    // A surrogate pair is one character: one "?" for both units.
    if (IS_HIGH_SURROGATE(unit[0]) && IS_LOW_SURROGATE(unit[1])) ++unit;
    std::fputc('?', stream);
  }
  std::fflush(stream);
}

// The command interpreter's "pause" shows its prompt on the process's console and returns at
// once when standard input is not a console.
void Pause() {
  std::fflush(stdout);
  std::system("pause");
}

}  // namespace platform
