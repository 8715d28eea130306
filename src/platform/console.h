// Console output and the "pause" of the failure reports.
#pragma once

#include <cstdio>

#include "platform.h"  // OLECHAR; platform.h includes this header after the system types

namespace platform {

// Writes the UTF-16 text to standard output as the console expects it, after what the host's
// stdout stream holds, without changing that stream's orientation. A null text writes nothing;
// unpaired surrogates are written as U+FFFD.
void WriteConsoleText(const OLECHAR* text);
// Writes the UTF-16 text to a runtime file stream and flushes it: wide characters on a
// wide-oriented stream, else UTF-8 bytes. A null stream or text writes nothing.
void WriteStreamText(std::FILE* stream, const OLECHAR* text);
// The command interpreter's "pause": its prompt "Press any key to continue . . . ", a wait for
// one key, a line break. Never waits when standard input is not a terminal.
void Pause();

}  // namespace platform
