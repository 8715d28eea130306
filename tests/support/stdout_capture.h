// Captures what is written to the C runtime's descriptor 1, whether through stdio, write(2) or
// a child process such as the command interpreter, so console output can be compared byte for
// byte; and what that output looks like on this system.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace support {

class StdoutCapture {
 public:
  // Flushes stdout and points descriptor 1 at a temporary file (in text mode on Windows, as a
  // host's console or pipe is: line feeds become CR LF); aborts the test run when that is impossible, since no output
  // test could then pass or fail truthfully.
  StdoutCapture();
  ~StdoutCapture();
  StdoutCapture(const StdoutCapture&) = delete;
  StdoutCapture& operator=(const StdoutCapture&) = delete;

  // Every byte that reached descriptor 1 since construction, without flushing stdout first:
  // output that the code under test left in the C runtime's buffer is missing.
  std::string Written() const;

  // Flushes stdout, restores descriptor 1 and returns every byte written since construction.
  std::string Finish();

 private:
  std::string path;  // a temporary file of its own, removed by the destructor
  int file = -1;
  int savedDescriptor = -1;
};

// `lines` as they reach the console: each "\n" as the C runtime's text mode writes it, which
// is "\r\n" on Windows.
std::string ConsoleLines(std::string_view lines);

// What "pause" writes when standard input is not a terminal: the stand-in's prompt with its
// line break, or on Windows the command interpreter's (whose wording differs between Windows
// and Wine), taken once from a real "pause".
const std::string& PausePrompt();

// True on the COM/Win32 stand-in: UTF-8 is the ANSI code page and the console's encoding, and
// the system message texts are the stand-in's, known word for word. Windows' ANSI code page
// depends on the locale (Wine's is 1252), and its system texts differ from Wine's (which has
// none for some codes).
bool RunsOnTheStandIn();

// A temporary file for a stream the library writes text to, opened as a host's log file would
// be (text mode on Windows); null when none can be made.
std::FILE* TextTemporaryFile();

}  // namespace support
