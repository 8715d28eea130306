#include "edf_header.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <tuple>

#include "common/calendar.h"
#include "common/text_encoding.h"
#include "header_dates.h"
#include "numeric_fields.h"

namespace edf {

namespace {

// Field widths of one signal, in the order the header stores the arrays.
constexpr std::size_t kLabelWidth = 16, kTransducerWidth = 80, kDimensionWidth = 8,
                      kNumberWidth = 8, kPrefilteringWidth = 80, kReservedWidth = 32;
constexpr std::int64_t kMaximumRecordBytes = std::int64_t{256} << 20;

std::string_view FieldAt(std::span<const std::byte> bytes, std::size_t offset, std::size_t width) {
  // The callers' offsets come from fixed layouts within spans they sized; the view is checked
  // against the span all the same.
  if (offset > bytes.size() || bytes.size() - offset < width) return {};
  return {reinterpret_cast<const char*>(bytes.data()) + offset, width};  // bytes as characters
}

// Writers pad text fields with spaces, some with NUL bytes: both are padding.
std::string WithoutTrailingPadding(std::string_view field) {
  const auto last = field.find_last_not_of(std::string_view(" \0", 2));
  return std::string(last == std::string_view::npos ? std::string_view{} : field.substr(0, last + 1));
}

// A field quoted for a refusal as UTF-8, trailing padding removed.
std::string Quoted(std::string_view field) {
  const auto text = common::Utf16ToUtf8(common::HeaderTextToUtf16(WithoutTrailingPadding(field)));
  // Appended rather than "\"" + ...: GCC 12 warns falsely (-Wrestrict) on that form.
  std::string quoted = "\"";
  quoted += text.value_or(std::string{});
  return quoted += '"';
}

std::string SignalName(std::size_t index, const std::string& label) {
  return "signal " + std::to_string(index + 1) + " (" + Quoted(label) + ")";
}

FileVariant VariantOf(std::string_view reserved) {
  if (reserved.substr(0, 5) == "EDF+C") return FileVariant::EdfPlusContinuous;
  if (reserved.substr(0, 5) == "EDF+D") return FileVariant::EdfPlusDiscontinuous;
  return FileVariant::Edf;
}

}  // namespace

common::Result<FixedHeader> ParseFixedHeader(std::span<const std::byte> bytes) {
  if (bytes.size() < kFixedHeaderBytes) {
    return common::Result<FixedHeader>::Refuse("the file is shorter than the 256-byte EDF header");
  }
  const std::string_view version = FieldAt(bytes, 0, 8);
  if (static_cast<unsigned char>(version[0]) == 0xFF && version.substr(1, 7) == "BIOSEMI") {
    return common::Result<FixedHeader>::Refuse(
        "24-bit BDF files are not supported, only 16-bit EDF");
  }
  if (TrimSpaces(version) != "0" || version[0] != '0') {
    return common::Result<FixedHeader>::Refuse("not an EDF file: the version field is " +
                                               Quoted(version) + ", not \"0\"");
  }
  FixedHeader header;
  header.patient = WithoutTrailingPadding(FieldAt(bytes, 8, 80));
  header.recording = WithoutTrailingPadding(FieldAt(bytes, 88, 80));
  header.variant = VariantOf(FieldAt(bytes, 192, 44));

  const std::string_view dateField = FieldAt(bytes, 168, 8);
  const auto date = header.variant == FileVariant::Edf
                        ? ParseHeaderDate(dateField)
                        : ParseEdfPlusStartDate(dateField, header.recording);
  if (!date) {
    return common::Result<FixedHeader>::Refuse("the start date " + Quoted(dateField) +
                                               " is not a valid dd.mm.yy date");
  }
  const std::string_view timeField = FieldAt(bytes, 176, 8);
  const auto timeOfDay = ParseHeaderTime(timeField);
  if (!timeOfDay) {
    return common::Result<FixedHeader>::Refuse("the start time " + Quoted(timeField) +
                                               " is not a valid hh.mm.ss time");
  }
  header.startSecond = common::DayNumberOf(*date) * 86400 + *timeOfDay;

  const std::string_view signalField = FieldAt(bytes, 252, 4);
  const auto signalCount = ParseInteger(signalField);
  if (!signalCount) {
    return common::Result<FixedHeader>::Refuse("the number of signals " + Quoted(signalField) +
                                               " is not a number");
  }
  if (*signalCount < 1) {
    return common::Result<FixedHeader>::Refuse(
        "the number of signals is " + std::to_string(*signalCount) + "; at least 1 is needed");
  }
  header.signalCount = static_cast<std::int32_t>(*signalCount);  // at most 4 digits

  const std::string_view lengthField = FieldAt(bytes, 184, 8);
  const auto headerBytes = ParseInteger(lengthField);
  if (!headerBytes) {
    return common::Result<FixedHeader>::Refuse("the header length " + Quoted(lengthField) +
                                               " is not a number");
  }
  const std::int64_t expectedBytes =
      static_cast<std::int64_t>(kFixedHeaderBytes + kHeaderBytesPerSignal * header.signalCount);
  if (*headerBytes != expectedBytes) {
    return common::Result<FixedHeader>::Refuse("the header length " + std::to_string(*headerBytes) +
                                               " does not match " +
                                               std::to_string(header.signalCount) + " signals (" +
                                               std::to_string(expectedBytes) + " bytes expected)");
  }
  header.headerBytes = *headerBytes;

  const std::string_view countField = FieldAt(bytes, kRecordCountOffset, kRecordCountWidth);
  const auto recordCount = ParseInteger(countField);
  if (!recordCount) {
    return common::Result<FixedHeader>::Refuse("the number of data records " + Quoted(countField) +
                                               " is not a number");
  }
  if (*recordCount < -1) {
    return common::Result<FixedHeader>::Refuse("the number of data records is " +
                                               std::to_string(*recordCount) +
                                               "; it must be -1 or more");
  }
  header.declaredRecordCount = *recordCount;

  const std::string_view durationField = FieldAt(bytes, 244, 8);
  const auto duration = ParseSecondsAsTicks(TrimSpaces(durationField));
  if (!duration) {
    return common::Result<FixedHeader>::Refuse("the data record duration " + Quoted(durationField) +
                                               " is not a number of seconds");
  }
  if (*duration < 0) {
    return common::Result<FixedHeader>::Refuse("the data record duration " + Quoted(durationField) +
                                               " is negative");
  }
  header.recordDurationTicks = *duration;
  return header;
}

common::Result<Header> ParseSignalHeaders(const FixedHeader& fixed,
                                          std::span<const std::byte> bytes) {
  const auto count = static_cast<std::size_t>(fixed.signalCount);
  if (bytes.size() != kHeaderBytesPerSignal * count) {
    return common::Result<Header>::Refuse("the signal header is incomplete");
  }
  Header header;
  header.fixed = fixed;
  header.signals.resize(count);
  // Start of each field array, in the header's order.
  std::size_t offset = 0;
  const std::size_t labels = offset;
  const std::size_t transducers = offset += kLabelWidth * count;
  const std::size_t dimensions = offset += kTransducerWidth * count;
  const std::size_t physicalMinima = offset += kDimensionWidth * count;
  const std::size_t physicalMaxima = offset += kNumberWidth * count;
  const std::size_t digitalMinima = offset += kNumberWidth * count;
  const std::size_t digitalMaxima = offset += kNumberWidth * count;
  const std::size_t prefilterings = offset += kNumberWidth * count;
  const std::size_t sampleCounts = offset += kPrefilteringWidth * count;
  static_assert(kLabelWidth + kTransducerWidth + kDimensionWidth + 4 * kNumberWidth +
                    kPrefilteringWidth + kNumberWidth + kReservedWidth ==
                kHeaderBytesPerSignal);

  bool hasAnnotationSignal = false;
  std::int64_t recordBytes = 0;
  for (std::size_t i = 0; i < count; ++i) {
    SignalHeader& signal = header.signals[i];
    signal.label = WithoutTrailingPadding(FieldAt(bytes, labels + kLabelWidth * i, kLabelWidth));
    signal.transducer =
        WithoutTrailingPadding(FieldAt(bytes, transducers + kTransducerWidth * i, kTransducerWidth));
    signal.physicalDimension =
        WithoutTrailingPadding(FieldAt(bytes, dimensions + kDimensionWidth * i, kDimensionWidth));
    signal.prefiltering = WithoutTrailingPadding(
        FieldAt(bytes, prefilterings + kPrefilteringWidth * i, kPrefilteringWidth));
    signal.isAnnotation = fixed.variant != FileVariant::Edf && signal.label == "EDF Annotations";
    hasAnnotationSignal = hasAnnotationSignal || signal.isAnnotation;
    const std::string name = SignalName(i, signal.label);

    const std::string_view minimumField = FieldAt(bytes, physicalMinima + kNumberWidth * i, kNumberWidth);
    const std::string_view maximumField = FieldAt(bytes, physicalMaxima + kNumberWidth * i, kNumberWidth);
    const auto physicalMinimum = ParseDecimal(minimumField);
    const auto physicalMaximum = ParseDecimal(maximumField);
    if (!physicalMinimum) {
      return common::Result<Header>::Refuse(name + ": the physical minimum " +
                                            Quoted(minimumField) + " is not a number");
    }
    if (!physicalMaximum) {
      return common::Result<Header>::Refuse(name + ": the physical maximum " +
                                            Quoted(maximumField) + " is not a number");
    }
    signal.physicalMinimum = *physicalMinimum;
    signal.physicalMaximum = *physicalMaximum;

    for (const auto& [fieldStart, what, target] :
         {std::tuple{digitalMinima, "digital minimum", &signal.digitalMinimum},
          std::tuple{digitalMaxima, "digital maximum", &signal.digitalMaximum}}) {
      const std::string_view field = FieldAt(bytes, fieldStart + kNumberWidth * i, kNumberWidth);
      const auto value = ParseInteger(field);
      if (!value || *value < std::numeric_limits<std::int16_t>::min() ||
          *value > std::numeric_limits<std::int16_t>::max()) {
        return common::Result<Header>::Refuse(name + ": the " + what + " " + Quoted(field) +
                                              " is not an integer from -32768 to 32767");
      }
      *target = static_cast<std::int32_t>(*value);
    }
    // The samples are read as stored whatever their range; only calibration needs it.
    if (!signal.isAnnotation && signal.digitalMinimum > signal.digitalMaximum) {
      header.warnings.push_back(name + ": the digital minimum " +
                                std::to_string(signal.digitalMinimum) + " is above the maximum " +
                                std::to_string(signal.digitalMaximum));
    }

    const std::string_view samplesField = FieldAt(bytes, sampleCounts + kNumberWidth * i, kNumberWidth);
    const auto samples = ParseInteger(samplesField);
    if (!samples) {
      return common::Result<Header>::Refuse(name + ": the number of samples per data record " +
                                            Quoted(samplesField) + " is not a number");
    }
    if (*samples < 1) {
      return common::Result<Header>::Refuse(name + ": the number of samples per data record is " +
                                            std::to_string(*samples) + "; at least 1 is needed");
    }
    signal.samplesPerRecord = static_cast<std::int32_t>(*samples);  // at most 8 digits
    signal.offsetInRecord = recordBytes;
    recordBytes += 2 * *samples;  // at most 9999 x 2 x (10^8 - 1): no overflow
  }
  if (recordBytes > kMaximumRecordBytes) {
    return common::Result<Header>::Refuse("a data record of " + std::to_string(recordBytes) +
                                          " bytes is larger than the 256 MiB this reader accepts");
  }
  if (fixed.variant == FileVariant::EdfPlusDiscontinuous && !hasAnnotationSignal) {
    return common::Result<Header>::Refuse(
        "the EDF+D file has no \"EDF Annotations\" signal, so its data records cannot be placed in "
        "time");
  }
  if (!hasAnnotationSignal) header.fixed.variant = FileVariant::Edf;  // EDF+C: records in a row
  if (fixed.recordDurationTicks == 0 &&
      std::any_of(header.signals.begin(), header.signals.end(),
                  [](const SignalHeader& s) { return !s.isAnnotation; })) {
    return common::Result<Header>::Refuse(
        "the data record duration is 0 (it rounds to whole steps of 100 ns, 0.0000001 s) but the "
        "file holds ordinary signals, whose samples need a duration of at least 0.0000001 s");
  }
  header.recordBytes = recordBytes;
  return header;
}

}  // namespace edf
