#include "brainvision_text.h"

#include <utility>

#include "common/text_encoding.h"

namespace brainvision {

namespace {

std::string_view TrimLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
    line.remove_suffix(1);
  }
  return line;
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
    text = common::Windows1252ToUtf16(field);
  } else if (auto utf8 = common::WellFormedUtf8ToUtf16(field)) {
    text = std::move(*utf8);
  } else if (codepage == Codepage::Unspecified) {
    text = common::Windows1252ToUtf16(field);
  } else {
    text = common::Latin1ToUtf16(field);
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
