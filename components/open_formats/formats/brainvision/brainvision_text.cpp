#include "brainvision_text.h"

#include <optional>

namespace brainvision {

namespace {

// Windows-1252's 0x80-0x9F; 0 where the code page has no character (read as the C1 control).
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string_view TrimLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
    line.remove_suffix(1);
  }
  return line;
}

// Strict UTF-8 (no overlong forms, surrogates or code points past U+10FFFF); nullopt when the
// bytes are not.
std::optional<std::u16string> Utf8(std::string_view bytes) {
  std::u16string out;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    std::size_t length = b < 0x80         ? 1
                         : (b >> 5) == 6  ? 2
                         : (b >> 4) == 14 ? 3
                         : (b >> 3) == 30 ? 4
                                          : 0;
    if (length == 0 || i + length > bytes.size()) return std::nullopt;
    char32_t c = length == 1 ? b : b & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      c = (c << 6) | (next & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
    i += length;
  }
  return out;
}

std::u16string SingleByte(std::string_view bytes, bool windows1252) {
  std::u16string out;
  out.reserve(bytes.size());
  for (const char byte : bytes) {
    const auto b = static_cast<unsigned char>(byte);
    const char16_t mapped = windows1252 && b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : 0;
    out.push_back(mapped ? mapped : static_cast<char16_t>(b));
  }
  return out;
}

}  // namespace

const std::string* IniFile::Find(const std::string& section, std::string_view key) const {
  const auto found = sections.find(section);
  if (found == sections.end()) return nullptr;
  for (const Entry& entry : found->second) {
    if (entry.key == key) return &entry.value;
  }
  return nullptr;
}

IniFile ParseIni(std::string_view bytes) {
  IniFile file;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);  // a UTF-8 byte order mark
  std::vector<IniFile::Entry>* section = nullptr;
  bool first = true;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    const std::string_view line = TrimLineEnd(bytes.substr(0, end));
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    if (first) file.firstLine = std::string(line);
    first = false;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[' && line.back() == ']') {
      section = &file.sections[std::string(line.substr(1, line.size() - 2))];
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!section || equals == std::string_view::npos) continue;
    section->push_back({std::string(line.substr(0, equals)), std::string(line.substr(equals + 1))});
  }
  return file;
}

Codepage CodepageOf(const IniFile& file) {
  const std::string* value = file.Find("Common Infos", "Codepage");
  if (!value) return Codepage::Unspecified;
  if (*value == "UTF-8" || *value == "utf-8") return Codepage::Utf8;
  return Codepage::Ansi;
}

std::u16string DecodeField(std::string_view field, Codepage codepage) {
  std::u16string text;
  if (codepage == Codepage::Ansi) {
    text = SingleByte(field, true);
  } else if (auto utf8 = Utf8(field)) {
    text = std::move(*utf8);
  } else {
    text = SingleByte(field, codepage == Codepage::Unspecified);
  }
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\\' && i + 1 < text.size() && text[i + 1] == u'1') {
      out.push_back(u',');
      ++i;
    } else {
      out.push_back(text[i] == 0x01 ? u',' : text[i]);
    }
  }
  return out;
}

std::vector<std::string_view> SplitFields(std::string_view value) {
  std::vector<std::string_view> fields;
  for (;;) {
    const std::size_t comma = value.find(',');
    fields.push_back(value.substr(0, comma));
    if (comma == std::string_view::npos) return fields;
    value.remove_prefix(comma + 1);
  }
}

}  // namespace brainvision
