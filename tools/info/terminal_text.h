// Text from a recording (labels, annotation texts) and from the user (paths) printed so that
// it cannot drive the terminal: control characters are shown as escapes instead of reaching it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tapline_info {

// A well-formed UTF-8 character, or a single byte that is not part of one (codePoint -1).
struct TextUnit {
  std::string_view bytes;
  std::int32_t codePoint = -1;
};

std::vector<TextUnit> SplitTextUnits(std::string_view text);

// U+202A-U+202E (embeddings, overrides) and U+2066-U+2069 (isolates).
bool IsBidiControl(std::int32_t codePoint);

// The text with every C0 control, DEL and C1 control replaced by an escape: \xNN for a byte
// (C0, DEL, and a byte 0x80-0x9F that is not part of a valid UTF-8 sequence) and \uNNNN for a
// UTF-8-encoded C1 control (U+0080-U+009F) or bidirectional-text control (U+202A-U+202E,
// U+2066-U+2069). Everything else, invalid UTF-8 included, is kept byte for byte.
std::string TerminalSafe(std::string_view text);

// One CSV field (RFC 4180): terminal-safe, then quoted with inner quotes doubled when it holds
// a comma or a quote (line breaks no longer occur: they are escaped).
std::string CsvField(std::string_view text);

}  // namespace tapline_info
