// tapline-info --json: the report as JSON, texts from the file as valid JSON strings whatever
// their bytes.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "recording_report.h"

namespace tapline_info {

// A JSON string literal, quotes included: controls (C0, DEL, C1) and bidirectional-text
// controls as \uNNNN escapes, so that printing the JSON drives no terminal; each byte that is
// not part of well-formed UTF-8 as U+FFFD.
std::string JsonString(std::string_view text);

// One recording's report as a JSON object. Seconds (offset_s, onset_s) count from the first
// segment's start, rounded to the microsecond. "values" says whether the statistics are
// "physical" (the default) or "digital" (--digital); channels carry gain, offset and unit.
void WriteJsonReport(std::FILE* out, const RecordingReport& report);

// A file the library refused: its name and the reason.
void WriteJsonRefusal(std::FILE* out, const std::string& file, const std::string& reason);

}  // namespace tapline_info
