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
  char escaped[8];
  std::snprintf(escaped, sizeof escaped, format, value);
  return escaped;
}

}  // namespace

std::string TerminalSafe(std::string_view text) {
  std::string safe;
  safe.reserve(text.size());
  while (!text.empty()) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = Utf8SequenceLength(text);
    if (length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[1]) < 0xA0) {
      // U+0080-U+009F: the C1 controls, CSI (U+009B) among them.
      safe += Escape("\\u%04x", static_cast<unsigned char>(text[1]));
    } else if (lead < 0x20 || lead == 0x7F || (length == 0 && lead >= 0x80 && lead < 0xA0)) {
      safe += Escape("\\x%02x", lead);
    } else {
      safe.append(text.substr(0, length == 0 ? 1 : length));
    }
    text.remove_prefix(length == 0 ? 1 : length);
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
