#include "terminal_text.h"

#include <cstdio>

#include "common/text_encoding.h"

namespace tapline_info {

namespace {

std::string Escape(const char* format, unsigned value) {
  char escaped[16];
  std::snprintf(escaped, sizeof escaped, format, value);
  return escaped;
}

}  // namespace

std::vector<TextUnit> SplitTextUnits(std::string_view text) {
  std::vector<TextUnit> units;
  while (!text.empty()) {
    // A byte that starts no well-formed character is a unit of its own, also where it leads an
    // ill-formed subpart: what follows it may still start a character.
    const common::Utf8Sequence sequence = common::DecodeUtf8Sequence(text);
    const std::string_view bytes = text.substr(0, sequence.wellFormed ? sequence.length : 1);
    const auto codePoint = static_cast<std::int32_t>(sequence.codePoint);
    units.push_back({bytes, sequence.wellFormed ? codePoint : -1});
    text.remove_prefix(bytes.size());
  }
  return units;
}

bool IsBidiControl(std::int32_t codePoint) {
  return (codePoint >= 0x202A && codePoint <= 0x202E) || (codePoint >= 0x2066 && codePoint <= 0x2069);
}

std::string TerminalSafe(std::string_view text) {
  std::string safe;
  safe.reserve(text.size());
  for (const TextUnit& unit : SplitTextUnits(text)) {
    const auto lead = static_cast<unsigned char>(unit.bytes[0]);
    if (unit.codePoint < 0) {
      // A stray byte of the C1 range reads as a control to a terminal that takes 8-bit codes.
      safe += lead >= 0x80 && lead < 0xA0 ? Escape("\\x%02x", lead) : std::string(unit.bytes);
    } else if (unit.codePoint < 0x20 || unit.codePoint == 0x7F) {
      safe += Escape("\\x%02x", lead);
    } else if ((unit.codePoint >= 0x80 && unit.codePoint < 0xA0) || IsBidiControl(unit.codePoint)) {
      // The C1 controls (CSI, U+009B, among them), and the bidirectional-text controls, which
      // reorder what a terminal shows after them: a label could make a line read backwards.
      safe += Escape("\\u%04x", static_cast<unsigned>(unit.codePoint));
    } else {
      safe.append(unit.bytes);
    }
  }
  return safe;
}

std::string CsvField(std::string_view text) {
  const std::string safe = TerminalSafe(text);
  if (safe.find_first_of(",\"") == std::string::npos) return safe;
  std::string quoted = "\"";
  for (char c : safe) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace tapline_info
