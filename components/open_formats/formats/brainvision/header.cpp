#include "header.h"

#include <numeric>

namespace brainvision {

namespace {

using HeaderResult = common::Result<Header>;

// The interval in microseconds, a plain decimal, as ticks (10 per microsecond), exactly.
std::optional<model::Fraction> IntervalTicks(std::string_view text) {
  const auto microseconds = common::ParsePositiveDecimal(text, kIntervalDigits);
  if (!microseconds) return std::nullopt;
  const std::int64_t numerator = microseconds->numerator * 10;
  const std::int64_t divisor = std::gcd(numerator, microseconds->denominator);
  return model::Fraction{numerator / divisor, microseconds->denominator / divisor};
}

// How the samples are stored: binary time-domain data, their orientation, 16-bit format and
// byte order; the reason when they are not what is read.
std::optional<std::string> ReadStorage(const IniFile& file, Header& header) {
  const std::string* format = file.Find("Common Infos", "DataFormat");
  if (format && *format != "BINARY") {
    return "the data are " + *format + ", not BINARY: only binary data are read";
  }
  const std::string* type = file.Find("Common Infos", "DataType");
  if (type && *type != "TIMEDOMAIN") return "the data type is " + *type + ", not TIMEDOMAIN";
  const std::string* orientation = file.Find("Common Infos", "DataOrientation");
  if (orientation && *orientation != "MULTIPLEXED" && *orientation != "VECTORIZED") {
    return "the data orientation " + *orientation + " is neither MULTIPLEXED nor VECTORIZED";
  }
  header.vectorized = orientation && *orientation == "VECTORIZED";
  const std::string* binary = file.Find("Binary Infos", "BinaryFormat");
  if (binary && (*binary == "INT_32" || *binary == "IEEE_FLOAT_32")) {
    return "the samples are 32-bit (" + *binary +
           "): only 16-bit samples are read, and 16 bits would change them";
  }
  if (binary && *binary != "INT_16" && *binary != "UINT_16") {
    return "the binary format " + *binary + " is not INT_16 or UINT_16";
  }
  header.format = binary && *binary == "UINT_16" ? SampleFormat::UInt16 : SampleFormat::Int16;
  const std::string* bigEndian = file.Find("Binary Infos", "UseBigEndianOrder");
  header.bigEndian = bigEndian && *bigEndian == "YES";
  return std::nullopt;
}

ChannelInfo ChannelInfoOf(std::string_view value) {
  const std::vector<std::string_view> fields = SplitFields(value);
  const auto field = [&](std::size_t i) {
    return i < fields.size() ? std::string(fields[i]) : std::string();
  };
  return {field(0), field(1), field(2), field(3)};
}

// Channels Ch1..ChN, each once, N = NumberOfChannels.
std::optional<std::string> ReadChannels(const IniFile& file, Header& header) {
  const std::string* countText = file.Find("Common Infos", "NumberOfChannels");
  const auto count = countText ? ParseInteger(*countText) : std::nullopt;
  if (!count || *count < 1 || *count > 65535) {
    return "NumberOfChannels is missing or not a number from 1 to 65535";
  }
  std::vector<std::optional<ChannelInfo>> channels(static_cast<std::size_t>(*count));
  std::size_t lines = 0;
  const auto section = file.sections.find("Channel Infos");
  if (section != file.sections.end()) {
    for (const IniFile::Entry& entry : section->second) {
      if (entry.key.size() < 3 || entry.key.compare(0, 2, "Ch") != 0) continue;
      const auto number = ParseInteger(std::string_view(entry.key).substr(2));
      ++lines;
      if (!number || *number < 1 || *number > *count || channels[*number - 1]) {
        return "channel line " + entry.key + " is not one of Ch1 to Ch" + std::to_string(*count) +
               " once each";
      }
      channels[*number - 1] = ChannelInfoOf(entry.value);
    }
  }
  if (lines != channels.size()) {
    return "NumberOfChannels is " + std::to_string(*count) + " but there are " +
           std::to_string(lines) + " channel lines";
  }
  for (std::optional<ChannelInfo>& channel : channels)
    header.channels.push_back(std::move(*channel));
  return std::nullopt;
}

std::optional<std::string> Named(const IniFile& file, std::string_view key) {
  const std::string* name = file.Find("Common Infos", key);
  return name ? std::optional<std::string>(*name) : std::nullopt;
}

}  // namespace

bool IsIdentification(std::string_view line, std::string_view kind) {
  for (const std::string_view name :
       {"BrainVision Data Exchange ", "Brain Vision Data Exchange "}) {
    if (line.substr(0, name.size()) == name && line.substr(name.size(), kind.size()) == kind) {
      return true;
    }
  }
  return false;
}

common::Result<Header> ParseHeader(std::string_view bytes) {
  const IniFile file = ParseIni(bytes);
  Header header;
  header.codepage = CodepageOf(file);
  if (!IsIdentification(file.firstLine, "Header File") &&
      !(file.sections.count("Common Infos") && file.Find("Common Infos", "DataFile"))) {
    return HeaderResult::Refuse(
        "not a BrainVision header: no identification line, and no [Common Infos] with DataFile=");
  }
  if (auto refusal = ReadStorage(file, header)) return HeaderResult::Refuse(std::move(*refusal));
  const std::string* intervalText = file.Find("Common Infos", "SamplingInterval");
  const auto interval = intervalText ? IntervalTicks(*intervalText) : std::nullopt;
  if (!interval) {
    return HeaderResult::Refuse(
        "SamplingInterval is missing or not a positive decimal number of microseconds");
  }
  header.frameTicks = *interval;
  if (auto refusal = ReadChannels(file, header)) return HeaderResult::Refuse(std::move(*refusal));
  header.dataFile = Named(file, "DataFile");
  header.markerFile = Named(file, "MarkerFile");
  return header;
}

}  // namespace brainvision
