#include "terminal_text.h"

#include <cstdio>

namespace tapline_info {

namespace {

// Length of the well-formed UTF-8 sequence at the start of the text, 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const auto continuation = [&](std::size_t i) { return i < text.size() && (byte(i) & 0xC0) == 0x80; };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return continuation(1) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (!continuation(1) || !continuation(2)) return 0;
    // Overlong forms and UTF-16 surrogates are not well-formed.
    if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) >= 0xA0)) return 0;
    return 3;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    if (!continuation(1) || !continuation(2) || !continuation(3)) return 0;
    if ((lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) >= 0x90)) return 0;
    return 4;
  }
  return 0;
}

std::string Escape(const char* format, unsigned value) {
  char escaped[16];
  std::snprintf(escaped, sizeof escaped, format, value);
  return escaped;
}

std::int32_t CodePoint(std::string_view sequence) {
  const auto byte = [&](std::size_t i) { return static_cast<std::int32_t>(static_cast<unsigned char>(sequence[i])); };
  switch (sequence.size()) {
    case 1: return byte(0);
    case 2: return ((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
    case 3: return ((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
    default:
      return ((byte(0) & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6) |
             (byte(3) & 0x3F);
  }
}

}  // namespace

std::vector<TextUnit> SplitTextUnits(std::string_view text) {
  std::vector<TextUnit> units;
  while (!text.empty()) {
    const std::size_t length = Utf8SequenceLength(text);
    const std::string_view bytes = text.substr(0, length == 0 ? 1 : length);
    units.push_back({bytes, length == 0 ? -1 : CodePoint(bytes)});
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
