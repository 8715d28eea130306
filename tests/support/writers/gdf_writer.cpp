#include "gdf_writer.h"

#include <cstring>
#include <stdexcept>

namespace gdf_writer {

namespace {

template <typename T>
void Append(std::string& out, T value) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));  // little-endian hosts only
  out.append(bytes, sizeof(T));
}

void AppendText(std::string& out, const std::string& text, std::size_t width) {
  std::string field = text.substr(0, width);
  field.resize(width, ' ');
  out += field;
}

template <typename T>
void Put(std::string& out, std::size_t offset, T value) {
  std::memcpy(out.data() + offset, &value, sizeof(T));  // little-endian hosts only
}

void AppendValue(std::string& out, std::uint32_t type, double value) {
  switch (type) {
    case 1: Append(out, static_cast<std::int8_t>(value)); break;
    case 2: Append(out, static_cast<std::uint8_t>(value)); break;
    case 3: Append(out, static_cast<std::int16_t>(value)); break;
    case 4: Append(out, static_cast<std::uint16_t>(value)); break;
    case 5: Append(out, static_cast<std::int32_t>(value)); break;
    case 6: Append(out, static_cast<std::uint32_t>(value)); break;
    case 7: Append(out, static_cast<std::int64_t>(value)); break;
    case 8: Append(out, static_cast<std::uint64_t>(value)); break;
    case 16: Append(out, static_cast<float>(value)); break;
    case 17: Append(out, value); break;
    case 18: out.append(16, '\0'); break;
    case 279:
    case 535: {
      const auto bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
      for (int i = 0; i < 3; ++i) out.push_back(static_cast<char>(bits >> (8 * i) & 0xFF));
      break;
    }
    default:
      throw std::runtime_error("gdf_writer: no writer for data type " + std::to_string(type));
  }
}

std::string ChannelFields(const File& file, bool two) {
  std::string out;
  const auto each = [&](auto write) {
    for (const Channel& channel : file.channels) write(channel);
  };
  each([&](const Channel& c) { AppendText(out, c.label, 16); });
  each([&](const Channel&) { AppendText(out, "", 80); });
  each([&](const Channel& c) { AppendText(out, c.unitText, two ? 6 : 8); });
  if (two) each([&](const Channel& c) { Append(out, c.unitCode); });
  each([&](const Channel& c) { Append(out, c.physicalMinimum); });
  each([&](const Channel& c) { Append(out, c.physicalMaximum); });
  if (two) {
    each([&](const Channel& c) { Append(out, c.digitalMinimum); });
    each([&](const Channel& c) { Append(out, c.digitalMaximum); });
  } else {
    each([&](const Channel& c) { Append(out, static_cast<std::int64_t>(c.digitalMinimum)); });
    each([&](const Channel& c) { Append(out, static_cast<std::int64_t>(c.digitalMaximum)); });
  }
  each([&](const Channel&) { AppendText(out, "", two ? 68 : 80); });
  if (two) each([&](const Channel&) { out.append(12, '\0'); });  // low-pass, high-pass, notch
  each([&](const Channel& c) { Append(out, static_cast<std::uint32_t>(c.samplesPerRecord)); });
  each([&](const Channel& c) { Append(out, c.type); });
  each([&](const Channel&) { out.append(32, '\0'); });
  return out;
}

std::string TaggedFields(const File& file) {
  if (file.eventDescriptions.empty()) return {};
  std::string value;
  for (const std::string& text : file.eventDescriptions) value += text + '\0';
  std::string out(1, '\1');
  for (int i = 0; i < 3; ++i) out.push_back(static_cast<char>(value.size() >> (8 * i) & 0xFF));
  return out + value + '\0';  // tag 0 ends the fields
}

std::string EventTable(const File& file, bool before194) {
  std::string out(1, static_cast<char>(file.eventMode));
  const auto count = static_cast<std::uint32_t>(file.events.size());
  if (before194) {
    const auto rate = static_cast<std::uint32_t>(file.eventRate);
    for (int i = 0; i < 3; ++i) out.push_back(static_cast<char>(rate >> (8 * i) & 0xFF));
    Append(out, count);
  } else {
    for (int i = 0; i < 3; ++i) out.push_back(static_cast<char>(count >> (8 * i) & 0xFF));
    Append(out, file.eventRate);
  }
  for (const Event& e : file.events) Append(out, e.position);
  for (const Event& e : file.events) Append(out, e.code);
  if ((file.eventMode & 2) != 0) {
    for (const Event& e : file.events) Append(out, e.channel);
    for (const Event& e : file.events) Append(out, e.duration);
  }
  if ((file.eventMode & 4) != 0)
    for (const Event& e : file.events) Append(out, e.time);
  return out;
}

}  // namespace

std::uint64_t StartTime(int year, int month, int day, int hour, int minute, int second) {
  // Days from 0000-01-00: the civil days (H. Hinnant's days_from_civil) from 1970-01-01, plus
  // 1970-01-01's day count 719529.
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yearOfEra = y - era * 400;
  const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  const std::int64_t days = std::int64_t{era} * 146097 + dayOfEra - 719468 + 719529;
  const std::uint64_t secondOfDay = static_cast<std::uint64_t>(hour * 3600 + minute * 60 + second);
  return static_cast<std::uint64_t>(days) << 32 | (secondOfDay << 32) / 86400;
}

namespace {

int VersionNumber(const File& file) {
  return (file.version[0] - '0') * 100 + (file.version[2] - '0') * 10 + (file.version[3] - '0');
}

}  // namespace

std::string HeaderBytes(const File& file) {
  const bool two = file.version[0] == '2';
  const std::size_t channels = file.channels.size();
  std::string header(256, '\0');
  const std::string version = "GDF " + file.version;
  header.replace(0, version.size(), version);
  header.replace(8, 7, "patient");
  header.replace(88, 9, "recording");
  const std::string tagged = two ? TaggedFields(file) : std::string{};
  const std::size_t headerBytes = (256 * (channels + 1) + tagged.size() + 255) / 256 * 256;
  if (two) {
    Put(header, 168, file.startTime);
    Put(header, 184, static_cast<std::uint16_t>(headerBytes / 256));
    Put(header, 252, static_cast<std::uint16_t>(channels));
  } else {
    header.replace(168, 16, (file.startText + std::string(16, ' ')).substr(0, 16));
    Put(header, 184, static_cast<std::int64_t>(headerBytes));
    Put(header, 252, static_cast<std::uint32_t>(channels));
  }
  Put(header, 236, file.declaredRecords == -2 ? file.records : file.declaredRecords);
  if (VersionNumber(file) >= 221) {
    Put(header, 244, file.durationSeconds);
  } else {
    Put(header, 244, file.durationNumerator);
    Put(header, 248, file.durationDenominator);
  }
  std::string out = header + ChannelFields(file, two) + tagged;
  out.resize(headerBytes, '\0');
  return out;
}

std::string EventTableBytes(const File& file) {
  return file.eventMode == 0 ? std::string{} : EventTable(file, VersionNumber(file) < 194);
}

std::string Bytes(const File& file) {
  std::string out = HeaderBytes(file);
  for (std::int64_t record = 0; record < file.records; ++record) {
    for (const Channel& channel : file.channels) {
      for (std::int64_t k = 0; k < channel.samplesPerRecord; ++k) {
        const auto index = static_cast<std::size_t>(record * channel.samplesPerRecord + k);
        AppendValue(out, channel.type, index < channel.values.size() ? channel.values[index] : 0.0);
      }
    }
  }
  out += EventTableBytes(file);
  for (const RawField& field : file.raw) {
    if (field.offset + field.bytes.size() > out.size())
      out.resize(field.offset + field.bytes.size(), '\0');
    out.replace(field.offset, field.bytes.size(), field.bytes);
  }
  return out;
}

std::vector<double> DistinctValues(std::size_t channel, std::int64_t count) {
  std::vector<double> values;
  for (std::int64_t k = 0; k < count; ++k) {
    values.push_back(
        static_cast<std::int16_t>(static_cast<std::uint16_t>(channel * 0x3001 + k * 7 + 1)));
  }
  return values;
}

}  // namespace gdf_writer
