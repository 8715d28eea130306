// Console output and the "pause" of the failure reports.
#pragma once

#include <cstdio>

namespace platform {

// Writes the UTF-16 text to standard output as the console expects it, then flushes. Does not
// change the orientation of the host's stdout stream.
void WriteConsoleText(const OLECHAR* text);
// Writes the UTF-16 text to a runtime file stream.
void WriteStreamText(std::FILE* stream, const OLECHAR* text);
// Passes "pause" to the command interpreter: a prompt, then a wait for a key. Never waits when
// standard input is not a terminal.
void Pause();

}  // namespace platform
