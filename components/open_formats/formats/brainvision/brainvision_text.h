// The text rules of BrainVision's header and marker files: INI-like lines, their code page, the
// comma placeholder and whole numbers.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/number_text.h"

namespace brainvision {

enum class Codepage { Unspecified, Utf8, Ansi };

// One file's sections: each key's value (split at the first '='; a value may hold '='), in
// the order written. Keys compare as written; ';' lines are comments; CRLF or LF.
struct IniFile {
  struct Entry {
    std::string key;
    std::string value;
  };
  std::map<std::string, std::vector<Entry>> sections;
  std::string firstLine;

  const std::string* Find(const std::string& section, std::string_view key) const;
};

IniFile ParseIni(std::string_view bytes);

Codepage CodepageOf(const IniFile& file);

// A field's text: UTF-8 for Codepage=UTF-8 (Latin-1 when the field is not valid UTF-8),
// Windows-1252 for ANSI, and without a Codepage UTF-8 when valid, else Windows-1252. Both
// comma placeholders (the two characters \1 and the byte 0x01) become ','.
std::u16string DecodeField(std::string_view field, Codepage codepage);

// The value split at every ','.
std::vector<std::string_view> SplitFields(std::string_view value);

// Numbers: spaces around them allowed, a '-' but never a '+'.
inline constexpr common::NumberSyntax kNumberSyntax{true, common::PlusSign::kRefused};
// The sampling interval is read exactly, with up to 15 significant digits and 14 after the point.
inline constexpr common::DecimalDigitLimits kIntervalDigits{.significant = 15, .afterPoint = 14};

// A whole number with spaces around it allowed; nullopt for anything else.
inline std::optional<std::int64_t> ParseInteger(std::string_view text) {
  return common::ParseInteger(text, kNumberSyntax);
}

}  // namespace brainvision
