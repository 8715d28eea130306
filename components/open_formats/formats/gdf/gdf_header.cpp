#include "gdf_header.h"

#include <cmath>
#include <limits>
#include <string_view>
#include <tuple>
#include <utility>

#include "common/calendar.h"
#include "common/checked_arithmetic.h"
#include "common/number_text.h"
#include "common/text_encoding.h"
#include "gdf_time.h"
#include "little_endian.h"
#include "model/recording_model.h"
#include "model/time_range.h"

namespace gdf {

namespace {

constexpr std::int64_t kMaximumRecordBytes = std::int64_t{256} << 20;
// The digits of 1.x's start date: no spaces, no sign.
constexpr common::NumberSyntax kDateDigits{false, common::PlusSign::kRefused};

std::string_view FieldAt(std::span<const std::byte> bytes, std::size_t offset, std::size_t width) {
  if (offset > bytes.size() || bytes.size() - offset < width) return {};
  return {reinterpret_cast<const char*>(bytes.data()) + offset, width};  // bytes as characters
}

// Writers pad text fields with spaces or NUL bytes: both are padding.
std::string WithoutTrailingPadding(std::string_view field) {
  const auto last = field.find_last_not_of(std::string_view(" \0", 2));
  return std::string(last == std::string_view::npos ? std::string_view{}
                                                    : field.substr(0, last + 1));
}

std::string Quoted(std::string_view field) {
  std::string quoted = "\"";
  quoted +=
      common::Utf16ToUtf8(common::HeaderTextToUtf16(WithoutTrailingPadding(field))).value_or("");
  return quoted += '"';
}

// "GDF 2.51" as 251; nullopt for anything but "GDF", an optional space, a digit, '.' and one or
// two digits.
std::optional<int> VersionOf(std::string_view field) {
  if (field.substr(0, 3) != "GDF") return std::nullopt;
  std::string_view number = field.substr(3);
  while (!number.empty() && number.front() == ' ') number.remove_prefix(1);
  const std::string trimmed = WithoutTrailingPadding(number);
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (trimmed.size() < 3 || trimmed.size() > 4 || !digit(trimmed[0]) || trimmed[1] != '.' ||
      !digit(trimmed[2]) || (trimmed.size() == 4 && !digit(trimmed[3]))) {
    return std::nullopt;
  }
  const int minor =
      trimmed.size() == 4 ? (trimmed[2] - '0') * 10 + (trimmed[3] - '0') : (trimmed[2] - '0') * 10;
  return (trimmed[0] - '0') * 100 + minor;
}

// 1.x's "YYYYMMDDhhmmsscc"; 0 for a field of spaces, NULs or zeros alone (no date).
common::Result<std::int64_t> TextStartTicks(std::string_view field) {
  if (field.find_first_not_of(std::string_view(" \0"
                                               "0",
                                               3)) == std::string_view::npos)
    return std::int64_t{0};
  std::string digits(field);
  if (digits.substr(14, 2) == "  ") digits.replace(14, 2, "00");  // no centiseconds
  int parts[7] = {};
  static constexpr std::size_t kStarts[] = {0, 4, 6, 8, 10, 12, 14, 16};
  for (int i = 0; i < 7; ++i) {
    const auto value = common::ParseInteger(
        std::string_view(digits).substr(kStarts[i], kStarts[i + 1] - kStarts[i]), kDateDigits);
    if (!value || *value < 0) {
      return common::Result<std::int64_t>::Refuse("the start date " + Quoted(field) +
                                                  " is not YYYYMMDDhhmmsscc");
    }
    parts[i] = static_cast<int>(*value);
  }
  const auto ticks = model::TicksOfDate(parts[0], parts[1], parts[2], parts[3], parts[4], parts[5],
                                        parts[6] * 10000);
  if (!ticks)
    return common::Result<std::int64_t>::Refuse("the start date " + Quoted(field) +
                                                " is not a real date and time");
  return *ticks;
}

// The fraction p / q (q <= 2^31) closest to a positive duration by continued fractions, exact for
// the durations writers use (1 s, 0.5 s, 1/512 s, 0.1 s); nullopt for what is not positive or
// beyond 2^31 seconds.
std::optional<std::pair<std::int64_t, std::int64_t>> FractionOf(double seconds) {
  if (!(seconds > 0) || seconds > 2147483647.0) return std::nullopt;
  constexpr std::int64_t kLargest = std::int64_t{1} << 31;
  std::int64_t p0 = 0, q0 = 1, p1 = 1, q1 = 0;  // the last two convergents
  double rest = seconds;
  for (int step = 0; step < 64; ++step) {
    const double whole = std::floor(rest);
    if (whole > static_cast<double>(kLargest)) break;
    const auto a = static_cast<std::int64_t>(whole);
    const std::int64_t p2 = a * p1 + p0, q2 = a * q1 + q0;
    if (q2 > kLargest || p2 > kLargest) break;
    p0 = p1, q0 = q1, p1 = p2, q1 = q2;
    if (std::fabs(static_cast<double>(p1) / static_cast<double>(q1) - seconds) <= seconds * 1e-15)
      break;
    if (rest - whole <= 0) break;
    rest = 1.0 / (rest - whole);
  }
  if (p1 <= 0 || q1 <= 0) return std::nullopt;
  return std::pair{p1, q1};
}

// Field widths of one channel, in the order the header stores the arrays.
struct ChannelLayout {
  std::size_t label = 16, transducer = 80, dimension = 8, dimensionCode = 0, physical = 8,
              digital = 8, prefiltering = 80, filters = 0, samples = 4, type = 4;
};
constexpr ChannelLayout kVersion1Layout{};
constexpr ChannelLayout kVersion2Layout{16, 80, 6, 2, 8, 8, 68, 12, 4, 4};

// Reads the arrays one after the other: each field of channel i at the array's start plus i.
class ChannelArrays {
 public:
  ChannelArrays(std::span<const std::byte> bytes, std::size_t channels)
      : bytes(bytes), channels(channels) {}
  // The next array, `width` bytes per channel; its start is then `start`.
  void Next(std::size_t width) {
    start = end;
    fieldWidth = width;
    end += width * channels;
  }
  std::string_view Text(std::size_t channel) const {
    return FieldAt(bytes, start + channel * fieldWidth, fieldWidth);
  }
  template <typename T>
  T Value(std::size_t channel) const {
    return ReadLittleEndian<T>(bytes, start + channel * fieldWidth).value_or(T{});
  }

 private:
  std::span<const std::byte> bytes;
  std::size_t channels;
  std::size_t start = 0, end = 0, fieldWidth = 0;
};

std::string ChannelName(std::size_t index, const std::string& label) {
  return "channel " + std::to_string(index + 1) + " (" + Quoted(label) + ")";
}

// The texts of tagged field 1: NUL-terminated, code k's the k-th counted from 0.
std::vector<std::string> EventDescriptions(std::string_view value) {
  std::vector<std::string> texts;
  std::size_t position = 0;
  while (position < value.size() && texts.size() < 65536) {
    std::size_t end = value.find('\0', position);
    if (end == std::string_view::npos) end = value.size();
    texts.emplace_back(value.substr(position, end - position));
    position = end + 1;
  }
  return texts;
}

// 2.x's tagged fields between the channel fields and the header's end: a tag byte, a 3-byte
// length, the value; tag 0 ends them.
void ReadTaggedFields(std::span<const std::byte> bytes, Header& header) {
  std::size_t position = 0;
  while (position < bytes.size()) {
    const int tag = std::to_integer<int>(bytes[position]);
    if (tag == 0) return;
    const auto length = ReadU24LittleEndian(bytes, position + 1);
    if (!length || bytes.size() - position - 4 < *length) {
      header.warnings.push_back(
          "the tagged header field " + std::to_string(tag) +
          " runs past the header's end; it and the fields after it are not read");
      return;
    }
    if (tag == 1)
      header.eventDescriptions = EventDescriptions(FieldAt(bytes, position + 4, *length));
    position += 4 + *length;
  }
}

}  // namespace

common::Result<FixedHeader> ParseFixedHeader(std::span<const std::byte> bytes) {
  using FixedResult = common::Result<FixedHeader>;
  if (bytes.size() < kFixedHeaderBytes)
    return FixedResult::Refuse("the file is shorter than the 256-byte GDF header");
  FixedHeader fixed;
  const auto version = VersionOf(FieldAt(bytes, 0, 8));
  if (!version)
    return FixedResult::Refuse("the version field " + Quoted(FieldAt(bytes, 0, 8)) +
                               " is not GDF's");
  if (*version < 100 || *version >= 300) {
    return FixedResult::Refuse("GDF version " + Quoted(FieldAt(bytes, 4, 4)) +
                               " is not read: versions 1.x and 2.x are");
  }
  fixed.version = *version;
  if (fixed.version > kNewestKnownVersion) {
    fixed.warnings.push_back(
        "GDF version " + WithoutTrailingPadding(FieldAt(bytes, 4, 4)) +
        " is newer than 2.51, the latest this reader knows; it is read as 2.51");
  }
  const bool two = fixed.IsVersion2();
  fixed.patient = WithoutTrailingPadding(FieldAt(bytes, 8, two ? 66 : 80));
  fixed.recording = WithoutTrailingPadding(FieldAt(bytes, 88, two ? 64 : 80));
  const std::uint64_t time = *ReadLittleEndian<std::uint64_t>(bytes, 168);
  // 0: the file gives no date, and the recording starts at day 0.
  auto start = !two        ? TextStartTicks(FieldAt(bytes, 168, 16))
               : time == 0 ? std::int64_t{0}
                           : TicksOfTime(time);
  if (!start.Ok()) return FixedResult::Refuse(start.Reason());
  fixed.startTicks = start.Value();
  fixed.headerBytes = two ? std::int64_t{*ReadLittleEndian<std::uint16_t>(bytes, 184)} * 256
                          : *ReadLittleEndian<std::int64_t>(bytes, 184);
  fixed.declaredRecordCount = *ReadLittleEndian<std::int64_t>(bytes, kRecordCountOffset);
  if (fixed.version >= kFirstVersionWithRealDuration) {
    const double seconds = *ReadLittleEndian<double>(bytes, 244);
    const auto fraction = FractionOf(seconds);
    if (!fraction) {
      return FixedResult::Refuse("the data record duration " + std::to_string(seconds) +
                                 " s is not a positive number");
    }
    std::tie(fixed.durationNumerator, fixed.durationDenominator) = *fraction;
  } else {
    fixed.durationNumerator = *ReadLittleEndian<std::uint32_t>(bytes, 244);
    fixed.durationDenominator = *ReadLittleEndian<std::uint32_t>(bytes, 248);
  }
  fixed.channelCount = two ? std::int64_t{*ReadLittleEndian<std::uint16_t>(bytes, 252)}
                           : std::int64_t{*ReadLittleEndian<std::uint32_t>(bytes, 252)};
  if (fixed.declaredRecordCount < -1) {
    return FixedResult::Refuse("the number of data records " +
                               std::to_string(fixed.declaredRecordCount) +
                               " is neither -1 (unknown) nor a count");
  }
  if (fixed.durationNumerator == 0 || fixed.durationDenominator == 0) {
    return FixedResult::Refuse(
        "the data record duration " + std::to_string(fixed.durationNumerator) + "/" +
        std::to_string(fixed.durationDenominator) + " s is not a positive number");
  }
  const std::int64_t needed =
      static_cast<std::int64_t>(kFixedHeaderBytes) + fixed.channelCount * 256;
  if (fixed.headerBytes < needed) {
    return FixedResult::Refuse("the header length " + std::to_string(fixed.headerBytes) +
                               " bytes is shorter than the " + std::to_string(needed) +
                               " bytes the fixed fields and " + std::to_string(fixed.channelCount) +
                               " channels' fields take");
  }
  return fixed;
}

common::Result<Header> ParseChannelHeaders(const FixedHeader& fixed,
                                           std::span<const std::byte> bytes) {
  using HeaderResult = common::Result<Header>;
  const auto channels = static_cast<std::size_t>(fixed.channelCount);
  if (bytes.size() / kHeaderBytesPerChannel < channels) {
    return HeaderResult::Refuse("the header holds the fields of " +
                                std::to_string(bytes.size() / kHeaderBytesPerChannel) + " of its " +
                                std::to_string(channels) + " channels");
  }
  Header header;
  header.fixed = fixed;
  header.warnings = fixed.warnings;
  const bool two = fixed.IsVersion2();
  const ChannelLayout& widths = two ? kVersion2Layout : kVersion1Layout;
  header.channels.resize(channels);
  ChannelArrays arrays(bytes, channels);
  const auto texts = [&](std::size_t width, std::string ChannelHeader::*field) {
    arrays.Next(width);
    for (std::size_t i = 0; i < channels; ++i)
      header.channels[i].*field = WithoutTrailingPadding(arrays.Text(i));
  };
  const auto reals = [&](double ChannelHeader::*field, bool integer) {
    arrays.Next(8);
    for (std::size_t i = 0; i < channels; ++i) {
      header.channels[i].*field =
          integer ? static_cast<double>(arrays.Value<std::int64_t>(i)) : arrays.Value<double>(i);
    }
  };
  texts(widths.label, &ChannelHeader::label);
  texts(widths.transducer, &ChannelHeader::transducer);
  texts(widths.dimension, &ChannelHeader::physicalDimension);
  if (two) {
    arrays.Next(widths.dimensionCode);
    for (std::size_t i = 0; i < channels; ++i)
      header.channels[i].dimensionCode = arrays.Value<std::uint16_t>(i);
  }
  reals(&ChannelHeader::physicalMinimum, false);
  reals(&ChannelHeader::physicalMaximum, false);
  reals(&ChannelHeader::digitalMinimum, !two);  // 1.x's digital range is int64, 2.x's float64
  reals(&ChannelHeader::digitalMaximum, !two);
  texts(widths.prefiltering, &ChannelHeader::prefiltering);
  if (two) arrays.Next(widths.filters);  // low-pass, high-pass and notch as float32
  arrays.Next(widths.samples);
  std::vector<std::uint32_t> samples(channels), types(channels);
  for (std::size_t i = 0; i < channels; ++i) samples[i] = arrays.Value<std::uint32_t>(i);
  arrays.Next(widths.type);
  for (std::size_t i = 0; i < channels; ++i) types[i] = arrays.Value<std::uint32_t>(i);

  for (std::size_t i = 0; i < channels; ++i) {
    ChannelHeader& channel = header.channels[i];
    const auto type = DataTypeOf(types[i]);
    if (!type) {
      return HeaderResult::Refuse(ChannelName(i, channel.label) + " has the data type " +
                                  std::to_string(types[i]) + " (" + DataTypeName(types[i]) +
                                  "), whose values this reader cannot locate in a record");
    }
    channel.type = *type;
    channel.samplesPerRecord = samples[i];
    channel.offsetInRecord = header.recordBytes;
    const auto bytesOfChannel = common::CheckedMultiply(channel.samplesPerRecord, type->bytes);
    const auto total =
        bytesOfChannel ? common::CheckedAdd(header.recordBytes, *bytesOfChannel) : std::nullopt;
    if (!total || *total > kMaximumRecordBytes) {
      return HeaderResult::Refuse("a data record would be larger than 256 MiB (at " +
                                  ChannelName(i, channel.label) + ")");
    }
    header.recordBytes = *total;
  }
  if (two) ReadTaggedFields(bytes.subspan(channels * kHeaderBytesPerChannel), header);
  return header;
}

}  // namespace gdf
