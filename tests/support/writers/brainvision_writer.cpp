#include "brainvision_writer.h"

#include "written_file.h"

namespace brainvision_writer {

namespace {

void AppendLines(std::string& text, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) text += line + "\r\n";
}

}  // namespace

std::string Text(const TextFile& file) {
  std::string text;
  if (!file.identification.empty()) text += file.identification + "\r\n";
  AppendLines(text, file.comments);
  for (const Section& section : file.sections) {
    text += "\r\n[" + section.name + "]\r\n";
    AppendLines(text, section.lines);
  }
  return text;
}

std::string Int16Bytes(std::span<const std::int16_t> samples) {
  std::string bytes;
  bytes.reserve(samples.size() * 2);
  for (std::int16_t sample : samples) {
    recording_writers::AppendLittleEndian16(bytes, static_cast<std::uint16_t>(sample));
  }
  return bytes;
}

}  // namespace brainvision_writer
