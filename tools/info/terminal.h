// The console as tapline-info meets it: whether a stream is an interactive terminal (a progress
// bar is shown only there), and keeping standard output for data.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tapline_info {

bool IsTerminal(std::FILE* stream);

// A stream on the process's standard output for output that must stay data (JSON, CSV), with
// the standard output descriptor itself turned to standard error, so that what the library
// prints there (a refused file, a failure report) cannot mix into the data. On Windows the
// library's runtime keeps its own standard output: there it is standard output unchanged.
std::FILE* TakeStandardOutputForData();

// A UTF-8 text from the library's exports beside the twelve (whole event texts, units, the
// component's words) in the code page the text report is written in, that of the twelve's
// texts (channel names): unchanged outside Windows, the ANSI code page there, a character it
// lacks as '?'. The JSON and CSV output keep UTF-8.
std::string InReportCodePage(std::string_view utf8);

}  // namespace tapline_info
